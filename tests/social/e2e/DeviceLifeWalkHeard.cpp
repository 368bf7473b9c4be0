// What the walk's game is told, judged as it is told: the service's lines
// read as they come (a form's credentials taken, a bootstrap that brings the
// boards, the friends requests and their answers), a friends call answered
// once with what the service answered it, a batch told kept kept by the
// service at that moment, progress not above what the device holds refused
// at once without a notice, the player's answer to the approval question
// across a relaunch, and the order in which the presence channel carried the
// client's requests.
#include "DeviceLifeWalk.h"

#include "StandInRequestSupport.h"

#include "platform/foundation/Format.h"
#include "social/core/QVNotification.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVOfflineStore.h"

#include <algorithm>
#include <sstream>

using namespace quorvel;

namespace walk_testing {

namespace {

const char* friendsKind(bool follow) { return follow ? "follow" : "stop-following"; }

} // namespace

// ---- The service's lines

// A form's credentials the service took: the login it starts must be heard
// (an error page the walk scripted for the form's request, an HTML page or an
// error list with 200, took nothing: the form says it failed). A bootstrap
// answered 200 with no scripted error brings the game's boards. A friends
// request counts against the calls the game made of its kind.
void DeviceLifeWalkEndToEnd::readTheServiceLines()
{
    for (auto& line : takeServiceLines()) {
        std::istringstream in(line);
        std::string method, path;
        int status = 0;
        in >> method >> path >> status;
        const bool scripted = line.find(" (scripted)") != std::string::npos;
        const bool ok = status >= 200 && status < 300 && !scripted;
        if (formLogin && method == "POST" && path == "session.xml" && status == 200 && !scripted) {
            // One an earlier form started for the same player, not yet told,
            // it supersedes: the game hears that player once.
            if (std::none_of(asked.begin(), asked.end(),
                             [&](auto& a) { return !a.beforeLogout && a.why == formLogin->why; }))
                askLogin(formLogin->player, true, formLogin->why);
            formLogin.reset();
        }
        if (method == "POST" && path == "bootstrap.xml" && ok)
            boardsOnTheirWay = true;
        const std::string following = "/following.xml";
        if ((method == "POST" || method == "DELETE") && path.rfind("users/", 0) == 0 && path.size() > following.size()
            && path.compare(path.size() - following.size(), following.size(), following) == 0) {
            auto& calls = friendsCalls[method == "POST"];
            ++calls.reached;
            EXPECT_LE(calls.reached, calls.sent)
                << "the service got " << calls.reached << " " << friendsKind(method == "POST")
                << " requests and the game made " << calls.sent << " such calls: a call went twice (" << line << ")";
            calls.answeredOk += ok ? 1 : 0;
        }
    }
}

// ---- Friends

void DeviceLifeWalkEndToEnd::friendsAnswered(bool follow, bool ok)
{
    ++friendsAnswers;
    EXPECT_LE(friendsAnswers, friendsAsked) << "the game heard more friends answers than it made calls";
    readTheServiceLines();
    auto& calls = friendsCalls[follow];
    if (ok) {
        EXPECT_LE(++calls.heardOk, calls.answeredOk)
            << "the game heard a " << friendsKind(follow) << " call succeed that the service did not answer so (of its "
            << calls.reached << " such requests it answered " << calls.answeredOk << " with success)";
    }
    note(std::string("  heard a ") + friendsKind(follow) + (ok ? " succeed" : " fail"));
    callback("friends answered");
}

// The game follows the rival and at once stops following, or the other way
// round: two requests of one turn, whose answers may come in either order.
void DeviceLifeWalkEndToEnd::followAndUnfollowAtOnce()
{
    const bool followFirst = draw(2);
    friendRequestOf(followFirst);
    friendRequestOf(!followFirst);
}

// ---- Batches told kept

platform::Ref<Heard> DeviceLifeWalkEndToEnd::batchHeard()
{
    auto self = std::make_shared<const Heard*>(nullptr);
    auto heard = Heard::create([this, self](bool ok) {
        note(ok ? "  a batch told kept" : "  a batch told refused");
        if (ok)
            judgeABatchToldKept(*self);
        callback(ok ? "batch kept" : "batch refused");
    });
    *self = heard.get();
    return heard;
}

void DeviceLifeWalkEndToEnd::judgeABatchToldKept(const Heard* heard)
{
    for (auto& s : scores) {
        // Lower ones of a board in the batch need not go; the rival's own lap is better than any the walk sends.
        const bool rivalsLap = s.board == fastestLap && (s.holder == rival || s.holder == "?");
        if (s.heard.get() != heard || !s.best || s.holder.empty() || rivalsLap)
            continue;
        const std::string walks = " WHERE leaderboard_id = " + s.board + " AND score = " + std::to_string(s.value) + " AND "
            + onlyTheWalks();
        std::string owners;
        std::istringstream list(kept("SELECT group_concat(DISTINCT user_id) FROM high_scores" + walks));
        bool itsOwn = false;
        for (std::string one; std::getline(list, one, ',');) {
            owners += (owners.empty() ? "" : ", ") + one;
            itsOwn = itsOwn || mayBeKeptAs(s, one);
        }
        EXPECT_TRUE(itsOwn) << "a batch was told kept, and its score " << s.value << " on " << s.board << " of player "
                            << s.holder << " (step " << s.step << ") is "
                            << (owners.empty() ? "not on the service" : "kept as " + owners + "'s only")
                            << (s.mustBeRefused ? " (the service refused it)" : "");
        if (!itsOwn)
            continue;
        if (s.displayText || s.customData) {
            EXPECT_NE(kept("SELECT COUNT(*) FROM high_scores" + walks + sameTexts(s.displayText, s.customData)), "0")
                << "a batch was told kept, and the texts of its score " << s.value << " on " << s.board
                << " are not kept whole";
        }
        if (s.blob) {
            EXPECT_NE(kept("SELECT COUNT(*) FROM high_scores h JOIN score_blobs b ON b.score_id = h.id WHERE h.leaderboard_id = "
                           + s.board + " AND h.score = " + std::to_string(s.value)),
                      "0")
                << "a batch was told kept, and its score " << s.value << " on " << s.board
                << ", sent with a blob, announces none";
        }
    }
}

// A batch too large for one request, each score with a text that fills a
// piece: it goes a piece at a time, and the game hears once, after the last.
void DeviceLifeWalkEndToEnd::batchInPieces()
{
    std::vector<std::pair<std::string, std::optional<std::string>>> entries;
    for (size_t i = 0, n = 2 + draw(3); i < n; ++i)
        entries.emplace_back(pickBoard(), pieceFillingText());
    std::vector<size_t> sent;
    sendBatchOfThe(entries, &sent);
}

// ---- Progress not above what the device holds

double DeviceLifeWalkEndToEnd::heldOnTheDevice(const std::string& id) const
{
    const std::string who = clientRunning() && !storeFailing ? Quorvel::lastLoggedInUserId() : std::string();
    if (who.empty() || who.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const std::string held = standin_testing::queryStore(QVDocumentsPathForFile(QVOfflineStore::kFileName),
                                                         "SELECT MAX(percent_complete) FROM unlocked_achievements WHERE "
                                                         "achievement_definition_id = " + id + " AND user_id = " + who);
    return held.empty() ? -1 : platform::parseDouble(held.c_str());
}

void DeviceLifeWalkEndToEnd::judgeProgressNotAbove(size_t at, double held, int noticesBefore)
{
    const SentProgress& p = progress[at];
    // A percentage that is no number is judged where it is sent.
    if (!(held >= std::min(p.percent, 100.0)) || !clientRunning() || !Quorvel::hasUserApprovedQuorvel())
        return;
    note("  progress " + platform::format("%g", p.percent) + " on " + p.id + ", not above the "
         + platform::format("%g", held) + " the device holds");
    EXPECT_TRUE(p.answers == 1 && !p.kept) << "the progress " << p.percent << " on " << p.id << " of player " << p.holder
                                           << ", not above the " << held << " the device holds, was "
                                           << (p.answers ? "told kept" : "not told failed at once");
    EXPECT_EQ(achievementNotices, noticesBefore) << "the progress " << p.percent << " on " << p.id << " of player "
                                                 << p.holder << ", not above the " << held
                                                 << " the device holds, showed its notice";
}

void DeviceLifeWalkEndToEnd::noticeHeard(QVNotificationData* data)
{
    // Each progress call that asks for a notice shows one at most.
    if (dynamic_cast<QVUnlockedAchievementNotificationData*>(data)) {
        EXPECT_LE(++achievementNotices, achievementNoticesAsked)
            << "the game was shown more achievement notices than its progress calls asked for";
    }
    callback("notificationWillShow");
}

// ---- The approval question across a relaunch

void DeviceLifeWalkEndToEnd::noteTheApprovalAtQuit()
{
    if (clientRunning())
        approvalAtQuit = Quorvel::hasUserApprovedQuorvel();
}

void DeviceLifeWalkEndToEnd::quitNoting()
{
    noteTheApprovalAtQuit();
    quitting = true;
    quit();
    quitting = false;
}

void DeviceLifeWalkEndToEnd::checkTheApprovalAtLaunch()
{
    const auto before = std::exchange(approvalAtQuit, std::nullopt);
    if (!before || !clientRunning())
        return;
    EXPECT_EQ(Quorvel::hasUserApprovedQuorvel(), *before)
        << "the player had " << (*before ? "approved" : "declined") << " the service when the game ended, and launched"
        << " again the client says otherwise: the answer was not kept";
}

// ---- The presence channel's order

void DeviceLifeWalkEndToEnd::checkTheChannelsOrder(const std::vector<standin::LoggedRequest>& log)
{
    struct Read {
        long long frame, correlation;
        const standin::LoggedRequest* request;
    };
    std::map<std::string, std::vector<Read>> byConnection;
    for (auto& r : log) {
        const auto place = r.header(standin::kChannelPlaceHeader);
        if (!place)
            continue;
        std::istringstream in(*place);
        std::string connection;
        long long frame = 0, correlation = -1;
        if (in >> connection >> frame >> correlation)
            byConnection[connection].push_back({ frame, correlation, &r });
    }
    for (auto& [connection, reads] : byConnection) {
        std::sort(reads.begin(), reads.end(), [](const Read& a, const Read& b) { return a.frame < b.frame; });
        ChannelPlace& last = channelPlaces[{ serviceStarts, connection }];
        for (auto& read : reads) {
            if (read.frame <= last.frame)
                continue;
            const std::string what = read.request->method + " " + read.request->path + " (numbered "
                + std::to_string(read.correlation) + ", signed with " + read.request->oauthToken.substr(0, 16) + ")";
            EXPECT_GT(read.correlation, last.correlation)
                << "inside the presence channel the service read the client's request " << what << " after its "
                << last.what << ", which the client sent after it: the requests reach the service in another order "
                   "than the client sent them";
            last = { read.frame, read.correlation, what };
        }
    }
}

} // namespace walk_testing
