// QVFeatureScreens: the screens one of the dashboard's features opens in
// another, loaded by name and set up through their setters by name, so that
// no feature includes another's classes (the frame reaches them the same way).
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

    // Gives a screen pushed from a game's page the game's settings, each
    // screen through the setters by name it takes.
    static void setUpForGame(platform::ui::ViewController* screen, QVGameProfilePageInfo* info);
};

} // namespace quorvel
