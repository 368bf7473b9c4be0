// Small protocols between the dashboard's pages, so that a page can prepare
// the screen it pushes without depending on that screen's class.
#pragma once

namespace quorvel {

class QVUser;

// The achievement list: chooses its cell once it knows its users; sent after
// the push and before the first load.
class QVAchievementListSetup {
public:
    virtual ~QVAchievementListSetup() = default;
    virtual void postPushAchievementListController() = 0;
};

// A page about one user (the profile): the stack opens no second page of the
// user it already shows.
class QVUserPage {
public:
    virtual ~QVUserPage() = default;
    virtual QVUser* pageUser() const = 0;
};

// The game's page, as the tabbed dashboard drives it: it counts the badges on
// its buttons once its tab is made, and redraws when the dashboard goes offline.
class QVGamePage {
public:
    virtual ~QVGamePage() = default;
    virtual void registerForBadgeNotifications() = 0;
    virtual void refreshView() = 0;
};

} // namespace quorvel
