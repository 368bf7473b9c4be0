// A device's life at random: a seeded walk, end to end against the stand-in,
// that draws each step from a table — the game's calls, what the device goes
// through, what the service does, and the game acting from inside one of its
// delegate's callbacks — and after every step checks what must always hold:
//   - the game hears one player at a time: every login names the player the
//     client then holds, and the player changes only after a step that may
//     change it (a switch, a login of another, a logout);
//   - every delegate call is heard once, in a valid order (Will before Did,
//     no Did without its Will), and every request the game made is answered
//     once by the time the network settles;
//   - nothing is kept by the service more often than the game sent it;
// and, once the walk ends online with every player it met logged in again
// and the network settled, nothing the game was told was kept is missing
// from the service (scores and their blobs, unlocks, cloud values). Under the
// sanitizer build nothing may read freed memory on the way.
//
// A walk's steps are the same for its seed on every run; where the answers
// land is not (the service's threads and its answer delays run on real time).
// The seed is TEST_SEED (1 by default) plus the instance's number; the
// length is BRISKO_WALK_STEPS (300 by default). A failure names its seed and
// step and prints the steps before it; scripts/walk runs longer walks.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Device.h"
#include "platform/net/Reachability.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "social/core/QVCurrentUser.h"
#include "social/core/QVNotification.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVCloudStorage.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/QVTabBarItem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <utility>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

int environmentNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

// BRISKO_WALK_TRACE=1 prints every step as it is taken.
bool tracing() { return environmentNumber("BRISKO_WALK_TRACE", 0) != 0; }

std::string hex(const platform::Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes)
        out += { digits[b >> 4], digits[b & 15] };
    return out;
}

// One callback pair handed to a call of the game's: it hears the answer once.
class Heard final : public platform::Object, public QVCallbackable {
public:
    static platform::Ref<Heard> create(std::function<void(bool kept)> hook)
    {
        auto heard = platform::adoptRef(new Heard);
        heard->hook_ = std::move(hook);
        return heard;
    }
    bool canReceiveCallbacksNow() override { return true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(Heard, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(Heard, failed)); }
    int answers { 0 };
    bool kept { false };
    bool forgotten { false }; // its client went before answering

private:
    void succeeded(platform::Object*) { answer(true); }
    void failed(platform::Object*) { answer(false); }
    void answer(bool ok)
    {
        ++answers;
        kept = ok;
        EXPECT_EQ(answers, 1) << "a call of the game's was answered twice";
        EXPECT_FALSE(forgotten) << "a call of the game's was answered after its client went";
        hook_(ok);
    }
    std::function<void(bool)> hook_;
};

class DeviceLifeWalkEndToEnd : public DashboardEndToEndTest, public testing::WithParamInterface<int> {
protected:
    struct Step {
        const char* name;
        int weight;
        void (DeviceLifeWalkEndToEnd::*take)();
    };
    // The steps the walk draws from, each by its weight: one line adds one.
    static const std::vector<Step>& steps()
    {
        using W = DeviceLifeWalkEndToEnd;
        static const std::vector<Step> table = {
            // The game's calls.
            { "score", 8, &W::score },
            { "score with a blob", 5, &W::scoreWithBlob },
            { "batch of scores", 3, &W::batchOfScores },
            { "unlock", 4, &W::unlock },
            { "cloud value", 3, &W::cloudValue },
            { "friend request", 2, &W::friendRequest },
            { "open the dashboard", 4, &W::openTheDashboard },
            { "tap a tab", 5, &W::tapATab },
            { "back", 2, &W::back },
            { "close the dashboard", 3, &W::closeTheDashboard },
            { "answer what the client asks", 4, &W::answerTheClient },
            { "log out", 1, &W::logOut },
            { "log in", 4, &W::logIn },
            { "switch account from the page", 2, &W::switchAccount },
            // The device.
            { "become active", 2, &W::becomeActive },
            { "background and foreground", 2, &W::backgroundAndForeground },
            { "foreground", 1, &W::foreground },
            { "memory warning", 1, &W::memoryWarning },
            { "network gone", 1, &W::networkGone },
            { "network back", 4, &W::networkBack },
            { "relaunch", 1, &W::relaunch },
            { "process killed between turns", 1, &W::killTheProcess },
            { "time passes", 2, &W::timePasses },
            // The service.
            { "service killed", 1, &W::serviceKilled },
            { "service restarted", 4, &W::serviceRestarted },
            { "answers late for a few steps", 1, &W::answersLate },
            { "presence channel cut", 1, &W::presenceCut },
            // The game acting from inside its delegate's next callback.
            { "shut down inside a callback", 1, &W::shutDownInsideACallback },
            { "log out inside a callback", 1, &W::logOutInsideACallback },
            { "log in inside a callback", 1, &W::logInInsideACallback },
        };
        return table;
    }

    void SetUp() override
    {
        // The device's network monitor is the walk's: only it tells the client the network is gone.
        network = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
        QVReachability::setDefaultSource(platform::Ref<platform::Reachability>(network.get()));
        presence = true;
        DashboardEndToEndTest::SetUp();
        state->keepObjectsOf(storage);
        storagePort = storage.start(0, serviceAddress());
        traceService();
        ASSERT_GT(storagePort, 0);
        delegates->setQuorvelDelegate(&game);
        delegates->setNotificationDelegate(&game);
        QVCloudStorage::setDelegate(&game);
        QVAchievement::setDelegate(&game);
        QVCurrentUser::setDelegate(&game);
    }

    void TearDown() override
    {
        armed = {};
        QVCloudStorage::setDelegate(nullptr);
        QVAchievement::setDelegate(nullptr);
        QVCurrentUser::setDelegate(nullptr);
        storage.stop();
        DashboardEndToEndTest::TearDown();
        QVReachability::setDefaultSource(nullptr);
    }

    // ---- What the walk's game hears, checked as it hears it

    class WalkGame final : public QuorvelDelegate,
                           public QVNotificationDelegate,
                           public QVCloudStorageDelegate,
                           public QVAchievementDelegate,
                           public QVCurrentUserDelegate {
    public:
        explicit WalkGame(DeviceLifeWalkEndToEnd& walk) : walk(walk) { }
        void dashboardWillAppear() override { walk.dashboard("dashboardWillAppear", Shown::Closed, Shown::Opening); }
        void dashboardDidAppear() override { walk.dashboard("dashboardDidAppear", Shown::Opening, Shown::Open); }
        void dashboardWillDisappear() override { walk.dashboard("dashboardWillDisappear", Shown::Open, Shown::Closing); }
        void dashboardDidDisappear() override { walk.dashboard("dashboardDidDisappear", Shown::Closing, Shown::Closed); }
        void userLoggedIn(const std::string& id) override { walk.login("userLoggedIn", id); }
        void offlineUserLoggedIn(const std::string& id) override { walk.login("offlineUserLoggedIn", id); }
        void userLoggedOut(const std::string&) override { walk.callback("userLoggedOut"); }
        std::optional<bool> showCustomQuorvelApprovalScreen() override
        {
            walk.callback("showCustomQuorvelApprovalScreen");
            return std::nullopt;
        }
        void notificationWillShow(QVNotificationData*) override { walk.callback("notificationWillShow"); }
        void didUpload() override { walk.answered(Kind::Cloud, true); }
        void didFailUpload(int) override { walk.answered(Kind::Cloud, false); }
        void didUpdateProgressionCompleteQVAchievement(QVAchievement* a) override { walk.progressAnswered(a, true); }
        void didFailUpdateProgressionCompleteQVAchievement(QVAchievement* a) override { walk.progressAnswered(a, false); }
        void didSendFriendRequest() override { walk.answered(Kind::Friends, true); }
        void didFailSendFriendRequest() override { walk.answered(Kind::Friends, false); }
        void didUnfriend() override { walk.answered(Kind::Friends, true); }
        void didFailUnfriend() override { walk.answered(Kind::Friends, false); }
        DeviceLifeWalkEndToEnd& walk;
    };

    enum class Shown { Closed, Opening, Open, Closing };
    enum class Kind { Cloud, Friends };

    // Will before Did, no Did without its Will; a dashboard closed while it
    // still slides in is heard closing without having appeared.
    void dashboard(const char* call, Shown from, Shown to)
    {
        const bool closingEarly = to == Shown::Closing && shown == Shown::Opening;
        EXPECT_TRUE(shown == from || closingEarly) << "the game heard " << call << " out of order";
        shown = to;
        ++dashboardCalls;
        note(std::string("  heard ") + call);
        callback(call);
    }

    // One player at a time: the login names the player the client holds, and
    // another player than the last one heard follows a step that may change it.
    void login(const char* call, const std::string& id)
    {
        EXPECT_EQ(id, Quorvel::lastLoggedInUserId()) << "the game heard " << call << ":" << id
                                                     << " while the client holds another player";
        // With no player at all (logged out, then offline) the game is told the placeholder "0".
        if (id == "0")
            return callback(call);
        if (!lastLogin.empty() && id != lastLogin) {
            EXPECT_GT(changesAllowed, 0) << "the game heard " << call << ":" << id << " after " << lastLogin
                                         << " with no step between that changes the player";
            --changesAllowed;
        }
        lastLogin = id;
        note(std::string("  heard ") + call + ":" + id);
        callback(call);
    }

    // The game acts inside the callback it was waiting for.
    void callback(const std::string& name)
    {
        if (armed.action && armed.callback == name) {
            auto action = std::move(armed.action);
            armed = {};
            note("  (inside " + name + ")");
            action();
        }
    }

    // A call that answers no handle and has not answered at once sent nothing: nothing will answer it.
    void ask(Kind kind, const std::function<bool()>& call)
    {
        ++asked[kind];
        const int before = answers[kind];
        if (!call() && answers[kind] == before)
            --asked[kind];
    }

    void answered(Kind kind, bool ok)
    {
        ++answers[kind];
        EXPECT_LE(answers[kind], asked[kind]) << "the game heard more answers than it made calls";
        if (kind == Kind::Cloud && ok)
            ++cloudKept;
        callback(kind == Kind::Cloud ? (ok ? "cloud kept" : "cloud refused") : "friends answered");
    }

    // ---- The model: what the game sent and what it was told

    struct SentScore {
        std::string board;
        int64_t value;
        std::optional<platform::Bytes> blob;
        std::string holder; // "" for no player
        bool best; // a new best of the player's, not a poor score
        bool viaBatch; // told kept by the service's answer, not by the device's store
        platform::Ref<Heard> heard;
        // Sent when the game called, not kept on the device for a later road
        // (where it may leave the best ten the device keeps before it goes).
        bool sentAtOnce { false };
        bool settledCleanly { false }; // the network settled after it with nothing cutting its way
    };
    struct SentProgress {
        std::string id;
        double percent;
        std::string holder;
        platform::Ref<QVAchievement> call;
        int answers { 0 };
        bool kept { false };
        bool forgotten { false };
    };
    struct SentValue {
        std::string key;
        std::string holder;
    };

    void progressAnswered(QVAchievement* a, bool kept)
    {
        for (auto& p : progress)
            if (p.call.get() == a) {
                ++p.answers;
                p.kept = kept;
                EXPECT_EQ(p.answers, 1) << "the progress of " << p.id << " was answered twice";
                EXPECT_FALSE(p.forgotten) << "the progress of " << p.id << " was answered after its client went";
                callback(kept ? "achievement kept" : "achievement failed");
                return;
            }
        // Answers of a login's pending progress come on objects of the client's own.
    }

    static std::string holder()
    {
        std::string id = Quorvel::lastLoggedInUserId();
        return id == "0" ? std::string() : id;
    }
    static bool clientRunning() { return QuorvelInternal::sharedInstance() != nullptr; }

    // ---- The game's calls

    int64_t nextValue(const std::string& board)
    {
        // Every value is sent once: Normal keeps the highest, Fastest Lap the lowest.
        ++sentValues;
        return board == normal ? 100000 + sentValues : 10000000 - sentValues;
    }
    std::string pickBoard() { return draw(2) ? normal : fastestLap; }
    // The rival's own lap (1:15) is better than any the walk sends.
    bool rivalsLap(const std::string& board) const
    {
        return board == fastestLap && holder() == std::to_string(StandInState::kRivalUser);
    }
    platform::Bytes blobOfDrawnSize()
    {
        // One in ten is too long to upload and stays on the device.
        size_t size = draw(10) == 0 ? 60000 : 100 + draw(3000);
        platform::Bytes blob(size);
        uint32_t seed = static_cast<uint32_t>(draw(1 << 30));
        for (size_t i = 0; i < size; ++i)
            blob[i] = static_cast<uint8_t>((seed + i * (i % 7)) >> (i % 3));
        return blob;
    }

    void sendScore(std::optional<platform::Bytes> blob)
    {
        std::string board = pickBoard();
        // One in six is poor: it need not reach the service (the device keeps the best ten).
        const bool poor = draw(6) == 0;
        int64_t value = nextValue(board);
        if (poor)
            value = board == normal ? value - 100000 : value + 10000000;
        auto heard = Heard::create([this](bool kept) { callback(kept ? "score kept" : "score refused"); });
        scores.push_back({ board, value, blob, holder(), !poor && !rivalsLap(board), false, heard });
        scores.back().sentAtOnce = goesAtOnce();
        QVHighScoreService::setHighScoreWithBlob(value, std::nullopt, std::nullopt, blob, board, draw(2), false,
                                                 heard->onSuccess(), heard->onFailure());
        EXPECT_EQ(heard->answers, 1) << "a score is answered before the call returns";
        note("  " + std::to_string(value) + " on " + board + (blob ? " with a blob" : "") + (heard->kept ? ", kept" : ", refused"));
    }
    void score() { sendScore(std::nullopt); }
    void scoreWithBlob() { sendScore(blobOfDrawnSize()); }

    void batchOfScores()
    {
        QVHighScoreBatch batch;
        auto heard = Heard::create([this](bool kept) {
            note(kept ? "  a batch told kept" : "  a batch told refused");
            callback(kept ? "batch kept" : "batch refused");
        });
        std::string sent;
        for (size_t i = 0, n = 1 + draw(3); i < n; ++i) {
            std::string board = pickBoard();
            std::optional<platform::Bytes> blob;
            if (draw(2))
                blob = blobOfDrawnSize();
            int64_t value = nextValue(board);
            batch.push_back(QVHighScoreBatchEntry::create(board, value, std::nullopt, std::nullopt, blob));
            // The batch's best on a board goes; lower ones in it the device need not send.
            for (auto it = scores.end() - static_cast<std::ptrdiff_t>(i); it != scores.end(); ++it)
                if (it->board == board)
                    it->best = false;
            scores.push_back({ board, value, blob, holder(), !rivalsLap(board), true, heard });
            scores.back().sentAtOnce = goesAtOnce();
            sent += " " + std::to_string(value) + " on " + board + (blob ? " with a blob" : "");
        }
        note("  batch:" + sent);
        // No handle and no answer: nothing was sent (a player who has not approved the service), nothing will answer.
        if (QVHighScoreService::batchSetHighScores(batch, heard->onSuccess(), heard->onFailure(), std::nullopt)
            || heard->answers)
            calls.push_back(heard);
    }

    void unlock()
    {
        static const double percents[] = { 20, 50, 80, 100 };
        std::string id = std::to_string(draw(2) ? StandInState::kFirstStepsAchievement : StandInState::kCollectorAchievement);
        double percent = percents[draw(4)];
        auto call = QVAchievement::achievement(id);
        progress.push_back({ id, percent, holder(), call });
        const bool notify = draw(2);
        if (!call->updateProgressionComplete(percent, notify) && !progress.back().answers)
            progress.back().forgotten = true; // nothing was sent, nothing will answer
    }

    void cloudValue()
    {
        std::string key = "walk-" + std::to_string(++sentValues);
        note("  cloud " + key);
        platform::Bytes value(1 + draw(2000), static_cast<uint8_t>(draw(256)));
        values.push_back({ key, holder() });
        ask(Kind::Cloud, [&] { return static_cast<bool>(QVCloudStorage::upload(value, key)); });
    }

    void friendRequest()
    {
        auto rival = QVUser::create();
        rival->setResourceId(std::to_string(StandInState::kRivalUser));
        const bool follow = draw(2);
        ask(Kind::Friends, [&] {
            return static_cast<bool>(follow ? QVCurrentUser::sendFriendRequest(rival.get()) : QVCurrentUser::unfriend(rival.get()));
        });
    }

    void openTheDashboard()
    {
        switch (draw(3)) {
        case 0: Quorvel::launchDashboard(); break;
        case 1: Quorvel::launchDashboardWithListLeaderboardsPage(); break;
        default: Quorvel::launchDashboardWithAchievementsPage(); break;
        }
    }

    void tapATab()
    {
        auto tabs = visible<QVTabBarItem>();
        size_t chosen = draw(8);
        if (!tabs.empty())
            driver->tap(tabs[chosen % tabs.size()]);
    }

    void back()
    {
        if (auto* stack = frontStack(); stack && stack->viewControllers().size() > 1)
            driver->tapBack(stack);
    }

    void closeTheDashboard() { Quorvel::dismissDashboard(); }

    // An alert or sheet is cancelled; an approval, an offer or a naming screen
    // is answered yes; of the device's accounts one is chosen.
    void answerTheClient()
    {
        const size_t row = draw(8);
        if (auto* alert = driver->currentAlert()) {
            driver->answerAlert(std::max(alert->cancelButtonIndex(), 0));
            return;
        }
        if (auto* sheet = driver->currentActionSheet()) {
            driver->answerActionSheet(std::max(sheet->cancelButtonIndex(), 0));
            return;
        }
        for (const char* button : { "Use Quorvel", "Enable Quorvel", "Continue", "OK" })
            if (tapNow(button))
                return;
        auto rows = visible<platform::ui::TableViewCell>();
        if (!rows.empty() && frontScreenName().find("Account") != std::string::npos) {
            ++changesAllowed;
            disturbed = true;
            driver->tap(rows[row % rows.size()]);
        }
    }

    void logOut()
    {
        disturbed = true;
        ++changesAllowed; // the next login may be the device's account
        Quorvel::logoutUser();
    }

    // A player who declined (or logged out) approves on the game's own screen first.
    void logIn()
    {
        if (clientRunning() && !Quorvel::hasUserApprovedQuorvel())
            Quorvel::userDidApproveQuorvel(true);
        logInAs(draw(3) ? otherPlayer() : std::string());
        maybeReturnWhileALoginRuns();
    }

    void logInAs(const std::string& player)
    {
        disturbed = true;
        if (player != holder())
            ++changesAllowed;
        auto heard = Heard::create([this](bool ok) { callback(ok ? "login succeeded" : "login failed"); });
        calls.push_back(heard);
        Quorvel::loginWithUserId(player, heard->onSuccess(), heard->onFailure());
    }

    // The device's other account, chosen on the switch-account page; the
    // player does not wait for the login it starts.
    void switchAccount()
    {
        const std::string other = otherPlayer();
        Quorvel::launchDashboardWithSwitchUserPage();
        for (int tries = 0; tries < 8; ++tries) {
            letTimePass(0.3);
            for (auto* cell : visible<platform::ui::TableViewCell>())
                for (auto* label : labelsIn(cell))
                    if (label->text() == names[other]) {
                        ++changesAllowed;
                        disturbed = true;
                        driver->tap(cell);
                        maybeReturnWhileALoginRuns();
                        return;
                    }
        }
    }

    // Now and then the game comes back to the foreground (or becomes active)
    // while the login just asked for is on its way: each trigger then meets
    // a running login, whoever's it is.
    void maybeReturnWhileALoginRuns()
    {
        if (draw(3) != 0)
            return;
        loop().runOnce(0);
        note("  and at once the game returns");
        switch (draw(3)) {
        case 0: becomeActive(); break;
        case 1: foreground(); break;
        default: backgroundAndForeground(); break;
        }
    }

    // ---- The device

    void becomeActive()
    {
        disturbed = true; // a login may start
        Quorvel::applicationDidBecomeActive();
    }
    void backgroundAndForeground()
    {
        disturbed = true; // the presence channel goes
        Quorvel::applicationWillResignActive();
        Quorvel::applicationDidEnterBackground();
        moveOn(0.05 + 0.5 * draw(3));
        foreground();
    }
    void foreground()
    {
        disturbed = true;
        Quorvel::applicationWillEnterForeground();
        Quorvel::applicationDidBecomeActive();
    }
    void memoryWarning() { driver->memoryWarning(); }
    void networkGone()
    {
        networkUp = false;
        reach();
    }
    void networkBack()
    {
        networkUp = true;
        reach();
    }
    void relaunch()
    {
        if (clientRunning())
            quit();
        launchAgain();
    }
    // What a kill loses: the user defaults not written yet and every answer
    // on its way. The game hears nothing of it (its delegates are let go
    // first). The process itself cannot die here: the client is shut down.
    void killTheProcess()
    {
        platform::UserDefaults::standardUserDefaults().reload();
        delegates->setQuorvelDelegate(nullptr);
        delegates->setNotificationDelegate(nullptr);
        Quorvel::shutdown();
        delegates->setQuorvelDelegate(&game);
        delegates->setNotificationDelegate(&game);
        sync();
        reloadUserDefaults();
        shown = Shown::Closed;
        launchAgain();
    }
    void timePasses() { letTimePass(1.0 + 4.0 * draw(3)); }

    // ---- The service

    void serviceKilled()
    {
        serviceWanted = false;
        reach();
    }
    void serviceRestarted()
    {
        serviceWanted = true;
        reach();
    }
    // Each answer 0 to 1.5 s late, for one to four steps (the delay runs on real time).
    void answersLate()
    {
        lateSteps = 1 + static_cast<int>(draw(4));
        if (service)
            service->setAnswerDelay(0, 1500);
    }
    void answersPrompt()
    {
        lateSteps = 0;
        if (service)
            service->setAnswerDelay(0, 0);
    }
    void presenceCut()
    {
        disturbed = true;
        if (channel)
            channel->dropConnections();
    }

    // The service runs when it is wanted and the network reaches it; the
    // device's monitor says whether the network is there.
    void traceService()
    {
        if (tracing() && service)
            service->setLogSink([](const std::string& line) { std::cout << "    service: " << line << std::endl; });
    }

    void reach()
    {
        disturbed = true;
        const bool running = service != nullptr;
        if (running && !(serviceWanted && networkUp)) {
            storage.stop(); // it keeps its objects in the service's state
            killService();
        }
        if (!running && serviceWanted && networkUp) {
            startService();
            traceService();
            state->keepObjectsOf(storage);
            ASSERT_EQ(storage.start(storagePort, serviceAddress()), storagePort);
            if (lateSteps)
                service->setAnswerDelay(0, 1500);
        }
        network->setStatus(networkUp ? platform::Reachability::ReachableViaWiFi : platform::Reachability::NotReachable);
    }

    // ---- Inside a callback

    // The callbacks the game may act in, and what it does there.
    void armInsideACallback(std::string what, std::function<void()> action)
    {
        static const char* callbacks[] = { "dashboardWillAppear", "dashboardDidAppear", "dashboardWillDisappear",
                                           "dashboardDidDisappear", "userLoggedIn", "offlineUserLoggedIn",
                                           "userLoggedOut", "showCustomQuorvelApprovalScreen", "notificationWillShow",
                                           "score kept", "batch kept", "batch refused", "achievement kept", "cloud kept",
                                           "login succeeded", "login failed" };
        armed = { callbacks[draw(std::size(callbacks))], std::move(action) };
        note("  armed: " + what + " inside " + armed.callback);
    }
    void shutDownInsideACallback()
    {
        armInsideACallback("shut down", [this] {
            Quorvel::shutdown();
            disturbed = clientWent = true;
            // Whatever it was telling of the dashboard ends there: the game shut it down itself.
            shown = Shown::Closed; // what the client was answering when the game shut it down may still be told
        });
    }
    void logOutInsideACallback() { armInsideACallback("log out", [this] { logOut(); }); }
    void logInInsideACallback()
    {
        std::string player = otherPlayer();
        armInsideACallback("log in " + player, [this, player] { logInAs(player); });
    }

    // ---- The walk

    size_t draw(size_t n) { return n ? static_cast<size_t>(random() % n) : 0; }

    std::string otherPlayer() const
    {
        return holder() == std::to_string(StandInState::kRivalUser) ? ownPlayer
                                                                     : std::to_string(StandInState::kRivalUser);
    }

    static std::vector<platform::ui::Label*> labelsIn(platform::ui::View* view)
    {
        std::vector<platform::ui::Label*> out;
        std::function<void(platform::ui::View*)> walk = [&](platform::ui::View* v) {
            if (auto* label = dynamic_cast<platform::ui::Label*>(v))
                out.push_back(label);
            for (auto& sub : v->subviews())
                walk(sub.get());
        };
        walk(view);
        return out;
    }

    // Taps the visible button titled `title` without waiting for what it starts.
    bool tapNow(const std::string& title)
    {
        for (auto* button : visible<platform::ui::Button>())
            if (button->currentTitle() == title)
                return static_cast<bool>(driver->tap(button));
        return false;
    }

    // What has arrived is handled and the clock moves on a little: the player does not wait.
    void moveOn(double seconds)
    {
        loop().runOnce(0);
        driver->advance(seconds);
        sync();
    }

    void launchAgain()
    {
        disturbed = true;
        launch();
        forgetTheCallsOfAClientThatWent();
    }

    // A client that went (shut down, killed) answers none of the calls it had.
    void forgetTheCallsOfAClientThatWent()
    {
        asked = answers;
        for (auto& c : calls)
            c->forgotten = c->answers == 0;
        calls.clear();
        for (auto& p : progress)
            p.forgotten = p.answers == 0;
    }

    // Who the client holds and what it can reach, for the trail.
    // Whether what the game sends now goes to the service at once.
    bool goesAtOnce() const { return clientRunning() && Quorvel::isOnline() && serviceWanted && networkUp; }

    std::string situation() const
    {
        if (!clientRunning())
            return "no client";
        std::string out = "player " + (holder().empty() ? std::string("none") : holder());
        if (!Quorvel::hasUserApprovedQuorvel())
            out += ", not approved";
        out += Quorvel::isOnline() ? ", online" : ", offline";
        if (!serviceWanted)
            out += ", service down";
        if (!networkUp)
            out += ", no network";
        if (QuorvelInternal::presenter().isShowingFullScreen())
            out += ", showing " + frontScreenName();
        return out;
    }

    void note(const std::string& line)
    {
        trail.push_back(line);
        if (trail.size() > 40)
            trail.pop_front();
        if (tracing())
            std::cout << line << std::endl;
    }

    // What holds once the step has settled: no dashboard half shown, every
    // call the game made answered (a client that went answers none), and no
    // score kept twice.
    void checkSettled()
    {
        // A close may bring up a queued screen that is still sliding in: a Will waits for its Did one settled step.
        const bool between = shown == Shown::Opening || shown == Shown::Closing;
        EXPECT_FALSE(between && dashboardCallsAtLastCheck == dashboardCalls) << "the dashboard's Will has no Did";
        dashboardCallsAtLastCheck = between ? dashboardCalls : -1;
        // A login still at work answers when it ends.
        if (clientRunning() && !QuorvelInternal::login().isBootstrapInProgress()) {
            for (auto kind : { Kind::Cloud, Kind::Friends })
                EXPECT_EQ(answers[kind], asked[kind]) << "a " << (kind == Kind::Cloud ? "cloud" : "friends")
                                                      << " call of the game's is still unanswered";
            for (auto& c : calls)
                EXPECT_NE(c->answers, 0) << "a call of the game's is still unanswered";
            calls.clear();
            for (auto& p : progress)
                EXPECT_TRUE(p.answers || p.forgotten) << "the progress of " << p.id << " is still unanswered";
        }
        checkNothingKeptTwice();
    }

    void checkNothingKeptTwice()
    {
        if (!state)
            return;
        // A score whose blob is not known to have reached the storage host (its upload cut, or its
        // answer lost) waits on the device and goes again, blob and all: copies of a score sent with a
        // blob are the only extra ones allowed.
        const std::string copies = "FROM high_scores h LEFT JOIN score_blobs b ON b.score_id = h.id"
                                   " LEFT JOIN storage_objects o ON o.key = b.key";
        const std::string twice = kept("SELECT h.leaderboard_id || ' ' || h.score " + copies
                                       + " GROUP BY h.leaderboard_id, h.score"
                                         " HAVING COUNT(*) - SUM(b.key IS NOT NULL) > 1");
        if (twice.empty())
            return;
        const std::string score = twice.substr(twice.find(' ') + 1);
        ADD_FAILURE() << "the service kept the score " << score << " (sent once) more than once: "
                      << kept("SELECT group_concat('player ' || h.user_id || (CASE WHEN b.key IS NULL THEN ' without a blob'"
                              " WHEN o.key IS NULL THEN ' its blob missing' ELSE ' with its blob' END), ', ') "
                              + copies + " WHERE h.score = " + score);
    }

    // The scores sent since the last settle are settled cleanly when nothing
    // cut their way meanwhile. A board keeps one blob waiting for the next
    // batch: a single score's blob gives way to the next score on its board.
    void settleScores()
    {
        for (size_t s = settledScores; s < scores.size() && !disturbed; ++s) {
            auto later = std::find_if(scores.begin() + static_cast<std::ptrdiff_t>(s) + 1, scores.end(), [&](auto& t) {
                return !t.viaBatch && t.board == scores[s].board;
            });
            scores[s].settledCleanly = scores[s].sentAtOnce && (scores[s].viaBatch || later == scores.end());
        }
        settledScores = scores.size();
        disturbed = false;
    }

    // The end: the service and the network back, answers prompt, and every
    // player the game told something was kept logged in once more, so what
    // waits on the device for them goes.
    void endOnlineAndSettle()
    {
        armed = {};
        answersPrompt();
        serviceWanted = networkUp = true;
        reach();
        if (!clientRunning())
            launchAgain();
        for (int i = 0; i < 3 && QuorvelInternal::presenter().isShowingFullScreen(); ++i) {
            while (driver->currentAlert() || driver->currentActionSheet())
                answerTheClient();
            Quorvel::dismissDashboard();
            letTimePass(1.0);
        }
        std::set<std::string> players;
        for (auto& s : scores)
            players.insert(s.holder);
        for (auto& p : progress)
            players.insert(p.holder);
        for (auto& v : values)
            players.insert(v.holder);
        players.insert(ownPlayer);
        for (const auto& player : players) {
            if (player.empty())
                continue;
            QuorvelInternal::options().setUserApprovedQuorvel();
            ++changesAllowed;
            Quorvel::loginWithUserId(player, QVDelegate(), QVDelegate());
            lastLogin.clear();
            ASSERT_TRUE(waitUntil([&] {
                answerTheClient(); // the offer to link networks holds the logged-in call back
                return lastLogin == player && QuorvelInternal::login().successfullyBootstrapped()
                    && !QuorvelInternal::login().isBootstrapInProgress();
            })) << "the game did not hear " << player << " log in again at the walk's end: " << screenText();
            letTimePass(2.0);
        }
    }

    // Nothing the game was told was kept is missing from the service.
    void checkNothingToldKeptIsMissing()
    {
        // A player's best on each board reaches the service; a score the
        // player has bettered since may stay on the device (a board that takes
        // no lower scores), but one the service's answer said it kept is
        // there. A blob reaches the storage host with its player's best, and
        // with any score kept while nothing cut its way (settled cleanly).
        std::set<std::pair<std::string, std::string>> bettered;
        std::set<std::string> betteredByNobody; // a score taken with no player, adopted by the next one
        for (auto it = scores.rbegin(); it != scores.rend(); ++it) {
            auto& s = *it;
            const bool last = s.best && !betteredByNobody.count(s.board) && bettered.insert({ s.holder, s.board }).second;
            if (s.best && s.holder.empty())
                betteredByNobody.insert(s.board);
            const bool required = s.heard->kept && s.best && !s.holder.empty() && (s.viaBatch || last);
            const std::string where = " WHERE leaderboard_id = " + s.board + " AND score = " + std::to_string(s.value);
            const std::string owner = kept("SELECT user_id FROM high_scores" + where);
            if (required) {
                EXPECT_NE(owner, "") << "the score " << s.value << " on " << s.board << " of player " << s.holder
                                     << " was told kept and is missing from the service";
                EXPECT_TRUE(owner.empty() || owner == s.holder) << "the score " << s.value << " is kept as " << owner << "'s";
            }
            if (owner.empty() || !s.blob || s.blob->size() > QVHighScoreService::kMaxUploadedBlob)
                continue;
            const std::string stored = "SELECT COUNT(*) FROM storage_objects o JOIN high_scores h ON o.key = 'high_scores/'"
                                       " || h.id || '.blob'" + where + " AND hex(o.bytes) ";
            const std::string blob = "'" + hex(QVCompressableData::serializedDataFromData(*s.blob)) + "'";
            EXPECT_EQ(kept(stored + "!= " + blob), "0") << "the score " << s.value << " on " << s.board << " has another blob";
            const bool blobDue = (required && last) || s.settledCleanly;
            EXPECT_TRUE(!blobDue || kept(stored + "= " + blob) != "0")
                << "the score " << s.value << " on " << s.board << " is kept without its blob";
        }
        for (auto& p : progress) {
            if (!p.kept)
                continue;
            std::string best = kept("SELECT MAX(percent_complete) FROM unlocks WHERE achievement_id = " + p.id
                                    + (p.holder.empty() ? std::string() : " AND user_id = " + p.holder));
            EXPECT_GE(best.empty() ? -1.0 : std::stod(best), std::min(p.percent, 100.0))
                << "the progress " << p.percent << " on " << p.id << " of player " << p.holder
                << " was told kept and is missing from the service";
        }
        int found = 0;
        for (auto& v : values)
            found += kept("SELECT COUNT(*) FROM cloud_values WHERE key = '" + v.key + "'"
                          + (v.holder.empty() ? std::string() : " AND user_id = " + v.holder))
                == "1";
        EXPECT_GE(found, cloudKept) << "cloud values told kept are missing from the service";
    }

    void walk(int seed, int length)
    {
        random.seed(static_cast<uint32_t>(seed));
        const std::string replay = "TEST_SEED=" + std::to_string(seed) + " scripts/walk --steps " + std::to_string(length);
        std::cout << "walk seed " << seed << ", " << length << " steps (replay: " << replay << ")" << std::endl;
        int total = 0;
        for (auto& s : steps())
            total += s.weight;

        ownPlayer = std::to_string(launchAndLogIn());
        ASSERT_NE(ownPlayer, "0");
        names = { { ownPlayer, *state->userName(std::stoll(ownPlayer)) }, { std::to_string(StandInState::kRivalUser), "Rival" } };
        // The device has opened the rival's account too: the switch page offers it.
        ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + platform::ui::Device::currentDevice().uniqueIdentifier()
                            + "', " + std::to_string(StandInState::kRivalUser) + ")"));

        for (int i = 1; i <= length && !HasFailure(); ++i) {
            int chosen = static_cast<int>(draw(static_cast<size_t>(total)));
            const Step* step = &steps().front();
            for (auto& s : steps())
                if ((chosen -= s.weight) < 0) {
                    step = &s;
                    break;
                }
            const bool relaunchFirst = draw(2) == 0;
            const bool settle = draw(3) != 0;
            SCOPED_TRACE(testing::Message() << "walk seed " << seed << ", step " << i << " (" << step->name
                                            << "); replay: " << replay);
            if (!clientRunning() && relaunchFirst) {
                note(std::to_string(i) + ": launch");
                launchAgain();
            }
            note(std::to_string(i) + ": " + step->name + (settle ? "" : ", at once") + "  [" + situation() + "]");
            (this->*step->take)();
            for (int pace = 0; pace < 2; ++pace) {
                if (std::exchange(clientWent, false))
                    forgetTheCallsOfAClientThatWent();
                if (pace == 0)
                    settle ? letTimePass(0.6) : moveOn(0.05);
            }
            settle ? checkSettled() : checkNothingKeptTwice();
            if (settle)
                settleScores();
            if (lateSteps && --lateSteps == 0)
                answersPrompt();
        }
        if (!HasFailure()) {
            SCOPED_TRACE(testing::Message() << "walk seed " << seed << ", at its end; replay: " << replay);
            note("end: online, every player logged in again");
            endOnlineAndSettle();
            checkSettled();
            if (!HasFailure())
                checkNothingToldKeptIsMissing();
        }
        if (HasFailure()) {
            std::cout << "the walk's last steps (seed " << seed << "):\n";
            for (auto& line : trail)
                std::cout << "  " << line << "\n";
            std::cout << "replay: " << replay << std::endl;
        }
    }

    WalkGame game { *this };
    platform::Ref<platform::ManualReachability> network;
    standin::StorageHostStandIn storage;
    int storagePort { 0 };
    bool serviceWanted { true }, networkUp { true }, clientWent { false };
    int lateSteps { 0 };
    // Whether something may have cut a score's way (a shut-down, a logout or
    // login, the service, the network or the channel gone) since the scores
    // from settledScores on were sent.
    bool disturbed { false };
    size_t settledScores { 0 };
    std::mt19937 random;
    std::deque<std::string> trail;

    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    const std::string fastestLap = std::to_string(StandInState::kFastestLapLeaderboard);
    std::string ownPlayer;
    std::map<std::string, std::string> names;
    int64_t sentValues { 0 };
    std::vector<SentScore> scores;
    std::vector<SentProgress> progress;
    std::vector<SentValue> values;
    std::vector<platform::Ref<Heard>> calls; // those still to be answered, until the client goes
    std::map<Kind, int> asked, answers;
    int cloudKept { 0 };

    Shown shown { Shown::Closed };
    int dashboardCalls { 0 }, dashboardCallsAtLastCheck { -1 };
    std::string lastLogin;
    int changesAllowed { 0 };
    struct Armed {
        std::string callback;
        std::function<void()> action;
    } armed;
};

TEST_P(DeviceLifeWalkEndToEnd, WalksADevicesLifeAtRandomKeepingEveryPromise)
{
    walk(environmentNumber("TEST_SEED", 1) + GetParam(), environmentNumber("BRISKO_WALK_STEPS", 300));
}

INSTANTIATE_TEST_SUITE_P(Seeds, DeviceLifeWalkEndToEnd, testing::Range(0, 3));

} // namespace
