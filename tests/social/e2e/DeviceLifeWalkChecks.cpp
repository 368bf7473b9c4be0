// The walk's model and its checks: what the game hears, checked as it hears
// it (one player, every login once and asked for, Will before Did, every
// answer once) and what holds after each settled step (every call answered,
// every login asked heard, no loading overlay left, nothing kept twice).
#include "DeviceLifeWalk.h"

#include "StandInRequestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "platform/ui/AlertView.h"
#include "social/core/QVPresenter.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"
#include "social/ui/QVLoadingController.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>

using namespace quorvel;
using standin::StandInState;

namespace walk_testing {

namespace {

std::string text(const platform::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace

platform::Ref<Heard> Heard::create(std::function<void(bool kept)> hook)
{
    auto heard = platform::adoptRef(new Heard);
    heard->hook_ = std::move(hook);
    return heard;
}

QVDelegate Heard::onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(Heard, succeeded)); }
QVDelegate Heard::onFailure() { return QVDelegate(this, BRISKO_SELECTOR(Heard, failed)); }

void Heard::answer(bool ok)
{
    ++answers;
    kept = ok;
    EXPECT_EQ(answers, 1) << "a call of the game's was answered twice";
    EXPECT_FALSE(forgotten) << "a call of the game's was answered after its client went";
    hook_(ok);
}

// ---- What the game hears

void DeviceLifeWalkEndToEnd::WalkGame::dashboardWillAppear()
{
    walk.dashboardHeard("dashboardWillAppear", Shown::Closed, Shown::Opening);
}
void DeviceLifeWalkEndToEnd::WalkGame::dashboardDidAppear()
{
    walk.dashboardHeard("dashboardDidAppear", Shown::Opening, Shown::Open);
}
void DeviceLifeWalkEndToEnd::WalkGame::dashboardWillDisappear()
{
    walk.dashboardHeard("dashboardWillDisappear", Shown::Open, Shown::Closing);
}
void DeviceLifeWalkEndToEnd::WalkGame::dashboardDidDisappear()
{
    walk.dashboardHeard("dashboardDidDisappear", Shown::Closing, Shown::Closed);
}
std::optional<bool> DeviceLifeWalkEndToEnd::WalkGame::showCustomQuorvelApprovalScreen()
{
    walk.callback("showCustomQuorvelApprovalScreen");
    return std::nullopt;
}

// Will before Did, no Did without its Will, every Will closed by its Did
// however the dashboard ends; one closed while it still slides in is heard
// closing without having appeared.
void DeviceLifeWalkEndToEnd::dashboardHeard(const char* call, Shown from, Shown to)
{
    const bool closingEarly = to == Shown::Closing && shown == Shown::Opening;
    EXPECT_TRUE(shown == from || closingEarly) << "the game heard " << call << " out of order";
    shown = to;
    ++dashboardCalls;
    note(std::string("  heard ") + call);
    callback(call);
}

// The walk's idea of the logins: one asked for (by the walk, or a trigger it
// took) waits to be heard. One of the same player as another waiting joins it;
// one asked while others wait may be answered by them (it is not required).
void DeviceLifeWalkEndToEnd::askLogin(const std::string& who, bool required, const std::string& why, bool held)
{
    // A login that may name another account lets the held token go before it
    // runs: whether one is held again, the next login heard says.
    if (held || who.empty() || who != player)
        tokenHeldBy.clear();
    if (held) {
        if (std::none_of(asked.begin(), asked.end(),
                         [](auto& a) { return a.heldByTheAccountScreens && !a.beforeLogout; })) {
            const std::string tokens = kept("SELECT MAX(rowid) FROM tokens");
            asked.push_back({ who, false, stepNumber, why, true, tokens.empty() ? 0 : std::stoll(tokens) });
        }
        return;
    }
    // While a login runs, another of the same player joins it (a login that
    // has ended, its callers still being told, is not joined). One that must
    // be heard (a form's) is owed under its own name from then on: the
    // waiting one may be a trigger that met another player's login and
    // started nothing, and the form's bootstrap is known by the form's name.
    const bool running = clientRunning() && QuorvelInternal::login().isBootstrapInProgress();
    for (auto& a : asked)
        if (running && !a.heldByTheAccountScreens && a.player == who) {
            if (required && !a.required) {
                a.required = true;
                a.step = stepNumber;
                a.why = why;
            }
            return;
        }
    const bool othersWait = std::any_of(asked.begin(), asked.end(), [&](auto& a) { return a.player.empty() || who.empty(); });
    asked.push_back({ who, required && !othersWait, stepNumber, why });
}

std::set<std::string> DeviceLifeWalkEndToEnd::loggedInSince(long long tokensBefore) const
{
    std::set<std::string> out;
    std::istringstream in(kept("SELECT group_concat(DISTINCT user_id) FROM tokens WHERE rowid > "
                               + std::to_string(tokensBefore)));
    for (std::string id; std::getline(in, id, ',');)
        out.insert(id);
    return out;
}

// The account screens (the approval and what follows it, the offer to link
// networks) are in front: the login they hold back is told when they close.
bool DeviceLifeWalkEndToEnd::accountScreensUp() const
{
    if (!clientRunning())
        return false;
    if (QuorvelInternal::presenter().activeIntroFrame())
        return true;
    static const char* screens[] = { "QVUserQuorvelApprovalController", "QVDoBootstrapController",
                                     "QVLinkSocialNetworksController", "QVExistingAccount", "QVNewAccountController",
                                     "QVDeadEndErrorController" };
    const std::string front = frontScreenName();
    return std::any_of(std::begin(screens), std::end(screens),
                       [&](const char* name) { return front.rfind(name, 0) == 0; });
}

// One player at a time: each login heard answers one login asked for. An
// offline one names the player the walk holds (a failed login keeps the
// player; with none the placeholder "0"); an online one names the player the
// login was asked for, the device's account, or the walk's player still held.
// The account screens' own login, told as they close, answers every login
// that ended while they were up.
void DeviceLifeWalkEndToEnd::loginHeard(const char* call, const std::string& id, bool online)
{
    readTheServiceLines();
    learnFromTheService();
    note(std::string("  heard ") + call + ":" + id);
    const bool uncertain = player == "?";
    const std::string expected = player.empty() ? "0" : player;
    auto notHeld = [&](auto& a) { return !a.heldByTheAccountScreens && (!a.beforeLogout || id == "0"); };
    const bool held = accountFlowOpen || std::any_of(asked.begin(), asked.end(), [](auto& a) {
                          return a.heldByTheAccountScreens && !a.beforeLogout;
                      });
    auto match = asked.end();
    // The earliest login asked for that can answer it, one the service saw
    // first (each of those is told once): of that player, else of the
    // device's account, else (a login that failed, keeping the player, or one
    // told offline since the network went) any.
    for (bool seen : { true, false }) {
        auto fits = [&](auto& a) { return notHeld(a) && a.bootstrapped == seen; };
        match = std::find_if(asked.begin(), asked.end(), [&](auto& a) { return fits(a) && a.player == id && a.required; });
        if (match == asked.end())
            match = std::find_if(asked.begin(), asked.end(), [&](auto& a) { return fits(a) && a.player == id; });
        if (match == asked.end())
            match = std::find_if(asked.begin(), asked.end(), [&](auto& a) { return fits(a) && a.player.empty(); });
        if (match == asked.end() && (id == expected || uncertain))
            match = std::find_if(asked.begin(), asked.end(), fits);
        if (match != asked.end())
            break;
    }
    if (match != asked.end() && !accountFlowOpen) {
        asked.erase(match);
    } else if (held) {
        // Whomever the account screens logged in, told as they close: the
        // player the walk holds, or one the service logged in meanwhile. An
        // approval given while screens shown earlier still hold a login back
        // (nothing told since) joins them: they hold back every login since
        // the first of them showed.
        auto screens = std::find_if(asked.begin(), asked.end(),
                                    [](auto& a) { return a.heldByTheAccountScreens && !a.beforeLogout; });
        long long since = screens != asked.end() ? screens->tokensBefore : flowTokensBefore;
        if (accountFlowOpen)
            since = std::min(since, flowTokensBefore);
        const bool pending = std::any_of(asked.begin(), asked.end(), [&](auto& a) { return a.bootstrapped && a.player == id; });
        EXPECT_TRUE(id == expected || uncertain || pending || loggedInSince(since).count(id))
            << "the game heard " << call << ":" << id << " as the account screens closed, while the walk's player is "
            << expected << " and the service logged in no one else since they showed";
        note("  (the account screens' login: it answers every login asked for)");
        // Not one asked for as they closed that has not reached the service yet.
        asked.erase(std::remove_if(asked.begin(), asked.end(),
                                   [&](auto& a) { return a.bootstrapped || a.step < stepNumber; }),
                    asked.end());
        accountFlowOpen = false;
        resolvePlayer(id == "0" ? std::string() : id);
    } else if (asked.empty()) {
        ADD_FAILURE() << "the game heard " << call << ":" << id << " with no login asked for (a login told twice?)";
    } else if (!online) {
        ADD_FAILURE() << "the game heard " << call << ":" << id << " while the walk's player is " << expected
                      << ": a failed login keeps the player it had";
    } else {
        std::string waiting;
        for (auto& a : asked)
            waiting += " " + (a.player.empty() ? std::string("the device's account") : a.player) + " (step "
                + std::to_string(a.step) + ", " + a.why + ")";
        ADD_FAILURE() << "the game heard " << call << ":" << id << " while the walk's player is " << expected
                      << " and the logins asked for are of:" << waiting;
    }
    if (online || uncertain || id != expected)
        resolvePlayer(id == "0" ? std::string() : id, online, online);
    // The boards come back with a bootstrap the service answered: a login
    // that failed, its player still logged in, is heard online too.
    if (online && std::exchange(boardsOnTheirWay, false))
        storeFresh = false;
    // Told online, the client holds this player's token; told offline, whether it holds one is unknown.
    tokenHeldBy = online && id == player ? id : std::string();
    if (online && id != "0") {
        const std::string newest = kept("SELECT MAX(rowid) FROM tokens WHERE user_id = " + id);
        if (!newest.empty())
            clientsTokenRow = std::max(clientsTokenRow, std::stoll(newest));
    }
    lastHeard = id;
    callback(call);
}

void DeviceLifeWalkEndToEnd::learnFromTheService(bool loggingOut, bool settled)
{
    if (!service)
        return;
    if (service.get() != logOf) {
        logOf = service.get();
        logSeen = 0;
    }
    const auto log = service->requests();
    // Each change of token in the order the requests came is a login.
    for (size_t i = logSeen; i < log.size(); ++i) {
        const auto& r = log[i];
        // A refusal before a logout started a login again, which the logout may end.
        noteARefusal(r);
        if (loggingOut) {
            tokensOfLoggedOutPlayers.insert(r.oauthToken);
            continue;
        }
        if (r.path == "bootstrap.xml") {
            if (!refusedLogin(r) && !wrongLoginAfterARefusal(r))
                bootstrapSeen(r.param("user_id"));
            continue;
        }
        if (!r.signatureValid || r.oauthToken.empty() || r.path == "session.xml" || r.oauthToken == lastToken
            || tokensOfLoggedOutPlayers.count(r.oauthToken))
            continue;
        // The log is in order of arrival, across the HTTP pool and the presence
        // channel; the client's own order is that of its tokens, since each of
        // its logins takes one issued after the one it held. A request signed
        // with a token older than one the client was seen acting with was
        // signed before it and came late: it names no login.
        const long long row = tokenRow(r.oauthToken);
        if (row < clientsTokenRow) {
            note("  a late request of player " + r.oauthToken.substr(6, r.oauthToken.find('-', 6) - 6)
                 + ", signed before the client's newer token");
            continue;
        }
        clientsTokenRow = row;
        // The service's tokens name their player: "token-ID-...".
        lastToken = r.oauthToken;
        const std::string who = lastToken.substr(6, lastToken.find('-', 6) - 6);
        if (who != player)
            note("  the service sees requests of player " + who);
        resolvePlayer(who, true, false);
        // The client acts as a player whose login the game has not heard: the
        // account screens hold it back (even once they are out of sight).
        if (settled && !accountFlowOpen && std::any_of(asked.begin(), asked.end(), [&](auto& a) {
                return a.bootstrapped && !a.beforeLogout && (a.player == who || a.player.empty());
            })) {
            note("  (a login the game has not heard yet: held back until the account screens close)");
            accountFlowOpen = true;
            flowTokensBefore = tokensAtLastJudge;
        }
    }
    logSeen = log.size();
    // Every token the service issued so far names nobody once the player logs out.
    if (loggingOut) {
        std::istringstream issued(kept("SELECT group_concat(token) FROM tokens"));
        for (std::string token; std::getline(issued, token, ',');)
            tokensOfLoggedOutPlayers.insert(token);
    }
    // Each login the service granted (a token issued), told to the game or not.
    const std::string granted = kept("SELECT group_concat(user_id || ':' || rowid) FROM (SELECT user_id, rowid FROM tokens"
                                     " WHERE rowid > " + std::to_string(tokensSeen) + " ORDER BY rowid)");
    std::istringstream in(granted);
    for (std::string item; std::getline(in, item, ',');) {
        logins.push_back({ ++tick, item.substr(0, item.find(':')), false });
        tokensSeen = std::max(tokensSeen, std::stoll(item.substr(item.find(':') + 1)));
    }
}

// A bootstrap the service saw: the client tells the game of it once, success
// or failure (unless the account screens fold several into one as they
// close). It answers the first login asked for that it can, or one the
// client started itself.
long long DeviceLifeWalkEndToEnd::tokenRow(const std::string& token)
{
    auto it = tokenRows.find(token);
    if (it != tokenRows.end())
        return it->second;
    const std::string row = kept("SELECT rowid FROM tokens WHERE token = '" + token + "'");
    // One the service does not know (yet): the newest.
    const long long value = row.empty() ? std::numeric_limits<long long>::max() : std::stoll(row);
    if (!row.empty())
        tokenRows[token] = value;
    return value;
}

void DeviceLifeWalkEndToEnd::bootstrapSeen(const std::string& asking)
{
    // With no player the client asks for "0": the device's account.
    const std::string who = asking == "0" ? std::string() : asking;
    auto open = [&](auto& a) { return !a.heldByTheAccountScreens && !a.bootstrapped && !a.beforeLogout; };
    auto it = std::find_if(asked.begin(), asked.end(), [&](auto& a) { return open(a) && a.player == who; });
    // A form's login asks for the device's account the form's answer made it:
    // the newest form's (one the player left before its answer came logs no one in).
    if (it == asked.end() && who.empty()) {
        auto newest = std::find_if(asked.rbegin(), asked.rend(),
                                   [&](auto& a) { return open(a) && a.why.rfind("the e-mail form", 0) == 0; });
        if (newest != asked.rend())
            it = std::prev(newest.base());
    }
    if (it == asked.end())
        it = asked.insert(asked.end(), { who, false, stepNumber, "a login the client started itself" });
    it->bootstrapped = true;
}

void DeviceLifeWalkEndToEnd::resolvePlayer(const std::string& who, bool loggedIn, bool told)
{
    player = who;
    if (loggedIn && !who.empty())
        logins.push_back({ ++tick, who, told });
}

std::set<std::string> DeviceLifeWalkEndToEnd::adopters(long sentAt) const
{
    std::set<std::string> out;
    for (auto& login : logins)
        if (login.tick > sentAt)
            out.insert(login.player);
    return out;
}

// The scores and progress the game sent with no player are another's now:
// one of those the client logged in after it (the first whose login sends
// what waits on the device).
void DeviceLifeWalkEndToEnd::adoptWhatNoPlayerSent()
{
    for (auto& s : scores)
        if (s.holder.empty()) {
            s.mayBe = adopters(s.tick);
            s.holder = s.mayBe.size() == 1 ? *s.mayBe.begin() : s.mayBe.empty() ? std::string() : "?";
        }
    for (auto& p : progress)
        if (p.holder.empty()) {
            p.mayBe = adopters(p.tick);
            p.holder = p.mayBe.size() == 1 ? *p.mayBe.begin() : p.mayBe.empty() ? std::string() : "?";
        }
}

// Whom what the game sends now is kept for: the walk's player, unless a
// login of someone else is on its way (or held back by the account screens),
// or the walk cannot tell whom the client holds ("?": kept, for someone).
std::string DeviceLifeWalkEndToEnd::holderNow() const
{
    if (player == "?" || formLogin)
        return "?";
    for (auto& a : asked)
        if (!a.beforeLogout && (a.heldByTheAccountScreens || a.player.empty() || a.player != player))
            return "?";
    return player;
}

// The client keeps what the game sends for its local player: the walk's,
// or the player of a login on its way (the account chooser names its pick at
// once), or of a token the service issued since the newest the client was
// seen holding (one of those logins may have ended). None of them, when a
// login of the device's account or through a form runs or the client may
// hold no player: anyone's, then.
std::set<std::string> DeviceLifeWalkEndToEnd::possibleHolders() const
{
    if (player.empty() || player == "?" || formLogin)
        return {};
    std::set<std::string> out { player };
    for (auto& a : asked) {
        if (a.beforeLogout)
            continue;
        if (a.player.empty())
            return {};
        out.insert(a.player);
    }
    std::istringstream since(
        kept("SELECT group_concat(DISTINCT user_id) FROM tokens WHERE rowid > " + std::to_string(clientsTokenRow)));
    for (std::string one; std::getline(since, one, ',');)
        out.insert(one);
    return out;
}

void DeviceLifeWalkEndToEnd::recordScore(SentScore score)
{
    score.step = stepNumber;
    score.tick = ++tick;
    if (score.holder == "?")
        score.mayBe = possibleHolders();
    scores.push_back(std::move(score));
}

size_t DeviceLifeWalkEndToEnd::recordProgress(const std::string& id, double percent, std::string holder,
                                              platform::Ref<quorvel::QVAchievement> call)
{
    SentProgress sent { id, percent, std::move(holder), std::move(call) };
    sent.step = stepNumber;
    sent.tick = ++tick;
    if (sent.holder == "?")
        sent.mayBe = possibleHolders();
    progress.push_back(std::move(sent));
    return progress.size() - 1;
}

// The game acts inside the callback it was waiting for.
void DeviceLifeWalkEndToEnd::callback(const std::string& name)
{
    if (armed.action && armed.callback == name) {
        auto action = std::move(armed.action);
        armed = {};
        note("  (inside " + name + ")");
        action();
        if (quitting)
            approvalAtQuit = Quorvel::hasUserApprovedQuorvel();
    }
}

void DeviceLifeWalkEndToEnd::progressAnswered(QVAchievement* a, bool keptNow)
{
    for (auto& p : progress)
        if (p.call.get() == a) {
            ++p.answers;
            p.kept = keptNow;
            EXPECT_EQ(p.answers, 1) << "the progress of " << p.id << " was answered twice";
            EXPECT_FALSE(p.forgotten) << "the progress of " << p.id << " was answered after its client went";
            EXPECT_FALSE(keptNow && p.mustBeRefused) << "the progress " << p.percent << " on " << p.id << " was told kept";
            callback(keptNow ? "achievement kept" : "achievement failed");
            return;
        }
    // Answers of a login's pending progress come on objects of the client's own.
}

// The cloud's delegate answers the one call waiting: an upload's outcome, a
// download's value (which must be one the player may have there).
void DeviceLifeWalkEndToEnd::cloudAnswered(bool ok, const std::optional<platform::Bytes>& data)
{
    if (!cloudCall) {
        ADD_FAILURE() << "the cloud's delegate was told " << (ok ? "a success" : "a failure") << " no call waited for";
        return;
    }
    CloudCall call = *std::exchange(cloudCall, std::nullopt);
    if (call.kind == CloudCall::Upload) {
        EXPECT_FALSE(data) << "an upload was answered with a download's data";
        auto& writes = cloud[call.key];
        if (!writes.empty())
            writes.back().outcome = ok ? CloudWrite::Kept : CloudWrite::Refused;
        note(std::string("  cloud ") + call.key.second + (ok ? " told kept" : " refused"));
        callback(ok ? "cloud kept" : "cloud refused");
        return;
    }
    EXPECT_EQ(call.kind, CloudCall::Download) << "a key list was answered as a download";
    note("  cloud " + call.key.second + (ok ? " downloaded" : " not downloaded"));
    if (ok && data && call.key.first != "?") {
        auto fits = acceptableValues(call.key);
        EXPECT_TRUE(std::find(fits.begin(), fits.end(), text(*data)) != fits.end())
            << "the download of " << call.key.second << " of player " << call.key.first << " (asked at step " << call.step
            << ") answered " << data->size() << " bytes that are not the value last told kept nor one written since";
    }
    callback(ok ? "cloud downloaded" : "cloud refused");
}

void DeviceLifeWalkEndToEnd::keysAnswered(const std::vector<std::string>* keys)
{
    if (!cloudCall || cloudCall->kind != CloudCall::Keys) {
        ADD_FAILURE() << "the cloud's delegate was told of keys no call asked for";
        return;
    }
    CloudCall call = *std::exchange(cloudCall, std::nullopt);
    note(keys ? "  cloud keys: " + std::to_string(keys->size()) : std::string("  cloud keys refused"));
    if (keys && call.key.first != "?") {
        std::set<std::string> listed(keys->begin(), keys->end());
        for (auto& [key, writes] : cloud) {
            if (key.first == call.key.first) {
                const bool told = std::any_of(writes.begin(), writes.end(), [](auto& w) { return w.outcome == CloudWrite::Kept; });
                EXPECT_TRUE(!told || listed.count(key.second)) << "the key list of player " << key.first << " lacks "
                                                               << key.second << ", told kept";
                listed.erase(key.second);
            }
        }
        for (auto& [key, writes] : cloud)
            if (key.first == "?")
                listed.erase(key.second); // written while the walk could not tell for whom
        for (auto& other : listed)
            EXPECT_EQ(other.rfind("walk-", 0), std::string::npos)
                << "the key list of player " << call.key.first << " names " << other << ", which the player never wrote";
    }
    callback(keys ? "cloud keys" : "cloud refused");
}

std::vector<std::string> DeviceLifeWalkEndToEnd::acceptableValues(const CloudKey& key) const
{
    std::vector<std::string> out;
    auto it = cloud.find(key);
    if (it == cloud.end())
        return out;
    size_t from = 0;
    for (size_t i = 0; i < it->second.size(); ++i)
        if (it->second[i].outcome == CloudWrite::Kept)
            from = i;
    for (size_t i = from; i < it->second.size(); ++i)
        out.push_back(it->second[i].value);
    return out;
}

// ---- After a settled step

void DeviceLifeWalkEndToEnd::checkSettled()
{
    // A close may bring up a queued screen that is still sliding in: a Will waits for its Did one settled step.
    const bool between = shown == Shown::Opening || shown == Shown::Closing;
    EXPECT_FALSE(between && dashboardCallsAtLastCheck == dashboardCalls) << "the dashboard's Will has no Did";
    dashboardCallsAtLastCheck = between ? dashboardCalls : -1;
    readTheServiceLines();
    learnFromTheService(false, true);
    checkNoRefusedTokenKept();
    // The network is quiet: what the log held is learnt, and it starts afresh.
    if (service) {
        checkTheChannelsOrder(service->requests());
        service->clearLog();
        logSeen = 0;
    }
    // A login still at work, or held back by the account screens, answers when it ends.
    const bool held = accountFlowOpen || std::any_of(asked.begin(), asked.end(), [](auto& a) {
                          return a.heldByTheAccountScreens && !a.beforeLogout;
                      });
    lookAtTheAccountScreens();
    if (clientRunning() && !QuorvelInternal::login().isBootstrapInProgress() && !accountFlowOpen) {
        EXPECT_EQ(friendsAnswers, friendsAsked) << "a friends call of the game's is still unanswered";
        // Every call answered: those whose request never reached the service
        // (or whose success never reached the game) leave no room for one sent twice later.
        for (auto& calls : friendsCalls) {
            calls.sent = calls.reached;
            calls.answeredOk = calls.heardOk;
        }
        EXPECT_FALSE(cloudCall) << "a cloud call of the game's (step " << cloudCall->step << ") is still unanswered";
        for (auto& c : calls)
            EXPECT_NE(c->answers, 0) << "a call of the game's is still unanswered";
        calls.clear();
        for (auto& p : progress)
            EXPECT_TRUE(p.answers || p.forgotten) << "the progress of " << p.id << " is still unanswered";
        checkTheChallengesAnswered();
        const std::string tokens = kept("SELECT MAX(rowid) FROM tokens");
        tokensAtLastJudge = tokens.empty() ? 0 : std::stoll(tokens);
        if (!held) {
            for (auto& a : asked)
                EXPECT_FALSE(a.required && !a.beforeLogout) << "the login of " << (a.player.empty() ? "the device's account" : a.player)
                                         << " asked for at step " << a.step << " (" << a.why
                                         << ") was never heard; the service holds the device's account as "
                                         << kept("SELECT user_id FROM devices WHERE udid = '" + udid() + "'");
            // One that reached the service may still be told, held back by the
            // account screens; the others started nothing.
            asked.erase(std::remove_if(asked.begin(), asked.end(),
                                       [](auto& a) { return !a.bootstrapped || a.required || a.beforeLogout; }),
                        asked.end());
        }
        formLogin.reset();
        // With no login on its way, the player the client names to the game is the walk's.
        const std::string named = Quorvel::lastLoggedInUserId();
        if (asked.empty() && player != "?" && !accountFlowOpen) {
            EXPECT_EQ(named == "0" ? std::string() : named, player)
                << "the client names player " << named << " to the game while the walk's player is "
                << (player.empty() ? "none" : player);
        }
    }
    checkNoOverlayLeft();
    if (dashboardOpenOverALogout)
        checkTheDashboardAfterALogout();
    checkNothingKeptTwice();
}

void DeviceLifeWalkEndToEnd::checkNothingKeptTwice()
{
    if (!state)
        return;
    // A score whose blob is not known to have reached the storage host (its upload cut, or its
    // answer lost) waits on the device and goes again, blob and all: copies of a score sent with a
    // blob are the only extra ones allowed, and the game sent some scores twice itself.
    const std::string copies = "FROM high_scores h LEFT JOIN score_blobs b ON b.score_id = h.id";
    const std::string twice = kept("SELECT h.leaderboard_id || ' ' || h.score " + copies
                                   + " WHERE " + onlyTheWalks("h")
                                   + " GROUP BY h.leaderboard_id, h.score HAVING COUNT(*) - SUM(b.key IS NOT NULL) > 1");
    if (twice.empty())
        return;
    const std::string board = twice.substr(0, twice.find(' ')), value = twice.substr(twice.find(' ') + 1);
    const auto sent = std::count_if(scores.begin(), scores.end(), [&](auto& s) {
        return s.board == board && std::to_string(s.value) == value && !s.secondDevice;
    });
    if (sent > 1)
        return;
    ADD_FAILURE() << "the service kept the score " << value << " on " << board << " (sent once) more than once: "
                  << kept("SELECT group_concat('player ' || h.user_id || (CASE WHEN b.key IS NULL THEN ' without a blob'"
                          " ELSE ' with a blob' END), ', ') " + copies + " WHERE h.score = " + value
                          + " AND " + onlyTheWalks("h"));
}

// No loading overlay is left over the page in front once every answer is in.
void DeviceLifeWalkEndToEnd::checkNoOverlayLeft()
{
    if (!clientRunning() || !QuorvelInternal::hub().isDashboardHubOpen() || driver->currentAlert()
        || driver->currentActionSheet() || QuorvelInternal::presenter().activeIntroFrame())
        return;
    // A page still sliding in (its push's answer the last to land) shows the
    // overlay of the page it covers until it is in: the next settled step looks.
    auto* front = frontScreen();
    if (!front || !front->isViewLoaded() || front->appearState() != platform::ui::ViewController::AppearState::Appeared)
        return;
    for (auto* overlay : visible<QVLoadingView>())
        // One told to go while it still fades in goes once it is in.
        if (overlay->alpha() >= 0.99f && !overlay->disappearingAnimationInProgress() && !overlay->disappearIsQueued()) {
            ADD_FAILURE() << "a loading overlay stays over " << frontScreenName() << " with every answer in";
            return;
        }
}

// A logout with the dashboard open: the dashboard shows what a reopened one
// would, the way to turn the service on again.
void DeviceLifeWalkEndToEnd::checkTheDashboardAfterALogout()
{
    dashboardOpenOverALogout = false;
    if (!clientRunning() || !QuorvelInternal::hub().isDashboardHubOpen() || driver->currentAlert()
        || driver->currentActionSheet() || QuorvelInternal::presenter().activeIntroFrame() || approved())
        return;
    EXPECT_TRUE(shows("Enable Quorvel")) << "the dashboard left open over a logout does not offer the service again: "
                                         << screenText();
}

} // namespace walk_testing
