// The stand-in service's kept state in SQLite, and the routes that answer from it.
#include "tools/standin/StandInState.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <random>
#include <sys/stat.h>

namespace standin {

namespace {

// One prepared statement, finalised on scope exit.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "standin state: %s\n", sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, int64_t v)
    {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& bind(int i, double v)
    {
        sqlite3_bind_double(stmt_, i, v);
        return *this;
    }
    Statement& bind(int i, const std::string& v)
    {
        sqlite3_bind_text(stmt_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    bool step() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }
    bool run() { return stmt_ && sqlite3_step(stmt_) == SQLITE_DONE; }
    int64_t integer(int c) const { return sqlite3_column_int64(stmt_, c); }
    double real(int c) const { return sqlite3_column_double(stmt_, c); }
    bool isNull(int c) const { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }
    std::string text(int c) const
    {
        const unsigned char* t = sqlite3_column_text(stmt_, c);
        return t ? reinterpret_cast<const char*>(t) : "";
    }

private:
    sqlite3_stmt* stmt_ { nullptr };
};

std::string escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string element(const std::string& name, const std::string& text) { return "<" + name + ">" + escape(text) + "</" + name + ">"; }

std::string now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// A decimal 64-bit number filling the whole text, or nothing.
std::optional<int64_t> number(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return v;
}

std::string pageHeader(size_t total)
{
    return "<pagination_header><current_offset>0</current_offset><current_page>1</current_page>"
           "<total_pages>1</total_pages><per_page>"
        + std::to_string(std::max<size_t>(total, 25)) + "</per_page><total_objects>" + std::to_string(total)
        + "</total_objects></pagination_header>";
}

// The game's id on the service.
constexpr const char* kGameId = "321";

Answer unauthorized(const std::string& why)
{
    return Answer::xml("<errors><error>" + escape(why) + "</error></errors>", 401);
}

Answer badRequest(const std::string& why) { return Answer::xml("<errors><error>" + escape(why) + "</error></errors>", 400); }

std::string randomHex(size_t n)
{
    static std::mutex m;
    static std::mt19937_64 rng { std::random_device {}() };
    std::lock_guard guard(m);
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += digits[rng() % 16];
    return out;
}

const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS devices (udid TEXT PRIMARY KEY, user_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, secret TEXT NOT NULL, user_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS leaderboards (id INTEGER PRIMARY KEY, name TEXT NOT NULL, descending INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS high_scores (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    leaderboard_id INTEGER NOT NULL, score INTEGER NOT NULL, display_text TEXT, custom_data TEXT,
    created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS achievements (id INTEGER PRIMARY KEY, title TEXT NOT NULL, description TEXT NOT NULL,
    gamerscore INTEGER NOT NULL, position INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS unlocks (user_id INTEGER NOT NULL, achievement_id INTEGER NOT NULL,
    percent_complete REAL NOT NULL, unlocked_at TEXT, PRIMARY KEY (user_id, achievement_id));
CREATE TABLE IF NOT EXISTS friends (user_id INTEGER NOT NULL, friend_id INTEGER NOT NULL,
    PRIMARY KEY (user_id, friend_id));
CREATE TABLE IF NOT EXISTS challenges (id INTEGER PRIMARY KEY AUTOINCREMENT, challenger_id INTEGER NOT NULL,
    definition_id INTEGER NOT NULL, description TEXT NOT NULL, hidden_text TEXT, user_message TEXT, data BLOB,
    created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS challenges_users (id INTEGER PRIMARY KEY AUTOINCREMENT, challenge_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, result TEXT, result_text TEXT, ignored INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS topics (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS discussions (id INTEGER PRIMARY KEY AUTOINCREMENT, topic_id INTEGER NOT NULL,
    subject TEXT NOT NULL, user_id INTEGER NOT NULL, updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS posts (id INTEGER PRIMARY KEY AUTOINCREMENT, discussion_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, body TEXT NOT NULL, created_at TEXT NOT NULL);
)sql";

// Dates in forums are written yyyy-MM-dd'T'HH:mm:ss'Z'.
std::string forumDate(std::string kept)
{
    if (kept.size() == 19 && kept[10] == ' ')
        kept = kept.substr(0, 10) + "T" + kept.substr(11) + "Z";
    return kept;
}

// The game's challenge definitions (as its fixtures list them).
std::string definitionName(int64_t id)
{
    switch (id) {
    case 51: return "Fastest Lap";
    case 52: return "High Score";
    case 53: return "Marathon";
    default: return {};
    }
}

} // namespace

StandInState::StandInState(std::string directory)
{
    if (directory.empty()) {
        error_ = "no state directory given";
        return;
    }
    if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) {
        error_ = "cannot make the state directory " + directory;
        return;
    }
    path_ = directory + "/standin.sqlite";
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) {
        error_ = "cannot open " + path_ + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 2000);
    if (!exec(kSchema)) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    bool seeded = false;
    {
        Statement q(db_, "SELECT COUNT(*) FROM leaderboards");
        seeded = q.step() && q.integer(0) > 0;
    }
    if (!seeded) {
        // Users the service makes start after the seeded players.
        exec("BEGIN;"
             "INSERT INTO leaderboards VALUES (5, 'Normal', 1), (6, 'Fastest Lap', 0);"
             "INSERT INTO achievements VALUES (11, 'First Steps', 'Finish the first level.', 10, 0),"
             " (12, 'Collector', 'Collect every coin.', 20, 1);"
             "INSERT INTO users VALUES (18, 'Rival', '2026-01-01 00:00:00');"
             "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at) VALUES"
             " (18, 5, 900, '900 points', '2026-01-01 00:00:00'), (18, 6, 75, '1:15', '2026-01-01 00:00:00');"
             "INSERT INTO sqlite_sequence (name, seq) VALUES ('challenges', 60), ('challenges_users', 70),"
             " ('discussions', 300), ('posts', 400);"
             "INSERT INTO topics VALUES (201, 'General'), (202, 'Suggestions');"
             "COMMIT;");
    }
}

StandInState::~StandInState()
{
    if (db_)
        sqlite3_close(db_);
}

bool StandInState::exec(const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error_ = message ? message : "SQL error";
        std::fprintf(stderr, "standin state: %s\n", error_.c_str());
        sqlite3_free(message);
        return false;
    }
    return true;
}

void StandInState::install(StandInServer& server)
{
    if (!db_)
        return;
    {
        std::lock_guard guard(mutex_);
        Statement q(db_, "SELECT token, secret FROM tokens");
        while (q.step())
            server.addToken(q.text(0), q.text(1));
    }
    // Each kept route finds its caller first; an unknown or forged caller gets 401.
    auto signedRoute = [this](auto method) {
        return [this, method](const LoggedRequest& r) -> Answer {
            std::lock_guard guard(mutex_);
            auto user = caller(r);
            if (!user)
                return unauthorized(r.signed_ ? "The request's signature does not verify" : "The request is not signed");
            return (this->*method)(r, *user);
        };
    };
    StandInServer* s = &server;
    server.route("POST", "bootstrap.xml", [this, s](const LoggedRequest& r) {
        std::lock_guard guard(mutex_);
        return bootstrap(r, *s);
    });
    server.route("POST", "client_applications/@me/high_scores.xml", signedRoute(&StandInState::submitScores));
    server.route("GET", "client_applications/@me/high_scores.xml", signedRoute(&StandInState::scorePage));
    // The running game is "@me" or its id.
    for (std::string game : { std::string("@me"), std::string(kGameId) }) {
        server.route("GET", "client_applications/" + game + "/leaderboards.xml", [this](const LoggedRequest& r) {
            std::lock_guard guard(mutex_);
            auto user = caller(r);
            return user ? leaderboards(*user) : unauthorized("The request is not signed by a known player");
        });
        server.route("GET", "client_applications/" + game + "/achievement_definitions.xml", [this](const LoggedRequest& r) {
            std::lock_guard guard(mutex_);
            auto user = caller(r);
            return user ? achievementDefinitions(*user) : unauthorized("The request is not signed by a known player");
        });
    }
    server.route("GET", std::string("client_applications/") + kGameId + "/forums/announcements.xml",
                 Answer::xml("<resources></resources>"));
    server.route("POST", "users/@me/unlocked_achievements.xml", signedRoute(&StandInState::submitUnlocks));
    server.route("GET", "users.xml", signedRoute(&StandInState::usersOfInterest));
    server.route("POST", "users/update_name.xml", signedRoute(&StandInState::rename));
    server.route("GET", "users/for_device.xml", [this](const LoggedRequest& r) {
        std::lock_guard guard(mutex_);
        if (!r.signed_ || !r.signatureValid)
            return unauthorized("The request's signature does not verify");
        return deviceAccounts(r);
    });
    server.route("GET", "users/@me/activities.xml", [this](const LoggedRequest& r) {
        std::lock_guard guard(mutex_);
        return caller(r) ? Answer::xml("<resources></resources>") : unauthorized("The request is not signed by a known player");
    });
    server.route("POST", "challenges.xml", signedRoute(&StandInState::sendChallenge));
    server.route("GET", "challenges.xml", signedRoute(&StandInState::sentChallenges));
    server.route("GET", "challenges_users.xml", signedRoute(&StandInState::receivedChallenges));
    server.routePrefix("POST", "challenges_users/", signedRoute(&StandInState::answerChallenge));
    // A challenge's data is fetched unsigned from its user_data_url.
    server.routePrefix("GET", "challenges/", [this](const LoggedRequest& r) -> Answer {
        std::lock_guard guard(mutex_);
        std::string id = r.path.substr(11);
        id = id.substr(0, id.find('/'));
        auto challenge = number(id);
        Statement q(db_, "SELECT data FROM challenges WHERE id = ?");
        q.bind(1, challenge.value_or(-1));
        if (!challenge || !q.step())
            return Answer::xml("<errors><error>No such challenge</error></errors>", 404);
        Answer a;
        a.body = q.text(0);
        a.contentType = "application/octet-stream";
        return a;
    });
    server.route("GET", std::string("client_applications/") + kGameId + "/forums.xml",
                 signedRoute(&StandInState::forumTopics));
    server.route("GET", "client_applications/@me/forums.xml", signedRoute(&StandInState::forumTopics));
    server.routePrefix("GET", "topics/", signedRoute(&StandInState::forumThreads));
    server.routePrefix("POST", "topics/", signedRoute(&StandInState::newForumThread));
    server.route("POST", "discussions.xml", signedRoute(&StandInState::startConversation));
    server.routePrefix("GET", "discussions/", signedRoute(&StandInState::forumPosts));
    server.routePrefix("POST", "discussions/", signedRoute(&StandInState::newForumPost));
    server.routePrefix("POST", "users/", [this](const LoggedRequest& r) -> Answer {
        std::lock_guard guard(mutex_);
        auto user = caller(r);
        if (!user)
            return unauthorized("The request is not signed by a known player");
        if (r.path.size() > 14 && r.path.compare(r.path.size() - 14, 14, "/following.xml") == 0)
            return follow(r, *user, true);
        return Answer::xml("<resources></resources>");
    });
    server.routePrefix("DELETE", "users/", [this](const LoggedRequest& r) -> Answer {
        std::lock_guard guard(mutex_);
        auto user = caller(r);
        if (!user)
            return unauthorized("The request is not signed by a known player");
        return follow(r, *user, false);
    });
    server.routePrefix("GET", "users/", [this](const LoggedRequest& r) -> Answer {
        std::lock_guard guard(mutex_);
        auto user = caller(r);
        if (!user)
            return unauthorized("The request is not signed by a known player");
        // users/<id>/ or users/<id>.xml
        std::string id = r.path.substr(6);
        id = id.substr(0, id.find_first_of("/."));
        return oneUser(id, *user);
    });
}

std::optional<int64_t> StandInState::caller(const LoggedRequest& r)
{
    if (!r.signed_ || !r.signatureValid || r.oauthToken.empty())
        return std::nullopt;
    Statement q(db_, "SELECT user_id FROM tokens WHERE token = ?");
    q.bind(1, r.oauthToken);
    if (!q.step())
        return std::nullopt;
    return q.integer(0);
}

std::string StandInState::userElement(int64_t id, int64_t viewer, const char* name)
{
    Statement q(db_, "SELECT u.name, (SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a ON"
                     " a.id = x.achievement_id WHERE x.user_id = u.id AND x.unlocked_at IS NOT NULL),"
                     " EXISTS (SELECT 1 FROM friends WHERE user_id = ?2 AND friend_id = u.id),"
                     " EXISTS (SELECT 1 FROM friends WHERE user_id = u.id AND friend_id = ?2)"
                     " FROM users u WHERE u.id = ?1");
    q.bind(1, id).bind(2, viewer);
    std::string out = std::string("<") + name + "><id>" + std::to_string(id) + "</id>";
    if (q.step()) {
        out += element("name", q.text(0)) + element("gamer_score", std::to_string(q.integer(1)))
            + element("following_local_user", q.integer(3) ? "true" : "false")
            + element("followed_by_local_user", q.integer(2) ? "true" : "false") + "<online>false</online>";
    }
    return out + "</" + name + ">";
}

Answer StandInState::bootstrap(const LoggedRequest& r, StandInServer& server)
{
    if (!r.signed_ || !r.signatureValid)
        return unauthorized(r.signed_ ? "The request's signature does not verify" : "The request is not signed");
    std::string udid = r.param("udid");
    if (udid.empty())
        return badRequest("udid is required");
    bool force = r.param("force_create_account") == "1";
    std::optional<int64_t> user;
    bool isNew = false;
    if (auto asked = number(r.param("user_id")); asked && userName(*asked))
        user = asked;
    if (!user && !force)
        user = userForDevice(udid);
    if (!user) {
        user = addUser("");
        Statement rename(db_, "UPDATE users SET name = ? WHERE id = ?");
        rename.bind(1, "Player " + std::to_string(*user)).bind(2, *user).run();
        Statement device(db_, "INSERT OR REPLACE INTO devices VALUES (?, ?)");
        device.bind(1, udid).bind(2, *user).run();
        isNew = true;
    }
    std::string token = "token-" + std::to_string(*user) + "-" + randomHex(12);
    std::string secret = randomHex(24);
    {
        Statement q(db_, "INSERT INTO tokens VALUES (?, ?, ?)");
        if (!q.bind(1, token).bind(2, secret).bind(3, *user).run())
            return Answer::xml("<errors><error>The token could not be kept</error></errors>", 500);
    }
    server.addToken(token, secret);

    // The definitions and the player's bests, always in full (the client replaces rows).
    std::string offline = "<offline><leaderboards>";
    {
        Statement q(db_, "SELECT l.id, l.name, l.descending, (SELECT CASE WHEN l.descending THEN MAX(score) ELSE"
                         " MIN(score) END FROM high_scores WHERE user_id = ?1 AND leaderboard_id = l.id),"
                         " (SELECT MAX(created_at) FROM high_scores WHERE user_id = ?1 AND leaderboard_id = l.id)"
                         " FROM leaderboards l ORDER BY l.id");
        q.bind(1, *user);
        while (q.step()) {
            offline += "<leaderboard><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
                + "<active>true</active><visible>true</visible>"
                + element("descending_sort_order", q.integer(2) ? "true" : "false")
                + "<is_aggregate>false</is_aggregate><allow_posting_lower_scores>false</allow_posting_lower_scores>"
                  "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version>";
            if (!q.isNull(3))
                offline += element("score", std::to_string(q.integer(3))) + element("reached_at", q.text(4));
            offline += "</leaderboard>";
        }
    }
    offline += "</leaderboards><achievements>";
    {
        Statement q(db_, "SELECT a.id, a.title, a.description, a.gamerscore, a.position, u.percent_complete,"
                         " u.unlocked_at FROM achievements a LEFT JOIN unlocks u ON u.achievement_id = a.id AND"
                         " u.user_id = ? ORDER BY a.position");
        q.bind(1, *user);
        while (q.step()) {
            offline += "<achievement><id>" + std::to_string(q.integer(0)) + "</id>" + element("title", q.text(1))
                + element("description", q.text(2)) + element("gamerscore", std::to_string(q.integer(3)))
                + "<is_secret>false</is_secret>" + element("position", std::to_string(q.integer(4)))
                + "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version>";
            if (!q.isNull(5))
                offline += element("percent_complete", std::to_string(q.real(5)));
            if (!q.isNull(6))
                offline += element("unlock_date", q.text(6));
            offline += "</achievement>";
        }
    }
    offline += "</achievements></offline>";
    int64_t friends = 0;
    {
        Statement q(db_, "SELECT COUNT(*) FROM friends WHERE user_id = ?");
        q.bind(1, *user);
        if (q.step())
            friends = q.integer(0);
    }
    std::string name = userName(*user).value_or("");
    return Answer::xml("<bootstrap><polling_frequency_default>60</polling_frequency_default>"
                       "<polling_frequency_in_chat>5</polling_frequency_in_chat>"
                       + element("access_token", token) + element("access_token_secret", secret)
                       + "<user_has_set_name>true</user_has_set_name><user_chat_enabled>true</user_chat_enabled>"
                       + element("user_had_friends_on_bootup", friends ? "true" : "false")
                       + element("is_new_user", isNew ? "true" : "false")
                       + "<client_application_id>" + kGameId + "</client_application_id>"
                         "<unviewed_challenges_count>0</unviewed_challenges_count>"
                         "<pending_friends_count>0</pending_friends_count>"
                         "<game_profile_page_info><id>" + kGameId + "</id><name>Brisko</name><short_name>Brisko</short_name>"
                         "<has_leaderboards>true</has_leaderboards><has_achievements>true</has_achievements>"
                         "</game_profile_page_info>"
                       + "<user><id>" + std::to_string(*user) + "</id>" + element("name", name) + "</user>"
                       + "<presence_enabled>false</presence_enabled>" + offline + "</bootstrap>");
}

Answer StandInState::submitScores(const LoggedRequest& r, int64_t user)
{
    struct Entry {
        std::optional<int64_t> leaderboard;
        std::optional<int64_t> score;
        std::string displayText, customData;
    };
    std::vector<Entry> entries;
    std::vector<std::string> seen; // fields of the entry being read
    const std::string prefix = "high_scores[][";
    for (auto& [name, value] : r.params) {
        if (name.rfind(prefix, 0) != 0 || name.back() != ']')
            continue;
        std::string field = name.substr(prefix.size(), name.size() - prefix.size() - 1);
        // An entry starts with its leaderboard id; a field met again also starts one.
        if (entries.empty() || field == "leaderboard_id" || std::find(seen.begin(), seen.end(), field) != seen.end()) {
            entries.emplace_back();
            seen.clear();
        }
        seen.push_back(field);
        Entry& e = entries.back();
        if (field == "leaderboard_id")
            e.leaderboard = number(value);
        else if (field == "score")
            e.score = number(value);
        else if (field == "display_text")
            e.displayText = value;
        else if (field == "custom_data")
            e.customData = value;
    }
    // The whole batch is checked before anything is kept, so a refused batch keeps nothing.
    for (auto& e : entries) {
        if (!e.leaderboard || !e.score)
            return badRequest("Every score needs a leaderboard id and a decimal score");
        Statement q(db_, "SELECT 1 FROM leaderboards WHERE id = ?");
        q.bind(1, *e.leaderboard);
        if (!q.step())
            return badRequest("There is no leaderboard " + std::to_string(*e.leaderboard));
    }
    std::string body = "<resources>";
    exec("BEGIN");
    for (auto& e : entries) {
        Statement q(db_, "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data,"
                         " created_at) VALUES (?, ?, ?, ?, ?, ?)");
        q.bind(1, user).bind(2, *e.leaderboard).bind(3, *e.score).bind(4, e.displayText).bind(5, e.customData).bind(6, now());
        if (!q.run()) {
            exec("ROLLBACK");
            return Answer::xml("<errors><error>The scores could not be kept</error></errors>", 500);
        }
        int64_t id = sqlite3_last_insert_rowid(db_);
        body += "<high_score><id>" + std::to_string(id) + "</id>" + element("score", std::to_string(*e.score))
            + element("leaderboard_id", std::to_string(*e.leaderboard)) + element("display_text", e.displayText)
            + element("custom_data", e.customData) + userElement(user, user) + "</high_score>";
    }
    exec("COMMIT");
    return Answer::xml(body + "</resources>");
}

Answer StandInState::scorePage(const LoggedRequest& r, int64_t user)
{
    std::string body;
    size_t count = 0;
    if (auto board = number(r.param("leaderboard_id"))) {
        bool descending = true;
        {
            Statement q(db_, "SELECT descending FROM leaderboards WHERE id = ?");
            q.bind(1, *board);
            if (!q.step())
                return badRequest("There is no leaderboard " + r.param("leaderboard_id"));
            descending = q.integer(0) != 0;
        }
        bool friendsOnly = r.param("friends_leaderboard") == "1";
        // Each player's best, ranked.
        std::string sql = std::string("SELECT user_id, ") + (descending ? "MAX" : "MIN")
            + "(score), display_text, MAX(id) FROM high_scores WHERE leaderboard_id = ?1"
            + (friendsOnly ? " AND (user_id = ?2 OR user_id IN (SELECT friend_id FROM friends WHERE user_id = ?2))" : "")
            + " GROUP BY user_id ORDER BY 2 " + (descending ? "DESC" : "ASC") + ", MAX(id)";
        Statement q(db_, sql.c_str());
        q.bind(1, *board);
        if (friendsOnly)
            q.bind(2, user);
        while (q.step()) {
            ++count;
            body += "<high_score><id>" + std::to_string(q.integer(3)) + "</id>"
                + element("score", std::to_string(q.integer(1))) + element("rank", std::to_string(count))
                + element("leaderboard_id", std::to_string(*board)) + element("display_text", q.text(2))
                + userElement(q.integer(0), user) + "</high_score>";
        }
    } else {
        // The player's scores on every leaderboard.
        Statement q(db_, "SELECT id, leaderboard_id, score, display_text FROM high_scores WHERE user_id = ? ORDER BY id");
        q.bind(1, user);
        while (q.step()) {
            ++count;
            body += "<high_score><id>" + std::to_string(q.integer(0)) + "</id>"
                + element("score", std::to_string(q.integer(2))) + element("leaderboard_id", std::to_string(q.integer(1)))
                + element("display_text", q.text(3)) + userElement(user, user) + "</high_score>";
        }
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::leaderboards(int64_t user)
{
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT l.id, l.name, l.descending FROM leaderboards l ORDER BY l.id");
    while (q.step()) {
        ++count;
        bool descending = q.integer(2) != 0;
        body += "<leaderboard><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
            + element("descending_sort_order", descending ? "true" : "false");
        Statement best(db_, descending ? "SELECT id, score, display_text FROM high_scores WHERE user_id = ? AND"
                                         " leaderboard_id = ? ORDER BY score DESC, id LIMIT 1"
                                       : "SELECT id, score, display_text FROM high_scores WHERE user_id = ? AND"
                                         " leaderboard_id = ? ORDER BY score ASC, id LIMIT 1");
        best.bind(1, user).bind(2, q.integer(0));
        if (best.step())
            body += "<current_user_high_score><id>" + std::to_string(best.integer(0)) + "</id>"
                + element("score", std::to_string(best.integer(1))) + element("display_text", best.text(2))
                + userElement(user, user) + "</current_user_high_score>";
        body += "</leaderboard>";
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::achievementDefinitions(int64_t user)
{
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT a.id, a.title, a.description, a.gamerscore, a.position, u.percent_complete, u.unlocked_at"
                     " FROM achievements a LEFT JOIN unlocks u ON u.achievement_id = a.id AND u.user_id = ?"
                     " ORDER BY a.position");
    q.bind(1, user);
    while (q.step()) {
        ++count;
        body += "<achievement><id>" + std::to_string(q.integer(0)) + "</id>" + element("title", q.text(1))
            + element("description", q.text(2)) + element("gamerscore", std::to_string(q.integer(3)))
            + "<is_secret>false</is_secret>" + element("percent_complete", std::to_string(q.isNull(5) ? 0.0 : q.real(5)))
            + (q.isNull(6) ? std::string() : element("unlock_date", q.text(6)))
            + element("position", std::to_string(q.integer(4)))
            + "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version></achievement>";
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::submitUnlocks(const LoggedRequest& r, int64_t user)
{
    std::vector<std::pair<std::string, std::string>> entries; // id, percent
    for (auto& [name, value] : r.params) {
        if (name == "achievement_list[][achievement_definition_id]")
            entries.emplace_back(value, "");
        else if (name == "achievement_list[][percent_complete]" && !entries.empty())
            entries.back().second = value;
    }
    std::string body = "<resources>";
    exec("BEGIN");
    for (auto& [idText, percentText] : entries) {
        auto id = number(idText);
        char* end = nullptr;
        double percent = std::strtod(percentText.c_str(), &end);
        bool known = false;
        int64_t gamerscore = 0;
        if (id) {
            Statement q(db_, "SELECT gamerscore FROM achievements WHERE id = ?");
            q.bind(1, *id);
            if (q.step()) {
                known = true;
                gamerscore = q.integer(0);
            }
        }
        if (!known || percentText.empty() || *end != '\0' || percent < 0 || percent > 100) {
            body += "<unlocked_achievement><achievement_definition>" + element("id", idText)
                + "</achievement_definition><result>invalid</result>" + element("percent_complete", percentText)
                + "</unlocked_achievement>";
            continue;
        }
        // Progress never goes back; the unlock date is the first time it reached 100.
        Statement keep(db_, "INSERT INTO unlocks VALUES (?1, ?2, ?3, CASE WHEN ?3 >= 100 THEN ?4 END)"
                            " ON CONFLICT (user_id, achievement_id) DO UPDATE SET"
                            " percent_complete = MAX(percent_complete, excluded.percent_complete),"
                            " unlocked_at = COALESCE(unlocked_at, excluded.unlocked_at)");
        keep.bind(1, user).bind(2, *id).bind(3, percent).bind(4, now()).run();
        Statement q(db_, "SELECT percent_complete, unlocked_at FROM unlocks WHERE user_id = ? AND achievement_id = ?");
        q.bind(1, user).bind(2, *id);
        q.step();
        body += "<unlocked_achievement><achievement_definition><id>" + std::to_string(*id) + "</id>"
            + element("gamerscore", std::to_string(gamerscore))
            + (q.isNull(1) ? std::string() : element("unlock_date", q.text(1))) + "</achievement_definition>"
            + "<result>ok</result>" + element("percent_complete", std::to_string(q.real(0))) + "</unlocked_achievement>";
    }
    exec("COMMIT");
    return Answer::xml(body + "</resources>");
}

Answer StandInState::usersOfInterest(const LoggedRequest& r, int64_t user)
{
    std::string body;
    size_t count = 0;
    if (r.hasParam("name")) {
        Statement q(db_, "SELECT id FROM users WHERE name LIKE '%' || ? || '%' ORDER BY id");
        q.bind(1, r.param("name"));
        while (q.step()) {
            ++count;
            body += userElement(q.integer(0), user);
        }
        return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
    }
    int64_t subject = user;
    if (auto other = number(r.param("user_id")))
        subject = *other;
    bool followers = r.param("scope") == "followers";
    // Asked with a game, the list is of that game's players: each user inside a game_player.
    std::string game = r.param("with_client_application");
    Statement q(db_, followers ? "SELECT user_id FROM friends WHERE friend_id = ? ORDER BY user_id"
                               : "SELECT friend_id FROM friends WHERE user_id = ? ORDER BY friend_id");
    q.bind(1, subject);
    while (q.step()) {
        ++count;
        int64_t id = q.integer(0);
        if (game.empty()) {
            body += userElement(id, user);
            continue;
        }
        Statement best(db_, "SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a ON"
                            " a.id = x.achievement_id WHERE x.user_id = ? AND x.unlocked_at IS NOT NULL");
        best.bind(1, id);
        int64_t score = best.step() ? best.integer(0) : 0;
        body += "<game_player><id>" + std::to_string(id) + "</id>" + element("app_id", game)
            + element("app_gamerscore", std::to_string(score)) + userElement(id, user) + "</game_player>";
    }
    if (r.param("scope") == "people-of-interest" && r.param("not_sectioned") != "yes")
        return Answer::xml("<resources><resource_sections><resource_section><title>Friends</title>"
                           "<identifier>friends</identifier>"
                           + pageHeader(count) + body + "</resource_section></resource_sections></resources>");
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::rename(const LoggedRequest& r, int64_t user)
{
    std::string name = r.param("user[name]");
    if (name.empty())
        return Answer::xml("<errors><error><field>name</field><reason>can't be blank</reason></error></errors>", 422);
    Statement taken(db_, "SELECT 1 FROM users WHERE name = ? AND id != ?");
    taken.bind(1, name).bind(2, user);
    if (taken.step())
        return Answer::xml("<errors><error><field>name</field><reason>has already been taken</reason></error></errors>",
                           422);
    Statement q(db_, "UPDATE users SET name = ? WHERE id = ?");
    q.bind(1, name).bind(2, user).run();
    return Answer::xml("<resources></resources>");
}

Answer StandInState::deviceAccounts(const LoggedRequest& r)
{
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT user_id FROM devices WHERE udid = ?");
    q.bind(1, r.param("udid"));
    while (q.step()) {
        ++count;
        body += userElement(q.integer(0), q.integer(0));
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::oneUser(const std::string& id, int64_t user)
{
    std::optional<int64_t> subject = id == "@me" ? std::optional<int64_t>(user) : number(id);
    if (!subject || !userName(*subject))
        return Answer::xml("<errors><error>No such player</error></errors>", 404);
    return Answer::xml(userElement(*subject, user));
}

Answer StandInState::follow(const LoggedRequest& r, int64_t user, bool start)
{
    // users/<id>/following.xml
    std::string id = r.path.substr(6);
    id = id.substr(0, id.find('/'));
    auto other = number(id);
    if (!other || !userName(*other) || *other == user)
        return Answer::xml("<errors><error>No such player</error></errors>", 404);
    if (start) {
        Statement q(db_, "INSERT OR IGNORE INTO friends VALUES (?, ?)");
        q.bind(1, user).bind(2, *other).run();
    } else if (r.param("follower") == "yes") {
        Statement q(db_, "DELETE FROM friends WHERE user_id = ? AND friend_id = ?");
        q.bind(1, *other).bind(2, user).run();
    } else {
        Statement q(db_, "DELETE FROM friends WHERE user_id = ? AND friend_id = ?");
        q.bind(1, user).bind(2, *other).run();
    }
    return Answer::xml("<resources></resources>");
}

std::string StandInState::challengeElement(int64_t id, int64_t viewer)
{
    Statement q(db_, "SELECT challenger_id, definition_id, description, COALESCE(hidden_text, ''),"
                     " COALESCE(user_message, '') FROM challenges WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<challenge><id>" + std::to_string(id) + "</id>" + element("description", q.text(2))
        + element("hidden_text", q.text(3)) + element("user_message", q.text(4))
        + element("user_data_url", "/challenges/" + std::to_string(id) + "/data.blob")
        + "<challenge_definition><id>" + std::to_string(q.integer(1)) + "</id>"
        + element("name", definitionName(q.integer(1))) + "<client_application_id>" + kGameId
        + "</client_application_id><multi_attempt>true</multi_attempt></challenge_definition>"
        + userElement(q.integer(0), viewer) + "</challenge>";
}

Answer StandInState::sendChallenge(const LoggedRequest& r, int64_t user)
{
    auto definition = number(r.param("challenge_definition_id"));
    if (!definition || definitionName(*definition).empty())
        return badRequest("There is no such challenge definition");
    std::vector<int64_t> recipients;
    for (auto& [name, value] : r.params)
        if (name == "challenge_user_ids[]") {
            auto id = number(value);
            if (!id || !userName(*id) || *id == user)
                return badRequest("A challenge goes to other players only");
            recipients.push_back(*id);
        }
    if (recipients.empty())
        return badRequest("A challenge needs a player to go to");
    exec("BEGIN");
    Statement q(db_, "INSERT INTO challenges (challenger_id, definition_id, description, hidden_text, user_message,"
                     " data, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, user).bind(2, *definition).bind(3, r.param("challenge_description")).bind(4, r.param("challenge_hidden_text"));
    if (r.hasParam("challenge_user_message"))
        q.bind(5, r.param("challenge_user_message"));
    q.bind(6, r.param("challenge_user_data")).bind(7, now());
    if (!q.run()) {
        exec("ROLLBACK");
        return Answer::xml("<errors><error>The challenge could not be kept</error></errors>", 500);
    }
    int64_t challenge = sqlite3_last_insert_rowid(db_);
    for (int64_t to : recipients) {
        Statement add(db_, "INSERT INTO challenges_users (challenge_id, user_id) VALUES (?, ?)");
        add.bind(1, challenge).bind(2, to).run();
    }
    exec("COMMIT");
    return Answer::xml("<resources>" + challengeElement(challenge, user) + "</resources>");
}

Answer StandInState::sentChallenges(const LoggedRequest&, int64_t user)
{
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT id FROM challenges WHERE challenger_id = ? ORDER BY id DESC");
    q.bind(1, user);
    while (q.step()) {
        ++count;
        body += challengeElement(q.integer(0), user);
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::receivedChallenges(const LoggedRequest& r, int64_t user)
{
    std::string where = "user_id = ?1 AND ignored = 0";
    if (r.param("incomplete") == "1")
        where += " AND result IS NULL";
    else if (r.param("complete") == "1")
        where += " AND result IS NOT NULL";
    if (auto challenge = number(r.param("challenge_id")))
        where = "challenge_id = " + std::to_string(*challenge);
    std::string sql = "SELECT id, challenge_id, user_id, COALESCE(result, ''), COALESCE(result_text, '') FROM"
                      " challenges_users WHERE " + where + " ORDER BY id DESC";
    Statement q(db_, sql.c_str());
    if (where.find("?1") != std::string::npos)
        q.bind(1, user);
    std::string body;
    size_t count = 0;
    while (q.step()) {
        ++count;
        body += "<challenges_user><id>" + std::to_string(q.integer(0)) + "</id>" + element("result", q.text(3))
            + element("result_text", q.text(4)) + "<viewed>1</viewed><attempts>0</attempts>"
            + challengeElement(q.integer(1), user) + userElement(q.integer(2), user) + "</challenges_user>";
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::answerChallenge(const LoggedRequest& r, int64_t user)
{
    // challenges_users/<id>/update.xml, only by the player it went to
    std::string id = r.path.substr(17);
    id = id.substr(0, id.find('/'));
    auto row = number(id);
    Statement owner(db_, "SELECT 1 FROM challenges_users WHERE id = ? AND user_id = ?");
    owner.bind(1, row.value_or(-1)).bind(2, user);
    if (!row || !owner.step())
        return Answer::xml("<errors><error>No such challenge for this player</error></errors>", 404);
    if (r.param("challenges_user[ignored]") == "1") {
        Statement q(db_, "UPDATE challenges_users SET ignored = 1 WHERE id = ?");
        q.bind(1, *row).run();
    } else {
        std::string result = r.param("challenges_user[result]");
        if (!result.empty() && result != "win" && result != "lose" && result != "tie")
            return badRequest("A result is win, lose or tie");
        Statement q(db_, "UPDATE challenges_users SET result = ?, result_text = ? WHERE id = ?");
        q.bind(1, result.empty() ? std::string("none") : result).bind(2, r.param("challenges_user[result_text]")).bind(3, *row).run();
    }
    return Answer::xml("<resources></resources>");
}

namespace {
// The id after a path's first segment ("topics/201/discussions.xml": 201).
std::optional<int64_t> pathId(const std::string& path)
{
    size_t from = path.find('/');
    if (from == std::string::npos)
        return std::nullopt;
    std::string id = path.substr(from + 1);
    return number(id.substr(0, id.find('/')));
}
bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

std::string StandInState::threadElement(int64_t id, int64_t viewer)
{
    Statement q(db_, "SELECT d.subject, d.updated_at, (SELECT COUNT(*) FROM posts WHERE discussion_id = d.id),"
                     " (SELECT user_id FROM posts WHERE discussion_id = d.id ORDER BY id DESC LIMIT 1)"
                     " FROM discussions d WHERE d.id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<discussion><id>" + std::to_string(id) + "</id>" + element("subject", q.text(0))
        + userElement(q.integer(3), viewer) + element("updated_at", forumDate(q.text(1)))
        + "<locked>false</locked>" + element("posts_count", std::to_string(q.integer(2)))
        + "<sticky>false</sticky><subscribed>false</subscribed></discussion>";
}

Answer StandInState::forumTopics(const LoggedRequest&, int64_t)
{
    std::string body;
    Statement q(db_, "SELECT t.id, t.name, (SELECT COUNT(*) FROM discussions WHERE topic_id = t.id) FROM topics t"
                     " ORDER BY t.id");
    while (q.step())
        body += "<topic><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
            + element("discussions_count", std::to_string(q.integer(2))) + "</topic>";
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer StandInState::forumThreads(const LoggedRequest& r, int64_t user)
{
    auto topic = pathId(r.path);
    if (!topic || !endsWith(r.path, "/discussions.xml"))
        return Answer::xml("<errors><error>Not found</error></errors>", 404);
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT id FROM discussions WHERE topic_id = ? ORDER BY updated_at DESC, id DESC");
    q.bind(1, *topic);
    while (q.step()) {
        ++count;
        body += threadElement(q.integer(0), user);
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::newForumThread(const LoggedRequest& r, int64_t user)
{
    auto topic = pathId(r.path);
    Statement known(db_, "SELECT 1 FROM topics WHERE id = ?");
    known.bind(1, topic.value_or(-1));
    if (!topic || !endsWith(r.path, "/discussions.xml") || !known.step())
        return Answer::xml("<errors><error>No such topic</error></errors>", 404);
    std::string subject = r.param("discussion[subject]"), text = r.param("discussion[body]");
    if (subject.empty() || text.empty())
        return Answer::xml("<errors><error>A thread needs a subject and a text</error></errors>", 422);
    exec("BEGIN");
    Statement q(db_, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, *topic).bind(2, subject).bind(3, user).bind(4, now()).run();
    int64_t thread = sqlite3_last_insert_rowid(db_);
    Statement first(db_, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    first.bind(1, thread).bind(2, user).bind(3, text).bind(4, now()).run();
    exec("COMMIT");
    return Answer::xml("<resources>" + threadElement(thread, user) + "</resources>");
}

Answer StandInState::forumPosts(const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !endsWith(r.path, "/posts.xml"))
        return Answer::xml("<errors><error>Not found</error></errors>", 404);
    std::string body;
    size_t count = 0;
    Statement q(db_, "SELECT id, user_id, body, created_at FROM posts WHERE discussion_id = ? ORDER BY id");
    q.bind(1, *thread);
    while (q.step()) {
        ++count;
        body += "<post><id>" + std::to_string(q.integer(0)) + "</id>" + element("body", q.text(2))
            + userElement(q.integer(1), user) + element("created_at", forumDate(q.text(3)))
            + element("discussion_id", std::to_string(*thread)) + "</post>";
    }
    return Answer::xml("<resources>" + pageHeader(count) + body + "</resources>");
}

Answer StandInState::newForumPost(const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    Statement known(db_, "SELECT 1 FROM discussions WHERE id = ?");
    known.bind(1, thread.value_or(-1));
    if (!thread || !endsWith(r.path, "/posts.xml") || !known.step())
        return Answer::xml("<errors><error>No such thread</error></errors>", 404);
    std::string text = r.param("post[body]");
    if (text.empty())
        return Answer::xml("<errors><error>A post needs a text</error></errors>", 422);
    Statement q(db_, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    q.bind(1, *thread).bind(2, user).bind(3, text).bind(4, now()).run();
    int64_t post = sqlite3_last_insert_rowid(db_);
    Statement touch(db_, "UPDATE discussions SET updated_at = ? WHERE id = ?");
    touch.bind(1, now()).bind(2, *thread).run();
    return Answer::xml("<resources><post><id>" + std::to_string(post) + "</id>" + element("body", text)
                       + userElement(user, user) + element("discussion_id", std::to_string(*thread))
                       + "</post></resources>");
}

Answer StandInState::startConversation(const LoggedRequest& r, int64_t user)
{
    // A conversation is a thread of two players outside every topic (topic 0, the other player as subject).
    auto other = number(r.param("discussion[other_user_id]"));
    if (!other || *other == user || !userName(*other))
        return Answer::xml("<errors><error>No such player</error></errors>", 404);
    std::string subject = std::to_string(std::min(user, *other)) + "-" + std::to_string(std::max(user, *other));
    int64_t id = 0;
    {
        Statement q(db_, "SELECT id FROM discussions WHERE topic_id = 0 AND subject = ?");
        q.bind(1, subject);
        if (q.step())
            id = q.integer(0);
    }
    if (!id) {
        Statement q(db_, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (0, ?, ?, ?)");
        q.bind(1, subject).bind(2, user).bind(3, now()).run();
        id = sqlite3_last_insert_rowid(db_);
    }
    Statement q(db_, "SELECT updated_at, (SELECT COUNT(*) FROM posts WHERE discussion_id = ?1) FROM discussions WHERE id = ?1");
    q.bind(1, id);
    q.step();
    return Answer::xml("<conversation><id>" + std::to_string(id) + "</id><subject></subject>"
                       + element("updated_at", forumDate(q.text(0))) + element("posts_count", std::to_string(q.integer(1)))
                       + userElement(user, user) + userElement(*other, user, "other_user") + "</conversation>");
}

std::vector<std::string> StandInState::postsIn(int64_t thread) const
{
    std::lock_guard guard(mutex_);
    std::vector<std::string> out;
    if (!db_)
        return out;
    Statement q(db_, "SELECT body FROM posts WHERE discussion_id = ? ORDER BY id");
    q.bind(1, thread);
    while (q.step())
        out.push_back(q.text(0));
    return out;
}

std::vector<StandInState::Challenge> StandInState::challengesTo(int64_t user) const
{
    std::lock_guard guard(mutex_);
    std::vector<Challenge> out;
    if (!db_)
        return out;
    Statement q(db_, "SELECT c.id, c.challenger_id, c.definition_id, COALESCE(c.user_message, ''), COALESCE(u.result, '')"
                     " FROM challenges_users u JOIN challenges c ON c.id = u.challenge_id WHERE u.user_id = ? ORDER BY u.id");
    q.bind(1, user);
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.integer(2), q.text(3), q.text(4) });
    return out;
}

std::vector<StandInState::Score> StandInState::scores() const
{
    std::lock_guard guard(mutex_);
    std::vector<Score> out;
    if (!db_)
        return out;
    Statement q(db_, "SELECT id, user_id, leaderboard_id, score, COALESCE(display_text, '') FROM high_scores ORDER BY id");
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.integer(2), q.integer(3), q.text(4) });
    return out;
}

std::vector<StandInState::Unlock> StandInState::unlocks() const
{
    std::lock_guard guard(mutex_);
    std::vector<Unlock> out;
    if (!db_)
        return out;
    Statement q(db_, "SELECT user_id, achievement_id, percent_complete, COALESCE(unlocked_at, '') FROM unlocks"
                     " ORDER BY user_id, achievement_id");
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.real(2), q.text(3) });
    return out;
}

std::optional<int64_t> StandInState::userForDevice(const std::string& udid) const
{
    std::lock_guard guard(mutex_);
    if (!db_)
        return std::nullopt;
    Statement q(db_, "SELECT user_id FROM devices WHERE udid = ?");
    q.bind(1, udid);
    if (!q.step())
        return std::nullopt;
    return q.integer(0);
}

std::optional<std::string> StandInState::userName(int64_t userId) const
{
    std::lock_guard guard(mutex_);
    if (!db_)
        return std::nullopt;
    Statement q(db_, "SELECT name FROM users WHERE id = ?");
    q.bind(1, userId);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

int64_t StandInState::addUser(const std::string& name)
{
    std::lock_guard guard(mutex_);
    if (!db_)
        return 0;
    // New players get ids above the seeded ones.
    Statement q(db_, "INSERT INTO users VALUES ((SELECT MAX(COALESCE(MAX(id), 0) + 1, 100) FROM users), ?, ?)");
    q.bind(1, name).bind(2, now()).run();
    return sqlite3_last_insert_rowid(db_);
}

int64_t StandInState::addChallenge(int64_t challenger, int64_t definitionId, const std::string& description,
                                  const std::string& userMessage, int64_t to)
{
    std::lock_guard guard(mutex_);
    if (!db_ || challenger == to)
        return 0;
    exec("BEGIN");
    Statement q(db_, "INSERT INTO challenges (challenger_id, definition_id, description, hidden_text, user_message,"
                     " data, created_at) VALUES (?, ?, ?, '', ?, '', ?)");
    q.bind(1, challenger).bind(2, definitionId).bind(3, description).bind(4, userMessage).bind(5, now());
    if (!q.run()) {
        exec("ROLLBACK");
        return 0;
    }
    int64_t challenge = sqlite3_last_insert_rowid(db_);
    Statement add(db_, "INSERT INTO challenges_users (challenge_id, user_id) VALUES (?, ?)");
    add.bind(1, challenge).bind(2, to).run();
    exec("COMMIT");
    return challenge;
}

int64_t StandInState::addThread(int64_t topic, const std::string& subject,
                                const std::vector<std::pair<int64_t, std::string>>& posts)
{
    std::lock_guard guard(mutex_);
    if (!db_ || posts.empty())
        return 0;
    exec("BEGIN");
    Statement q(db_, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, topic).bind(2, subject).bind(3, posts.front().first).bind(4, now()).run();
    int64_t thread = sqlite3_last_insert_rowid(db_);
    for (auto& [author, text] : posts) {
        Statement post(db_, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
        post.bind(1, thread).bind(2, author).bind(3, text).bind(4, now()).run();
    }
    exec("COMMIT");
    return thread;
}

void StandInState::addScore(int64_t userId, int64_t leaderboardId, int64_t score, const std::string& displayText)
{
    std::lock_guard guard(mutex_);
    if (!db_)
        return;
    Statement q(db_, "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at)"
                     " VALUES (?, ?, ?, ?, ?)");
    q.bind(1, userId).bind(2, leaderboardId).bind(3, score).bind(4, displayText).bind(5, now()).run();
}

std::vector<int64_t> StandInState::followedBy(int64_t user) const
{
    std::lock_guard guard(mutex_);
    std::vector<int64_t> out;
    if (!db_)
        return out;
    Statement q(db_, "SELECT friend_id FROM friends WHERE user_id = ? ORDER BY friend_id");
    q.bind(1, user);
    while (q.step())
        out.push_back(q.integer(0));
    return out;
}

void StandInState::addFriends(int64_t a, int64_t b)
{
    std::lock_guard guard(mutex_);
    if (!db_)
        return;
    Statement q(db_, "INSERT OR IGNORE INTO friends VALUES (?1, ?2), (?2, ?1)");
    q.bind(1, a).bind(2, b).run();
}

} // namespace standin
