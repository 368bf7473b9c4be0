// What the login benchmarks share: the whole client, started as a game starts
// it, against the in-process stand-in service keeping its state in a scratch
// folder, for a game with many leaderboards. The benchmark turns the main run
// loop itself, one turn at a time, so the length of every turn is known: the
// longest is the longest the game could not draw a frame.
//
// Beside it, the hand-written baseline of a login's own work on the same
// answer: raw expat into plain structs, then raw SQLite statements bound by
// position, in one transaction, on a copy of the client's store.
#pragma once

#include "platform/device/Device.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "social/core/Quorvel.h"
#include "social/core/QuorvelDelegate.h"
#include "social/core/QuorvelInternal.h"
#include "social/core/QVLogin.h"
#include "social/core/QVUserOptions.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVOfflineStore.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInState.h"

#include <expat.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bench_login {

namespace fs = std::filesystem;

// The calling thread's processor time: what other programs on a busy machine
// take from it does not count.
inline double threadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The turns of one stretch of the main loop.
struct Turns {
    double longestMs { 0 };     // processor time of the longest turn
    double longestWallMs { 0 }; // its length on the wall clock (with the machine's other load)
    double totalMs { 0 };       // processor time of every turn together
    int count { 0 };            // turns that ran something
    bool finished { false };    // the condition held before the time ran out
};

// The shared transport, keeping the body of the last bootstrap answer.
class RecordingTransport final : public platform::HttpTransport {
public:
    static platform::Ref<RecordingTransport> create() { return platform::adoptRef(new RecordingTransport); }
    RequestId start(platform::HttpRequestData request, Completion completion) override
    {
        const bool bootstrap = request.url.find("bootstrap.xml") != std::string::npos;
        return inner_->start(std::move(request), [this, bootstrap, completion](platform::HttpResult&& result) {
            if (bootstrap)
                lastBootstrapAnswer = result.body;
            completion(std::move(result));
        });
    }
    void cancel(RequestId id) override { inner_->cancel(id); }
    size_t activeCount() const override { return inner_->activeCount(); }

    platform::Bytes lastBootstrapAnswer;

private:
    RecordingTransport() = default;
    platform::Ref<platform::CurlHttpTransport> inner_ = platform::CurlHttpTransport::create();
};

class Game final : public quorvel::QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { loggedIn = id; }
    std::string loggedIn;
};

// The client, its folders and the stand-in with `boards` leaderboards.
class LoginHarness {
public:
    static constexpr const char* kProductKey = "product-key";
    static constexpr const char* kProductSecret = "product-secret";

    explicit LoginHarness(int boards)
    {
        std::string base = fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        root_ = base + "/brisko_login_" + std::to_string(getpid());
        fs::remove_all(root_);
        for (const char* dir : { "/home", "/bundle", "/service", "/install" })
            fs::create_directories(root_ + dir);
        oldHome_ = platform::Bundle::main().homeDirectory();
        oldResources_ = platform::Bundle::main().resourcePath();
        // The game's bundle: the system's resources, then the settings naming the service.
        fs::copy(std::string(BRISKO_SOURCE_DIR) + "/resources", root_ + "/bundle", fs::copy_options::recursive);
        platform::Bundle::main().setHomeDirectory(root_ + "/home");
        platform::Bundle::main().setResourcePath(root_ + "/bundle");
        platform::ui::Device::currentDevice().setInstallationDirectory(root_ + "/install");
        platform::UserDefaults::resetStandardUserDefaults();
        transport_ = RecordingTransport::create();
        platform::HttpTransport::setShared(platform::Ref<platform::HttpTransport>(transport_.get()));
        delegates_ = quorvel::QVDelegatesContainer::create();
        delegates_->setQuorvelDelegate(&game_);

        state_ = std::make_unique<standin::StandInState>(root_ + "/service");
        standin::StandInState::GameDefinition game;
        for (int b = 1; b <= boards; ++b)
            game.leaderboards.push_back({ b, "Board " + std::to_string(b), true });
        if (!state_->isOpen() || !state_->defineGame(game)) {
            error_ = "the stand-in's state cannot take the game";
            return;
        }
        if (!startService()) {
            error_ = "the stand-in did not start";
            return;
        }
        std::ofstream(root_ + "/bundle/quorvel_internal_settings.xml")
            << "<quorvel_internal_settings><environment-release><config><server-url>" << server_->baseUrl()
            << "</server-url></config></environment-release></quorvel_internal_settings>\n";
    }

    ~LoginHarness()
    {
        quit();
        platform::HttpTransport::setShared(nullptr);
        transport_ = nullptr;
        server_.reset();
        state_.reset();
        platform::Bundle::main().setHomeDirectory(oldHome_);
        platform::Bundle::main().setResourcePath(oldResources_);
        platform::ui::Device::currentDevice().setInstallationDirectory({});
        platform::UserDefaults::resetStandardUserDefaults();
        fs::remove_all(root_);
    }
    LoginHarness(const LoginHarness&) = delete;
    LoginHarness& operator=(const LoginHarness&) = delete;

    const std::string& error() const { return error_; }
    const std::string& root() const { return root_; }
    standin::StandInState& state() { return *state_; }
    standin::StandInServer* server() { return server_.get(); }
    const platform::Bytes& lastBootstrapAnswer() const { return transport_->lastBootstrapAnswer; }
    std::string storePath() const { return quorvel::QVDocumentsPathForFile(quorvel::QVOfflineStore::kFileName); }

    // The service, on the port it had before when it ran already.
    bool startService()
    {
        server_ = std::make_unique<standin::StandInServer>();
        server_->setConsumer(kProductKey, kProductSecret);
        server_->installDefaultRoutes();
        state_->install(*server_);
        int port = server_->start(port_);
        if (port <= 0)
            return false;
        port_ = port;
        return true;
    }
    void stopService() { server_.reset(); }

    // The game starts: the player approved the client before and has seen its offers.
    void launch()
    {
        game_.loggedIn.clear();
        quorvel::QuorvelInternal::options().setUserApprovedQuorvel();
        quorvel::QuorvelInternal::options().setDoneWithGetTheMost(true);
        quorvel::Quorvel::initializeWithProductKey(kProductKey, kProductSecret, "Brisko", {}, delegates_.get());
    }
    void quit()
    {
        quorvel::Quorvel::shutdown();
        platform::UserDefaults::resetStandardUserDefaults();
    }

    // Turns the main loop until `done` holds after a turn that had nothing
    // left to run (so work spread over turns is over too), or `timeout` real seconds.
    Turns turnUntil(const std::function<bool()>& done, double timeout = 120)
    {
        Turns turns;
        platform::RunLoop& loop = platform::RunLoop::main();
        const double end = wallSeconds() + timeout;
        bool ranLast = true;
        while (wallSeconds() < end) {
            if (!ranLast && done()) {
                turns.finished = true;
                break;
            }
            const double cpu = threadSeconds(), wall = wallSeconds();
            ranLast = loop.runOnce(0.0005);
            if (!ranLast)
                continue;
            const double ms = (threadSeconds() - cpu) * 1e3;
            ++turns.count;
            turns.totalMs += ms;
            if (ms > turns.longestMs) {
                turns.longestMs = ms;
                turns.longestWallMs = (wallSeconds() - wall) * 1e3;
            }
        }
        return turns;
    }

    bool networkQuiet() const { return standin::networkQuiet({ { server_.get() }, nullptr }).quiet; }
    bool loggedIn() const
    {
        return !game_.loggedIn.empty() && !quorvel::QuorvelInternal::login().isBootstrapInProgress();
    }

    // Launches the game and turns the loop through the login: the game told,
    // and everything the login sent answered.
    Turns logIn()
    {
        launch();
        return turnUntil([this] { return loggedIn() && networkQuiet(); });
    }

    std::string player() const { return game_.loggedIn; }

    // The service forgets the player's scores.
    bool forgetScores(int64_t player)
    {
        sqlite3* db = openServiceStore();
        if (!db)
            return false;
        sqlite3_stmt* forget = nullptr;
        sqlite3_prepare_v2(db, "DELETE FROM high_scores WHERE user_id = ?1", -1, &forget, nullptr);
        sqlite3_bind_int64(forget, 1, player);
        const bool ok = sqlite3_step(forget) == SQLITE_DONE;
        sqlite3_finalize(forget);
        sqlite3_close(db);
        return ok;
    }

    // The player's best on every board, kept by the service.
    bool giveBests(int64_t player, int boards)
    {
        sqlite3* db = openServiceStore();
        if (!db)
            return false;
        sqlite3_stmt* insert = nullptr;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db,
                           "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at) "
                           "VALUES (?1, ?2, ?3, ?4, '2026-01-02 03:04:05')",
                           -1, &insert, nullptr);
        for (int b = 1; b <= boards; ++b) {
            const std::string text = std::to_string(5000 + b) + " points";
            sqlite3_bind_int64(insert, 1, player);
            sqlite3_bind_int64(insert, 2, b);
            sqlite3_bind_int64(insert, 3, 5000 + b);
            sqlite3_bind_text(insert, 4, text.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return ok;
    }

private:
    // The service's own store, opened beside it as its operator would.
    sqlite3* openServiceStore()
    {
        sqlite3* db = nullptr;
        if (sqlite3_open(state_->databasePath().c_str(), &db) != SQLITE_OK) {
            sqlite3_close(db);
            return nullptr;
        }
        sqlite3_busy_timeout(db, 5000);
        return db;
    }

    std::string root_, oldHome_, oldResources_, error_;
    int port_ { 0 };
    Game game_;
    platform::Ref<quorvel::QVDelegatesContainer> delegates_;
    platform::Ref<RecordingTransport> transport_;
    std::unique_ptr<standin::StandInState> state_;
    std::unique_ptr<standin::StandInServer> server_;
};

// The hand-written login: the answer read with raw expat into plain structs,
// then the player's row, the leaderboards and the player's bests written with
// statements prepared once and bound by position, in one transaction, in the
// store's journal mode.
class HandLogin {
public:
    struct Board {
        std::string id, name, descending, active, visible, aggregate, lower, start, end, score, reachedAt;
    };

    // Processor seconds of one login's work on `answer`, on a copy of `store`.
    static double run(const platform::Bytes& answer, const std::string& store, const std::string& scratch,
                      size_t* boardsRead = nullptr)
    {
        const std::string path = scratch + "/hand_login.db";
        for (const char* suffix : { "", "-wal", "-shm" })
            fs::remove(path + suffix);
        fs::copy_file(store, path);
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
        sqlite3_stmt* board = prepare(db, "REPLACE INTO leaderboards(id, name, descending_sort_order, active, "
                                          "is_aggregate, visible, allow_posting_lower_scores, start_version, "
                                          "end_version, server_sync_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        sqlite3_stmt* best = prepare(db, "INSERT OR IGNORE INTO high_scores (user_id, leaderboard_id, score, "
                                         "server_sync_at) VALUES (?1, ?2, ?3, ?4)");
        sqlite3_stmt* user = prepare(db, "REPLACE INTO users (id, name, profile_picture_url) VALUES (?1, ?2, NULL)");

        const double start = threadSeconds();
        Reader reader;
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &reader);
        XML_SetElementHandler(parser, Reader::start, Reader::end);
        XML_SetCharacterDataHandler(parser, Reader::characters);
        XML_Parse(parser, reinterpret_cast<const char*>(answer.data()), static_cast<int>(answer.size()), XML_TRUE);
        XML_ParserFree(parser);

        const long long now = static_cast<long long>(std::time(nullptr));
        const long long userId = std::atoll(reader.userId.c_str());
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_int64(user, 1, userId);
        sqlite3_bind_text(user, 2, reader.userName.c_str(), -1, SQLITE_STATIC);
        step(user);
        auto flag = [](const std::string& text) { return !text.empty() && (text[0] == 't' || text[0] == '1'); };
        for (const Board& b : reader.boards) {
            sqlite3_bind_int64(board, 1, std::atoll(b.id.c_str()));
            sqlite3_bind_text(board, 2, b.name.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int(board, 3, flag(b.descending));
            sqlite3_bind_int(board, 4, flag(b.active));
            sqlite3_bind_int(board, 5, flag(b.aggregate));
            sqlite3_bind_int(board, 6, flag(b.visible));
            sqlite3_bind_int(board, 7, flag(b.lower));
            sqlite3_bind_text(board, 8, b.start.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(board, 9, b.end.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int64(board, 10, now);
            step(board);
        }
        for (const Board& b : reader.boards) {
            if (b.score.empty())
                continue;
            sqlite3_bind_int64(best, 1, userId);
            sqlite3_bind_int64(best, 2, std::atoll(b.id.c_str()));
            sqlite3_bind_int64(best, 3, std::atoll(b.score.c_str()));
            sqlite3_bind_int64(best, 4, now);
            step(best);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        const double seconds = threadSeconds() - start;

        for (sqlite3_stmt* s : { board, best, user })
            sqlite3_finalize(s);
        sqlite3_close(db);
        if (boardsRead)
            *boardsRead = reader.boards.size();
        return seconds;
    }

private:
    // The answer's player and leaderboards: the text of each element is kept
    // by its name and depth, nothing else.
    struct Reader {
        std::vector<std::string> path;
        std::string text;
        std::string userId, userName;
        std::vector<Board> boards;

        static void XMLCALL start(void* data, const XML_Char* name, const XML_Char**)
        {
            auto* r = static_cast<Reader*>(data);
            r->path.emplace_back(name);
            r->text.clear();
            if (r->path.size() == 4 && r->path[2] == "leaderboards")
                r->boards.emplace_back();
        }
        static void XMLCALL characters(void* data, const XML_Char* s, int length)
        {
            static_cast<Reader*>(data)->text.append(s, static_cast<size_t>(length));
        }
        static void XMLCALL end(void* data, const XML_Char*)
        {
            auto* r = static_cast<Reader*>(data);
            const std::string& name = r->path.back();
            if (r->path.size() == 3 && r->path[1] == "user") {
                if (name == "id")
                    r->userId = r->text;
                else if (name == "name")
                    r->userName = r->text;
            } else if (r->path.size() == 5 && r->path[2] == "leaderboards") {
                Board& b = r->boards.back();
                std::string* field = name == "id"                           ? &b.id
                    : name == "name"                                         ? &b.name
                    : name == "descending_sort_order"                        ? &b.descending
                    : name == "active"                                       ? &b.active
                    : name == "visible"                                      ? &b.visible
                    : name == "is_aggregate"                                 ? &b.aggregate
                    : name == "allow_posting_lower_scores"                   ? &b.lower
                    : name == "start_version"                                ? &b.start
                    : name == "end_version"                                  ? &b.end
                    : name == "score"                                        ? &b.score
                    : name == "reached_at"                                   ? &b.reachedAt
                                                                             : nullptr;
                if (field)
                    *field = r->text;
            }
            r->path.pop_back();
            r->text.clear();
        }
    };

    static sqlite3_stmt* prepare(sqlite3* db, const char* sql)
    {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        return s;
    }
    static void step(sqlite3_stmt* s)
    {
        sqlite3_step(s);
        sqlite3_reset(s);
    }
};

} // namespace bench_login
