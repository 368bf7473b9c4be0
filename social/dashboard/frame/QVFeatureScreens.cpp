// The screens the features open in each other, by name.
#include "social/dashboard/frame/QVFeatureScreens.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/ViewController.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::ViewController;

namespace {

Ref<platform::Boxed> boxed(platform::Value value) { return platform::Boxed::box(std::move(value)); }

// A screen of another area that is prepared by its setters by name, when it has them.
void sendSetter(ViewController* screen, const char* setter, Object* value)
{
    if (auto* keyed = dynamic_cast<QVKeyedSetters*>(screen))
        keyed->performSetter(setter, value);
}

} // namespace

Ref<ViewController> QVFeatureScreens::forumThread(QVForumThread* thread, QVForumTopic* topic)
{
    Ref<ViewController> screen = QVControllerLoader::load("ForumThreadView");
    if (screen) {
        QVRequireSetter(screen.get(), "setThread", thread);
        QVRequireSetter(screen.get(), "setTopic", topic);
    }
    return screen;
}

Ref<ViewController> QVFeatureScreens::forumThreadList(QVForumTopic* topic)
{
    Ref<ViewController> screen = QVControllerLoader::load("ForumThreadList");
    if (screen)
        QVRequireSetter(screen.get(), "setTopic", topic);
    return screen;
}

Ref<ViewController> QVFeatureScreens::conversation(const std::string& conversationId, QVUser* user)
{
    Ref<ViewController> screen = QVControllerLoader::load("Conversation");
    if (!screen)
        return nullptr;
    screen->view();
    QVRequireSetter(screen.get(), "setConversationId", boxed(platform::Value(conversationId)).get());
    QVRequireSetter(screen.get(), "setUser", user);
    return screen;
}

Ref<ViewController> QVFeatureScreens::inviteTypes() { return QVControllerLoader::load("SelectInviteType"); }

void QVFeatureScreens::setUpForGame(ViewController* screen, QVGameProfilePageInfo* info)
{
    if (!screen)
        return;
    const std::string cls = screen->className();
    const std::string name = info ? info->name() : std::string();
    const std::string id = info ? info->resourceId() : std::string();
    const std::string iconUrl = info ? info->iconUrl().value_or(std::string()) : std::string();
    if (cls == "QVLeaderboardController") {
        sendSetter(screen, "setGameProfileInfo", info);
    } else if (cls == "QVAchievementListController") {
        sendSetter(screen, "setApplicationName", boxed(platform::Value(name)).get());
        sendSetter(screen, "setApplicationId", boxed(platform::Value(id)).get());
        sendSetter(screen, "setApplicationIconUrl", boxed(platform::Value(iconUrl)).get());
        sendSetter(screen, "setDoesUserHaveApplication", boxed(platform::Value(info && info->ownedByLocalPlayer())).get());
    } else if (cls == "QVSelectChatRoomDefinitionController") {
        sendSetter(screen, "setIncludeGlobalRooms", boxed(platform::Value(false)).get());
        sendSetter(screen, "setIncludeDeveloperRooms", boxed(platform::Value(true)).get());
        sendSetter(screen, "setIncludeApplicationRooms", boxed(platform::Value(true)).get());
    } else if (cls == "QVWhosPlayingController") {
        sendSetter(screen, "setApplicationName", boxed(platform::Value(name)).get());
        sendSetter(screen, "setApplicationId", boxed(platform::Value(id)).get());
        sendSetter(screen, "setApplicationIconUrl", boxed(platform::Value(iconUrl)).get());
    } else if (cls == "QVChallengeListController") {
        sendSetter(screen, "setClientApplicationId", boxed(platform::Value(id)).get());
        sendSetter(screen, "setListType", boxed(platform::Value(0)).get());
    }
}

} // namespace quorvel
