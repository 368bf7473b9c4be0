// The walk's rarer roads: the e-mail login through the account forms with
// triggers around it, the service declined and enabled again from the
// dashboard, a quick Back after a tab change, a logout under the open
// dashboard, odd and refused calls, the device's clock moved back, its store
// damaged or removed, the service answering errors, retiring a board, and
// the player's second device keeping better scores, progress and values.
#include "DeviceLifeWalk.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/ui/TableView.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVServiceBounds.h"
#include "social/ui/QVTabBarItem.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using standin::StandInState;

namespace walk_testing {

namespace {

// The values a query answers as one text, split.
std::set<std::string> words(const std::string& text)
{
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        out.insert(w);
    return out;
}

} // namespace

// ---- The account forms

// On the switch page's form the player logs in with another account's
// address and password; the game becomes active, comes to the foreground or
// sees the network return just before or after the tap.
void DeviceLifeWalkEndToEnd::eMailLogin()
{
    std::vector<std::string> others;
    for (auto& who : { ownPlayer, rival, zed })
        if (who != player)
            others.push_back(who);
    const std::string who = others[draw(others.size())];
    const size_t before = draw(4), after = draw(5);
    if (!clientRunning())
        return;
    Quorvel::launchDashboardWithSwitchUserPage();
    // Now and then a switch to another account was refused first: the
    // device's token is gone, so a trigger logs the last player in again
    // while the player fills the form.
    if (draw(3) == 0 && service) {
        note("  a switch refused first: no token is held");
        service->script("POST", "bootstrap.xml",
                        standin::Answer::xml("<errors><error>The service is busy</error></errors>", 500));
        errorsScripted = true;
        pass(0.6);
        // The row is found afresh and tapped at once: time passing after the
        // tap may free the page's cells and labels.
        if (auto* row = rowNamed(names[otherPlayer()])) {
            askLogin(otherPlayer(), false, "the switch page's row of " + otherPlayer());
            driver->tap(row);
            pass(0.6);
            letAnswersLand();
            back();
        }
    }
    bool form = false;
    for (int tries = 0; tries < 8 && !form; ++tries) {
        pass(0.3);
        if (tapNow("Log in to another account")) {
            for (int more = 0; more < 8 && !form; ++more) {
                pass(0.3);
                form = showsNow("Log In To Quorvel");
            }
            break;
        }
    }
    if (!form || !typeInto(0, emails[who]) || !typeInto(1, "walk-" + who))
        return note("  (no form to log in with)");
    auto trigger = [this](size_t which) {
        switch (which) {
        case 0: return becomeActive();
        case 1: return foreground();
        default:
            // The device's monitor sees the network go and come back.
            triggerALogin("the network's return");
            network->setStatus(platform::Reachability::NotReachable);
            network->setStatus(platform::Reachability::ReachableViaWiFi);
        }
    };
    if (before < 3 && networkUp) {
        note("  the game returns before the tap");
        trigger(before);
        if (draw(2))
            pass(0.01 * static_cast<double>(draw(10)));
    }
    formLogin = AskedLogin { who, true, stepNumber, "the e-mail form of " + who };
    tokenHeldBy.clear(); // the form lets the device's token go before it logs in
    note("  \"Log In\" as " + who);
    tapNow("Log In");
    if (after < 3 && networkUp) {
        note("  the game returns after the tap");
        trigger(after);
    }
}

// ---- The service declined, then enabled from the dashboard

void DeviceLifeWalkEndToEnd::declineTheService()
{
    tokenHeldBy.clear();
    if (!tapNow("No Thanks"))
        Quorvel::userDidApproveQuorvel(false);
    // With no client running the answer is kept all the same: the next launch gives it.
    if (!clientRunning() && approvalAtQuit)
        approvalAtQuit = Quorvel::hasUserApprovedQuorvel();
    note("  the player declined the service");
}

void DeviceLifeWalkEndToEnd::enableFromTheDashboard()
{
    Quorvel::launchDashboard();
    for (int tries = 0; tries < 8; ++tries) {
        pass(0.3);
        if (tapNowAsking("Enable Quorvel", false)) {
            pass(0.6);
            tapNowAsking("Use Quorvel", true);
            return;
        }
    }
}

// ---- The dashboard

// A page deeper on the tab in front, another tab and back at once, and Back
// within a few hundredths of a second.
void DeviceLifeWalkEndToEnd::quickBackAfterATab()
{
    if (!clientRunning())
        return;
    if (!QuorvelInternal::hub().isDashboardHubOpen()) {
        openTheDashboard();
        pass(0.6);
    }
    if (auto rows = visible<platform::ui::TableViewCell>(); !rows.empty()) {
        auto* row = rows[draw(rows.size())];
        // A row of an account page (the switch page's, the choice of a new or
        // an old account) may log an account in: whose, the service's answer says.
        if (frontScreenName().find("Account") != std::string::npos)
            askLogin({}, false, "a row tapped on " + frontScreenName());
        driver->tap(row);
        pass(0.1 * static_cast<double>(1 + draw(5)));
    }
    auto tabs = visible<QVTabBarItem>();
    auto active = std::find_if(tabs.begin(), tabs.end(), [](auto* t) { return t->active(); });
    if (tabs.size() < 2 || active == tabs.end())
        return;
    const std::string here = (*active)->name();
    auto* away = tabs[(static_cast<size_t>(active - tabs.begin()) + 1 + draw(tabs.size() - 1)) % tabs.size()];
    note("  to " + away->name() + " and back to " + here);
    driver->tap(away);
    pass(0.01 * static_cast<double>(draw(4)));
    for (auto* tab : visible<QVTabBarItem>())
        if (tab->name() == here) {
            driver->tap(tab);
            break;
        }
    pass(0.01 * static_cast<double>(draw(5)));
    back();
}

void DeviceLifeWalkEndToEnd::logOutWithTheDashboardOpen()
{
    if (clientRunning() && !QuorvelInternal::hub().isDashboardHubOpen()) {
        openTheDashboard();
        pass(0.3 * static_cast<double>(1 + draw(3)));
    }
    const bool open = clientRunning() && QuorvelInternal::hub().isDashboardHubOpen();
    logOut();
    dashboardOpenOverALogout = open;
}

// ---- Odd and refused calls

// An id no one has or no one writes so: refused at the call.
void DeviceLifeWalkEndToEnd::oddId()
{
    auto heard = Heard::create([](bool) {});
    switch (draw(3)) {
    case 0:
        note("  a score on board 999");
        QVHighScoreService::setHighScore(nextValue(normal), "999", heard->onSuccess(), heard->onFailure());
        EXPECT_FALSE(clientRunning() && heard->kept) << "a score on a board no one has was told kept";
        break;
    case 1: {
        const std::string id = draw(2) ? normal + " " : normal + ".0";
        note("  a score on board \"" + id + "\"");
        QVHighScoreService::setHighScore(nextValue(normal), id, heard->onSuccess(), heard->onFailure());
        EXPECT_FALSE(clientRunning() && heard->kept) << "a score on the board \"" << id << "\" was told kept";
        break;
    }
    default: {
        // An achievement the service does not have: whatever the game hears, nothing is kept.
        note("  progress on achievement 999");
        if (auto call = QVAchievement::achievement("999"))
            call->updateProgressionComplete(50, false);
        break;
    }
    }
}

// Not a number: refused at the call. Infinity is not below 100: an unlock.
void DeviceLifeWalkEndToEnd::oddPercent()
{
    const bool notANumber = draw(2);
    const double odd = notANumber ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    std::string id = std::to_string(draw(2) ? StandInState::kFirstStepsAchievement : StandInState::kCollectorAchievement);
    note(std::string("  progress ") + (notANumber ? "NaN" : "+infinity") + " on " + id);
    const std::string who = holderNow();
    const double held = notANumber ? -1 : heldOnTheDevice(id);
    auto call = QVAchievement::achievement(id);
    const size_t at = recordProgress(id, notANumber ? odd : 100.0, who, call);
    progress[at].mustBeRefused = notANumber;
    // Not approved, the client keeps no progress: it tells the game it failed.
    progress[at].taken = clientRunning() && approved();
    const int notices = achievementNotices;
    if (!call->updateProgressionComplete(odd, false) && !progress[at].answers)
        progress[at].notTaken();
    judgeProgressNotAbove(at, held, notices);
}

// A blob or a text the service can never take is refused at the call and
// never told kept. A score's texts at the service's bounds are kept and
// arrive whole; one character past, refused at the call, naming the length.
void DeviceLifeWalkEndToEnd::pastTheLimits()
{
    auto heard = Heard::create([](bool) {});
    const size_t row = draw(4);
    if (row == 0) {
        note("  a score with a blob past the limit");
        QVHighScoreService::setHighScoreWithBlob(nextValue(normal), std::nullopt, std::nullopt,
                                                 platform::Bytes(QVHighScoreService::kMaxBlob + 1, 7), normal, true,
                                                 false, heard->onSuccess(), heard->onFailure());
        EXPECT_FALSE(heard->kept) << "a score with a blob past the limit was told kept";
        return;
    }
    if (row == 1) {
        note("  a score with a text over 1 MiB");
        QVHighScoreService::setHighScoreWithDisplayText(nextValue(normal), std::string(1024 * 1024 + 1, 'x'), normal,
                                                        heard->onSuccess(), heard->onFailure());
        EXPECT_FALSE(heard->kept) << "a score the service can never take was told kept";
        return;
    }
    const bool custom = draw(2);
    const size_t bound = custom ? kQVMaxScoreCustomData : kQVMaxScoreDisplayText;
    const bool past = row == 3;
    const std::optional<std::string> text = textOfLength(past ? bound + 1 : bound);
    const std::string board = draw(2) ? normal : fastestLap;
    note(std::string("  a score's ") + (custom ? "custom data" : "display text") + (past ? " past" : " at") + " its bound");
    if (!past)
        return sendScore(std::nullopt, board, nextValue(board), true, true, custom ? std::nullopt : text,
                         custom ? text : std::nullopt);
    const bool running = clientRunning();
    platform::LogCapture log;
    sendScore(std::nullopt, board, nextValue(board), false, false, custom ? std::nullopt : text,
              custom ? text : std::nullopt);
    scores.back().mustBeRefused = true;
    EXPECT_FALSE(scores.back().heard->kept) << "a score past the service's bounds was told kept";
    const std::string said = "is " + std::to_string(bound + 1) + " characters, more than the " + std::to_string(bound)
        + " the service keeps";
    EXPECT_TRUE(!running || log.contains(said)) << "a score past the service's bounds was refused without saying \""
                                                << said << "\"";
}

// A NUL inside a score's texts, the score taken now and then with the
// network gone: it waits on the device and goes whole after the next login.
void DeviceLifeWalkEndToEnd::nulInTheTexts()
{
    using namespace std::string_literals;
    const std::string board = draw(2) ? normal : fastestLap;
    std::optional<std::string> display = "lap\0two"s, custom = "split\0"s + std::to_string(sentValues) + "\0end"s;
    switch (draw(3)) {
    case 0: display.reset(); break;
    case 1: custom.reset(); break;
    default: break;
    }
    const bool offline = networkUp && draw(2);
    if (offline) {
        note("  the network goes for the score");
        networkUp = false;
        reach();
    }
    sendScore(std::nullopt, board, nextValue(board), true, true, display, custom);
    if (offline) {
        pass(0.6);
        networkUp = true;
        reach();
    }
}

std::string DeviceLifeWalkEndToEnd::textOfLength(size_t characters)
{
    static const char* const kinds[] = { "a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80" };
    std::string out;
    for (size_t i = 0; i < characters; ++i)
        out += kinds[draw(4)];
    return out;
}

// A call from another thread: refused there, naming the call, before it does anything.
void DeviceLifeWalkEndToEnd::callFromAnotherThread()
{
    const bool cloudCallNow = draw(2) && !cloudCall;
    note(cloudCallNow ? "  a cloud value from another thread" : "  progress from another thread");
    std::string caught;
    std::thread([&] {
        try {
            if (cloudCallNow)
                QVCloudStorage::upload(platform::Bytes(8, 1), "walk-thread");
            else
                QVAchievement::achievement(std::to_string(StandInState::kCollectorAchievement))
                    ->updateProgressionComplete(100, false);
        } catch (const std::exception& e) {
            caught = e.what();
        }
    }).join();
    // The first call the thread makes is the one refused.
    const char* call = cloudCallNow ? "QVCloudStorage::upload" : "QVAchievement::achievement";
    EXPECT_NE(caught.find(call), std::string::npos)
        << "a call from another thread was not refused naming the call: " << (caught.empty() ? "(nothing)" : caught);
}

// ---- The device's clock and store

// Set back an hour to two days for a few steps, as a player may.
void DeviceLifeWalkEndToEnd::clockMovedBack()
{
    const double back = 3600.0 * static_cast<double>(1 + draw(48));
    clockBackSteps = 2 + static_cast<int>(draw(6));
    note("  the device's clock goes " + std::to_string(static_cast<int>(back)) + " s back");
    platform::setDateOffset(-back);
}

// What waits on the device goes with a store that is cut, overwritten,
// zeroed in part, emptied or removed between launches; one removed, or moved
// away with junk put at its path, while the game runs loses nothing.
void DeviceLifeWalkEndToEnd::storeDamaged()
{
    const std::string file = QVDocumentsPathForFile(QVOfflineStore::kFileName);
    size_t kind = draw(6);
    // With no client running, a removal is one between launches.
    if (kind == 0 && !clientRunning())
        kind = 5;
    if (kind == 0 && draw(2)) {
        note("  the store removed while the game runs");
        std::filesystem::remove(file);
        return;
    }
    if (kind == 0) {
        // Another file takes its place: the store is made again with what it
        // kept, and a score on a later turn is kept as any other.
        note("  the store moved away while the game runs, junk written at its path");
        std::error_code ignored;
        std::filesystem::rename(file, file + ".away-" + std::to_string(stepNumber), ignored);
        std::string junk(512 + draw(8192), '\0');
        for (auto& c : junk)
            c = static_cast<char>(draw(256));
        std::ofstream(file, std::ios::binary).write(junk.data(), static_cast<std::streamsize>(junk.size()));
        pass(0.05);
        const std::string board = draw(2) ? normal : fastestLap;
        sendScore(std::nullopt, board, nextValue(board), true, true);
        return;
    }
    if (clientRunning()) {
        pass(0.6);
        letAnswersLand();
        quitNoting();
    }
    exemptWhatTheStoreLost();
    std::error_code ignored;
    const auto size = std::filesystem::file_size(file, ignored);
    static const char* kinds[] = { "", "cut", "overwritten", "with a page zeroed", "emptied", "removed" };
    note(std::string("  the store ") + kinds[kind] + " between launches");
    switch (kind) {
    case 1: std::filesystem::resize_file(file, size / 2, ignored); break;
    case 2: {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        std::string garbage(std::min<size_t>(size, 8192), '\0');
        for (auto& c : garbage)
            c = static_cast<char>(draw(256));
        out.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
        break;
    }
    case 3: {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(4096);
        std::string zeros(4096, '\0');
        out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
        break;
    }
    case 4: std::filesystem::resize_file(file, 0, ignored); break;
    default: std::filesystem::remove(file, ignored); break;
    }
    storeFresh = true;
    boardsOnTheirWay = false;
    launchAgain();
}

// The scores, blobs and progress the service does not have yet waited on the
// device, in the store that is now lost.
void DeviceLifeWalkEndToEnd::exemptWhatTheStoreLost()
{
    const auto rows = words(kept("SELECT group_concat(leaderboard_id || ':' || score, ' ') FROM high_scores WHERE "
                                 + onlyTheWalks()));
    const std::string onTheHost = "FROM high_scores h JOIN score_blobs b ON b.score_id = h.id"
                                  " JOIN storage_objects o ON o.key = b.key";
    const auto blobs = words(kept("SELECT group_concat(h.leaderboard_id || ':' || h.score, ' ') " + onTheHost));
    for (auto& s : scores) {
        const std::string row = s.board + ":" + std::to_string(s.value);
        if (!rows.count(row))
            s.lostWithTheStore = true;
        // The score given again with a newer blob: that blob may still have waited on the device.
        if (s.blob && !s.blobLostWithTheStore
            && (!blobs.count(row)
                || (s.blob->size() <= QVHighScoreService::kMaxBlob
                    && kept("SELECT COUNT(*) " + onTheHost + " WHERE h.leaderboard_id = " + s.board + " AND h.score = "
                            + std::to_string(s.value) + " AND hex(o.bytes) = '" + storedForm(*s.blob) + "'")
                        == "0")))
            s.blobLostWithTheStore = true;
    }
    for (auto& p : progress) {
        // One sent for a player the walk could not name is there for one of
        // the players it may be theirs (as the end judges it); one sent for
        // no player, or for anyone, for whomever has it.
        const std::set<std::string> owners = p.holder == "?" ? p.mayBe
            : p.holder.empty()                                ? std::set<std::string> {}
                                                              : std::set<std::string> { p.holder };
        std::string of;
        for (auto& who : owners)
            of += (of.empty() ? "" : ", ") + who;
        std::string best = kept("SELECT MAX(percent_complete) FROM unlocks WHERE achievement_id = " + p.id
                                + (of.empty() ? std::string() : " AND user_id IN (" + of + ")"));
        if (best.empty() || platform::parseDouble(best.c_str()) < std::min(p.percent, 100.0))
            p.lostWithTheStore = true;
    }
}

// ---- The service

// For the next requests of each kind the walk makes, the service answers an
// error: 403, 406 or 500 with an error document, or an HTML page.
void DeviceLifeWalkEndToEnd::serviceErrors() { answerErrors(1 + static_cast<int>(draw(2)), false); }
// ... or 200 with an error document.
void DeviceLifeWalkEndToEnd::serviceErrorDocuments() { answerErrors(1 + static_cast<int>(draw(2)), true); }

void DeviceLifeWalkEndToEnd::answerErrors(int count, bool documents)
{
    if (!service)
        return;
    const std::string following = "users/" + rival + "/following.xml";
    const std::pair<std::string, std::string> paths[] = {
        { "POST", "bootstrap.xml" },           { "POST", "client_applications/@me/high_scores.xml" },
        { "POST", "users/@me/unlocked_achievements.xml" }, { "POST", "cloud_stores" },
        { "GET", "cloud_stores.xml" },         { "POST", "session.xml" },
        { "POST", following },                 { "DELETE", following },
    };
    size_t kind = documents ? 4 : draw(4);
    static const char* kinds[] = { "403", "406", "500", "an HTML page", "200 with errors" };
    note(std::string("  the service answers ") + kinds[kind] + " to the next " + std::to_string(count) + " of each");
    for (auto& [method, path] : paths)
        for (int i = 0; i < count; ++i) {
            standin::Answer answer;
            if (kind == 3) {
                answer.status = 200;
                answer.contentType = "text/html; charset=utf-8";
                answer.body = "<html><head><title>Sign in to the network</title></head><body><p>Welcome</p></body></html>";
            } else {
                answer = standin::Answer::xml("<errors><error>The service cannot do that now</error></errors>",
                                              kind == 0 ? 403 : kind == 1 ? 406 : kind == 2 ? 500 : 200);
            }
            service->script(method, path, answer);
        }
    errorsScripted = true;
}

// The service retires the bonus board: what waits for it on the device is
// never kept, what waits for the other boards still goes.
void DeviceLifeWalkEndToEnd::boardRetired()
{
    if (bonusRetired)
        return;
    note("  the service retires the board " + bonus);
    bonusRetired = true;
    keepNow("DELETE FROM leaderboards WHERE id = " + bonus);
    const auto rows = words(kept("SELECT group_concat(leaderboard_id || ':' || score, ' ') FROM high_scores"));
    for (auto& s : scores)
        if (s.board == bonus && !rows.count(s.board + ":" + std::to_string(s.value)))
            s.retiredBoard = true;
}

// The player's other device keeps a better score, more progress and a newer
// cloud value meanwhile.
void DeviceLifeWalkEndToEnd::secondDevice()
{
    const std::string player = holderNow();
    if (player.empty() || player == "?")
        return;
    std::string board = draw(2) ? normal : fastestLap;
    const int64_t value = nextValue(board);
    SentScore better { board, value, std::nullopt, player, true, false, nullptr };
    better.secondDevice = true;
    better.step = stepNumber;
    better.tick = ++tick;
    scores.push_back(better);
    keepNow("INSERT INTO high_scores (user_id, leaderboard_id, score, created_at) VALUES (" + player + ", " + board + ", "
            + std::to_string(value) + ", datetime('now'))");
    const std::string id = std::to_string(StandInState::kFirstStepsAchievement + static_cast<int64_t>(draw(kAchievements)));
    double last = 0;
    for (auto& p : progress)
        if (p.holder == player && p.id == id && !p.mustBeRefused)
            last = std::max(last, p.percent);
    const double percent = std::min(100.0, last + 20.0);
    SentProgress more { id, percent, player, nullptr };
    more.answers = 1;
    more.kept = more.secondDevice = true;
    more.step = stepNumber;
    progress.push_back(more);
    keepNow("INSERT INTO unlocks VALUES (" + player + ", " + id + ", " + platform::format("%f", percent)
            + ", CASE WHEN " + platform::format("%f", percent) + " >= 100 THEN datetime('now') END) ON CONFLICT (user_id,"
              " achievement_id) DO UPDATE SET percent_complete = MAX(percent_complete, excluded.percent_complete),"
              " unlocked_at = COALESCE(unlocked_at, excluded.unlocked_at)");
    if (cloudCall)
        return note("  the other device of " + player + ": " + std::to_string(value) + " on " + board);
    std::vector<std::string> keys;
    for (auto& [key, writes] : cloud)
        if (key.first == player)
            keys.push_back(key.second);
    const std::string key = keys.empty() ? "walk-" + std::to_string(++sentValues) : keys[draw(keys.size())];
    const std::string value2 = "second device " + std::to_string(++sentValues);
    cloud[{ player, key }].push_back({ value2, CloudWrite::Kept, stepNumber });
    std::string stored;
    for (uint8_t b : QVCompressableData::serializedDataFromData(platform::Bytes(value2.begin(), value2.end()))) {
        static const char digits[] = "0123456789ABCDEF";
        stored += { digits[b >> 4], digits[b & 15] };
    }
    keepNow("INSERT OR REPLACE INTO cloud_values VALUES (" + player + ", '" + key + "', X'" + stored
            + "', datetime('now'))");
    note("  the other device of " + player + ": " + std::to_string(value) + " on " + board + ", " + platform::format("%f", percent)
         + " % on " + id + ", cloud " + key);
}

} // namespace walk_testing
