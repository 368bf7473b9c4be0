// The dashboard monkey's fixture (DashboardMonkeyEndToEndTests.cpp walks it
// at random, DashboardMonkeyRoadsEndToEndTests.cpp replays roads with it):
// its world (the gallery's, and a crowd of the player's friends whose lists run
// past a page), its game (which hears every call of the client and may act
// inside one), its moves, and the promises it checks after each move.
#pragma once

#include "DashboardEndToEndSupport.h"
#include "StandInRequestSupport.h"

#include "platform/graphics/Image.h"
#include "platform/net/HttpTransport.h"
#include "platform/net/Reachability.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/WebView.h"
#include "social/core/QVNotificationView.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/dashboard/challenges/QVCompletedChallengeHeaderController.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/frame/QVTickerView.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/dashboard/invites/QVInviteNotificationController.h"
#include "social/dashboard/profiles/QVMyQuorvelController.h"
#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVGamePlayer.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVSegmentedView.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTabBarItem.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"
#include "social/ui/QVViewController.h"
#include "social/ui/ScreenTestKit.h"
#include "tools/standin/StandInWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <utility>

namespace monkey_testing {

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

inline int environmentNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

// What a player types: nothing, a lot, emoji, right to left, control
// characters, markup, and bytes that are no text at all.
inline const std::vector<std::string>& typedTexts()
{
    static const std::vector<std::string> texts = {
        "", "Rival", std::string(3000, 'w'), "\xF0\x9F\x8E\xAE\xF0\x9F\x8F\x86", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
        "a\tb\x01" "c", "<b>bold</b> &amp; <script>", "\xC3\x28\xFF",
    };
    return texts;
}

// The game the monkey plays with: every call the client makes to it (its dashboard's, its logins',
// its challenge screens') goes to onCall by name, inside which the walk may have the game act.
class MonkeyGame final : public QuorvelDelegate, public QVChallengeDelegate {
public:
    void dashboardWillAppear() override { onCall("dashboardWillAppear"); }
    void dashboardDidAppear() override { onCall("dashboardDidAppear"); }
    void dashboardWillDisappear() override { onCall("dashboardWillDisappear"); }
    void dashboardDidDisappear() override { onCall("dashboardDidDisappear"); }
    void userLoggedIn(const std::string& id) override { onCall("userLoggedIn:" + id); }
    void offlineUserLoggedIn(const std::string& id) override { onCall("offlineUserLoggedIn:" + id); }
    void userLoggedOut(const std::string& id) override { onCall("userLoggedOut:" + id); }
    // A game that waits for its challenge screens to close (to unpause) answers these.
    bool respondsTo(Message message) const override
    {
        return message == Message::UserSentChallenges || message == Message::SendChallengeScreenClosed
            || message == Message::CompletedChallengeScreenClosed || message == Message::UserRestartedChallenge;
    }
    void userSentChallenges() override { onCall("userSentChallenges"); }
    void sendChallengeScreenClosed() override { onCall("sendChallengeScreenClosed"); }
    void completedChallengeScreenClosed() override { onCall("completedChallengeScreenClosed"); }
    void userRestartedChallenge() override { onCall("userRestartedChallenge"); }

    std::function<void(const std::string&)> onCall = [](const std::string&) { };
};

class DashboardMonkey : public DashboardEndToEndTest {
protected:
    struct Move {
        const char* name;
        int weight;
        void (DashboardMonkey::*take)();
        // The game's move (no touch): it may come while something asks the player.
        bool byTheGame;
    };
    // The moves the monkey draws from, each by its weight: one line adds one.
    static const std::vector<Move>& moves()
    {
        using M = DashboardMonkey;
        static const std::vector<Move> table = {
            { "tap a text or button", 12, &M::tapAText, false },
            { "tap a row", 7, &M::tapARow, false },
            { "tap a tab", 3, &M::tapATab, false },
            { "another tab, back, and Back at once", 4, &M::tabAndBackAtOnce, false },
            { "back", 4, &M::back, false },
            { "tap a bar button", 6, &M::tapABarButton, false },
            { "type", 2, &M::type, false },
            { "the game opens a page", 6, &M::openAPage, true },
            { "the game closes the dashboard", 1, &M::closeTheDashboard, true },
            { "memory warning", 2, &M::memoryWarning, true },
            { "answers late for a few moves", 1, &M::answersLate, true },
            { "the next answers fail", 1, &M::answersFail, true },
            { "service gone", 1, &M::serviceGone, true },
            { "service back", 2, &M::serviceBack, true },
            { "network gone", 1, &M::networkGone, true },
            { "network back", 2, &M::networkBack, true },
            { "log out", 1, &M::logOut, true },
            { "log in", 1, &M::logIn, true },
            { "switch account", 1, &M::switchAccount, false },
            { "an unlock's notice", 1, &M::unlockNotice, true },
            { "the switch page over this tab", 1, &M::switchPageHere, false },
            { "tap a notice bar", 2, &M::tapANoticeBar, false },
            { "the challenge sent to three", 1, &M::openTheChallengeForThree, false },
            { "maintenance or an upgrade for a few moves", 1, &M::serviceRefuses, true },
            { "the game's send-challenge screen", 2, &M::gameSendsAChallenge, true },
            { "the game shows a challenge's result", 1, &M::gameShowsAResult, true },
            { "a picture of the player's own", 2, &M::pictureOfTheirOwn, false },
            { "a first login: the networks offer", 1, &M::firstLogin, true },
            { "the device turns", 1, &M::turn, true },
            { "an invitation's notice over the game", 1, &M::inviteNotice, true },
            { "scroll a list", 3, &M::scrollAList, false },
            { "more of a long list", 2, &M::moreOfAList, false },
            // Weighted by the walk (actingWeight): only the variant whose game acts in its callbacks.
            { "the game will act inside one of its callbacks", 0, &M::armACallback, true },
        };
        return table;
    }
    int weightOf(const Move& move) const { return move.take == &DashboardMonkey::armACallback ? actingWeight : move.weight; }

    // The device the walk plays on: a phone or a tablet, upright or on its side (either way).
    enum Shape { kPhone, kTablet, kTabletOnItsSide, kPhoneOnItsSide, kShapes };
    static const char* shapeName(int shape)
    {
        static const char* const names[] = { "a phone", "a tablet", "a tablet on its side", "a phone on its side" };
        return names[shape % kShapes];
    }

    void SetUp() override
    {
        // The device's network monitor is the monkey's: only it tells the client the network is gone.
        network = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
        QVReachability::setDefaultSource(platform::Ref<platform::Reachability>(network.get()));
        // The window is the screen's: the kind is set before the driver makes it.
        const bool tablet = shape == kTablet || shape == kTabletOnItsSide;
        platform::ui::Screen::mainScreen().setKind(tablet ? platform::ui::Screen::Kind::Tablet : platform::ui::Screen::Kind::Phone);
        DashboardEndToEndTest::SetUp();
        if (shape == kTabletOnItsSide || shape == kPhoneOnItsSide)
            settings.values.set("DashboardOrientation", platform::Value(turnedLeft ? 4 : 3));
        // The game hears every call of the client, and acts inside one when the walk arms it.
        monkeyGame.onCall = [this](const std::string& call) { heard(call); };
        delegates->setQuorvelDelegate(&monkeyGame);
        delegates->setChallengeDelegate(&monkeyGame);
    }
    void TearDown() override
    {
        DashboardEndToEndTest::TearDown();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
        QVReachability::setDefaultSource(nullptr);
        platform::ui::AddressBook::shared().removeAll();
    }

    // ---- The moves

    size_t draw(size_t n) { return n ? static_cast<size_t>(random() % n) : 0; }
    template <typename T>
    T* pick(const std::vector<T*>& candidates)
    {
        return candidates.empty() ? nullptr : candidates[draw(candidates.size())];
    }
    static std::string textOf(platform::ui::View* view)
    {
        if (auto* label = dynamic_cast<platform::ui::Label*>(view))
            return label->text();
        if (auto* button = dynamic_cast<platform::ui::Button*>(view))
            return button->currentTitle();
        return {};
    }
    void note(const std::string& line)
    {
        trail.push_back(line);
        if (environmentNumber("BRISKO_MONKEY_TRACE", 0))
            std::cout << line << std::endl;
    }

    // Half the time the player goes back before anything the tap started has answered.
    void maybeBackAtOnce()
    {
        moveOn();
        if (draw(3) == 0) {
            note("    and Back at once");
            back();
        }
    }

    // A text, a button, or a button of the bar over the screen.
    void tapAText()
    {
        std::vector<platform::ui::View*> texts;
        for (auto* label : visible<platform::ui::Label>())
            if (!label->text().empty())
                texts.push_back(label);
        for (auto* button : visible<platform::ui::Button>())
            texts.push_back(button);
        const auto onTheBar = barButtons();
        const size_t index = draw(texts.size() + onTheBar.size());
        if (index >= texts.size()) {
            if (!onTheBar.empty())
                tapOnTheBar(onTheBar[index - texts.size()]);
            return;
        }
        platform::ui::View* chosen = texts[index];
        note("    \"" + textOf(chosen).substr(0, 40) + "\" (" + chosen->className() + ")");
        platform::Rect r = chosen->convertRectTo(chosen->bounds(), nullptr);
        driver->tapPoint(platform::Point(r.midX(), r.midY()));
        maybeBackAtOnce();
    }
    void tapARow()
    {
        if (auto* row = pick(visible<platform::ui::TableViewCell>())) {
            std::string first;
            for (auto* label : labelsIn(row))
                if (first.empty())
                    first = label->text();
            note("    the row \"" + first.substr(0, 40) + "\"");
            driver->tap(row);
            maybeBackAtOnce();
        }
    }
    void tapATab()
    {
        if (auto* tab = pick(visible<QVTabBarItem>())) {
            note("    " + tab->name());
            driver->tap(tab);
        }
    }
    // The player looks at another tab, comes back and goes Back within a few hundredths of a second.
    void tabAndBackAtOnce()
    {
        auto tabs = visible<QVTabBarItem>();
        QVTabBarItem* current = nullptr;
        std::vector<QVTabBarItem*> others;
        for (auto* tab : tabs) {
            if (tab->active())
                current = tab;
            else
                others.push_back(tab);
        }
        QVTabBarItem* other = pick(others);
        if (!current || !other)
            return;
        note("    " + other->name() + ", " + current->name() + ", Back");
        const std::string home = current->name();
        driver->tap(other);
        moveOn();
        for (auto* tab : visible<QVTabBarItem>())
            if (tab->name() == home) {
                driver->tap(tab);
                break;
            }
        moveOn();
        back();
    }
    void back()
    {
        auto* stack = frontStack();
        if (!stack || stack->viewControllers().size() < 2)
            return;
        const auto& screens = stack->viewControllers();
        platform::Weak<platform::ui::ViewController> below(screens[screens.size() - 2].get());
        const std::string belowName = screens[screens.size() - 2]->className();
        platform::Weak<platform::ui::NavigationController> watched(stack);
        if (!driver->tapBack(stack))
            return;
        // Back lands on the screen below: it is still on the stack the player looks at.
        auto still = below.lock();
        auto nav = watched.lock();
        if (still && nav && nav->isViewLoaded() && nav->view()->window() && backBroken.empty()
            && std::none_of(nav->viewControllers().begin(), nav->viewControllers().end(),
                            [&](auto& c) { return c.get() == still.get(); }))
            backBroken = "Back took the player past " + belowName + ", the screen below";
    }
    // The buttons of the front screen's bar, where the player sees them.
    std::vector<platform::ui::BarButtonItem*> barButtons() const
    {
        std::vector<platform::ui::BarButtonItem*> buttons;
        auto* stack = frontStack();
        if (!stack || !stack->topViewController() || !barShown(stack))
            return buttons;
        auto* item = stack->topViewController()->navigationItem();
        for (auto* button : { item->leftBarButtonItem(), item->rightBarButtonItem() })
            if (button)
                buttons.push_back(button);
        return buttons;
    }
    void tapOnTheBar(platform::ui::BarButtonItem* button)
    {
        note("    \"" + button->title() + "\" on the bar");
        driver->tapBarButton(button);
        maybeBackAtOnce();
    }
    void tapABarButton()
    {
        if (auto* button = pick(barButtons()))
            tapOnTheBar(button);
    }
    void type()
    {
        std::vector<platform::ui::View*> inputs;
        for (auto* field : visible<platform::ui::TextField>())
            inputs.push_back(field);
        for (auto* box : visible<platform::ui::TextView>())
            inputs.push_back(box);
        platform::ui::View* input = pick(inputs);
        const std::string& text = typedTexts()[draw(typedTexts().size())];
        if (!input || !driver->tap(input))
            return;
        const bool send = draw(2);
        note("    " + std::to_string(text.size()) + " bytes" + (send ? ", sent" : ""));
        typedInto.emplace_back(platform::Weak<platform::ui::View>(input), text);
        driver->type(text);
        if (send)
            driver->pressReturn();
    }
    // The pages the game opens, with the family of the screen each shows first (screenFamily) and
    // its weight: deep families (chat, a conversation, the profile picture) are a page away.
    struct Page {
        const char* name;
        const char* family;
        int weight;
        std::function<void()> open;
        bool onThePlayersTab { false }; // opening it takes that tab back to its root first
    };
    static const std::vector<Page>& pages()
    {
        using Entries = std::vector<Quorvel::DashboardEntry>;
        auto onMyTab = [](std::vector<std::string> names) {
            return [names] {
                Entries entries(names.begin(), names.end());
                Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", entries);
            };
        };
        static const std::vector<Page> table = {
            { "the game page", "game page", 1, [] { Quorvel::launchDashboard(); } },
            { "leaderboards", "scores", 1, [] { Quorvel::launchDashboardWithListLeaderboardsPage(); } },
            { "a leaderboard's scores", "scores", 1,
              [] { Quorvel::launchDashboardWithHighscorePage(std::to_string(StandInState::kNormalLeaderboard)); } },
            { "achievements", "achievements", 1, [] { Quorvel::launchDashboardWithAchievementsPage(); } },
            { "challenges", "challenges", 1, [] { Quorvel::launchDashboardWithChallengesPage(); } },
            { "forums", "forums", 1, [] { Quorvel::launchDashboardWithForumsPage(); } },
            { "chat rooms", "chat", 2, [] { Quorvel::launchDashboardWithListGlobalChatRoomsPage(); } },
            { "a conversation with the rival", "conversations", 2,
              [] {
                  auto rival = QVUser::create();
                  rival->setResourceId(std::to_string(StandInState::kRivalUser));
                  rival->setName("Rival");
                  Quorvel::launchDashboardWithIMToUser(rival.get(), "");
              }, true },
            { "find friends", "friends", 1, [] { Quorvel::launchDashboardWithFindFriendsPage(); }, true },
            { "who's playing", "friends", 1, [] { Quorvel::launchDashboardWithWhosPlayingPage(); } },
            { "switch account", "account", 1, [] { Quorvel::launchDashboardWithSwitchUserPage(); }, true },
            { "invite", "invites", 1, [] { Quorvel::launchDashboardWithInvitePage(); } },
            { "an invitation", "invites", 1, [] { Quorvel::launchDashboardWithSpecificInvite(""); }, true },
            { "inbox", "inbox", 1, onMyTab({ "InboxTopLevel" }), true },
            { "friends", "friends", 1, onMyTab({ "Friends" }), true },
            { "settings", "settings", 1, onMyTab({ "UserSetting" }), true },
            { "the profile picture", "profiles", 2, onMyTab({ "UserSetting", "SelectProfilePicture" }), true },
            { "games", "games", 1, [] { Quorvel::launchDashboardWithDelegate(nullptr, "GameDiscovery", Entries {}); } },
        };
        return table;
    }
    // Half the time the page of the family the walk has played least, else one drawn by weight.
    const Page& choosePage()
    {
        if (draw(2)) {
            int least = INT_MAX;
            std::vector<const Page*> rare;
            for (auto& p : pages()) {
                const int played = movesOn.count(p.family) ? movesOn.at(p.family) : 0;
                if (played < least)
                    least = played, rare.clear();
                if (played == least)
                    rare.push_back(&p);
            }
            return *pick(rare);
        }
        int total = 0;
        for (auto& p : pages())
            total += p.weight;
        int chosen = static_cast<int>(draw(static_cast<size_t>(total)));
        for (auto& p : pages())
            if ((chosen -= p.weight) < 0)
                return p;
        return pages().front();
    }
    void openAPage() { openPage(choosePage()); }
    void openPage(const Page& page)
    {
        note(std::string("    ") + page.name);
        page.open();
    }
    void closeTheDashboard()
    {
        gameClosedTheChallenge = true;
        Quorvel::dismissDashboard();
    }
    void memoryWarning() { driver->memoryWarning(); }
    // Each answer 0 to 1.5 s late, for one to four moves (the delay runs on real time).
    void answersLate()
    {
        lateMoves = 1 + static_cast<int>(draw(4));
        if (service)
            service->setAnswerDelay(0, 1500);
    }
    // The next answer to one to three of the paths the client has asked for is a failure.
    void answersFail()
    {
        if (!service)
            return;
        std::vector<standin::LoggedRequest> asked = service->requests();
        for (size_t i = 0, n = 1 + draw(3); i < n && !asked.empty(); ++i) {
            const auto& request = asked[draw(asked.size())];
            note("    " + request.method + " " + request.path);
            const int status = refusals()[draw(refusals().size())];
            note("    " + request.method + " " + request.path + " " + std::to_string(status));
            service->script(request.method, request.path, refusal(status));
        }
    }
    static const std::vector<int>& refusals()
    {
        static const std::vector<int> statuses = { 404, 500, 426, 450 };
        return statuses;
    }
    // A failure as the service sends it: its maintenance notice (450), its call to upgrade (426), an error.
    static standin::Answer refusal(int status)
    {
        if (status == 450)
            return standin::Answer::xml("<server_interruption_notice>Back in an hour</server_interruption_notice>", 450);
        if (status == 426)
            return standin::Answer::xml("<error_message>Please update %@ to keep playing.</error_message>", 426);
        return standin::Answer::xml("<errors><error>Not now</error></errors>", status);
    }
    // Every request answered 450 or 426 for one to three moves.
    void serviceRefuses()
    {
        refusingMoves = 1 + static_cast<int>(draw(3));
        refusingStatus = draw(2) ? 450 : 426;
        note("    " + std::to_string(refusingStatus) + " for " + std::to_string(refusingMoves));
        if (service)
            service->answerEveryRequest(refusal(refusingStatus));
    }
    // The game closes the dashboard (a screen of its own goes up only over the game) and opens one
    // of its framed screens, its first request refused half the time.
    void overTheGame(const std::function<void()>& open)
    {
        if (QuorvelInternal::presenter().isShowingFullScreen()) {
            gameClosedTheChallenge = true;
            Quorvel::dismissDashboard();
            settle();
        }
        if (service && draw(2)) {
            const int status = refusals()[draw(refusals().size())];
            note("    its first list answered " + std::to_string(status));
            service->script("GET", "users.xml", refusal(status));
        }
        open();
        moveOn();
    }
    void gameSendsAChallenge()
    {
        overTheGame([] { QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7, 8 }); });
    }
    // The game reports a challenge played: won or lost, of a definition played once or many times
    // (a won one of many attempts shows the send screen, the rest the result's screen).
    void gameShowsAResult()
    {
        auto definition = QVChallengeDefinition::create();
        definition->setResourceId("51");
        definition->setTitle("Fastest Lap");
        definition->setMultiAttempt(draw(2) ? "true" : "false");
        auto record = QVChallengeToUser::create();
        record->setResourceId(std::to_string(9000 + draw(100)));
        record->setChallenge(QVChallenge::initWithDefinition(definition, "Beat 1:10", platform::Bytes { 7 }));
        record->setResult(draw(2) ? QVChallengeService::kWon : QVChallengeService::kLost);
        note(std::string("    ") + (record->result() == QVChallengeService::kWon ? "won" : "lost")
             + (definition->multiAttempt() ? ", many attempts" : ", one attempt"));
        overTheGame([&] { QVChallengeService::displayChallengeCompletedModal(*record, platform::Bytes { 4 }, "You won", "Beat this"); });
    }
    // The player logs out and in again with the dashboard closed: the intro frame offers the networks.
    void firstLogin()
    {
        Quorvel::logoutUser();
        gameClosedTheChallenge = true;
        Quorvel::dismissDashboard();
        settle();
        Quorvel::userDidApproveQuorvel(true);
        const std::string who = draw(2) ? ownPlayer : std::to_string(StandInState::kRivalUser);
        note("    " + who);
        Quorvel::loginWithUserId(who, QVDelegate(), QVDelegate());
    }
    void noteFrontBefore()
    {
        frontBefore = frontScreen();
        frontBeforeName = frontScreen() ? frontScreenName() : "nothing";
    }
    // The game opens the profile picture page and the player chooses a picture of their own (the
    // photo library comes up); half the time the game opens another page while it is up.
    void pictureOfTheirOwn()
    {
        for (auto& page : pages())
            if (page.family == std::string("profiles"))
                openPage(page);
        settle();
        platform::ui::TableViewCell* row = rowShowing("Choose your own!");
        if (!row) {
            note("    no \"Choose your own!\"");
            return;
        }
        noteFrontBefore(); // the picker's screen
        driver->tap(row);
        settle();
        if (devicePicker() && draw(2)) {
            std::vector<const Page*> onThePlayersTab;
            for (auto& page : pages())
                if (page.onThePlayersTab)
                    onThePlayersTab.push_back(&page);
            note("    the game opens a page of the player's tab over it");
            openPage(*pick(onThePlayersTab));
        }
    }
    // The game will act inside one of its calls, the next time the client makes it (once).
    void armACallback()
    {
        static const char* const calls[] = { "dashboardWillAppear", "dashboardDidAppear", "userLoggedIn",
                                             "offlineUserLoggedIn", "userLoggedOut", "sendChallengeScreenClosed",
                                             "completedChallengeScreenClosed", "userSentChallenges" };
        armedCall = calls[draw(std::size(calls))];
        armedAct = static_cast<int>(draw(std::size(kActs)));
        armedPage = &choosePage(); // drawn now: what a call brings changes no later draw
        note(std::string("    ") + kActs[armedAct] + (armedAct == 4 ? std::string(" (") + armedPage->name + ")" : "")
             + " inside " + armedCall);
    }
    static constexpr const char* kActs[] = { "log out", "decline the service", "log in the other player",
                                             "close the dashboard", "open another page" };
    // A call of the client: what a game that waits for its challenge screens hears, and the act the
    // walk armed for it.
    void heard(const std::string& call)
    {
        note("    heard " + call);
        pairCall(call);
        if (call == "sendChallengeScreenClosed" || call == "completedChallengeScreenClosed" || call == "userRestartedChallenge")
            challengeToldClosed = true;
        if (call.rfind("userLoggedIn", 0) == 0 || call.rfind("offlineUserLoggedIn", 0) == 0 || call.rfind("userLoggedOut", 0) == 0)
            sessionChanged = true;
        if (armedCall.empty() || call.rfind(armedCall, 0) != 0)
            return;
        armedCall.clear();
        note(std::string("    (inside it) ") + kActs[armedAct]);
        switch (armedAct) {
        case 0:
            Quorvel::logoutUser();
            break;
        case 1:
            Quorvel::userDidApproveQuorvel(false);
            break;
        case 2:
            Quorvel::loginWithUserId(Quorvel::lastLoggedInUserId() == ownPlayer ? std::to_string(StandInState::kRivalUser) : ownPlayer,
                                     QVDelegate(), QVDelegate());
            break;
        case 3:
            gameClosedTheChallenge = true;
            Quorvel::dismissDashboard();
            break;
        default:
            openPage(*armedPage);
            break;
        }
    }
    void serviceGone() { serviceWanted = false, reach(); }
    void serviceBack() { serviceWanted = true, reach(); }
    void networkGone() { networkUp = false, reach(); }
    void networkBack() { networkUp = true, reach(); }
    // The service runs when it is wanted and the network reaches it.
    void reach()
    {
        const bool running = service != nullptr;
        if (running && !(serviceWanted && networkUp))
            killService();
        if (!running && serviceWanted && networkUp) {
            startService();
            if (lateMoves)
                service->setAnswerDelay(0, 1500);
            if (refusingMoves)
                service->answerEveryRequest(refusal(refusingStatus));
        }
        network->setStatus(networkUp ? platform::Reachability::ReachableViaWiFi : platform::Reachability::NotReachable);
    }
    void logOut() { Quorvel::logoutUser(); }
    // A player who logged out approves on the game's own screen first.
    void logIn()
    {
        if (!Quorvel::hasUserApprovedQuorvel())
            Quorvel::userDidApproveQuorvel(true);
        const std::string who = draw(2) ? ownPlayer : std::to_string(StandInState::kRivalUser);
        note("    " + who);
        Quorvel::loginWithUserId(who, QVDelegate(), QVDelegate());
    }
    // On the switch-account page the player picks the device's other account.
    void switchAccount()
    {
        const std::string other = Quorvel::lastLoggedInUserId() == ownPlayer ? "Rival" : ownName;
        Quorvel::launchDashboardWithSwitchUserPage();
        letTimePass(0.6);
        for (auto* row : visible<platform::ui::TableViewCell>())
            for (auto* label : labelsIn(row))
                if (label->text() == other) {
                    note("    to " + other);
                    driver->tap(row);
                    return;
                }
    }
    // Unlocked in play: half the time the player has gone back to the game.
    void unlockNotice()
    {
        if (QuorvelInternal::presenter().isShowingFullScreen() && draw(2)) {
            note("    in the game");
            closeTheDashboard();
            settle();
        }
        const auto id = draw(2) ? StandInState::kCollectorAchievement : StandInState::kFirstStepsAchievement;
        QVAchievement::achievement(std::to_string(id))->updateProgressionComplete(100, true);
    }
    // The game opens the switch page over whatever tab the player is on.
    void switchPageHere()
    {
        if (auto* tab = pick(visible<QVTabBarItem>()); tab && draw(2)) {
            note("    from " + tab->name());
            driver->tap(tab);
            moveOn();
        }
        Quorvel::launchDashboardWithSwitchUserPage();
    }
    // The game's challenges page, and the row of the challenge sent to three, once the list's answer
    // is in (given a player's patience while its overlay shows). Where the walk can reach it, what
    // it shows is checked once the answers are in (see challengeForThreeBroken).
    void openTheChallengeForThree()
    {
        Quorvel::launchDashboardWithChallengesPage();
        settle();
        lookAtTheChallengeForThree = true;
        platform::ui::TableViewCell* row = nullptr;
        for (int second = 0; !(row = rowShowing(kChallengeForThree)) && second < 12 && (overlayStays() || mustOpenTheChallenge);
             ++second)
            letTimePass(1.0);
        if (!row) {
            note("    not listed");
            return;
        }
        note("    as player " + Quorvel::lastLoggedInUserId());
        driver->tap(row);
        moveOn();
    }
    platform::ui::TableViewCell* rowShowing(const std::string& text)
    {
        for (auto* row : visible<platform::ui::TableViewCell>())
            for (auto* label : labelsIn(row))
                if (label->text() == text)
                    return row;
        return nullptr;
    }
    // A tap on the text of a notice bar sliding over the page.
    void tapANoticeBar()
    {
        std::vector<platform::ui::Label*> notices;
        for (auto* bar : visible<QVNotificationView>())
            if (bar->notice() && !bar->notice()->text().empty())
                notices.push_back(bar->notice());
        if (auto* notice = pick(notices)) {
            note("    \"" + notice->text() + "\"");
            platform::Rect r = notice->convertRectTo(notice->bounds(), nullptr);
            driver->tapPoint(platform::Point(r.midX(), r.midY()));
            maybeBackAtOnce();
        }
    }
    // The device's own screens over the dashboard (the photo and the address book pickers: the
    // root's modal screen, or on a tablet the photo picker's popover), if one shows: the player's
    // moves there are the device's.
    static platform::ui::NavigationController* devicePicker()
    {
        auto isPicker = [](platform::ui::ViewController* c) -> platform::ui::NavigationController* {
            if (auto* photos = dynamic_cast<platform::ui::ImagePickerController*>(c))
                return photos;
            return dynamic_cast<platform::ui::PeoplePickerNavigationController*>(c);
        };
        platform::ui::ViewController* root = QuorvelInternal::presenter().getRootController();
        if (auto* picker = isPicker(root ? root->modalViewController() : nullptr))
            return picker;
        for (auto& popover : platform::ui::PopoverController::visiblePopovers())
            if (auto* picker = isPicker(popover->contentViewController()))
                return picker;
        return nullptr;
    }
    static std::string pickerName(platform::ui::ViewController* picker)
    {
        return dynamic_cast<platform::ui::ImagePickerController*>(picker) ? "the photo picker" : "the address book";
    }
    // Still presented: the root's modal screen, or in a popover on show.
    static bool pickerUp(platform::ui::ViewController* picker)
    {
        if (picker->parentViewController())
            return true;
        for (auto& popover : platform::ui::PopoverController::visiblePopovers())
            if (popover->contentViewController() == picker)
                return true;
        return false;
    }
    // The picker's Cancel, on the bar of its screen, where a finger reaches it.
    platform::ui::BarButtonItem* pickerCancel(platform::ui::NavigationController* picker) const
    {
        auto* top = picker->topViewController();
        auto* bar = picker->navigationBar();
        if (!top || picker->isNavigationBarHidden() || bar->isHidden() || !reachable(bar))
            return nullptr;
        for (auto* item : { top->navigationItem()->leftBarButtonItem(), top->navigationItem()->rightBarButtonItem() })
            if (item && item->isEnabled() && item->systemItem() == platform::ui::BarButtonItem::SystemItem::Cancel)
                return item;
        return nullptr;
    }
    // Back on the picker's own stack: the client pushes its error pages on the root's modal stack,
    // which a picker is while it shows.
    bool pickerBack(platform::ui::NavigationController* picker) const
    {
        auto* top = picker->topViewController();
        return top && picker->viewControllers().size() > 1 && !top->navigationItem()->hidesBackButton() && barShown(picker);
    }
    // The player leaves a picker as on the device: its Cancel (Back first, from a page over it).
    void cancelThePicker(platform::ui::NavigationController* picker)
    {
        note("  cancels " + pickerName(picker));
        if (auto* cancel = pickerCancel(picker)) {
            cancelledPicker = picker;
            driver->tapBarButton(cancel);
        } else if (pickerBack(picker)) {
            note("    Back first");
            driver->tapBack(picker);
        } else {
            note("    no Cancel to tap");
        }
    }
    static FBDialog* facebookDialog()
    {
        auto& shown = FBDialog::shownDialogs();
        return shown.empty() ? nullptr : shown.back().get();
    }
    // An alert or sheet is answered with one of its buttons; a device picker
    // picks (a photo, the book's one contact's address) or is cancelled; the
    // Facebook login logs in or is closed.
    bool answerWhatAsks()
    {
        if (auto* photos = dynamic_cast<platform::ui::ImagePickerController*>(devicePicker())) {
            if (draw(2)) {
                note("  picks a photo");
                auto photo = platform::ui::ImageAsset::withImage(
                    "photo", platform::Image::imageWithRGBA(64, 64, platform::Bytes(64 * 64 * 4, 0x80)).get());
                photos->finishPickingForTest(photo.get());
            } else {
                cancelThePicker(photos);
            }
            return true;
        }
        // The Facebook client's login page over a network's form (drawn by Facebook, not here).
        if (FBDialog* dialog = facebookDialog()) {
            auto* login = dynamic_cast<FBLoginDialog*>(dialog);
            if (login && draw(2)) {
                note("  logs in to Facebook");
                login->succeedWithSession(4242, "session-key", "session-secret", 0);
            } else {
                note("  closes the Facebook dialog");
                dialog->cancel();
            }
            return true;
        }
        if (auto* book = dynamic_cast<platform::ui::PeoplePickerNavigationController*>(devicePicker())) {
            if (draw(2) && book->choosePersonForTest(contact.get())) {
                note("  picks a contact's address");
                book->choosePropertyForTest(platform::ui::PersonProperty::Email, contactMail);
            } else {
                cancelThePicker(book);
            }
            return true;
        }
        if (auto* alert = driver->currentAlert()) {
            const int index = static_cast<int>(draw(std::max(alert->numberOfButtons(), 1)));
            note("  answers the alert \"" + alert->title() + "\" (\"" + alert->message().substr(0, 60) + "\") with "
                 + alert->buttonTitleAtIndex(index));
            toldOver = frontScreen();
            driver->answerAlert(index);
            return true;
        }
        if (auto* sheet = driver->currentActionSheet()) {
            const int index = static_cast<int>(draw(std::max(sheet->numberOfButtons(), 1)));
            note("  answers the sheet \"" + sheet->title() + "\" with " + sheet->buttonTitleAtIndex(index));
            toldOver = frontScreen();
            driver->answerActionSheet(index);
            return true;
        }
        return false;
    }

    static std::vector<platform::ui::Label*> labelsIn(platform::ui::View* view)
    {
        std::vector<platform::ui::Label*> out;
        std::function<void(platform::ui::View*)> walk = [&](platform::ui::View* v) {
            if (v->isHidden())
                return;
            if (auto* label = dynamic_cast<platform::ui::Label*>(v); label && !label->text().empty())
                out.push_back(label);
            for (auto& sub : v->subviews())
                walk(sub.get());
        };
        walk(view);
        return out;
    }

    // ---- What must always hold

    bool quiet() const
    {
        return (!service || service->answeringCount() == 0) && platform::HttpTransport::shared().activeCount() == 0;
    }
    // The answers come in and the overlays' fades (half a second) end with nothing in flight.
    void settle()
    {
        for (int turn = 0; turn < 10; ++turn) {
            letTimePass(0.3);
            lookAtTheNotices();
            driver->advance(0.6);
            sync();
            lookAtTheNotices();
            if (quiet())
                return;
        }
    }
    // A notice bar on show lies on the screen (a bar placed past its edge slides in and out unseen).
    void lookAtTheNotices()
    {
        std::function<void(platform::ui::View*)> look = [&](platform::ui::View* v) {
            if (auto* bar = dynamic_cast<QVNotificationView*>(v); bar && offScreenNotice.empty()) {
                const platform::Rect r = bar->convertRectTo(bar->bounds(), nullptr);
                if (!platform::ui::Screen::mainScreen().bounds().containsPoint(platform::Point(r.midX(), r.midY())))
                    offScreenNotice = "the notice bar \"" + (bar->notice() ? bar->notice()->text() : std::string()) + "\" lies off the screen, at "
                        + std::to_string(int(r.minX())) + "," + std::to_string(int(r.minY())) + " " + std::to_string(int(r.size.width)) + "x"
                        + std::to_string(int(r.size.height));
                return;
            }
            for (auto& sub : v->subviews())
                look(sub.get());
        };
        look(driver->window());
    }

    // The views of a kind a player can see inside one view.
    template <typename T>
    static void collectIn(platform::ui::View* view, std::vector<T*>& out)
    {
        if (!view || view->isHidden() || view->alpha() <= 0.01f)
            return;
        if (auto* match = dynamic_cast<T*>(view))
            out.push_back(match);
        for (auto& sub : view->subviews())
            collectIn(sub.get(), out);
    }
    static bool insideTabBar(platform::ui::View* view)
    {
        for (platform::ui::View* v = view; v; v = v->superview())
            if (dynamic_cast<QVTabBarItem*>(v))
                return true;
        return false;
    }

    // A loading overlay shows that is not on its way out.
    bool overlayStays() const
    {
        for (auto* overlay : visible<QVLoadingView>())
            if (!overlay->disappearingAnimationInProgress() && !overlay->disappearIsQueued())
                return true;
        return false;
    }

    // Where a finger reaches the view: a tap at its middle lands on it (nothing covers it but a
    // notice bar, which slides away by itself within seconds).
    bool reachable(platform::ui::View* view) const
    {
        std::vector<std::pair<platform::ui::View*, bool>> notices;
        std::function<void(platform::ui::View*)> find = [&](platform::ui::View* v) {
            if (dynamic_cast<QVNotificationView*>(v))
                notices.emplace_back(v, v->isUserInteractionEnabled());
            else
                for (auto& sub : v->subviews())
                    find(sub.get());
        };
        find(driver->window());
        for (auto& [notice, enabled] : notices)
            notice->setUserInteractionEnabled(false);
        const platform::Rect r = view->convertRectTo(view->bounds(), nullptr);
        platform::ui::View* hit = driver->window()->hitTest(platform::Point(r.midX(), r.midY()));
        for (auto& [notice, enabled] : notices)
            notice->setUserInteractionEnabled(enabled);
        return hit && hit->isDescendantOfView(view);
    }
    // The titles of the controls that leave the screen they are on: back, closed, done, or on to the
    // next screen of a flow (an action that keeps the player on the page, "Find Me" or "Send
    // Challenge", is none).
    static bool leavingTitle(const std::string& title)
    {
        static const std::set<std::string> titles = {
            "Back", "Cancel", "Close", "Done", "OK", "Ok", "No Thanks", "Not Now", "Continue", "Try Again", "Go Offline",
            "This isn't me", "Create a new account", "I already have an account", "Log in to another account",
        };
        // "Use Quorvel", "Use Facebook or Twitter", "Use Player 108" (a suggested name): on to the next screen.
        return titles.count(title) > 0 || title.rfind("Use ", 0) == 0;
    }
    static bool leaves(platform::ui::BarButtonItem* item)
    {
        using platform::ui::BarButtonItem;
        if (!item || !item->isEnabled())
            return false;
        const auto& system = item->systemItem();
        return system == BarButtonItem::SystemItem::Cancel || system == BarButtonItem::SystemItem::Done
            || (!system && leavingTitle(item->title()));
    }
    // The dashboard's X over its tabs.
    static bool isTheDashboardsX(platform::ui::Button* button)
    {
        auto* ticker = dynamic_cast<QVTickerView*>(button->superview());
        return ticker && ticker->xButton() == button && ticker->delegate() && ticker->delegate()->respondsToOnXPressed();
    }

    // The stack's bar is shown where a finger reaches it (a bar slid past the screen's edge is none).
    bool barShown(platform::ui::NavigationController* stack) const
    {
        auto* bar = stack->navigationBar();
        const platform::Rect onScreen = bar->convertRectTo(bar->bounds(), nullptr);
        return !stack->isNavigationBarHidden() && !bar->isHidden()
            && driver->window()->bounds().containsPoint(platform::Point(onScreen.midX(), onScreen.midY())) && reachable(bar);
    }
    // A control that leaves the screen in front, where a finger reaches it: Back, a Cancel, Close or
    // Done on its bar, the dashboard's X, another tab, or a button on the page that closes it or
    // goes on (see leavingTitle).
    bool hasWayOut() const
    {
        auto* stack = frontStack();
        if (stack && stack->topViewController()) {
            auto* item = stack->topViewController()->navigationItem();
            if (barShown(stack) && ((stack->viewControllers().size() > 1 && !item->hidesBackButton()) || leaves(item->leftBarButtonItem())
                                    || leaves(item->rightBarButtonItem())))
                return true;
        }
        for (auto* tab : visible<QVTabBarItem>())
            if (!tab->active() && reachable(tab))
                return true;
        for (auto* button : visible<platform::ui::Button>())
            if (button->isEnabled() && button->isUserInteractionEnabled() && !insideTabBar(button)
                && (leavingTitle(button->currentTitle()) || isTheDashboardsX(button) || coversItsScreen(button)) && reachable(button))
                return true;
        return false;
    }
    // A button over everything else its view shows (a notice the player closes with a tap anywhere on it).
    static bool coversItsScreen(platform::ui::Button* button)
    {
        platform::ui::View* holder = button->superview();
        if (!holder || holder->subviews().size() < 2)
            return false;
        const platform::Rect own = button->frame().insetBy(-1, -1);
        for (auto& sibling : holder->subviews())
            if (sibling.get() != button && !sibling->isHidden() && own.intersection(sibling->frame()) != sibling->frame())
                return false;
        return true;
    }
    // Something to read or use on the page itself: a text, a row, a field, a web page.
    static bool hasContent(platform::ui::View* page)
    {
        std::vector<platform::ui::View*> views;
        collectIn(page, views);
        for (auto* v : views) {
            if (!textOf(v).empty() || dynamic_cast<platform::ui::TableViewCell*>(v)
                || dynamic_cast<platform::ui::TextField*>(v) || dynamic_cast<platform::ui::TextView*>(v)
                || dynamic_cast<platform::ui::WebView*>(v))
                return true;
        }
        return false;
    }

    bool spinning() const
    {
        for (auto* spinner : visible<platform::ui::ActivityIndicator>())
            if (spinner->isAnimating())
                return true;
        return false;
    }
    // Each of the three a challenge was sent to finds their own record on its page, and can start
    // it. Asked after opening it: "" where the walk did not get there (offline, a failed answer)
    // unless `mustOpen`.
    std::string challengeForThreeBroken(bool mustOpen)
    {
        const std::string who = Quorvel::lastLoggedInUserId();
        auto* detail = dynamic_cast<QVChallengeDetailController*>(frontScreen());
        if (!detail || detail->challengeId() != challengeForThree || !detail->userChallenge())
            return mustOpen ? "the challenge sent to three does not open with a record for player " + who : "";
        if (std::find(challengeRecipients.begin(), challengeRecipients.end(), who) == challengeRecipients.end())
            return {};
        QVUser* recipient = detail->userChallenge()->recipient();
        if (!recipient || recipient->resourceId() != who)
            return "player " + who + " sees the record of player " + (recipient ? recipient->resourceId() : "none")
                   + " on the challenge sent to three";
        for (auto* button : visible<platform::ui::Button>())
            if (button->currentTitle() == "Start Challenge" && button->isEnabled())
                return {};
        return "player " + who + " cannot start the challenge sent to three";
    }

    // The game's own framed challenge screen on show (sending one, or a result), or null.
    static platform::ui::ViewController* challengeFrame()
    {
        if (!QuorvelInternal::presenter().isShowingFullScreen())
            return nullptr;
        auto* nav = dynamic_cast<platform::ui::NavigationController*>(QuorvelInternal::presenter().contentController());
        if (!nav || nav->viewControllers().empty())
            return nullptr;
        platform::ui::ViewController* first = nav->viewControllers().front().get();
        return dynamic_cast<QVSendChallengeController*>(first) || dynamic_cast<QVCompletedChallengeHeaderController*>(first) ? nav
                                                                                                                             : nullptr;
    }
    // A challenge screen the game opened, closed by the player from its own stack (its close, a
    // notice's Done on it), tells the game (a game waits for that to unpause). One the game closed
    // itself, or that went with a login or logout, or under other screens, is not watched here.
    std::string challengeClosedUntold()
    {
        platform::ui::ViewController* now = challengeFrame();
        std::string broken;
        const platform::Ref<platform::ui::ViewController> watched = challengeShown.lock();
        if (watchingChallenge && (!watched || watched.get() != now)) {
            if (challengeInFront && !challengeToldClosed && !gameClosedTheChallenge && !sessionChanged && !gamesMove)
                broken = "the game's challenge screen closed without telling the game (neither sendChallengeScreenClosed nor "
                         "completedChallengeScreenClosed)";
            watchingChallenge = false;
        }
        if (now && !watchingChallenge) {
            challengeShown = now;
            watchingChallenge = true;
            challengeToldClosed = gameClosedTheChallenge = false;
        }
        // In front with a screen of its own on top: the challenge screen, or a notice pushed over it
        // (not a login's account screens pushed on it).
        auto* top = now && frontStack() == now ? frontStack()->topViewController() : nullptr;
        challengeInFront = dynamic_cast<QVSendChallengeController*>(top) || dynamic_cast<QVCompletedChallengeHeaderController*>(top)
            || dynamic_cast<QVDeadEndErrorController*>(top);
        return broken;
    }

    // ---- What the player sees, the same everywhere (each a rule, not a screen's)

    // The game hears the dashboard's calls in pairs, whatever closes it: Will before Did, each
    // appearing closed by a disappearing (a game acting inside one may close it before it appeared).
    void pairCall(const std::string& call)
    {
        enum { closed, appearing, open, closing };
        static const std::map<std::string, std::pair<std::set<int>, int>> moves = {
            { "dashboardWillAppear", { { closed }, appearing } },
            { "dashboardDidAppear", { { appearing }, open } },
            { "dashboardWillDisappear", { { appearing, open }, closing } },
            { "dashboardDidDisappear", { { closing }, closed } },
        };
        auto move = moves.find(call);
        if (move == moves.end())
            return;
        static const char* const states[] = { "closed", "appearing", "open", "closing" };
        if (!move->second.first.count(dashboardState) && pairingBroken.empty())
            pairingBroken = "the game heard " + call + " while the dashboard was " + states[dashboardState] + " to it";
        dashboardState = move->second.second;
    }
    std::string dashboardCallsAtRest()
    {
        static const char* const states[] = { "closed", "appearing", "open", "closing" };
        auto& presenter = QuorvelInternal::presenter();
        // The screens come to rest: a slide in or out ends within its half second.
        const bool moving = (presenter.isShowingFullScreen() && dashboardState != 2) || (!presenter.getRootController() && dashboardState != 0);
        if (moving)
            letTimePass(0.6);
        if (!presenter.getRootController() && dashboardState != 0)
            return std::string("nothing shows, but the game was last told the dashboard is ") + states[dashboardState];
        if (presenter.isShowingFullScreen() && dashboardState != 2)
            return std::string("the dashboard shows, but the game was last told it is ") + states[dashboardState];
        return {};
    }

    // A badge shows the counts it stands for (a hidden badge shows 0).
    static int badgeShows(QVBadgeView* badge)
    {
        return !badge || badge->isHidden() || !badge->label() ? 0 : std::atoi(badge->label()->text().c_str());
    }
    std::string badgesAgree() const
    {
        auto& o = QuorvelInternal::options();
        const int game = o.unviewedChallengesCount() + static_cast<int>(QVAnnouncementService::unreadAnnouncements());
        const int player = o.unreadInboxTotal() + o.pendingFriendsCount();
        auto differs = [](const std::string& what, int shown, int counted) {
            return what + "'s badge shows " + std::to_string(shown) + " for a count of " + std::to_string(counted);
        };
        for (auto* tab : visible<QVTabBarItem>()) {
            const std::string& page = tab->viewControllerName();
            const int counted = page == "GameProfile" ? game : page == "MyQuorvel" ? player : 0;
            if (!dynamic_cast<QVSegmentedView*>(tab->parent()) && badgeShows(tab->badgeView()) != counted)
                return differs("the tab " + tab->name(), badgeShows(tab->badgeView()), counted);
        }
        auto seen = [&](platform::ui::View* v) {
            auto all = visible<platform::ui::View>();
            return v && std::find(all.begin(), all.end(), v) != all.end();
        };
        if (auto* mine = dynamic_cast<QVMyQuorvelController*>(frontScreen())) {
            if (seen(mine->friendsBadge()) && badgeShows(mine->friendsBadge()) != o.pendingFriendsCount())
                return differs("Friends", badgeShows(mine->friendsBadge()), o.pendingFriendsCount());
            if (seen(mine->inboxBadge()) && badgeShows(mine->inboxBadge()) != o.unreadInboxTotal())
                return differs("Inbox", badgeShows(mine->inboxBadge()), o.unreadInboxTotal());
        }
        if (auto* page = dynamic_cast<QVGameProfileController*>(frontScreen())) {
            QVBadgeButton* challenges = page->challengesButton();
            if (challenges && seen(challenges) && badgeShows(challenges->badgeView()) != o.unviewedChallengesCount())
                return differs("Challenges", badgeShows(challenges->badgeView()), o.unviewedChallengesCount());
        }
        return {};
    }

    // Each row shows its own: what a row made afresh for its place shows (its texts, its
    // pictures), a row the list used again for it shows too.
    struct RowMaker : QVTableControllerHelper {
        static platform::Ref<platform::ui::TableViewCell> afresh(QVTableControllerHelper* list, platform::ui::IndexPath at)
        {
            auto make = &RowMaker::getCellForIndex;
            return (list->*make)(at, nullptr, false);
        }
    };
    // A picture that has arrived (its address's is held) shows it, not one that came for another
    // address (the view's earlier); the same picture fetched again counts as it.
    static bool showsAnother(QVImageView* view)
    {
        QVImageCache* cache = QVImageCache::sharedInstance();
        platform::Image* shows = view->image();
        if (!cache || !shows || shows == view->defaultImage() || view->imageFadingIn())
            return false;
        platform::Ref<platform::Image> own = cache->fetch(*view->imageUrl(), view->shownPixels());
        return own && own.get() != shows
            && (own->width() != shows->width() || own->height() != shows->height() || own->rgba() != shows->rgba());
    }
    // Its texts and pictures in tree order, each with whether it shows.
    static std::vector<std::pair<bool, std::string>> rowShows(platform::ui::View* view)
    {
        std::vector<std::pair<bool, std::string>> out;
        std::function<void(platform::ui::View*, bool)> walk = [&](platform::ui::View* v, bool shown) {
            shown = shown && !v->isHidden() && v->alpha() > 0.01f;
            if (auto* label = dynamic_cast<platform::ui::Label*>(v))
                out.emplace_back(shown, "\"" + label->text() + "\"");
            if (auto* picture = dynamic_cast<QVImageView*>(v))
                out.emplace_back(shown, picture->imageUrl() ? "[" + *picture->imageUrl() + (showsAnother(picture) ? ", showing another picture]" : "]")
                                        : picture->image() && picture->image() != picture->defaultImage() ? "[a picture of none]"
                                                                                                          : "[no picture]");
            for (auto& sub : v->subviews())
                walk(sub.get(), shown);
        };
        walk(view, true);
        return out;
    }
    // Where both rows show a text or a picture, it is the same (whether a player's presence shows
    // may change after the row was filled, with who is logged in or what the service said last).
    std::string rowsShowTheirOwn() const
    {
        for (auto* cell : visible<QVTableCellHelper>()) {
            QVTableControllerHelper* list = cell->owningTable();
            platform::ui::TableView* table = list ? list->tableView() : nullptr;
            auto at = table ? table->indexPathForCell(cell) : std::nullopt;
            if (!at || !cell->resource() || dynamic_cast<QVTableSectionDescription*>(cell->resource()))
                continue;
            platform::Ref<platform::ui::TableViewCell> fresh = RowMaker::afresh(list, *at);
            if (!fresh || fresh.get() == cell || fresh->className() != cell->className())
                continue;
            const auto shown = rowShows(cell->contentView()), own = rowShows(fresh->contentView());
            for (size_t i = 0; i < shown.size() && i < own.size(); ++i)
                if (shown[i].first && own[i].first && shown[i].second != own[i].second)
                    return "a row of " + list->className() + " shows " + shown[i].second + " where its own row shows " + own[i].second;
        }
        return {};
    }

    // A list's message for no rows goes when rows come (a conversation's line saying whether the
    // other player is online is no row of its posts).
    std::string noEmptyMessageOverRows() const
    {
        auto* list = dynamic_cast<QVTableControllerHelper*>(frontScreen());
        platform::ui::TableView* table = list ? list->tableView() : nullptr;
        platform::ui::ViewController* empty = list ? list->emptyTableController() : nullptr;
        if (!table || !empty || !empty->isViewLoaded() || table->tableFooterView() != empty->view())
            return {};
        for (auto* cell : table->visibleCells())
            if (auto* row = dynamic_cast<QVTableCellHelper*>(cell); row && row->resource()
                && !dynamic_cast<QVTableSectionDescription*>(row->resource()) && !dynamic_cast<QVOnlineStatus*>(row->resource()))
                return frontScreenName() + " shows its message for no rows under its rows";
        return {};
    }

    // No control lies over another where the player taps (a button inside another's is its part).
    std::string controlsApart() const
    {
        std::vector<platform::ui::Control*> controls;
        for (auto* control : visible<platform::ui::Control>()) {
            // What answers a tap (an action, a field); a button that draws nothing is the tap area of
            // what lies under it.
            auto* button = dynamic_cast<platform::ui::Button*>(control);
            bool inBar = (control->allTargets().empty() && !dynamic_cast<platform::ui::TextField*>(control))
                || (button && button->currentTitle().empty() && !button->currentImage() && !button->currentBackgroundImage());
            for (platform::ui::View* up = control; up && !inBar; up = up->superview())
                inBar = dynamic_cast<QVTabBar*>(up) || !up->isUserInteractionEnabled();
            if (!inBar)
                controls.push_back(control);
        }
        for (size_t i = 0; i < controls.size(); ++i)
            for (size_t j = i + 1; j < controls.size(); ++j) {
                auto* a = controls[i];
                auto* b = controls[j];
                if (a->isDescendantOfView(b) || b->isDescendantOfView(a))
                    continue;
                const platform::Rect ra = a->convertRectTo(a->bounds(), nullptr), rb = b->convertRectTo(b->bounds(), nullptr);
                const platform::Rect both = ra.intersection(rb);
                auto at = [](const platform::Rect& r) {
                    return " at " + std::to_string(int(r.minX())) + "," + std::to_string(int(r.minY())) + " " + std::to_string(int(r.size.width))
                        + "x" + std::to_string(int(r.size.height));
                };
                if (both.size.width > 1 && both.size.height > 1)
                    return "\"" + textOf(b) + "\" (" + b->className() + at(rb) + ") lies over \"" + textOf(a) + "\" (" + a->className()
                        + at(ra) + ") on " + frontScreenName();
            }
        return {};
    }

    // On a tablet the dashboard's panel lies across the middle of the screen, however it turned.
    std::string panelCentred() const
    {
        auto* root = dynamic_cast<QVRootController*>(QuorvelInternal::presenter().getRootController());
        platform::ui::View* panel = root ? root->containerView() : nullptr;
        if (!QVDashboardRole::current().isLargeScreen() || !panel || root->keyboardShowing() || !QuorvelInternal::presenter().isShowingFullScreen())
            return {};
        const platform::Rect room = root->view()->bounds();
        const platform::Rect at = panel->frame();
        if (std::fabs(at.midX() - room.midX()) > 1 || at.minY() < room.minY() - 1 || at.maxY() > room.maxY() + 1)
            return "the dashboard's panel lies at " + std::to_string(int(at.minX())) + "," + std::to_string(int(at.minY())) + " "
                + std::to_string(int(at.size.width)) + "x" + std::to_string(int(at.size.height)) + " in a screen of "
                + std::to_string(int(room.size.width)) + "x" + std::to_string(int(room.size.height));
        return {};
    }

    // After a switch, no field, and no text of a form, names another of the device's players than
    // the one logged in (what the walk typed there aside).
    std::string noPreviousPlayer() const
    {
        const std::string now = Quorvel::lastLoggedInUserId();
        std::map<std::string, std::string> names = { { ownPlayer, ownName },
                                                     { std::to_string(StandInState::kRivalUser), "Rival" },
                                                     { std::to_string(thirdPlayer), "Third" } };
        if (!names.count(now))
            return {};
        std::vector<std::pair<platform::ui::View*, std::string>> shown;
        for (auto* field : visible<platform::ui::TextField>())
            shown.emplace_back(field, field->text());
        if (dynamic_cast<QVFormControllerHelper*>(frontScreen()))
            for (auto* label : visible<platform::ui::Label>())
                shown.emplace_back(label, label->text());
        for (auto& [view, text] : shown) {
            const bool typed = std::any_of(typedInto.begin(), typedInto.end(), [&, v = view, t = text](auto& in) {
                return in.first.lock().get() == v && in.second == t;
            });
            for (auto& [id, name] : names)
                if (id != now && text == name && !typed)
                    return frontScreenName() + " shows " + name + ", who is not the player now (" + names[now] + ")";
        }
        return {};
    }

    // The error screens come back once no step that held them is on show.
    std::string errorScreensBack() const
    {
        if (!QuorvelInternal::presenter().getRootController() && !QuorvelInternal::presenter().areErrorScreensAllowed())
            return "with the dashboard closed, the error screens stay off";
        return {};
    }

    // A spinner goes once every request is answered (a picture's turns while it comes; an
    // overlay's is the overlay's promise).
    bool spinnerLeft() const
    {
        for (auto* spinner : visible<platform::ui::ActivityIndicator>()) {
            bool picture = false;
            for (platform::ui::View* up = spinner; up && !picture; up = up->superview())
                picture = dynamic_cast<QVImageView*>(up) || dynamic_cast<QVLoadingView*>(up);
            if (spinner->isAnimating() && !picture)
                return true;
        }
        return false;
    }

    // A device picker's stack holds the device's screens alone: no page of the client goes inside it.
    std::string pickersOwnScreens() const
    {
        if (auto* picker = devicePicker())
            for (auto& screen : picker->viewControllers())
                if (dynamic_cast<QVViewController*>(screen.get()))
                    return screen->className() + " shows inside " + pickerName(picker);
        return {};
    }

    std::string whatThePlayerSees()
    {
        // A push or a pop that the last answer started slides to its end first (0.35 s).
        if (QuorvelInternal::presenter().getRootController())
            letTimePass(platform::ui::NavigationController::kTransitionDuration + 0.05);
        if (spinnerLeft() && quiet())
            return "a spinner turns on " + frontScreenName() + " with every request answered";
        if (std::string unpaired = dashboardCallsAtRest(); !unpaired.empty())
            return unpaired;
        for (auto rule : { &DashboardMonkey::badgesAgree, &DashboardMonkey::rowsShowTheirOwn,
                           &DashboardMonkey::noEmptyMessageOverRows, &DashboardMonkey::controlsApart,
                           &DashboardMonkey::panelCentred, &DashboardMonkey::noPreviousPlayer, &DashboardMonkey::errorScreensBack })
            if (std::string broken = (this->*rule)(); !broken.empty())
                return broken;
        return {};
    }

    // A notice shown over the game (an invitation's), which the player closes with a tap.
    void inviteNotice()
    {
        auto rival = QVUser::create();
        rival->setResourceId(std::to_string(StandInState::kRivalUser));
        rival->setName("Rival");
        QVInviteNotificationController::showInviteNotification("Rival invites you to play", rival.get(), "Invitation");
    }

    // The player drags a list on show: to its end half the time, else up to two screens either way
    // (rows leaving the screen give their cells to the rows coming in).
    void scrollAList()
    {
        auto* table = pick(visible<platform::ui::TableView>());
        if (!table)
            return;
        const float room = table->bounds().size.height;
        const float by = draw(2) ? table->maximumOffset().y - table->contentOffset().y
                                 : static_cast<float>(static_cast<int>(draw(static_cast<size_t>(4 * room) + 1)) - 2 * room);
        note("    by " + std::to_string(static_cast<int>(by)));
        table->dragForTest(0, by);
        moveOn();
    }
    // What may come at once when the player asks a list for more: the client drops or fails
    // requests (every answer refused this move, the service or the network gone, the game logging
    // out, declining the service or closing the dashboard).
    enum MoreThen { kNothingElse, kAnswersRefused, kServiceGoes, kNetworkGoes, kGameLogsOut, kGameDeclines, kGameCloses, kMoreThen };
    // The player goes to the end of a long list (who's playing, when none shows) and asks for more;
    // half the time (or as `then` says) something comes at once, before the request is on its way,
    // that keeps its answer from coming.
    void moreOfAList() { moreOfALongList(-1); }
    void moreOfALongList(int then)
    {
        auto* list = dynamic_cast<QVTableSequenceControllerHelper*>(frontScreen());
        if (!list || !list->isViewLoaded()) {
            note("    who's playing");
            Quorvel::launchDashboardWithWhosPlayingPage();
            settle();
            list = dynamic_cast<QVTableSequenceControllerHelper*>(frontScreen());
        }
        platform::ui::TableView* table = list && list->isViewLoaded() ? list->tableView() : nullptr;
        if (!table)
            return;
        table->dragForTest(0, table->maximumOffset().y - table->contentOffset().y);
        moveOn();
        QVTableSequenceControllerLoadMoreCell* more = nullptr;
        for (auto* cell : visible<QVTableSequenceControllerLoadMoreCell>())
            if (cell->selectionStyle() != platform::ui::CellSelectionStyle::None)
                more = cell;
        if (!more) {
            note("    nothing more to load");
            return;
        }
        auto at = table->indexPathForCell(more);
        if (!at || !reachable(more)) {
            note("    its end out of reach");
            return;
        }
        // The tap alone: what comes at once comes before the request is on its way.
        note("    \"" + (more->mainLabel() ? more->mainLabel()->text() : std::string()) + "\"");
        table->tapRowForTest(*at);
        if (then < 0)
            then = draw(2) ? kNothingElse : 1 + static_cast<int>(draw(kMoreThen - 1));
        static const char* const thens[] = { "", "every answer refused", "the service goes", "the network goes",
                                             "the game logs out", "the game declines the service", "the game closes the dashboard" };
        if (then != kNothingElse)
            note(std::string("    and at once ") + thens[then]);
        switch (then) {
        case kAnswersRefused:
            refusingMoves = 1;
            refusingStatus = refusals()[draw(refusals().size())];
            note("    " + std::to_string(refusingStatus));
            if (service)
                service->answerEveryRequest(refusal(refusingStatus));
            break;
        case kServiceGoes:
            serviceGone();
            break;
        case kNetworkGoes:
            networkGone();
            break;
        case kGameLogsOut:
            logOut();
            break;
        case kGameDeclines:
            Quorvel::userDidApproveQuorvel(false);
            break;
        case kGameCloses:
            closeTheDashboard();
            break;
        default:
            break;
        }
        moveOn();
    }

    // The device turns (a phone's dashboard keeps the way it opened; a tablet's turns with it).
    void turn()
    {
        const int orientation = 1 + static_cast<int>(draw(4));
        note("    to " + std::to_string(orientation));
        Quorvel::setDashboardOrientation(orientation);
    }

    // What a player finds broken now, or "".
    std::string brokenPromise()
    {
        if (!QuorvelInternal::sharedInstance())
            return {};
        if (std::string notice = std::exchange(offScreenNotice, {}); !notice.empty())
            return notice;
        if (std::string unpaired = std::exchange(pairingBroken, {}); !unpaired.empty())
            return unpaired;
        if (std::string pastBelow = std::exchange(backBroken, {}); !pastBelow.empty())
            return pastBelow;
        if (std::string untold = challengeClosedUntold(); !untold.empty())
            return untold;
        if (auto picker = cancelledPicker.lock(); picker && pickerUp(picker.get()))
            return pickerName(picker.get()) + " stays after its Cancel";
        cancelledPicker = nullptr;
        if (auto* picker = devicePicker()) {
            // Whose it is: the screen in front when it came up. It answers that screen, and goes with it.
            if (shownPicker.lock().get() != picker) {
                shownPicker = picker;
                pickerOwner = frontBefore;
                pickerOwnerName = frontBeforeName;
            }
            auto owner = pickerOwner.lock();
            if (!owner || !owner->parentViewController())
                return pickerName(picker) + " stays after the screen that showed it (" + pickerOwnerName + ") went";
            if (!pickerCancel(picker) && !pickerBack(picker))
                return "no way out of " + pickerName(picker);
            if (std::string inside = pickersOwnScreens(); !inside.empty())
                return inside;
        }
        if (driver->currentAlert() || driver->currentActionSheet() || devicePicker() || facebookDialog())
            return {}; // it asks first; the next move answers it
        // A page may wait on purpose before it asks (a list reloading after a few seconds): the
        // overlay is let the time a player would give it.
        for (int second = 0; second < 12 && overlayStays(); ++second)
            letTimePass(1.0);
        if (overlayStays())
            return "a loading overlay stays over " + frontScreenName() + " with every request answered";
        if (std::exchange(lookAtTheChallengeForThree, false))
            if (std::string broken = challengeForThreeBroken(mustOpenTheChallenge); !broken.empty())
                return broken;
        // A login's screen shows its spinner until the login is answered (through the presence
        // channel it is no request the transport counts).
        for (int second = 0; second < 12 && spinning(); ++second)
            letTimePass(1.0);
        if (std::string seen = whatThePlayerSees(); !seen.empty())
            return seen;
        if (!QuorvelInternal::presenter().isShowingFullScreen())
            return {};
        platform::ui::ViewController* front = frontScreen();
        const platform::Ref<platform::ui::ViewController> told = toldOver.lock();
        if (!front || !front->isViewLoaded())
            return {};
        if (!hasWayOut())
            return "no way out of " + frontScreenName();
        // A page may stay empty when its request failed: where the player was told so over it, and a
        // list that never took an answer (a failed request leaves its rows as they were: none).
        auto* list = dynamic_cast<QVTableControllerHelper*>(front);
        const bool neverAnswered = list && !list->sections();
        if (!hasContent(front->view()) && front != told.get() && !neverAnswered)
            return frontScreenName() + " shows neither content nor a message";
        return {};
    }

    // The family of the screen in front, for the spread of the moves: the folder of the dashboard
    // its class comes from ("challenges", "scores", ...), the game page and the approval on their
    // own, "kit" for the generic screens (notices, web pages), "the game" with none shown.
    std::string screenFamily() const
    {
        if (!QuorvelInternal::presenter().isShowingFullScreen() || !frontScreen())
            return "the game";
        std::string name = frontScreen()->className();
        if (name.rfind("Brisko", 0) == 0)
            name = "QV" + name.substr(6);
        if (name == "QVGameProfileController")
            return "game page";
        if (name == "QVUserQuorvelApprovalController" || name == "QVWebApprovalController")
            return "approval";
        static std::map<std::string, std::string> known;
        if (auto found = known.find(name); found != known.end())
            return found->second;
        namespace fs = std::filesystem;
        std::string family = "kit";
        std::error_code error;
        const fs::path dashboard = fs::path(screen_testing::sourceDirectory()) / "social" / "dashboard";
        for (fs::directory_iterator folder(dashboard, error), end; !error && folder != end; folder.increment(error))
            if (fs::exists(folder->path() / (name + ".cpp")))
                family = folder->path().filename().string();
        return known[name] = family;
    }
    // The share of the walk's moves per screen family, largest first.
    std::string spreadText() const
    {
        int total = 0;
        std::vector<std::pair<int, std::string>> counts;
        for (auto& [family, count] : movesOn) {
            total += count;
            counts.emplace_back(count, family);
        }
        std::sort(counts.rbegin(), counts.rend());
        std::string out;
        for (auto& [count, family] : counts)
            out += (out.empty() ? "" : ", ") + family + " " + std::to_string(count) + "/" + std::to_string(total);
        return out;
    }

    std::string situation() const
    {
        std::string out = "player " + Quorvel::lastLoggedInUserId();
        if (!Quorvel::hasUserApprovedQuorvel())
            out += ", not approved";
        out += Quorvel::isOnline() ? ", online" : ", offline";
        if (!serviceWanted)
            out += ", service gone";
        if (!networkUp)
            out += ", no network";
        if (QuorvelInternal::presenter().isShowingFullScreen())
            out += ", showing " + frontScreenName();
        return out;
    }

    // Logs in as a game does (with `settings`), seeds the community and opens the dashboard.
    void start()
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        QuorvelInternal::options().setDoneWithGetTheMost(true);
        startClient(settings, delegates.get());
        ASSERT_TRUE(waitUntil([] {
            return QuorvelInternal::login().successfullyBootstrapped() && !QuorvelInternal::login().isBootstrapInProgress();
        }));
        ownPlayer = loggedInUser();
        // The world the gallery shows, and a crowd of the player's friends: their lists run past a page.
        standin::world::seedCrowd(*state, standin::world::seed(*state, std::stoll(ownPlayer), true));
        ownName = *state->userName(std::stoll(ownPlayer));
        contact = platform::ui::Person::create("Ada", "Lane");
        contactMail = contact->addEmail("home", "ada@example.org");
        platform::ui::AddressBook::shared().addPerson(contact.get());
        // The device has opened the rival's account too: the switch page offers it.
        ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + platform::ui::Device::currentDevice().uniqueIdentifier()
                            + "', " + std::to_string(StandInState::kRivalUser) + ")"));
        sendTheChallengeForThree();
        openDashboard();
    }

    // Another player sends a challenge through the service's send route to the player, the rival
    // and a third player the device has opened too (the switch page offers all three).
    void sendTheChallengeForThree()
    {
        const int64_t sender = state->addUser("Sender");
        thirdPlayer = state->addUser("Third");
        const std::string token = "token-sender", secret = "secret-sender";
        ASSERT_TRUE(arrange("INSERT INTO tokens VALUES ('" + token + "', '" + secret + "', " + std::to_string(sender) + ")"));
        ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + platform::ui::Device::currentDevice().uniqueIdentifier()
                            + "', " + std::to_string(thirdPlayer) + ")"));
        service->addToken(token, secret);
        challengeRecipients = { ownPlayer, std::to_string(StandInState::kRivalUser), std::to_string(thirdPlayer) };
        standin::Params form { { "challenge_definition_id", "51" }, { "challenge_description", "Beat my lap" },
                               { "challenge_user_message", kChallengeForThree } };
        for (const std::string& to : challengeRecipients)
            form.emplace_back("challenge_user_ids[]", to);
        ASSERT_EQ(standin_testing::ask(serviceAddress(), port, "POST", "challenges.xml", form, token, secret).status, 200);
        challengeForThree = kept("SELECT MAX(id) FROM challenges");
    }

    // Walks `length` moves from `seed`; answers the first promise broken (with
    // the moves that led there), or "".
    std::string walk(int seed, int length)
    {
        random.seed(static_cast<uint32_t>(seed));
        start();
        if (HasFatalFailure())
            return "the walk could not start";
        int total = 0, gameTotal = 0;
        for (auto& m : moves()) {
            total += weightOf(m);
            gameTotal += m.byTheGame ? weightOf(m) : 0;
        }
        std::string broken;
        for (int i = 1; i <= length && broken.empty(); ++i) {
            if (!QuorvelInternal::sharedInstance())
                break;
            note(std::to_string(i) + ": [" + situation() + "]");
            noteFrontBefore();
            sessionChanged = gamesMove = false;
            // Now and then the game goes on while something asks the player (a picker, an alert).
            const bool asks = driver->currentAlert() || driver->currentActionSheet() || devicePicker() || facebookDialog();
            const bool gameFirst = asks && draw(4) == 0;
            if (!asks || gameFirst || !answerWhatAsks()) {
                int chosen = static_cast<int>(draw(static_cast<size_t>(gameFirst ? gameTotal : total)));
                const Move* move = &moves().front();
                for (auto& m : moves())
                    if ((!gameFirst || m.byTheGame) && (chosen -= weightOf(m)) < 0) {
                        move = &m;
                        break;
                    }
                note(std::string("  ") + (gameFirst ? "(the game, while it asks) " : "") + move->name);
                gamesMove = move->byTheGame;
                (this->*move->take)();
            }
            settle();
            broken = brokenPromise();
            if (!broken.empty())
                broken = "move " + std::to_string(i) + ": " + broken;
            if (lateMoves && --lateMoves == 0 && service)
                service->setAnswerDelay(0, 0);
            if (refusingMoves && --refusingMoves == 0 && service)
                service->answerEveryRequest(std::nullopt);
            ++movesOn[screenFamily()];
        }
        if (broken.empty() && QuorvelInternal::sharedInstance()) {
            // The end: the service and the network back, answers prompt, every question answered.
            note("end: the service and the network back");
            lateMoves = refusingMoves = 0;
            serviceWanted = networkUp = true;
            reach();
            if (service) {
                service->setAnswerDelay(0, 0);
                service->answerEveryRequest(std::nullopt);
            }
            for (int i = 0; i < 5 && answerWhatAsks(); ++i)
                settle();
            settle();
            broken = brokenPromise();
            if (!broken.empty())
                broken = "at the end: " + broken;
        }
        if (!broken.empty())
            broken += "\n  " + screenText() + (environmentNumber("BRISKO_MONKEY_TRACE", 0) ? "\n" + platform::ui::TestDriver::dumpTree(driver->window()) : std::string());
        return broken;
    }

    std::string trailText() const
    {
        std::string out;
        for (auto& line : trail)
            out += "  " + line + "\n";
        return out;
    }

    static constexpr const char* kChallengeForThree = "For the three of us";
    platform::Ref<platform::ManualReachability> network;
    QuorvelSettingsDictionary settings;
    std::string challengeForThree;
    std::vector<std::string> challengeRecipients;
    int64_t thirdPlayer { 0 };
    bool lookAtTheChallengeForThree { false }, mustOpenTheChallenge { false };
    bool serviceWanted { true }, networkUp { true };
    int shape { kPhone }; // set before SetUp
    bool turnedLeft { false };
    int lateMoves { 0 }, refusingMoves { 0 }, refusingStatus { 450 };
    std::map<std::string, int> movesOn; // moves taken per screen family (screenFamily)
    std::mt19937 random;
    std::vector<std::string> trail;
    std::string ownPlayer, ownName;
    platform::Weak<platform::ui::ViewController> toldOver; // the screen in front when an alert was answered
    platform::Weak<platform::ui::ViewController> frontBefore; // the screen in front before this move
    std::string frontBeforeName;
    // The picker on show, the screen that showed it, and a picker the player cancelled.
    platform::Weak<platform::ui::ViewController> shownPicker, pickerOwner, cancelledPicker;
    std::string pickerOwnerName;
    std::string offScreenNotice; // a notice bar seen off the screen while the screens settled
    // The game's challenge screen watched since it came up, and whether the game heard it close or
    // closed it itself.
    platform::Weak<platform::ui::ViewController> challengeShown;
    bool watchingChallenge { false }, challengeInFront { false }, challengeToldClosed { false }, gameClosedTheChallenge { false };
    // This move was the game's, or a login or logout was heard during it.
    bool gamesMove { false }, sessionChanged { false };
    MonkeyGame monkeyGame;
    // The variant whose game acts inside its callbacks weighs the arming move; what it armed.
    int actingWeight { 0 };
    std::string armedCall;
    int armedAct { 0 };
    const Page* armedPage { nullptr };
    // The address book's one contact.
    platform::Ref<platform::ui::Person> contact;
    int contactMail { 0 };
    // What the player sees: the dashboard's state as the game was told it (closed, appearing, open,
    // closing), a call heard out of its pair, where a Back landed, what the walk typed where.
    int dashboardState { 0 };
    std::string pairingBroken, backBroken;
    std::vector<std::pair<platform::Weak<platform::ui::View>, std::string>> typedInto;
};

} // namespace monkey_testing
