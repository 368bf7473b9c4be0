// A player who doesn't wait, against a slow service (every answer 20 to 400
// ms late, or as BRISKO_STANDIN_DELAY_MS says): every screen the gallery
// renders is opened and walked at once — texts, rows, tabs and switches
// tapped, Back, the bar's buttons, text typed where a screen asks, the
// dashboard closed — on a device that runs short of memory and whose player
// takes a call or switches to another application and back, with answers
// landing on screens that have moved on or gone. The walk is the same every
// run (a fixed seed); where the answers land is not. Under the sanitizer build
// nothing may reach a freed screen.
#include "DashboardEndToEndSupport.h"

#include "platform/net/HttpTransport.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/services/QVUser.h"
#include "social/ui/QVTabBarItem.h"
#include "tools/standin/StandInWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace e2e_testing;
using quorvel::Quorvel;
using quorvel::QuorvelInternal;
using standin::StandInState;

namespace {

struct Screen {
    std::string name;
    std::function<void()> open;
    bool viaFirstRow { false }; // the screen is the list's first row, opened when it shows
};

Quorvel::DashboardEntry entry(const char* name) { return std::string(name); }

Screen onTab(const char* name, const char* tab, std::vector<Quorvel::DashboardEntry> pushed = {})
{
    return { name, [tab, pushed] { Quorvel::launchDashboardWithDelegate(nullptr, tab, pushed); } };
}

Screen call(const char* name, void (*launch)(), bool viaFirstRow = false)
{
    return { name, [launch] { launch(); }, viaFirstRow };
}

platform::Ref<quorvel::QVUser> rival()
{
    auto user = quorvel::QVUser::create();
    user->setResourceId(std::to_string(StandInState::kRivalUser));
    user->setName("Rival");
    return user;
}

// Every screen the gallery renders, opened the way it opens them.
std::vector<Screen> galleryScreens()
{
    return {
        call("game-page", [] { Quorvel::launchDashboard(); }),
        call("leaderboards", &Quorvel::launchDashboardWithListLeaderboardsPage),
        { "high-scores", [] { Quorvel::launchDashboardWithHighscorePage(std::to_string(StandInState::kNormalLeaderboard)); } },
        call("achievements", &Quorvel::launchDashboardWithAchievementsPage),
        call("challenges", &Quorvel::launchDashboardWithChallengesPage),
        call("whos-playing", &Quorvel::launchDashboardWithWhosPlayingPage),
        onTab("fan-club", "GameProfile", { entry("FanClub") }),
        onTab("newsletter", "GameProfile", { entry("FanClub"), entry("NewsLetter") }),
        onTab("announcements", "GameProfile", { entry("AnnouncementBrowser") }),
        call("forums", &Quorvel::launchDashboardWithForumsPage),
        call("chat-rooms", &Quorvel::launchDashboardWithListGlobalChatRoomsPage),
        onTab("player-page", "MyQuorvel"),
        onTab("friends", "MyQuorvel", { entry("Friends") }),
        call("find-friends", &Quorvel::launchDashboardWithFindFriendsPage),
        { "profile", [] {
              Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> {});
              quorvel::QVDashboardSwitch::showProfileForUser(rival().get());
          } },
        { "conversation", [] { Quorvel::launchDashboardWithIMToUser(rival().get(), "Good game!"); } },
        onTab("inbox", "MyQuorvel", { entry("InboxTopLevel") }),
        onTab("played-games", "MyQuorvel", { entry("PlayedGame") }),
        onTab("settings", "MyQuorvel", { entry("UserSetting") }),
        call("invite", &Quorvel::launchDashboardWithInvitePage),
        onTab("invitations", "MyQuorvel", { entry("Invitations") }),
        onTab("discovery", "GameDiscovery"),
        call("switch-user", &Quorvel::launchDashboardWithSwitchUserPage),
        call("challenge-detail", &Quorvel::launchDashboardWithChallengesPage, true),
        call("forum-threads", &Quorvel::launchDashboardWithForumsPage, true),
        onTab("favorite-game", "GameProfile", { entry("FanClub"), entry("FavoriteThisGame") }),
        onTab("profile-picture", "MyQuorvel", { entry("UserSetting"), entry("SelectProfilePicture") }),
        onTab("instant-messages", "MyQuorvel", { entry("InboxTopLevel"), entry("InboxIMConversations") }),
        onTab("forum-subscriptions", "MyQuorvel", { entry("InboxTopLevel"), entry("InboxSubscribedForumThreads") }),
        onTab("friends-games", "MyQuorvel", { entry("Friends"), entry("FriendsGames") }),
        onTab("high-score-map", "GameProfile", { entry("Leaderboard"), entry("HighScore"), entry("HighScoreMapView") }),
    };
}

// What the player never taps: it would end the session the walk goes on in.
const std::set<std::string> kLeftAlone = { "Logout", "Log Out", "Switch User", "Use a different account" };

class ImpatientPlayerEndToEnd : public DashboardEndToEndTest {
protected:
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        // The delay the environment asks for (the service takes it itself), else 20 to 400 ms.
        if (service && !std::getenv("BRISKO_STANDIN_DELAY_MS"))
            service->setAnswerDelay(20, 400);
    }

    // The community the gallery shows, seeded as it seeds it.
    void seed(int64_t player) { standin::world::seed(*state, player, true); }

    bool quietService()
    {
        return service->answeringCount() == 0 && platform::HttpTransport::shared().activeCount() == 0;
    }

    // What has arrived is handled, the clock moves on a little: the player does not wait.
    void moveOn(double seconds)
    {
        loop().runOnce(0);
        driver->advance(seconds);
        sync();
    }

    template <typename T>
    T* pick(const std::vector<T*>& candidates)
    {
        return candidates.empty() ? nullptr : candidates[random() % candidates.size()];
    }

    // An alert or sheet in the way is cancelled (a sheet may offer to log out).
    bool answerWhatAsks()
    {
        if (auto* alert = driver->currentAlert())
            return driver->answerAlert(std::max(alert->cancelButtonIndex(), 0));
        if (auto* sheet = driver->currentActionSheet())
            return driver->answerActionSheet(std::max(sheet->cancelButtonIndex(), 0));
        return false;
    }

    // Back, or the dashboard closed when there is no way back: the player leaves.
    void leave()
    {
        if (auto* stack = frontStack(); stack && stack->viewControllers().size() > 1)
            driver->tapBack(stack);
        else
            Quorvel::dismissDashboard();
    }

    // One impatient move: one of the things the screen offers now, or an
    // event of the device, taken at once; after it, as often as not, the
    // player leaves before any answer.
    void impatientMove()
    {
        static constexpr double paces[] = { 0.02, 0.1, 0.4 };
        if (answerWhatAsks())
            return moveOn(0.1);
        using platform::ui::View;
        std::vector<View*> texts, inputs;
        for (auto* label : visible<platform::ui::Label>())
            if (!label->text().empty() && !kLeftAlone.count(label->text()))
                texts.push_back(label);
        for (auto* button : visible<platform::ui::Button>())
            if (!kLeftAlone.count(button->currentTitle()))
                texts.push_back(button);
        for (auto* field : visible<platform::ui::TextField>())
            inputs.push_back(field);
        for (auto* box : visible<platform::ui::TextView>())
            inputs.push_back(box);
        auto rows = visible<platform::ui::TableViewCell>();
        auto tabs = visible<quorvel::QVTabBarItem>();
        auto switches = visible<platform::ui::Switch>();
        auto* stack = frontStack();
        auto* item = stack && stack->topViewController() ? stack->topViewController()->navigationItem() : nullptr;
        std::vector<platform::ui::BarButtonItem*> barButtons;
        for (auto* button : { item ? item->leftBarButtonItem() : nullptr, item ? item->rightBarButtonItem() : nullptr })
            if (button && !kLeftAlone.count(button->title()))
                barButtons.push_back(button);

        std::vector<std::function<void()>> offered;
        if (!texts.empty()) // a row's label, a button's title
            offered.push_back([&] {
                View* text = pick(texts);
                platform::Rect r = text->convertRectTo(text->bounds(), nullptr);
                driver->tapPoint(platform::Point(r.midX(), r.midY()));
            });
        if (!rows.empty())
            offered.push_back([&] { driver->tap(pick(rows)); });
        if (!switches.empty())
            offered.push_back([&] { driver->tap(pick(switches)); });
        if (!inputs.empty()) // types where the screen asks, and sends it
            offered.push_back([&] {
                if (driver->tap(pick(inputs))) {
                    driver->type("Rival");
                    driver->pressReturn();
                }
            });
        if (!barButtons.empty()) // compose, edit, done, close
            offered.push_back([&] { driver->tapBarButton(pick(barButtons)); });
        // What the device does meanwhile: memory runs short; a call comes in; the player switches
        // to another application and back. The game passes the events on as it gets them.
        offered.push_back([&] { driver->memoryWarning(); });
        offered.push_back([&] {
            Quorvel::applicationWillResignActive();
            moveOn(paces[random() % 3]);
            Quorvel::applicationDidBecomeActive();
        });
        offered.push_back([&] {
            Quorvel::applicationWillResignActive();
            Quorvel::applicationDidEnterBackground();
            moveOn(paces[random() % 3]);
            Quorvel::applicationWillEnterForeground();
            Quorvel::applicationDidBecomeActive();
        });
        const size_t acting = offered.size();
        if (!tabs.empty())
            offered.push_back([&] { driver->tap(pick(tabs)); });
        offered.push_back([&] { leave(); });
        offered.push_back([&] { waitUntil([&] { return quietService(); }); }); // waits, for once

        const size_t chosen = random() % offered.size();
        offered[chosen]();
        moveOn(paces[random() % 3]);
        if (chosen < acting && random() % 2) {
            leave();
            moveOn(paces[random() % 3]);
        }
    }

    // Opens the screen, walks it impatiently and closes the dashboard.
    void walk(const Screen& screen)
    {
        SCOPED_TRACE(screen.name);
        screen.open();
        ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); })) << screen.name;
        // As often as not memory runs short while the screen is still coming in.
        if (random() % 2)
            driver->memoryWarning();
        if (screen.viaFirstRow) {
            ASSERT_TRUE(waitUntil([&] { return !visible<platform::ui::TableViewCell>().empty(); })) << screenText();
            driver->tap(visible<platform::ui::TableViewCell>().front());
        }
        // As often as not the player starts before the screen has its data;
        // otherwise once it has it (then a switch or a row is there to take).
        if (random() % 2)
            waitUntil([&] { return quietService(); });
        for (int move = 0; move < 10 && QuorvelInternal::presenter().isShowingFullScreen(); ++move)
            impatientMove();
        Quorvel::dismissDashboard();
        moveOn(0.05);
        // The answers still on their way land on screens that have all gone.
        ASSERT_TRUE(waitUntil([&] {
            answerWhatAsks();
            return quietService() && !QuorvelInternal::presenter().isShowingFullScreen();
        })) << screen.name;
    }

    std::minstd_rand random { 64 };
};

TEST_F(ImpatientPlayerEndToEnd, WalksEveryScreenWithoutWaitingForTheService)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    seed(player);
    for (const auto& screen : galleryScreens()) {
        walk(screen);
        if (HasFatalFailure())
            return;
        // Still the same player, logged in: the next screen starts where a game would.
        ASSERT_EQ(loggedInUser(), std::to_string(player)) << "after " << screen.name;
    }
}

} // namespace
