// The walk's everyday steps: the game's calls (scores, batches, unlocks,
// cloud values, friends, the dashboard, logins and logouts), what the device
// goes through, what the service does, and the game acting inside its
// delegate's next callback. Each notes what the walk's model learns of it.
#include "DeviceLifeWalk.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "social/core/QVPresenter.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/QVTabBarItem.h"

#include <algorithm>
#include <iterator>

using namespace quorvel;
using standin::StandInState;

namespace walk_testing {

// ---- The game's calls

int64_t DeviceLifeWalkEndToEnd::nextValue(const std::string& board)
{
    // Every value is sent once: Normal and the bonus board keep the highest, Fastest Lap the lowest.
    ++sentValues;
    return board == fastestLap ? 10000000 - sentValues : 100000 + sentValues;
}

std::string DeviceLifeWalkEndToEnd::pickBoard()
{
    switch (draw(5)) {
    case 0: return bonus;
    case 1:
    case 2: return normal;
    default: return fastestLap;
    }
}

platform::Bytes DeviceLifeWalkEndToEnd::blobOfSize(size_t size)
{
    platform::Bytes blob(size);
    uint32_t from = static_cast<uint32_t>(draw(1 << 30));
    for (size_t i = 0; i < size; ++i)
        blob[i] = static_cast<uint8_t>((from + i * (i % 7)) >> (i % 3));
    return blob;
}

// One in ten is too long to upload online and stays on the device.
platform::Bytes DeviceLifeWalkEndToEnd::blobOfDrawnSize() { return blobOfSize(draw(10) == 0 ? 60000 : 100 + draw(3000)); }

void DeviceLifeWalkEndToEnd::sendScore(std::optional<platform::Bytes> blob, const std::string& board, int64_t value,
                                       bool best, bool expectKept, const std::optional<std::string>& displayText,
                                       const std::optional<std::string>& customData)
{
    auto heard = Heard::create([this](bool ok) { callback(ok ? "score kept" : "score refused"); });
    SentScore sent { board, value, blob, holderNow(), best, false, heard };
    sent.retiredBoard = board == bonus && bonusRetired;
    sent.at = loop().now();
    sent.queued = best && clientRunning() && Quorvel::isOnline();
    sent.displayText = displayText;
    sent.customData = customData;
    if (sent.queued)
        markTheRunOf(sent);
    recordScore(sent);
    const bool running = clientRunning();
    QVHighScoreService::setHighScoreWithBlob(value, displayText, customData, blob, board, draw(2), false,
                                             heard->onSuccess(), heard->onFailure());
    EXPECT_EQ(heard->answers, 1) << "a score is answered before the call returns";
    // A score on a board the device knows is kept, online or not; the device
    // learns the boards at its first login (again after its store was lost).
    EXPECT_TRUE(!expectKept || !running || board == bonus || storeFresh || heard->kept)
        << "the score " << value << " on " << board << " was refused";
    note("  " + std::to_string(value) + " on " + board + (blob ? " with a blob" : "")
         + (displayText || customData ? " with texts" : "") + (heard->kept ? ", kept" : ", refused"));
}

// Scores taken online less than the dispatch delay apart go in one batch (a
// run), where only a board's last score keeps its blob: an earlier one of
// that board goes without it (has_blob 0), its blob left on the device.
void DeviceLifeWalkEndToEnd::markTheRunOf(const SentScore& later)
{
    double next = later.at;
    for (auto it = scores.rbegin(); it != scores.rend(); ++it) {
        if (!it->queued)
            continue;
        if (next - it->at > static_cast<double>(QVHighScoreService::kDispatchDelay))
            break;
        next = it->at;
        if (it->board == later.board && it->value != later.value) {
            it->blobLeftInItsRun = true;
            // The same score given again with another blob in the run goes as it does.
            for (auto& again : scores)
                if (again.board == it->board && again.value == it->value && again.at >= it->at)
                    again.blobLeftInItsRun = true;
        }
    }
}

void DeviceLifeWalkEndToEnd::score()
{
    std::string board = pickBoard();
    // One in six is poor: it need not reach the service (the device keeps the best ten).
    const bool poor = draw(6) == 0;
    int64_t value = nextValue(board);
    if (poor)
        value = board == fastestLap ? value + 10000000 : value - 100000;
    sendScore(std::nullopt, board, value, !poor, true);
}

void DeviceLifeWalkEndToEnd::scoreWithBlob()
{
    std::string board = pickBoard();
    sendScore(blobOfDrawnSize(), board, nextValue(board), true, true);
}

// The same score twice at once, each time with another blob (or again a
// while later): the newer blob goes up under it. An earlier value bettered
// on its board since is no new best: the device keeps it with its newer blob
// and need not send it again.
void DeviceLifeWalkEndToEnd::sameScoreTwiceWithTwoBlobs()
{
    std::string board = draw(2) ? normal : fastestLap;
    int64_t value = nextValue(board);
    bool bettered = false, againSent = false;
    if (draw(3) == 0) {
        const std::string who = holderNow();
        std::vector<const SentScore*> earlier;
        for (auto& s : scores)
            if (!s.secondDevice && s.blob && s.holder == who && s.board != bonus)
                earlier.push_back(&s);
        if (!earlier.empty()) {
            const SentScore& again = *earlier[earlier.size() - 1 - draw(std::min<size_t>(earlier.size(), 3))];
            board = again.board;
            value = again.value;
            againSent = true;
            // Bettered by this player, or by one the walk cannot tell from them.
            const auto sameOrUnknown = [&](const std::string& h) { return h == who || h == "?" || h.empty() || who == "?"; };
            bettered = std::any_of(scores.begin(), scores.end(), [&](const SentScore& s) {
                const bool keptOnTheDevice = s.secondDevice || s.viaBatch || (s.heard && s.heard->kept);
                return s.board == board && (board == fastestLap ? s.value < value : s.value > value) && keptOnTheDevice
                    && sameOrUnknown(s.holder);
            });
            note("  again " + std::to_string(value) + " on " + board + (bettered ? ", bettered since" : ""));
        }
    }
    sendScore(blobOfSize(100 + draw(3000)), board, value, !bettered, true);
    sendScore(blobOfSize(100 + draw(3000)), board, value, false, true);
    if (bettered)
        scores.rbegin()[0].againOnceBettered = scores.rbegin()[1].againOnceBettered = true;
    if (againSent)
        scores.rbegin()[0].againOfASentValue = scores.rbegin()[1].againOfASentValue = true;
}

void DeviceLifeWalkEndToEnd::batchOfScores()
{
    QVHighScoreBatch batch;
    auto heard = batchHeard();
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
        SentScore score { board, value, blob, holderNow(), true, true, heard };
        score.retiredBoard = board == bonus && bonusRetired;
        recordScore(score);
        sent += " " + std::to_string(value) + " on " + board + (blob ? " with a blob" : "");
    }
    note("  batch:" + sent);
    // No handle and no answer: nothing was sent (a player who has not approved the service), nothing will answer.
    if (QVHighScoreService::batchSetHighScores(batch, heard->onSuccess(), heard->onFailure(), std::nullopt)
        || heard->answers)
        calls.push_back(heard);
}

// Progress on one of the game's achievements, most often a step above what
// the player sent last (so the device often holds more than the service).
void DeviceLifeWalkEndToEnd::unlock()
{
    const std::string id = std::to_string(StandInState::kFirstStepsAchievement + static_cast<int64_t>(draw(kAchievements)));
    const std::string who = holderNow();
    double last = 0;
    for (auto& p : progress)
        if (p.holder == who && p.id == id && !p.mustBeRefused)
            last = std::max(last, p.percent);
    const double percent = draw(4) ? std::min(100.0, last + 10.0 * static_cast<double>(1 + draw(3)))
                                   : 10.0 * static_cast<double>(1 + draw(10));
    // What the device holds of it already (an unlock given again among it): refused at once.
    const double held = heldOnTheDevice(id);
    auto call = QVAchievement::achievement(id);
    const size_t at = recordProgress(id, percent, who, call);
    // Not approved, the client keeps no progress: it tells the game it failed.
    progress[at].taken = clientRunning() && approved();
    const bool notify = draw(2);
    const int notices = achievementNotices;
    achievementNoticesAsked += notify ? 1 : 0;
    if (!call->updateProgressionComplete(percent, notify) && !progress[at].answers)
        progress[at].notTaken();
    judgeProgressNotAbove(at, held, notices);
}

// A value under a new key, or again under one of the player's keys. The game
// waits for its cloud delegate's answer before its next cloud call.
void DeviceLifeWalkEndToEnd::cloudValue()
{
    if (cloudCall)
        return note("  (the game waits for its cloud call)");
    const std::string who = holderNow();
    std::vector<std::string> keys;
    for (auto& [key, writes] : cloud)
        if (key.first == who)
            keys.push_back(key.second);
    const std::string key = !keys.empty() && draw(3) == 0 ? keys[draw(keys.size())] : "walk-" + std::to_string(++sentValues);
    // Every value written is one of its own: its number, then filler.
    std::string text = "value " + std::to_string(++sentValues) + " ";
    text.append(draw(2000), static_cast<char>(draw(256)));
    const platform::Bytes value(text.begin(), text.end());
    note("  cloud " + key + " of player " + (who.empty() ? "none" : who));
    cloud[{ who, key }].push_back({ std::string(value.begin(), value.end()), CloudWrite::Asked, stepNumber });
    cloudCall = CloudCall { CloudCall::Upload, { who, key }, stepNumber };
    if (!QVCloudStorage::upload(value, key) && cloudCall && cloudCall->kind == CloudCall::Upload) {
        cloudCall.reset(); // nothing was sent, nothing will answer
        cloud[{ who, key }].back().outcome = CloudWrite::Refused;
    }
}

void DeviceLifeWalkEndToEnd::cloudDownload()
{
    if (cloudCall)
        return note("  (the game waits for its cloud call)");
    const std::string who = holderNow();
    std::vector<std::string> keys { "walk-never-written" };
    for (auto& [key, writes] : cloud)
        if (key.first == who)
            keys.push_back(key.second);
    const std::string key = keys[draw(keys.size())];
    note("  download " + key);
    cloudCall = CloudCall { CloudCall::Download, { who, key }, stepNumber };
    if (!QVCloudStorage::downloadDataWithKey(key) && cloudCall && cloudCall->kind == CloudCall::Download)
        cloudCall.reset();
}

void DeviceLifeWalkEndToEnd::cloudKeyList()
{
    if (cloudCall)
        return note("  (the game waits for its cloud call)");
    cloudCall = CloudCall { CloudCall::Keys, { holderNow(), {} }, stepNumber };
    if (!QVCloudStorage::downloadKeysForCurrentUser() && cloudCall && cloudCall->kind == CloudCall::Keys)
        cloudCall.reset();
}

void DeviceLifeWalkEndToEnd::friendRequest() { friendRequestOf(draw(2)); }

void DeviceLifeWalkEndToEnd::friendRequestOf(bool follow)
{
    auto other = QVUser::create();
    other->setResourceId(rival);
    ++friendsAsked;
    const int before = friendsAnswers;
    // Counted before the call: a request may reach the service before it returns.
    ++friendsCalls[follow].sent;
    const bool sent = follow ? static_cast<bool>(QVCurrentUser::sendFriendRequest(other.get()))
                             : static_cast<bool>(QVCurrentUser::unfriend(other.get()));
    if (!sent)
        --friendsCalls[follow].sent;
    if (!sent && friendsAnswers == before)
        --friendsAsked; // nothing was sent, nothing will answer
}

void DeviceLifeWalkEndToEnd::openTheDashboard()
{
    askLogin(player, false, "the dashboard's game page");
    switch (draw(3)) {
    case 0: Quorvel::launchDashboard(); break;
    case 1: Quorvel::launchDashboardWithListLeaderboardsPage(); break;
    default: Quorvel::launchDashboardWithAchievementsPage(); break;
    }
}

void DeviceLifeWalkEndToEnd::tapATab()
{
    auto tabs = visible<QVTabBarItem>();
    size_t chosen = draw(8);
    if (!tabs.empty())
        driver->tap(tabs[chosen % tabs.size()]);
}

void DeviceLifeWalkEndToEnd::back()
{
    if (auto* stack = frontStack(); stack && stack->viewControllers().size() > 1)
        driver->tapBack(stack);
}

void DeviceLifeWalkEndToEnd::closeTheDashboard() { Quorvel::dismissDashboard(); }

// An alert or sheet is cancelled; an approval, an offer or a naming screen
// is answered yes; of the device's accounts one is chosen.
void DeviceLifeWalkEndToEnd::answerTheClient()
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
    // Each of these may start a login of the device's account, told once the account screens close.
    for (const char* button : { "Use Quorvel", "Enable Quorvel", "Continue", "OK" }) {
        const bool approval = std::string(button) == "Use Quorvel";
        if (approval && draw(4) == 0 && tapNow("No Thanks"))
            return note("  the player declined the service");
        if (tapNowAsking(button, approval))
            return;
    }
    auto rows = visible<platform::ui::TableViewCell>();
    if (!rows.empty() && frontScreenName().find("Account") != std::string::npos) {
        // The account on the row logs in: whose it is, the service's answer says.
        askLogin({}, false, "an account chosen in the device's list");
        driver->tap(rows[row % rows.size()]);
    }
}

void DeviceLifeWalkEndToEnd::logOut()
{
    if (!clientRunning()) {
        // With no client the call does nothing: the walk's player stays.
        Quorvel::logoutUser();
        return;
    }
    learnFromTheService(true);
    note("  the walk's player is none from now on");
    // Logins asked for before the logout are not carried past it.
    for (auto& a : asked)
        a.beforeLogout = true;
    // Nor is a login the account screens held back told any more.
    accountFlowOpen = false;
    formLogin.reset();
    player.clear();
    tokenHeldBy.clear();
    Quorvel::logoutUser();
    // A shutdown inside the logout's own callbacks (a login it ended told
    // failed) read the approval before the logout withdrew it: the logout
    // still ends, and what the next launch finds is its answer.
    if (!clientRunning() && approvalAtQuit)
        approvalAtQuit = false;
}

// A player who declined (or logged out) approves on the game's own screen first.
void DeviceLifeWalkEndToEnd::logIn()
{
    if (clientRunning() && !Quorvel::hasUserApprovedQuorvel()) {
        askLogin({}, false, "the approval given on the game's own screen", true);
        Quorvel::userDidApproveQuorvel(true);
    }
    logInAs(draw(3) ? otherPlayer() : std::string(), "the game's login");
    maybeReturnWhileALoginRuns();
}

void DeviceLifeWalkEndToEnd::logInAs(const std::string& who, const std::string& why)
{
    // It must be heard once the service sees its bootstrap (a login while the
    // service is declined is refused at once; one while another of the same
    // player runs is answered by it).
    askLogin(who, false, why);
    auto heard = Heard::create([this](bool ok) { callback(ok ? "login succeeded" : "login failed"); });
    calls.push_back(heard);
    Quorvel::loginWithUserId(who, heard->onSuccess(), heard->onFailure());
}

// The device's other account, chosen on the switch-account page; the
// player does not wait for the login it starts.
void DeviceLifeWalkEndToEnd::switchAccount()
{
    const std::string other = otherPlayer();
    Quorvel::launchDashboardWithSwitchUserPage();
    for (int tries = 0; tries < 8; ++tries) {
        pass(0.3);
        if (auto* row = rowNamed(names[other])) {
            askLogin(other, false, "the switch page's row of " + other);
            driver->tap(row);
            maybeReturnWhileALoginRuns();
            return;
        }
    }
}

// Now and then the game comes back to the foreground (or becomes active)
// while the login just asked for is on its way: each trigger then meets
// a running login, whoever's it is.
void DeviceLifeWalkEndToEnd::maybeReturnWhileALoginRuns()
{
    if (draw(3) != 0)
        return;
    // The login's request reaches the service first, the clock standing: a
    // mere turn of the loop would meet its answer or not by the machine's pace.
    settleNetwork();
    note("  and at once the game returns");
    switch (draw(3)) {
    case 0: becomeActive(); break;
    case 1: foreground(); break;
    default: backgroundAndForeground(); break;
    }
}

// ---- The device

void DeviceLifeWalkEndToEnd::becomeActive()
{
    askLogin(player, false, "becoming active");
    Quorvel::applicationDidBecomeActive();
}
void DeviceLifeWalkEndToEnd::backgroundAndForeground()
{
    Quorvel::applicationWillResignActive();
    Quorvel::applicationDidEnterBackground();
    pass(0.05 + 0.5 * static_cast<double>(draw(3)));
    foreground();
}
void DeviceLifeWalkEndToEnd::foreground()
{
    askLogin(player, false, "the foreground");
    Quorvel::applicationWillEnterForeground();
    Quorvel::applicationDidBecomeActive();
}
void DeviceLifeWalkEndToEnd::memoryWarning() { driver->memoryWarning(); }
void DeviceLifeWalkEndToEnd::networkGone()
{
    networkUp = false;
    reach();
}
void DeviceLifeWalkEndToEnd::networkBack()
{
    networkUp = true;
    reach();
}
void DeviceLifeWalkEndToEnd::relaunch()
{
    if (clientRunning())
        quitNoting();
    launchAgain();
}
// What a kill loses: the user defaults not written yet and every answer
// on its way. The game hears nothing of it (its delegates are let go
// first). The process itself cannot die here: the client is shut down.
// Who the client holds after it is for the next login heard to say: the
// player's record may not have been written.
void DeviceLifeWalkEndToEnd::killTheProcess()
{
    platform::UserDefaults::standardUserDefaults().reload();
    delegates->setQuorvelDelegate(nullptr);
    delegates->setNotificationDelegate(nullptr);
    Quorvel::shutdown();
    delegates->setQuorvelDelegate(&walkGame);
    delegates->setNotificationDelegate(&walkGame);
    sync();
    reloadUserDefaults();
    shown = Shown::Closed;
    player = "?";
    // What the player answered last may not have been written.
    approvalAtQuit.reset();
    launchAgain();
}
void DeviceLifeWalkEndToEnd::timePasses() { pass(1.0 + 4.0 * static_cast<double>(draw(3))); }

// ---- The service

void DeviceLifeWalkEndToEnd::serviceKilled()
{
    serviceWanted = false;
    reach();
}
void DeviceLifeWalkEndToEnd::serviceRestarted()
{
    serviceWanted = true;
    reach();
}
// Each answer up to 1.5 s late (on the test's clock) for one to four steps.
void DeviceLifeWalkEndToEnd::answersLate()
{
    lateSteps = 1 + static_cast<int>(draw(4));
    if (service)
        service->setAnswerDelay(0, 1500);
}
// Answers come a little late even so: the player who does not wait meets them on their way.
void DeviceLifeWalkEndToEnd::answersPrompt()
{
    lateSteps = 0;
    if (service)
        service->setAnswerDelay(0, 250);
}
void DeviceLifeWalkEndToEnd::presenceCut()
{
    // A bootstrap's answer inside the channel may go with it.
    readTheServiceLines();
    boardsOnTheirWay = false;
    if (channel)
        channel->dropConnections();
    channelHearsItsEnd();
}
// A channel cut from the service's side ends on the client when its thread
// reads the end: waited for before the clock moves on, so that its next
// attempt is due at the same time of the clock whatever the machine's pace.
void DeviceLifeWalkEndToEnd::channelHearsItsEnd()
{
    if (!clientRunning())
        return;
    EXPECT_TRUE(waitFor([] {
        auto* presence = QVPresenceService::sharedInstance();
        return !presence || !presence->isConnected();
    })) << "the client's presence channel did not hear the service end it";
}

void DeviceLifeWalkEndToEnd::traceService()
{
    if (!service)
        return;
    const bool trace = std::getenv("BRISKO_WALK_TRACE") && *std::getenv("BRISKO_WALK_TRACE") == '1';
    service->setLogSink([this, trace](const std::string& line) {
        if (trace)
            std::cout << "    service: " << line << std::endl;
        std::lock_guard guard(serviceLinesLock);
        serviceLines.push_back(line);
    });
}

std::vector<std::string> DeviceLifeWalkEndToEnd::takeServiceLines()
{
    std::lock_guard guard(serviceLinesLock);
    return std::exchange(serviceLines, {});
}

// A service just started: its answers late on the test's clock, drawn from the seed.
void DeviceLifeWalkEndToEnd::serviceStarted()
{
    traceService();
    service->delayAnswersOnLoop(seed * 1000u + static_cast<uint32_t>(++serviceStarts));
    service->setAnswerDelay(0, lateSteps ? 1500 : 250);
}

// The service runs when it is wanted and the network reaches it; the
// device's monitor says whether the network is there, and its return is a
// trigger of a login.
void DeviceLifeWalkEndToEnd::reach()
{
    const bool running = service != nullptr;
    if (running && !(serviceWanted && networkUp)) {
        noteRefusalsBeforeTheServiceGoes();
        // A bootstrap's answer not delivered yet goes with the service.
        readTheServiceLines();
        boardsOnTheirWay = false;
        storage.stop(); // it keeps its objects in the service's state
        killService();
        channelHearsItsEnd();
    }
    if (!running && serviceWanted && networkUp) {
        startService();
        serviceStarted();
        state->keepObjectsOf(storage);
        ASSERT_EQ(storage.start(storagePort, serviceAddress()), storagePort);
    }
    if (networkUp && network->status() == platform::Reachability::NotReachable)
        triggerALogin("the network's return");
    network->setStatus(networkUp ? platform::Reachability::ReachableViaWiFi : platform::Reachability::NotReachable);
}

// A player the game heard log in online, with no other login on its way, holds
// the client's token: the trigger logs no one in, and a login heard now fails
// the walk ("with no login asked for"). Otherwise it may log the player in.
void DeviceLifeWalkEndToEnd::triggerALogin(const std::string& why)
{
    if (clientRunning() && !player.empty() && tokenHeldBy == player && asked.empty() && !formLogin && !accountFlowOpen)
        return note("  (" + why + ": player " + player + " is logged in, and no login is owed)");
    askLogin(player, false, why);
}

// ---- Inside a callback

// The callbacks the game may act in, and what it does there.
void DeviceLifeWalkEndToEnd::armInsideACallback(std::string what, std::function<void()> action)
{
    static const char* callbacks[] = { "dashboardWillAppear", "dashboardDidAppear", "dashboardWillDisappear",
                                       "dashboardDidDisappear", "userLoggedIn", "offlineUserLoggedIn",
                                       "userLoggedOut", "showCustomQuorvelApprovalScreen", "notificationWillShow",
                                       "score kept", "batch kept", "batch refused", "achievement kept", "cloud kept",
                                       "login succeeded", "login failed" };
    armed = { callbacks[draw(std::size(callbacks))], std::move(action) };
    note("  armed: " + what + " inside " + armed.callback);
    // Half the time the game goes on at once to what the callback answers.
    if (draw(2) || !clientRunning())
        return;
    const std::string& call = armed.callback;
    if (call == "dashboardWillAppear" || call == "dashboardDidAppear") {
        if (!QuorvelInternal::hub().isDashboardHubOpen())
            openTheDashboard();
    } else if (call == "dashboardWillDisappear" || call == "dashboardDidDisappear") {
        closeTheDashboard();
    } else if (call == "score kept") {
        score();
    } else if (call == "userLoggedIn" || call == "offlineUserLoggedIn" || call == "login succeeded"
               || call == "login failed") {
        logInAs(holderNow() == "?" ? std::string() : holderNow(), "the game's login");
    }
}
void DeviceLifeWalkEndToEnd::shutDownInsideACallback()
{
    armInsideACallback("shut down", [this] {
        noteTheApprovalAtQuit();
        Quorvel::shutdown();
        clientWent = true;
        // Whatever it was telling of the dashboard it still tells: a Will heard is closed by its Did.
    });
}
void DeviceLifeWalkEndToEnd::logOutInsideACallback() { armInsideACallback("log out", [this] { logOut(); }); }
void DeviceLifeWalkEndToEnd::logInInsideACallback()
{
    std::string other = otherPlayer();
    armInsideACallback("log in " + other, [this, other] { logInAs(other, "a login inside a callback"); });
}

} // namespace walk_testing
