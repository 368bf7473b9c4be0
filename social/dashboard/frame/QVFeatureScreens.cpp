// The screens the features open in each other, by name, set up through their
// protocols.
#include "social/dashboard/frame/QVFeatureScreens.h"

#include "platform/ui/ViewController.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::ViewController;

Ref<ViewController> QVFeatureScreens::forumThread(QVForumThread* thread, QVForumTopic* topic)
{
    Ref<ViewController> screen = QVControllerLoader::load("ForumThreadView");
    if (screen)
        requireCast<QVForumThreadScreen>(screen, "A thread view must take its thread")->showThread(thread, topic);
    return screen;
}

Ref<ViewController> QVFeatureScreens::forumThreadList(QVForumTopic* topic)
{
    Ref<ViewController> screen = QVControllerLoader::load("ForumThreadList");
    if (screen)
        requireCast<QVForumTopicScreen>(screen, "A thread list must take its topic")->showTopic(topic);
    return screen;
}

Ref<ViewController> QVFeatureScreens::conversation(const std::string& conversationId, QVUser* user)
{
    Ref<ViewController> screen = QVControllerLoader::load("Conversation");
    if (screen)
        requireCast<QVConversationScreen>(screen, "A conversation must take its player")
            ->openConversation(conversationId, user, {});
    return screen;
}

Ref<ViewController> QVFeatureScreens::inviteTypes() { return QVControllerLoader::load("SelectInviteType"); }

Ref<ViewController> QVFeatureScreens::chatRooms(bool globalRooms, bool developerRooms, bool applicationRooms)
{
    Ref<ViewController> screen = QVControllerLoader::load("SelectChatRoomDefinition");
    if (screen)
        requireCast<QVChatRoomKindsScreen>(screen, "The chat room list must take the kinds of room it lists")
            ->setRoomKinds(globalRooms, developerRooms, applicationRooms);
    return screen;
}

Ref<ViewController> QVFeatureScreens::applicationDescription(const std::string& applicationId, const std::string& placement)
{
    Ref<ViewController> screen = QVControllerLoader::load("ApplicationDescription");
    if (screen)
        requireCast<QVApplicationDescriptionScreen>(screen, "A game's description must take the game")
            ->describeApplication(applicationId, placement);
    return screen;
}

void QVFeatureScreens::setUpForGame(ViewController* screen, QVGameProfilePageInfo* info)
{
    if (auto* scoped = dynamic_cast<QVGameScopedScreen*>(screen))
        scoped->scopeToGame(info);
}

} // namespace quorvel
