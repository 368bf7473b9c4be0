// The walk's road of challenges: the game sends one to another of the walk's
// players (refused at the call, answered an error, cut by the service going,
// or sent), now and then acting inside the answer it hears; another player
// sends one to the walk's player, whose push shows its notice while the game
// runs, or opens it when the game is opened from it. What holds: a challenge
// told sent is kept by the service as sent by the player who sent it, with
// its recipients and data; one that could not reach the service is never told
// sent; every send is answered once; the notice of a challenge names its
// sender and comes only for the player's own; opened from its push it shows
// its own text, and started hands the game the data it was sent with.
#include "DeviceLifeWalk.h"

#include "platform/ui/AlertView.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QVPresenter.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"

#include <algorithm>

using namespace quorvel;

namespace walk_testing {

namespace {

platform::Value push(const std::string& record)
{
    return platform::Value(
        platform::ValueDictionary { { "notification_type", "challenge" }, { "resource_id", record } });
}

bool named(const std::string& who) { return !who.empty() && who != "?"; }

} // namespace

DeviceLifeWalkEndToEnd::ChallengeGame::~ChallengeGame() { QVChallenge::setDelegate(nullptr); }

void DeviceLifeWalkEndToEnd::ChallengeGame::userLaunchedChallenge(platform::Object* record,
                                                                  const std::optional<platform::Bytes>& data)
{
    walk.challengeStarted(record, data);
}

void DeviceLifeWalkEndToEnd::challenges()
{
    QVChallenge::setDelegate(&challengeGame);
    delegates->setChallengeDelegate(&challengeGame);
    switch (draw(8)) {
    case 0:
    case 1:
    case 2: return sendAChallenge();
    case 3: return sendAChallengeFromTheScreen();
    case 4:
    case 5: return receiveAChallenge(false);
    default: return receiveAChallenge(true);
    }
}

// ---- Sent

void DeviceLifeWalkEndToEnd::sendAChallenge()
{
    const std::string who = holderNow();
    std::vector<std::string> others;
    for (auto& p : { ownPlayer, rival, zed })
        if (p != who)
            others.push_back(p);
    SentChallenge sent;
    sent.holder = who;
    sent.step = stepNumber;
    sent.description = "walk challenge " + std::to_string(++sentValues);
    sent.to.push_back(others[draw(others.size())]);
    if (draw(3) == 0)
        sent.to.push_back(others[draw(others.size())]);
    if (draw(2))
        sent.data = blobOfSize(1 + draw(3000));
    // The road: refused at the call (no definition), an error the service
    // answers, the service gone before its answer, or a plain send.
    const size_t road = draw(8);
    auto definition = QVChallengeDefinition::create();
    if (road != 0)
        definition->setResourceId(draw(2) ? "51" : "52");
    sent.mustFail = road == 0 || !serviceWanted || !networkUp;
    if (road == 1 && service) {
        static const int statuses[] = { 403, 406, 500, 200 };
        const int status = statuses[draw(std::size(statuses))];
        note("  the service answers " + std::to_string(status) + " with errors to the next challenge");
        service->script("POST", "challenges.xml",
                        standin::Answer::xml("<errors><error>The service cannot do that now</error></errors>", status));
        errorsScripted = true;
    }
    sent.call = QVChallenge::initWithDefinition(definition, sent.description, sent.data);
    sent.call->setUserMessage("from the walk, step " + std::to_string(stepNumber));
    note("  challenge \"" + sent.description + "\" of player " + (who.empty() ? "none" : who) + " to "
         + sent.to.front() + (sent.to.size() > 1 ? " and " + sent.to.back() : "") + (road == 0 ? ", no definition" : ""));
    // Now and then the game acts inside the answer it hears.
    if (!armed.action && clientRunning() && draw(4) == 0) {
        const std::string callback = draw(2) ? "challenge sent" : "challenge refused";
        switch (draw(3)) {
        case 0:
            armed = { callback, [this] {
                         Quorvel::shutdown();
                         clientWent = true;
                     } };
            break;
        case 1: armed = { callback, [this] { logOut(); } }; break;
        default: {
            const std::string other = otherPlayer();
            armed = { callback, [this, other] { logInAs(other, "a login inside a challenge's answer"); } };
        }
        }
        note("  armed: inside " + callback);
    }
    sentChallenges.push_back(sent);
    auto call = sent.call;
    const bool running = clientRunning();
    platform::Ref<QVRequestHandle> handle = call->sendChallenge(sent.to, nullptr);
    auto it = std::find_if(sentChallenges.begin(), sentChallenges.end(), [&](auto& s) { return s.call == call; });
    // With no client, or no request made and no answer, nothing will answer.
    if (it != sentChallenges.end() && !it->answers && (!running || !handle))
        it->forgotten = true;
    // Cut: the service goes while the answer is on its way.
    if (road == 2 && serviceWanted && networkUp && handle) {
        settleNetwork();
        note("  and the service goes before its answer");
        serviceKilled();
    }
}

// The game's send screen: a friend picked, "Send Challenge" tapped. Told
// sent, the service keeps it as the sender's; not sent, the screen says so
// and the player closes it.
void DeviceLifeWalkEndToEnd::sendAChallengeFromTheScreen()
{
    if (!clientRunning() || QuorvelInternal::presenter().isShowingFullScreen())
        return;
    const std::string who = holderNow();
    const std::string to = who == zed ? ownPlayer : zed;
    // The players are each other's friends: the screen lists them.
    for (auto& [a, b] : { std::pair { ownPlayer, zed }, { zed, ownPlayer }, { rival, zed }, { zed, rival } })
        keepNow("INSERT OR IGNORE INTO friends (user_id, friend_id) VALUES (" + a + ", " + b + ")");
    SentChallenge sent;
    sent.holder = who;
    sent.step = stepNumber;
    sent.description = "walk challenge " + std::to_string(++sentValues) + " from the screen";
    sent.to = { to };
    sent.data = blobOfSize(1 + draw(3000));
    auto definition = QVChallengeDefinition::create();
    definition->setResourceId("51");
    note("  the send screen of \"" + sent.description + "\" of player " + (who.empty() ? "none" : who) + ", to " + to);
    QVChallenge::initWithDefinition(definition, sent.description, sent.data)->displayAndSendChallenge();
    platform::ui::TableViewCell* row = nullptr;
    for (int i = 0; i < 12 && !(row = rowNamed(names[to])) && clientRunning(); ++i)
        pass(0.5);
    if (!row || !clientRunning() || frontScreenName().rfind("QVSendChallengeController", 0) != 0)
        return note("  (no one to pick)");
    driver->tap(row);
    pass(0.1);
    // It goes as whoever the client holds as it is sent: the game may have
    // logged another player in since the screen showed.
    sent.holder = holderNow();
    onTheScreen = sent;
    if (!tapNow("Send Challenge"))
        return note("  (no Send Challenge)");
    for (int i = 0; i < 12 && onTheScreen && clientRunning(); ++i)
        pass(0.5);
    if (onTheScreen)
        note("  (not told sent)");
    onTheScreen.reset();
}

void DeviceLifeWalkEndToEnd::challengesSentFromTheScreen()
{
    if (!onTheScreen)
        return;
    SentChallenge s = *std::exchange(onTheScreen, std::nullopt);
    note("  the game heard userSentChallenges");
    const std::string sender = kept("SELECT group_concat(challenger_id) FROM challenges WHERE description = '"
                                    + s.description + "'");
    EXPECT_FALSE(sender.empty()) << "the game heard \"" << s.description << "\" sent from the send screen (step "
                                 << s.step << "), and the service does not have it";
    EXPECT_TRUE(sender.empty() || !named(s.holder) || sender == s.holder)
        << "the challenge \"" << s.description << "\" of player " << s.holder << " sent from the screen is kept as player "
        << sender << "'s";
    callback("challenge sent");
}

void DeviceLifeWalkEndToEnd::challengeAnswered(QVChallenge* c, bool sentNow)
{
    auto it = std::find_if(sentChallenges.begin(), sentChallenges.end(), [&](auto& s) { return s.call.get() == c; });
    if (it == sentChallenges.end()) {
        ADD_FAILURE() << "QVChallenge's delegate heard of a challenge the game never sent";
        return;
    }
    SentChallenge& s = *it;
    ++s.answers;
    note("  challenge \"" + s.description + (sentNow ? "\" told sent" : "\" told failed"));
    EXPECT_EQ(s.answers, 1) << "the challenge \"" << s.description << "\" (step " << s.step << ") was answered twice";
    EXPECT_FALSE(s.forgotten) << "the challenge \"" << s.description << "\" (step " << s.step
                              << ") was answered after its client went";
    if (sentNow) {
        EXPECT_FALSE(s.mustFail) << "the challenge \"" << s.description << "\" (step " << s.step
                                 << ") was told sent, though it was refused at the call or had no service to reach";
        const std::string row = kept("SELECT id || ' ' || challenger_id || ' ' || hex(COALESCE(data, '')) FROM challenges"
                                     " WHERE description = '" + s.description + "'");
        if (row.empty()) {
            ADD_FAILURE() << "the challenge \"" << s.description << "\" (step " << s.step
                          << ") was told sent, and the service does not have it";
        } else {
            const std::string id = row.substr(0, row.find(' '));
            const std::string rest = row.substr(row.find(' ') + 1);
            const std::string sender = rest.substr(0, rest.find(' '));
            EXPECT_TRUE(!named(s.holder) || sender == s.holder)
                << "the challenge \"" << s.description << "\" of player " << s.holder << " (step " << s.step
                << ") is kept as player " << sender << "'s";
            EXPECT_EQ(rest.substr(rest.find(' ') + 1), hex(QVChallengeService::serializedChallengeData(s.data)))
                << "the challenge \"" << s.description << "\" is kept with other data than it was sent with";
            std::vector<std::string> to = s.to;
            std::sort(to.begin(), to.end(), [](auto& a, auto& b) { return std::stoll(a) < std::stoll(b); });
            to.erase(std::unique(to.begin(), to.end()), to.end());
            std::string expected;
            for (auto& t : to)
                expected += (expected.empty() ? "" : ",") + t;
            EXPECT_EQ(kept("SELECT group_concat(user_id) FROM (SELECT DISTINCT user_id FROM challenges_users WHERE"
                           " challenge_id = " + id + " ORDER BY user_id)"),
                      expected)
                << "the challenge \"" << s.description << "\" went to other players than it was sent to";
        }
    }
    callback(sentNow ? "challenge sent" : "challenge refused");
}

void DeviceLifeWalkEndToEnd::checkTheChallengesAnswered()
{
    for (auto& s : sentChallenges)
        EXPECT_TRUE(s.answers || s.forgotten) << "the challenge \"" << s.description << "\" (step " << s.step
                                              << ") is still unanswered";
    sentChallenges.erase(std::remove_if(sentChallenges.begin(), sentChallenges.end(),
                                        [](auto& s) { return s.answers || s.forgotten; }),
                         sentChallenges.end());
}

void DeviceLifeWalkEndToEnd::forgetTheChallengesOfAClientThatWent()
{
    for (auto& s : sentChallenges)
        s.forgotten = s.forgotten || s.answers == 0;
    challengeOpened.clear();
}

// ---- Received

// Whether the service refused a request for its token since the `from`-th of its log.
bool DeviceLifeWalkEndToEnd::tokenRefusedSince(size_t from) const
{
    if (!service)
        return false;
    const auto log = service->requests();
    return std::any_of(log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())), log.end(),
                       [](auto& r) { return r.oauthProblem == "token_rejected"; });
}

void DeviceLifeWalkEndToEnd::receiveAChallenge(bool openIt)
{
    const std::string who = holderNow();
    // Most often to the player the client holds; now and then to another.
    std::string to = named(who) && draw(4) ? who : (draw(2) ? ownPlayer : rival);
    std::string from = to == rival ? zed : to == zed ? rival : (draw(2) ? rival : zed);
    const std::string description = "walk challenge " + std::to_string(++sentValues) + " from " + names[from];
    const std::string message = "catch me, " + std::to_string(stepNumber);
    platform::Bytes data = blobOfSize(1 + draw(2000));
    ASSERT_TRUE(keepNow("INSERT INTO challenges (challenger_id, definition_id, description, hidden_text, user_message,"
                        " data, created_at) VALUES (" + from + ", 51, '" + description + "', '', '" + message + "', X'"
                        + hex(QVChallengeService::serializedChallengeData(data)) + "', '2026-01-01T00:00:00Z');"
                        " INSERT INTO challenges_users (challenge_id, user_id) VALUES (last_insert_rowid(), " + to + ")"));
    const std::string record = kept("SELECT MAX(id) FROM challenges_users");
    receivedData[record] = data;
    note("  " + description + " to player " + to + (openIt ? ", the game opened from its push" : ", its push"));
    if (!clientRunning())
        return;
    const bool ownAndOnline = named(who) && who == to && goesAtOnce() && approved() && !accountScreensUp();
    // Another's: no notice may come, once every earlier push's has had its time.
    const bool anothers = named(who) && who != to && loop().now() - lastChallengePush > 30;
    lastChallengePush = loop().now();
    if (!openIt) {
        const std::string notice = names[from] + " has challenged you!";
        // The notice of an earlier challenge goes first: what shows then is this one's.
        for (int i = 0; i < 40 && shows("has challenged you!") && clientRunning(); ++i)
            pass(0.25);
        const size_t pushedAt = service ? service->requests().size() : 0;
        EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(push(record)));
        // The notice comes once the record is fetched, after any shown before it.
        bool seen = false;
        for (int i = 0; i < (ownAndOnline ? 80 : anothers ? 40 : 0) && !seen && clientRunning(); ++i) {
            pass(0.25);
            seen = shows(notice);
            EXPECT_FALSE(anothers && shows("has challenged you!"))
                << "the push of a challenge to player " << to << " shows a notice to player " << who;
        }
        // Unless the game acting inside a callback meanwhile let the player or the service go.
        // Or the service refused the token its record was asked for with.
        const bool still = clientRunning() && holderNow() == who && goesAtOnce() && approved()
            && !tokenRefusedSince(pushedAt);
        EXPECT_TRUE(!ownAndOnline || seen || !still)
            << "the push of a challenge to player " << who << " online showed no notice \"" << notice << "\"";
        return;
    }
    // Nothing in front that the dashboard waits behind: an alert, a sheet, the account screens.
    const bool clear = !driver->currentAlert() && !driver->currentActionSheet() && approved();
    // Offline it waits for the next login, which the walk cannot place: opened only online.
    if (!Quorvel::isOnline() || !goesAtOnce())
        return note("  (offline: the push is not opened)");
    askLogin(player, false, "the dashboard opened on a challenge");
    challengeOpened = ownAndOnline && clear ? record : std::string();
    EXPECT_TRUE(Quorvel::respondToApplicationLaunchOptions(platform::Value(
        platform::ValueDictionary { { "UIApplicationLaunchOptionsRemoteNotificationKey", push(record) } })));
    const size_t logFrom = service ? service->requests().size() : 0;
    bool detail = false;
    for (int i = 0; i < 20 && !detail && clientRunning(); ++i) {
        pass(0.3);
        detail = frontScreenName().rfind("QVChallengeDetailController", 0) == 0 && shows(description) && shows(message);
    }
    // Unless the game acting inside a callback meanwhile let the player or the service go.
    if (challengeOpened.empty() || !clientRunning() || holderNow() != to || !approved())
        return;
    // A screen the client put up meanwhile (an earlier error's dead end, an
    // alert, a send screen left up) may cover it: then its detail asked for
    // its own challenge's records.
    const std::string challenge = kept("SELECT challenge_id FROM challenges_users WHERE id = " + record);
    bool asked = false;
    if (service) {
        const auto log = service->requests();
        for (size_t i = std::min(logFrom, log.size()); i < log.size(); ++i)
            asked = asked || (log[i].path == "challenges_users.xml" && log[i].param("challenge_id") == challenge);
    }
    // A token the service refused meanwhile ends in an error and a login again, not in the detail.
    const bool covered = accountScreensUp() || driver->currentAlert() || tokenRefusedSince(logFrom)
        || QuorvelInternal::presenter().isShowingFullScreen();
    EXPECT_TRUE(detail || (covered && (asked || tokenRefusedSince(logFrom))))
        << "the challenge " << record << " of player " << to << " opened from its push does not show its text and"
        << " message" << (covered ? ", nor were its records asked for" : "") << ": " << screenText();
    note("  its detail shows it");
    if (!detail || draw(2))
        return;
    note("  the challenge started");
    if (!tapNow("Start Challenge"))
        challengeOpened.clear();
}

void DeviceLifeWalkEndToEnd::challengeStarted(platform::Object* object, const std::optional<platform::Bytes>& data)
{
    auto* record = dynamic_cast<QVChallengeToUser*>(object);
    ASSERT_TRUE(record) << "the game was handed no challenge to start";
    note("  heard userLaunchedChallenge:" + record->resourceId());
    auto sentWith = receivedData.find(record->resourceId());
    if (sentWith != receivedData.end()) {
        EXPECT_EQ(data.value_or(platform::Bytes()), sentWith->second)
            << "the challenge " << record->resourceId() << " started with other data than it was sent with";
    }
    if (record->resourceId() == std::exchange(challengeOpened, std::string()) && named(holderNow())) {
        EXPECT_EQ(kept("SELECT user_id FROM challenges_users WHERE id = " + record->resourceId()), holderNow())
            << "the game was handed another player's challenge";
    }
    callback("challenge started");
}

} // namespace walk_testing
