// Small protocols between the dashboard's features: a feature loads another's
// screen by name and sets it up through one of these, so that no feature
// includes another's classes, the compiler checks the calls, and a game's own
// subclass (registered under its prefix) gets the same set-up. A screen that
// loads under such a name but lacks its protocol is a programming error: the
// caller casts with requireCast and fails loudly. The screens the central
// class drives too are in social/core/QuorvelDashboardScreens.h.
#pragma once

#include "platform/foundation/Object.h"
#include "social/core/QuorvelDashboardScreens.h"

#include <string>

namespace platform::ui {
class ViewController;
}

namespace quorvel {

class QVForumThread;
class QVForumTopic;
class QVGameProfilePageInfo;
class QVUser;

// A screen a game's page pushes that lists something of one game (its
// leaderboards, achievements, challenges, players, chat rooms): it takes the
// game before it is shown. Any other screen pushed from the page takes nothing.
class QVGameScopedScreen {
public:
    virtual ~QVGameScopedScreen() = default;
    virtual void scopeToGame(QVGameProfilePageInfo* info) = 0;
};

// "GameProfile" / "GameProfileWithNavBar" opened for a game: the game's id,
// and on a large screen the page that carries its own bar of buttons.
class QVGameProfileScreen : public QVGamePageScreen {
public:
    virtual void showGame(const std::string& clientApplicationId, bool withNavBar) = 0;
};

// "Profile": a page about one user. The stack opens no second page of the
// user it already shows.
class QVUserPage {
public:
    virtual ~QVUserPage() = default;
    virtual QVUser* pageUser() const = 0;
    // Opened from a forum post: a report from the profile flags `reportedPost`,
    // answered over `threadView`.
    virtual void showUser(QVUser* user, platform::Object* reportedPost, platform::ui::ViewController* threadView) = 0;
};

// "ForumThreadView": the posts of one thread of a topic.
class QVForumThreadScreen {
public:
    virtual ~QVForumThreadScreen() = default;
    virtual void showThread(QVForumThread* thread, QVForumTopic* topic) = 0;
};

// "ForumThreadList": the threads of one topic.
class QVForumTopicScreen {
public:
    virtual ~QVForumTopicScreen() = default;
    virtual void showTopic(QVForumTopic* topic) = 0;
};

// "FullscreenImportFriendsMessage" / "HeaderedFullscreenImportFriendsMessage":
// a list's empty state that offers to import friends, working for that list.
class QVImportFriendsMessageScreen {
public:
    virtual ~QVImportFriendsMessageScreen() = default;
    virtual void setOwner(platform::ui::ViewController* owner) = 0;
    virtual void setMessage(const std::string& message) = 0;
};

} // namespace quorvel
