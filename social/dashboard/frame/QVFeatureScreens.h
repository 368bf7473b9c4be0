// QVFeatureScreens: the screens one of the dashboard's features opens in
// another, loaded by name and set up through the small protocols of
// QVDashboardProtocols.h, so that no feature includes another's classes and a
// game's own subclass of a screen is set up like the screen it replaces.
#pragma once

#include "platform/foundation/Object.h"

#include <string>

namespace platform::ui {
class ViewController;
}

namespace quorvel {

class QVForumThread;
class QVForumTopic;
class QVGameProfilePageInfo;
class QVUser;

class QVFeatureScreens {
public:
    // "ForumThreadView": the posts of `thread` in `topic`.
    static platform::Ref<platform::ui::ViewController> forumThread(QVForumThread* thread, QVForumTopic* topic);
    // "ForumThreadList": the threads of `topic`.
    static platform::Ref<platform::ui::ViewController> forumThreadList(QVForumTopic* topic);
    // "Conversation": the messages exchanged with `user` in `conversationId`.
    static platform::Ref<platform::ui::ViewController> conversation(const std::string& conversationId, QVUser* user);
    // "SelectInviteType": the first screen of the invitation flow.
    static platform::Ref<platform::ui::ViewController> inviteTypes();
    // "SelectChatRoomDefinition" listing the kinds of room asked for.
    static platform::Ref<platform::ui::ViewController> chatRooms(bool globalRooms, bool developerRooms,
                                                                 bool applicationRooms);
    // "ApplicationDescription" of a game, opened from `placement` (none when
    // the dashboard has no such screen).
    static platform::Ref<platform::ui::ViewController> applicationDescription(const std::string& applicationId,
                                                                              const std::string& placement);

    // Gives a screen pushed from a game's page the game, when the screen is
    // about one game (QVGameScopedScreen); any other screen takes nothing.
    static void setUpForGame(platform::ui::ViewController* screen, QVGameProfilePageInfo* info);
};

} // namespace quorvel
