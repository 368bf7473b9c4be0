// The stand-in keeps its word: a success is answered only for what it kept
// (on a full disk too, whichever write the disk refuses), an account opens
// only on a device that holds it, a signed request is taken once, within its
// time, and a flood signed with the game's key alone costs only its sender.
#include "StandInRequestSupport.h"
#include "support/NetTestSupport.h"
#include "support/SqlitePassThrough.h"

#include "social/runtime/OAuthSignature.h"
#include "social/runtime/OAuthURLRequest.h"
#include "tools/standin/PrivateLoopback.h"
#include "tools/standin/StandInNonces.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <ctime>
#include <netinet/in.h>
#include <set>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using standin_testing::KeptStandInTest;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

// No file this process writes may grow past `bytes` for a scope, as on a
// full disk; a write past it fails (EFBIG) instead of raising the signal
// that would end the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        if (getrlimit(RLIMIT_FSIZE, &saved_) != 0 || (saved_.rlim_max != RLIM_INFINITY && saved_.rlim_max < bytes))
            return;
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        applied_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        if (!applied_)
            std::signal(SIGXFSZ, previous_);
    }
    ~FileSizeLimit()
    {
        if (!applied_)
            return;
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool applied() const { return applied_; }

private:
    rlimit saved_ {};
    void (*previous_)(int) { SIG_DFL };
    bool applied_ { false };
};

// The file system SQLite writes through, refusing one write (or every write
// from one on) when armed, as a disk that fills up midway: each write of a
// request can be refused in turn, as SQLite's own tests of failures do. It is
// the default file system while it lives, for the connections opened then.
class RefusingDisk final : public testing_support::SqlitePassThrough {
public:
    RefusingDisk() : SqlitePassThrough("brisko-refusing-disk") { }

    // The `n`th write from now (1: the next) is refused, and with `fromThenOn` every one after it too.
    void arm(int n, bool fromThenOn)
    {
        refused_ = 0;
        fromThenOn_ = fromThenOn;
        countdown_ = n;
    }
    void disarm() { countdown_ = 0; }
    // How many writes were refused since armed.
    int refused() const { return refused_; }

private:
    // Whether this write is refused.
    bool refuses()
    {
        int left = countdown_.load();
        if (left <= 0)
            return false;
        if (left == 1) {
            ++refused_;
            if (!fromThenOn_)
                countdown_ = 0;
            return true;
        }
        --countdown_;
        return false;
    }
    int before(Io io, const char*) override
    {
        switch (io) {
        case Io::Read: return SQLITE_OK;
        case Io::Write:
        case Io::Truncate: return refuses() ? SQLITE_FULL : SQLITE_OK;
        // A sync is refused or taken without waiting for the disk: the test needs no power cut survived.
        case Io::Sync: return refuses() ? SQLITE_IOERR_FSYNC : kSkip;
        }
        return SQLITE_OK;
    }

    std::atomic<int> countdown_ { 0 };
    std::atomic<int> refused_ { 0 };
    std::atomic<bool> fromThenOn_ { false };
};

// Every row of the store's tables, but the requests taken (kept on a
// connection of their own before a request is acted on), as one text.
std::string everyRow(const std::string& path)
{
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        std::vector<std::string> tables;
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT IN"
                               " ('taken_requests', 'replay_horizon', 'replay_horizons') ORDER BY name",
                           -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
        sqlite3_finalize(q);
        for (auto& table : tables) {
            out += "[" + table + "]";
            sqlite3_prepare_v2(db, ("SELECT * FROM \"" + table + "\" ORDER BY rowid").c_str(), -1, &q, nullptr);
            while (sqlite3_step(q) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(q); ++c) {
                    const unsigned char* text = sqlite3_column_text(q, c);
                    out += text ? std::string(reinterpret_cast<const char*>(text)) + "|" : std::string("NULL|");
                }
            sqlite3_finalize(q);
        }
    }
    sqlite3_close(db);
    return out;
}

class StandInKeptWord : public KeptStandInTest {
protected:
    // The service stops and starts again on its folder: only what it kept is there.
    void restart()
    {
        server.stop();
        state = std::make_unique<standin::StandInState>(home.path());
        ASSERT_TRUE(state->isOpen()) << state->error();
    }
    long fileSize() const
    {
        struct stat info {};
        return stat(state->databasePath().c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
    }
};

} // namespace

TEST_F(StandInKeptWord, ASuccessIsAnsweredOnlyForWhatWasKeptOnAFullDisk)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    standin::Params batch;
    for (int i = 0; i < 40; ++i) {
        batch.emplace_back("high_scores[][leaderboard_id]", "5");
        batch.emplace_back("high_scores[][score]", std::to_string(1000 + i));
        batch.emplace_back("high_scores[][display_text]", std::string(600, 'd'));
    }
    const standin::Params cloud { { "key", "save-1" }, { "blob", std::string(200 * 1024, 'c') } };
    // A challenge with its data: each text within its bound, the data large.
    const standin::Params challenge { { "challenge_definition_id", "51" }, { "challenge_description", "Full" },
                                      { "challenge_user_data", std::string(100 * 1024, 'b') },
                                      { "challenge_user_ids[]", std::to_string(bob) } };
    standin_testing::Reply scores, stored, posted;
    {
        // The store's file cannot grow any more: nothing new fits.
        FileSizeLimit full(static_cast<rlim_t>(fileSize()));
        if (!full.applied())
            GTEST_SKIP() << "this machine does not let a test limit the size of the files it writes";
        scores = send(ann, "POST", "client_applications/@me/high_scores.xml", batch);
        stored = send(ann, "POST", "cloud_stores", cloud);
        posted = send(ann, "POST", "challenges.xml", challenge);
    }
    for (auto* reply : { &scores, &stored, &posted }) {
        EXPECT_EQ(reply->status, 500) << reply->body.substr(0, 200);
        EXPECT_TRUE(has(reply->body, "The service could not keep what the request asked to: ")) << reply->body;
    }
    EXPECT_TRUE(has(log.at(log.size() - 3), "POST client_applications/@me/high_scores.xml 500 signature verified: "
                                            "The service could not keep what the request asked to: "))
        << log.at(log.size() - 3);

    restart();
    const std::string who = std::to_string(ann);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM high_scores WHERE user_id = " + who), "0");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM cloud_values WHERE user_id = " + who), "0");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM challenges WHERE challenger_id = " + who), "0");

    // With room again, the same requests are kept and say so.
    {
        standin::StandInServer again;
        state->install(again);
        again.setRejectsBadSignatures(true);
        ASSERT_GT(again.start(), 0);
        auto ask = [&](const std::string& path, const standin::Params& form) {
            return standin_testing::ask(again.port(), "POST", path, form, "token-" + who, "secret-" + who).status;
        };
        EXPECT_EQ(ask("client_applications/@me/high_scores.xml", batch), 200);
        EXPECT_EQ(ask("cloud_stores", cloud), 200);
        EXPECT_EQ(ask("challenges.xml", challenge), 200);
    }
    restart();
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM high_scores WHERE user_id = " + who), "40");
    EXPECT_EQ(queryText("SELECT length(value) FROM cloud_values WHERE user_id = " + who), "204800");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM challenges WHERE challenger_id = " + who), "1");
}

// Each write a request makes, refused in turn (that one alone, as a disk
// that had room again, or every one from it on, as a full one): the request
// is answered success with everything it asked kept, or refused with nothing
// of it kept. A statement after a refused one never runs on in its own
// transaction, and an id read after an insert that failed is never used.
TEST_F(StandInKeptWord, EachWriteTheDiskRefusesInTurnLeavesAllOrNothingOfItsRequest)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    const std::string a = std::to_string(ann), b = std::to_string(bob);
    RefusingDisk disk;
    ASSERT_TRUE(disk.registered());
    // The service opened again, its connections writing through the refusing disk.
    server.stop();
    state = std::make_unique<standin::StandInState>(home.path());
    ASSERT_TRUE(state->isOpen()) << state->error();
    standin::StandInServer again;
    standin::StorageHostStandIn host;
    struct Closing {
        standin::StandInServer& server;
        standin::StorageHostStandIn& host;
        std::unique_ptr<standin::StandInState>& state;
        ~Closing()
        {
            server.stop();
            host.stop();
            state.reset(); // before the disk its connections write through goes
        }
    } closing { again, host, state };
    state->install(again);
    state->keepObjectsOf(host);
    again.setRejectsBadSignatures(true);
    ASSERT_GT(again.start(), 0);
    ASSERT_GT(host.start(), 0);

    struct Row {
        const char* what;
        std::string method, path;
        standin::Params form;
        bool asAnn; // else signed by the game alone
        std::string kept; // a query answering 1 once the request is kept
    };
    const std::vector<Row> rows {
        { "a new device's first login", "POST", "bootstrap.xml", { { "udid", "phone-new" } }, false,
          "SELECT COUNT(*) FROM tokens t JOIN users u ON u.id = t.user_id JOIN devices d ON d.user_id = u.id"
          " WHERE d.udid = 'phone-new'" },
        { "a thread with its first post", "POST", "topics/201/discussions.xml",
          { { "discussion[subject]", "Full" }, { "discussion[body]", "Opening words" } }, true,
          "SELECT COUNT(*) FROM posts p JOIN discussions d ON d.id = p.discussion_id WHERE d.subject = 'Full'"
          " AND p.body = 'Opening words'" },
        { "a score with a blob", "POST", "client_applications/@me/high_scores.xml",
          { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "777" }, { "high_scores[][has_blob]", "1" },
            { "lat", "51.5" }, { "lng", "-0.1" } },
          true,
          "SELECT COUNT(*) FROM high_scores h JOIN score_blobs b ON b.score_id = h.id JOIN score_places p ON"
          " p.score_id = h.id WHERE h.score = 777" },
        { "a challenge", "POST", "challenges.xml",
          { { "challenge_definition_id", "51" }, { "challenge_description", "Beat it" }, { "challenge_user_ids[]", b } },
          true,
          "SELECT COUNT(*) FROM challenges c JOIN challenges_users u ON u.challenge_id = c.id WHERE c.description = 'Beat it'" },
    };
    for (const Row& row : rows)
        for (bool fromThenOn : { false, true }) {
            SCOPED_TRACE(std::string(row.what) + (fromThenOn ? ", every write from one on" : ", one write"));
            const std::string before = everyRow(state->databasePath());
            int status = 0;
            int n = 1;
            for (; n < 400; ++n) {
                disk.arm(n, fromThenOn);
                status = standin_testing::ask(again.port(), row.method, row.path, row.form,
                                              row.asAnn ? "token-" + a : "", row.asAnn ? "secret-" + a : "")
                             .status;
                disk.disarm();
                if (disk.refused() == 0)
                    break; // every write it made went through
                if (status == 200) {
                    // The disk took it after all (a refused write SQLite made again): all of it is kept.
                    EXPECT_EQ(queryText(row.kept), "1") << "write " << n;
                    break;
                }
                EXPECT_EQ(status, 500) << "write " << n;
                ASSERT_EQ(everyRow(state->databasePath()), before) << "write " << n << " refused, answered " << status;
            }
            EXPECT_EQ(status, 200) << "after " << n << " writes";
            EXPECT_EQ(queryText(row.kept), "1");
            EXPECT_GT(n, 3) << "the request made writes to refuse";
            // What was kept is taken back for the next round.
            if (row.path == "bootstrap.xml")
                ASSERT_TRUE(execSql("DELETE FROM tokens WHERE user_id = (SELECT user_id FROM devices WHERE udid ="
                                    " 'phone-new'); DELETE FROM device_accounts WHERE udid = 'phone-new';"
                                    " DELETE FROM users WHERE id = (SELECT user_id FROM devices WHERE udid ="
                                    " 'phone-new'); DELETE FROM devices WHERE udid = 'phone-new'"));
            else if (row.path == "topics/201/discussions.xml")
                ASSERT_TRUE(execSql("DELETE FROM posts WHERE discussion_id IN (SELECT id FROM discussions WHERE"
                                    " subject = 'Full'); DELETE FROM discussions WHERE subject = 'Full'"));
            else if (row.path == "client_applications/@me/high_scores.xml")
                ASSERT_TRUE(execSql("DELETE FROM score_blobs; DELETE FROM score_places; DELETE FROM high_scores"
                                    " WHERE score = 777"));
            else
                ASSERT_TRUE(execSql("DELETE FROM challenges_users; DELETE FROM challenges"));
        }
}

TEST_F(StandInKeptWord, AnAccountOpensOnlyOnADeviceThatHoldsIt)
{
    // Signed with the product key alone, as every device's first bootstrap is.
    auto bootstrap = [&](const std::string& udid, const std::string& userId) {
        standin::Params form { { "udid", udid } };
        if (!userId.empty())
            form.emplace_back("user_id", userId);
        return standin_testing::ask(server.port(), "POST", "bootstrap.xml", form, "", "");
    };
    auto player = [](const standin_testing::Reply& reply) {
        size_t at = reply.body.find("<user><id>");
        return at == std::string::npos ? std::string() : reply.body.substr(at + 10, reply.body.find('<', at + 10) - at - 10);
    };
    const std::string ann = player(bootstrap("phone-a", ""));
    ASSERT_FALSE(ann.empty());
    const std::string tokens = "SELECT COUNT(*) FROM tokens WHERE user_id = " + ann;
    ASSERT_EQ(queryText(tokens), "1");

    // Another device cannot take Ann's account, nor the rival's, by naming it.
    for (const std::string& taken : { ann, std::string("18") }) {
        auto refused = bootstrap("phone-b", taken);
        EXPECT_EQ(refused.status, 403) << taken;
        EXPECT_TRUE(has(refused.body, "The account " + taken + " is not held by this device")) << refused.body;
        EXPECT_FALSE(has(refused.body, "access_token")) << refused.body;
    }
    EXPECT_EQ(queryText(tokens), "1");
    EXPECT_TRUE(has(log.back(), "POST bootstrap.xml 403 signature verified: The account 18 is not held by this device"))
        << log.back();

    // Her own device opens it; so does one she opened it on before.
    EXPECT_EQ(player(bootstrap("phone-a", ann)), ann);
    ASSERT_TRUE(execSql("INSERT INTO device_accounts VALUES ('phone-b', " + ann + ")"));
    EXPECT_EQ(player(bootstrap("phone-b", ann)), ann);
    EXPECT_EQ(queryText(tokens), "3");
    // An id nobody has is no one's account: the device gets its own, as without one.
    const std::string own = player(bootstrap("phone-c", "99999"));
    EXPECT_FALSE(own.empty());
    EXPECT_NE(own, ann);
}

TEST_F(StandInKeptWord, ASignedRequestIsTakenOnceAndOnlyInItsTime)
{
    int64_t ann = addPlayer("Ann");
    const std::string token = "token-" + std::to_string(ann), secret = "secret-" + std::to_string(ann);
    const standin::Params score { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "321" } };
    const std::string path = "client_applications/@me/high_scores.xml";
    const std::string kept = "SELECT COUNT(*) FROM high_scores WHERE user_id = " + std::to_string(ann);

    // The same request twice, byte for byte: the second is a replay and keeps nothing.
    const std::string once = standin_testing::signedRequest(server.port(), "POST", path, score, token, secret);
    EXPECT_EQ(standin_testing::sendRaw(server.port(), once).status, 200);
    EXPECT_EQ(standin_testing::sendRaw(server.port(), once).status, 401);
    EXPECT_EQ(queryText(kept), "1");
    EXPECT_TRUE(has(log.back(), "401 signature NOT verified (nonce already used: a replayed request)")) << log.back();

    // A timestamp of 1970, ten years or an hour ahead, or none, or no nonce, or
    // a wrong signature: refused, nothing kept, and the answer says which check
    // refused it in OAuth's words (a clock that is off is told from the rest).
    const std::string now = std::to_string(std::time(nullptr));
    const std::string ahead = std::to_string(std::time(nullptr) + 10L * 365 * 24 * 3600);
    const std::string hourAhead = std::to_string(std::time(nullptr) + 3600);
    struct Stamp {
        std::optional<std::string> nonce, timestamp;
        std::string why, problem;
        std::string secret;
    };
    const std::vector<Stamp> stale {
        { "n-1970", "1", "outside its window of 300 s", "timestamp_refused", secret },
        { "n-ahead", ahead, "outside its window of 300 s", "timestamp_refused", secret },
        { "n-hour", hourAhead, "s from the service's clock, outside its window of 300 s", "timestamp_refused", secret },
        { "n-none", std::nullopt, "no oauth_timestamp in seconds", "parameter_absent", secret },
        { std::nullopt, now, "no oauth_nonce", "parameter_absent", secret },
        { std::string(129, 'n'), now, "oauth_nonce is 129 bytes long, over the limit of 128", "parameter_rejected", secret },
        { "n-forged", now, "signature mismatch", "signature_invalid", "not-" + secret },
    };
    for (auto& stamp : stale) {
        auto request = standin_testing::signedRequestStamped(server.port(), "POST", path, score, token, stamp.secret,
                                                             stamp.nonce, stamp.timestamp);
        auto reply = standin_testing::sendRaw(server.port(), request);
        EXPECT_EQ(reply.status, 401) << stamp.why;
        EXPECT_TRUE(has(log.back(), stamp.why)) << log.back();
        EXPECT_TRUE(has(reply.head, "\r\nWWW-Authenticate: OAuth realm=\"\", oauth_problem=\"" + stamp.problem + "\"\r\n"))
            << stamp.why << "\n" << reply.head;
        EXPECT_EQ(has(reply.body, "the sender's clock is off"), stamp.problem == "timestamp_refused") << reply.body;
    }
    // The replay above was told as a used nonce.
    auto replay = standin_testing::sendRaw(server.port(), once);
    EXPECT_TRUE(has(replay.head, "oauth_problem=\"nonce_used\"")) << replay.head;
    EXPECT_EQ(queryText(kept), "1");

    // A program whose requests carry another clock's time may turn the window
    // off; a replay is refused all the same.
    server.setTimestampWindow(std::chrono::seconds(0));
    const std::string old = standin_testing::signedRequestStamped(server.port(), "POST", path, score, token, secret,
                                                                  "n-old", "1");
    EXPECT_EQ(standin_testing::sendRaw(server.port(), old).status, 200);
    EXPECT_EQ(standin_testing::sendRaw(server.port(), old).status, 401);
    EXPECT_EQ(queryText(kept), "2");
}

TEST_F(StandInKeptWord, ARequestTakenBeforeARestartIsRefusedAfterIt)
{
    int64_t ann = addPlayer("Ann");
    ASSERT_TRUE(state->secureAccount(ann, "ann@example.com", "tulip-42"));
    const std::string token = "token-" + std::to_string(ann), secret = "secret-" + std::to_string(ann);
    const std::string kept = "SELECT COUNT(*) FROM high_scores WHERE user_id = " + std::to_string(ann);
    // A score, and a login signed by the game that binds a device: taken once each.
    const std::string score = standin_testing::signedRequest(
        server.port(), "POST", "client_applications/@me/high_scores.xml",
        { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "321" } }, token, secret);
    const std::string login = standin_testing::signedRequest(
        server.port(), "POST", "session.xml",
        { { "credential[email]", "ann@example.com" }, { "credential[password]", "tulip-42" }, { "udid", "phone-t" },
          { "credential_type", "http_basic" } },
        "", "");
    EXPECT_EQ(standin_testing::sendRaw(server.port(), score).status, 200);
    EXPECT_EQ(standin_testing::sendRaw(server.port(), login).status, 200);
    ASSERT_TRUE(execSql("DELETE FROM devices WHERE udid = 'phone-t'"));

    // The service stops and starts again on its folder: the same bytes are replays still.
    restart();
    standin::StandInServer again;
    std::vector<std::string> lines;
    state->install(again);
    again.setRejectsBadSignatures(true);
    again.setLogSink([&](const std::string& line) { lines.push_back(line); });
    ASSERT_GT(again.start(), 0);
    for (auto* request : { &score, &login }) {
        EXPECT_EQ(standin_testing::sendRaw(again.port(), *request).status, 401);
        EXPECT_TRUE(has(lines.back(), "401 signature NOT verified (nonce already used: a replayed request)"))
            << lines.back();
    }
    EXPECT_EQ(queryText(kept), "1");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM devices WHERE udid = 'phone-t'"), "0") << "the device is not bound again";
    // What the player sends afresh is taken.
    EXPECT_EQ(standin_testing::ask(again.port(), "POST", "client_applications/@me/high_scores.xml",
                                   { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "322" } },
                                   token, secret)
                  .status,
              200);
    EXPECT_EQ(queryText(kept), "2");
    again.stop();
}

TEST_F(StandInKeptWord, NoRunOfTokensTellsTheNext)
{
    // Each token and its secret carries 16 bytes of the system's random
    // generator: what a client saw of earlier bootstraps gives it nothing.
    std::set<std::string> seen;
    for (int i = 0; i < 8; ++i) {
        auto reply = standin_testing::ask(server.port(), "POST", "bootstrap.xml", { { "udid", "phone-" + std::to_string(i) } },
                                          "", "");
        ASSERT_EQ(reply.status, 200) << reply.body;
        auto field = [&](const std::string& name) {
            size_t at = reply.body.find("<" + name + ">") + name.size() + 2;
            return reply.body.substr(at, reply.body.find('<', at) - at);
        };
        const std::string token = field("access_token"), secret = field("access_token_secret");
        const std::string random = token.substr(token.rfind('-') + 1);
        for (const std::string* hex : { &random, &secret }) {
            EXPECT_EQ(hex->size(), 32u) << *hex;
            EXPECT_EQ(hex->find_first_not_of("0123456789abcdef"), std::string::npos) << *hex;
            EXPECT_TRUE(seen.insert(*hex).second) << *hex;
        }
    }
}

TEST(StandInNonceMemory, ARequestIsNeverForgottenWhileItsTimestampCouldStillBeTaken)
{
    using standin::NonceMemory;
    const long long now = 1'000'000;
    auto stamp = [](const std::string& nonce, long long timestamp) {
        return NonceMemory::Stamp { "c", "t", nonce, timestamp };
    };
    // Room for three of these requests: the memory counts bytes, not requests.
    const size_t three = 3 * NonceMemory::cost(NonceMemory::key(stamp("a", now)));
    // Full, with the window on: the oldest-stamped is forgotten, and with it
    // every request stamped no later, whose replay could no longer be told.
    NonceMemory memory(three);
    EXPECT_EQ(memory.take(stamp("a", now - 20), now, 300), "");
    EXPECT_EQ(memory.take(stamp("b", now - 10), now, 300), "");
    EXPECT_EQ(memory.take(stamp("c", now), now, 300), "");
    EXPECT_EQ(memory.take(stamp("b", now - 10), now, 300), "nonce already used: a replayed request");
    EXPECT_EQ(memory.take(stamp("d", now), now, 300), "");
    EXPECT_EQ(memory.size(), 3u);
    EXPECT_LE(memory.bytes(), three);
    const std::string forgotten = "timestamp " + std::to_string(now - 20) + " is no later than a request of its caller"
                                  " the service has forgotten (it remembers requests within " + std::to_string(three)
        + " bytes, a caller's within " + std::to_string(three) + " bytes): a replay could not be told";
    EXPECT_EQ(memory.take(stamp("a", now - 20), now, 300), forgotten);
    EXPECT_EQ(memory.take(stamp("e", now - 25), now, 300).rfind("timestamp " + std::to_string(now - 25) + " is no later", 0), 0u);
    // Those stamped later still come in, each once; the next forgotten raises the bar.
    EXPECT_EQ(memory.take(stamp("e", now - 5), now, 300), "");
    EXPECT_EQ(memory.take(stamp("b", now - 10), now, 300).rfind("timestamp " + std::to_string(now - 10) + " is no later", 0), 0u);
    EXPECT_EQ(memory.take(stamp("e", now - 5), now, 300), "nonce already used: a replayed request");

    // Outside the window a request is stale, and what the window no longer takes is forgotten.
    NonceMemory windowed(three);
    EXPECT_EQ(windowed.take(stamp("a", now), now, 300), "");
    EXPECT_EQ(windowed.take(stamp("b", now + 301), now, 300), "timestamp 301 s from the service's clock, outside its window of 300 s");
    EXPECT_EQ(windowed.take(stamp("a", now), now + 301, 300), "timestamp -301 s from the service's clock, outside its window of 300 s");
    EXPECT_EQ(windowed.take(stamp("c", now + 301), now + 301, 300), "");
    EXPECT_EQ(windowed.size(), 1u);

    // With the window off any timestamp is taken, once; none is forgotten until the memory is full.
    NonceMemory open(2 * NonceMemory::cost(NonceMemory::key(stamp("a", 1))));
    EXPECT_EQ(open.take(stamp("a", 1), now, 0), "");
    EXPECT_EQ(open.take(stamp("a", 1), now * 1000, 0), "nonce already used: a replayed request");
    EXPECT_EQ(open.take(stamp("b", 5), now, 0), "");
    EXPECT_EQ(open.take(stamp("c", 3), now, 0), "");
    EXPECT_EQ(open.take(stamp("d", 1), now, 0).rfind("timestamp 1 is no later", 0), 0u);
}

TEST(StandInNonceMemory, ALongNonceIsRefusedAndTheMemoryHoldsItsBudgetOfBytes)
{
    using standin::NonceMemory;
    const long long now = 1'000'000;
    // A nonce is a short random text: one past the bound is refused and costs nothing.
    NonceMemory memory(64 * 1024);
    const std::string longest(standin::kMaxNonceBytes, 'n');
    EXPECT_EQ(memory.take({ "c", "t", longest, now }, now, 300), "");
    EXPECT_EQ(memory.take({ "c", "t", longest + "n", now }, now, 300), "oauth_nonce is 129 bytes long, over the limit of 128");
    EXPECT_EQ(memory.size(), 1u);
    // Requests of the longest nonce each: the memory keeps what fits in its bytes, and refuses
    // what it let go of rather than take it again.
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(memory.take({ "c", "t", std::to_string(i) + longest.substr(8), now - 100 + i / 20 }, now, 300), "") << i;
    EXPECT_LE(memory.bytes(), memory.budget());
    EXPECT_LT(memory.size(), 2000u);
    EXPECT_NE(memory.take({ "c", "t", "0" + longest.substr(8), now - 100 }, now, 300), "");

    // What a memory kept on disk holds comes back after a restart: the requests
    // taken and the horizon up to which everything is refused.
    NonceMemory restored(64 * 1024);
    restored.restoreForgotten("c&t", now - 100);
    restored.restore(NonceMemory::key({ "c", "t", "kept", now - 50 }), now - 50, now, 300);
    restored.restore(NonceMemory::key({ "c", "t", "stale", now - 400 }), now - 400, now, 300);
    EXPECT_EQ(restored.take({ "c", "t", "kept", now - 50 }, now, 300), "nonce already used: a replayed request");
    EXPECT_EQ(restored.take({ "c", "t", "early", now - 100 }, now, 300).rfind("timestamp " + std::to_string(now - 100) + " is no later", 0), 0u);
    EXPECT_EQ(restored.take({ "c", "t", "fresh", now }, now, 300), "");
    EXPECT_EQ(restored.size(), 2u) << "the stale one is not restored";
}

// The game's key is in every copy of the game: a flood signed with it alone
// (stamped at the window's far edge) must not lock out anyone else, nor
// another device's first requests signed with it from another address.
TEST(StandInNonceMemory, OneCallersRequestsDoNotPushOutAnothers)
{
    using standin::NonceMemory;
    const long long now = 1'000'000, window = 300;
    auto nonce = [](int i) {
        std::string n = std::to_string(i);
        return std::string(8 - n.size(), '0') + n;
    };
    const size_t one = NonceMemory::cost(NonceMemory::key({ "game", "token-ann", nonce(0), now }));
    NonceMemory memory(40 * one, 10 * one);
    ASSERT_EQ(memory.take({ "game", "token-ann", nonce(0), now - 1 }, now, window), "");

    size_t refused = 0;
    for (int i = 0; i < 1000; ++i)
        if (!memory.take({ "game", "", nonce(i), now + window }, now, window).empty())
            ++refused;
    EXPECT_GE(refused, 1000u - 12u);
    EXPECT_EQ(memory.forgottenUpTo("game&"), std::nullopt) << "nothing stamped after now is forgotten";
    EXPECT_EQ(memory.take({ "game", "", "login", now }, now, window).rfind("the service remembers no more requests of "
                                                                          "this caller from this address (", 0),
              0u);
    // From another address, the game's key alone is taken; so is a flood stamped now from a third,
    // which refuses its own newcomers without forgetting any: no other device's request is refused.
    EXPECT_EQ(memory.take({ "game", "", "login", now, "10.0.0.2" }, now, window), "");
    size_t taken = 0;
    for (int i = 0; i < 40; ++i)
        if (memory.take({ "game", "", nonce(i), now, "10.0.0.3" }, now, window).empty())
            ++taken;
    EXPECT_EQ(taken, 10u);
    EXPECT_EQ(memory.forgottenUpTo("game&"), std::nullopt);
    EXPECT_EQ(memory.take({ "game", "", "login-2", now, "10.0.0.2" }, now, window), "");
    // Another caller's requests still come in, and are still told when replayed.
    EXPECT_EQ(memory.take({ "game", "token-ann", nonce(1), now }, now, window), "");
    EXPECT_EQ(memory.take({ "game", "token-ann", nonce(0), now - 1 }, now, window), "nonce already used: a replayed request");

    // A flood stamped now forgets its own oldest: only its caller's horizon
    // rises, never past now, and the budget is shared out by who holds most.
    for (int player = 0; player < 5; ++player)
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(memory.take({ "game", "token-" + std::to_string(player), nonce(i), now - 100 + i }, now, window), "");
    EXPECT_LE(memory.bytes(), memory.budget());
    for (int player = 0; player < 5; ++player) {
        auto upTo = memory.forgottenUpTo("game&token-" + std::to_string(player));
        ASSERT_TRUE(upTo) << player;
        EXPECT_LE(*upTo, now);
        EXPECT_NE(memory.take({ "game", "token-" + std::to_string(player), nonce(0), now - 100 }, now, window), "");
    }
    EXPECT_EQ(memory.forgottenUpTo("game&token-ann"), std::nullopt);
    EXPECT_EQ(memory.take({ "game", "token-ann", nonce(2), now }, now, window), "");
    EXPECT_EQ(memory.take({ "game", "token-ann", nonce(1), now }, now, window), "nonce already used: a replayed request");

    // The flooder's own address is taken again once the window has passed its requests.
    EXPECT_NE(memory.take({ "game", "", "login", now + window + 1 }, now + window + 1, window), "");
    EXPECT_EQ(memory.take({ "game", "", "login", now + 2 * window + 1 }, now + 2 * window + 1, window), "");
}

namespace {

// Sends `requests` one after another on one connection from the loopback
// address `from`, and answers the statuses of their answers, in order.
std::vector<int> pipelineFrom(const std::string& from, int port, const std::vector<std::string>& requests)
{
    std::vector<int> statuses;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local {}, remote {};
    local.sin_family = remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1
        || ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr) != 1
        || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        ::close(fd);
        return statuses;
    }
    std::thread reader([&] {
        std::string in;
        char buffer[65536];
        while (statuses.size() < requests.size()) {
            size_t end = in.find("\r\n\r\n");
            if (end != std::string::npos) {
                size_t length = in.find("Content-Length: ");
                size_t body = length != std::string::npos && length < end ? std::stoul(in.substr(length + 16)) : 0;
                if (in.size() >= end + 4 + body) {
                    statuses.push_back(std::atoi(in.c_str() + 9));
                    in.erase(0, end + 4 + body);
                    continue;
                }
            }
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            in.append(buffer, static_cast<size_t>(n));
        }
    });
    for (auto& request : requests)
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
            break;
    reader.join();
    ::close(fd);
    return statuses;
}

} // namespace

// The game's key is in every copy of the game: a flood of requests signed
// with it alone, stamped at the window's far edge from one address, fills
// that address's share of the memory and no one else's, so every other
// device's first login is taken as before.
TEST(StandInNonceFlood, AFloodSignedWithTheGamesKeyAloneRefusesOnlyItsSender)
{
    standin::StandInServer server;
    server.setConsumer("product-key", "product-secret");
    server.setRejectsBadSignatures(true);
    server.route("GET", "ping.xml", standin::Answer::xml("<resources/>"));
    // Answered at once: late answers would spread the flood past the nonces' time window, and
    // the memory would let its first nonces go before its last arrived.
    server.setAnswerDelay(0, 0);
    ASSERT_GT(server.start(), 0);
    standin::PrivateLoopback flooder;
    const std::string later = std::to_string(std::time(nullptr) + standin::kTimestampWindow);
    // More than a share of the memory holds: each costs its key and 128 bytes
    // (the longest nonces, so that fewer fill it).
    auto longest = [] {
        std::string nonce = quorvel::oauthNonce();
        return nonce + std::string(standin::kMaxNonceBytes - nonce.size(), 'n');
    };
    const size_t one = standin::NonceMemory::cost(
        standin::NonceMemory::key({ "product-key", "", longest(), std::time(nullptr) }));
    const size_t flood = standin::kNonceMemoryShare / one + 100;
    std::vector<std::string> requests;
    for (size_t i = 0; i < flood; ++i) {
        std::string request = standin_testing::signedRequestStamped(server.port(), "GET", "ping.xml", {}, "", "",
                                                                    longest(), later);
        request.replace(request.find("Connection: close\r\n"), 19, "");
        requests.push_back(std::move(request));
    }
    auto statuses = pipelineFrom(flooder.address(), server.port(), requests);
    ASSERT_EQ(statuses.size(), flood);
    EXPECT_EQ(statuses.front(), 200);
    EXPECT_EQ(statuses.back(), 401) << "the flood fills its own share";

    // Another device's first requests, signed by the game alone and stamped now, are taken.
    for (int i = 0; i < 3; ++i) {
        auto honest = standin_testing::ask(server.port(), "GET", "ping.xml", {}, "", "");
        EXPECT_EQ(honest.status, 200) << honest.head << honest.body;
    }
    // The flooder's next is refused for want of room, as OAuth names it.
    auto more = pipelineFrom(flooder.address(), server.port(),
                             { standin_testing::signedRequestStamped(server.port(), "GET", "ping.xml", {}, "", "",
                                                                     longest(), std::to_string(std::time(nullptr))) });
    ASSERT_EQ(more.size(), 1u);
    EXPECT_EQ(more[0], 401);
    server.stop();
}

namespace {

using StandInClientRequests = net_testing::NetTest;

} // namespace

TEST_F(StandInClientRequests, ARetryAfterADroppedConnectionCarriesANewNonceAndIsTaken)
{
    server.setRejectsBadSignatures(true);
    server.route("GET", "ping.xml", standin::Answer::xml("<resources/>"));
    standin::Answer dropped = standin::Answer::xml(std::string(200, ' '));
    dropped.truncateAfter = 10;
    server.script("GET", "ping.xml", dropped);
    auto recorder = net_testing::CallbackRecorder::create();
    auto request = quorvel::OAuthURLRequest::requestWithURL(server.baseUrl() + "ping.xml", "product-key",
                                                            "product-secret", "token-1", "token-secret-1");
    request->setHttpMethod("GET");
    auto loader = quorvel::OAuthAPIRequestLoader::loaderWithRequest(request, recorder->onSuccess(), recorder->onFailure());
    loader->loadSynchronously(false);
    ASSERT_TRUE(waitFor([&] { return recorder->failures == 1; }));
    loader->loadSynchronously(false); // the player's retry, as the client makes it
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 1; }));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].signatureValid);
    EXPECT_TRUE(requests[1].signatureValid) << requests[1].signatureFailure;
    EXPECT_NE(requests[0].authorization, requests[1].authorization);
    // The recorder keeps the loader that keeps the recorder: let go.
    recorder->successArg = nullptr;
    recorder->failureArg = nullptr;
}

// A request the game alone signed, on a route that needs a player: the
// answer and the log say a player's token is needed, not that the signature
// failed (it verified).
TEST_F(StandInKeptWord, ARouteThatNeedsAPlayerSaysSoToARequestTheGameAloneSigned)
{
    const std::string why = "The request needs a player's token: it is signed with the game's key alone";
    for (const char* path : { "subscriptions.xml", "users/@me/settings.xml" }) {
        auto reply = standin_testing::ask(server.port(), "GET", path, {}, "", "");
        EXPECT_EQ(reply.status, 401) << path;
        EXPECT_EQ(reply.body, "<errors><error>" + why + "</error></errors>") << path;
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "GET " + std::string(path) + " 401 signature verified: " + why);
    }
    auto unsigned_ = standin_testing::sendRaw(server.port(), "GET /subscriptions.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(unsigned_.body, "<errors><error>The request is not signed</error></errors>");
}
