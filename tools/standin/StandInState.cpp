// Opening the stand-in's store, its route table, and the players' part of the
// state's own interface. Each domain's tables and answers are in its own files.
#include "tools/standin/StandInState.h"

#include "platform/foundation/Text.h"
#include "tools/standin/StandInAccounts.h"
#include "tools/standin/StandInAchievements.h"
#include "tools/standin/StandInChallenges.h"
#include "tools/standin/StandInChat.h"
#include "tools/standin/StandInCloud.h"
#include "tools/standin/StandInConversations.h"
#include "tools/standin/StandInForums.h"
#include "tools/standin/StandInFriends.h"
#include "tools/standin/StandInGames.h"
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInInvites.h"
#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInReplays.h"
#include "tools/standin/StandInScores.h"
#include "tools/standin/StandInSettings.h"
#include "tools/standin/StandInSocial.h"
#include "tools/standin/StandInStore.h"
#include "tools/standin/StandInTexts.h"
#include "tools/standin/StandInTickers.h"
#include "tools/standin/StandInXml.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>

namespace standin {

// The hold of a state folder: DIR/standin.lock, locked (flock) by the first
// state of this process on the folder and shared by its others; the file
// names the process that holds it.
class StateFolderLock {
public:
    // Nothing when another process holds the folder, or the file cannot be
    // had; `error` says why.
    static std::unique_ptr<StateFolderLock> take(const std::string& directory, std::string& error);
    ~StateFolderLock();
    StateFolderLock(const StateFolderLock&) = delete;
    StateFolderLock& operator=(const StateFolderLock&) = delete;

private:
    using FileId = std::pair<dev_t, ino_t>;
    explicit StateFolderLock(FileId id) : id_(id) { }
    struct Hold {
        int fd;
        int states;
    };
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static std::map<FileId, Hold>& holds()
    {
        static std::map<FileId, Hold> h;
        return h;
    }
    FileId id_;
};

std::unique_ptr<StateFolderLock> StateFolderLock::take(const std::string& directory, std::string& error)
{
    const std::string path = directory + "/standin.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    const FileId id { info.st_dev, info.st_ino };
    std::lock_guard guard(mutex());
    if (auto held = holds().find(id); held != holds().end()) {
        ::close(fd);
        ++held->second.states;
        return std::unique_ptr<StateFolderLock>(new StateFolderLock(id));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        char text[32] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        std::string holder = n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
        holder.erase(holder.find_last_not_of("\n") + 1);
        ::close(fd);
        error = why == EWOULDBLOCK
            ? "the state folder " + directory + " is in use by another stand-in service (process "
                + (holder.empty() ? std::string("unknown") : holder)
                + "): stop that one first, or give this one a folder of its own"
            : "cannot lock " + path + ": " + std::strerror(why);
        return nullptr;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()))
        std::fprintf(stderr, "standin state: %s does not name this process: %s\n", path.c_str(), std::strerror(errno));
    holds().emplace(id, Hold { fd, 1 });
    return std::unique_ptr<StateFolderLock>(new StateFolderLock(id));
}

StateFolderLock::~StateFolderLock()
{
    std::lock_guard guard(mutex());
    auto held = holds().find(id_);
    if (held == holds().end() || --held->second.states > 0)
        return;
    ::close(held->second.fd); // the hold ends with the file's last descriptor
    holds().erase(held);
}

StandInState::StandInState(std::string directory)
    : store_(std::make_unique<Store>())
{
    if (directory.empty()) {
        store_->error = "no state directory given";
        return;
    }
    // The store holds every token's secret: the folders made here are the
    // owner's alone (0700), its parents made as needed, and the file is 0600
    // (journals take the file's mode).
    for (size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        const std::string part = directory.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            store_->error = "cannot make the state directory " + directory + " (" + part + ": " + std::strerror(errno) + ")";
            return;
        }
        if (slash == std::string::npos)
            break;
    }
    lock_ = StateFolderLock::take(directory, store_->error);
    if (!lock_)
        return;
    path_ = directory + "/standin.sqlite";
    const int kept = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (kept < 0 || ::fchmod(kept, 0600) != 0) {
        store_->error = "cannot open " + path_ + ": " + std::strerror(errno);
        if (kept >= 0)
            ::close(kept);
        return;
    }
    ::close(kept);
    sqlite3*& db = store_->db;
    if (sqlite3_open(path_.c_str(), &db) != SQLITE_OK) {
        store_->error = "cannot open " + path_ + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        db = nullptr;
        return;
    }
    sqlite3_busy_timeout(db, 2000);
    std::string schema = std::string(players::kSchema) + scores::kSchema + achievements::kSchema + friends::kSchema
        + challenges::kSchema + forums::kSchema + chat::kSchema
        + settings::kSchema + games::kSchema + invites::kSchema + cloud::kSchema
        + social::kSchema + tickers::kSchema + accounts::kSchema + replays::kSchema;
    // The schema and the seeds go in as one transaction: one write to the
    // disk instead of one per table, which a new folder per test pays for.
    if (!store_->exec("BEGIN;" + schema)) {
        sqlite3_close(db);
        db = nullptr;
        return;
    }
    bool seeded = false;
    {
        Statement q(db, "SELECT COUNT(*) FROM leaderboards");
        seeded = q.step() && q.integer(0) > 0;
    }
    // The seeded game; users the service makes start after the seeded players.
    if (!seeded)
        store_->exec(std::string(players::kSeed) + scores::kSeed + achievements::kSeed + challenges::kSeed
                     + forums::kSeed);
    // Domains added later seed themselves into a folder kept by an older service.
    seedWhenEmpty("chat_room_definitions", chat::kSeed);
    seedWhenEmpty("announcements", forums::kAnnouncementSeed);
    seedWhenEmpty("settings", settings::kSeed);
    seedWhenEmpty("games", games::kSeed);
    seedWhenEmpty("invite_definitions", invites::kSeed);
    seedWhenEmpty("challenge_definitions", challenges::kDefinitionSeed);
    seedWhenEmpty("tickers", tickers::kSeed);
    // What an older service kept otherwise than this one reads it.
    if (settings::moveKeysPlayersMade(*store_) < 0 || !store_->exec(challenges::kOneRecordEach)) {
        store_->error = "cannot bring " + path_ + " up to date (its settings keys players made, its challenges' "
                        "records): " + sqlite3_errmsg(db);
        sqlite3_close(db);
        db = nullptr;
        return;
    }
    if (!store_->exec("COMMIT;")) {
        store_->error = "cannot write " + path_ + ": " + store_->error;
        sqlite3_close(db);
        db = nullptr;
    }
}

void StandInState::seedWhenEmpty(const char* table, const char* seed)
{
    bool empty = false;
    {
        Statement q(store_->db, ("SELECT COUNT(*) FROM " + std::string(table)).c_str());
        empty = q.step() && q.integer(0) == 0;
    }
    if (empty)
        store_->exec(seed);
}

StandInState::~StandInState()
{
    replays_.reset();
    if (store_->db)
        sqlite3_close(store_->db);
}

bool StandInState::isOpen() const { return store_->db != nullptr; }

const std::string& StandInState::error() const { return store_->error; }

namespace {

using Route = Answer (*)(Store&, const LoggedRequest&, int64_t);

// A kept route found no caller for the request: 401 with what was wrong with it, as the log and the answer say.
Answer refusal(const LoggedRequest& r)
{
    if (!r.signed_)
        return xml::error(401, "The request is not signed");
    if (!r.signatureValid)
        return signatureRefusal(r);
    if (r.oauthToken.empty())
        return xml::error(401, "The request needs a player's token: it is signed with the game's key alone");
    return xml::error(401, "The request's token is not one the service issued to a player");
}

} // namespace

void StandInState::install(StandInServer& server)
{
    if (!store_->db)
        return;
    Store& s = *store_;
    {
        std::lock_guard guard(s.mutex);
        Statement q(s.db, "SELECT token, secret FROM tokens WHERE token NOT IN (SELECT token FROM refused_tokens)");
        while (q.step())
            server.addToken(q.text(0), q.text(1));
        Statement refused(s.db, "SELECT token FROM refused_tokens");
        while (refused.step())
            server.forgetToken(refused.text(0));
    }
    if (!replays_)
        replays_ = std::make_unique<replays::Keeper>(s, path_);
    server.keepTakenRequests(replays_->load(static_cast<long long>(std::time(nullptr)), kTimestampWindow),
                             [keeper = replays_.get()](const std::string& key, long long timestamp,
                                                       const std::string& caller,
                                                       std::optional<long long> forgottenUpTo) {
                                 return keeper->keep(key, timestamp, caller, forgottenUpTo);
                             });
    // Every route runs in one transaction of its own (Store::kept): what it
    // answers with success is kept, checked, or the answer is 500.
    // Each kept route finds its caller first; an unknown or forged caller gets 401.
    // A text over its bound (StandInTexts.h) is refused before a route reads it.
    auto signedRoute = [&s](Route route) {
        return [&s, route](const LoggedRequest& r) -> Answer {
            std::lock_guard guard(s.mutex);
            return s.kept([&] {
                auto user = s.caller(r);
                if (!user)
                    return refusal(r);
                if (auto refused = texts::overLong(r))
                    return *refused;
                return social::withPendingNotices(s, *user, route(s, r, *user));
            });
        };
    };
    // The same with the answer the game and player routes give a stranger.
    auto playerRoute = [&s](Route route) {
        return [&s, route](const LoggedRequest& r) -> Answer {
            std::lock_guard guard(s.mutex);
            return s.kept([&] {
                auto user = s.caller(r);
                if (!user)
                    return xml::error(401, "The request is not signed by a known player");
                if (auto refused = texts::overLong(r))
                    return *refused;
                return social::withPendingNotices(s, *user, route(s, r, *user));
            });
        };
    };
    // Routes that need no caller.
    auto openRoute = [&s](Answer (*route)(Store&, const LoggedRequest&)) {
        return [&s, route](const LoggedRequest& r) -> Answer {
            if (auto refused = texts::overLong(r))
                return *refused;
            std::lock_guard guard(s.mutex);
            return s.kept([&] { return route(s, r); });
        };
    };
    const std::string game = std::string("client_applications/") + kGameId;

    // Players
    server.route("POST", "bootstrap.xml", [&s, &server](const LoggedRequest& r) {
        if (r.signed_ && r.signatureValid)
            if (auto refused = texts::overLong(r))
                return *refused;
        std::lock_guard guard(s.mutex);
        return s.kept([&] { return players::bootstrap(s, r, server); });
    });
    server.route("POST", "users/update_name.xml", signedRoute(&players::rename));
    server.route("GET", "users/for_device.xml", [&s](const LoggedRequest& r) {
        std::lock_guard guard(s.mutex);
        if (!r.signed_ || !r.signatureValid)
            return refusal(r);
        if (auto refused = texts::overLong(r))
            return *refused;
        return s.kept([&] { return players::deviceAccounts(s, r); });
    });
    server.route("GET", "users/@me/activities.xml", playerRoute(&chat::activities));
    // E-mail accounts: the login is signed by the game (the device may have no player yet).
    server.route("POST", "session.xml", openRoute(&accounts::logIn));
    server.route("POST", "http_basic_credentials/update_email.xml", signedRoute(&accounts::changeEmail));
    server.route("POST", "http_basic_credentials/update_password.xml", signedRoute(&accounts::changePassword));
    server.route("POST", "support/do_pw_reset.xml", signedRoute(&accounts::resetPassword));
    server.route("POST", "extended_credentials.xml", openRoute(&accounts::extend));
    server.route("GET", "users/@me/settings.xml", signedRoute(&settings::list));
    server.route("POST", "users/@me/settings.xml", signedRoute(&settings::change));
    server.routePrefix("GET", "users/@me/settings/", signedRoute(&settings::one));
    // The account chooser removes an account before anyone is logged in: signed by the game alone.
    auto removal = [&s](const LoggedRequest& r) -> Answer {
        std::lock_guard guard(s.mutex);
        if (!r.signed_ || !r.signatureValid)
            return refusal(r);
        if (auto refused = texts::overLong(r))
            return *refused;
        return s.kept([&] { return settings::removeFromDevice(s, r, s.caller(r)); });
    };
    server.route("GET", "users/remove_from_device.xml", removal);
    server.route("POST", "users/remove_from_device.xml", removal);
    server.route("GET", game + "/news_letter_subscription.xml", signedRoute(&settings::newsletter));
    server.route("POST", game + "/news_letter_subscription.xml", signedRoute(&settings::subscribeNewsletter));
    server.route("DELETE", game + "/news_letter_subscription.xml", signedRoute(&settings::unsubscribeNewsletter));
    server.routePrefix("GET", "users/", playerRoute(&players::one));
    // Scores and leaderboards ("@me" or the game's id is the running game)
    server.route("POST", "client_applications/@me/high_scores.xml", signedRoute(&scores::submit));
    server.route("GET", "client_applications/@me/high_scores.xml", signedRoute(&scores::page));
    server.route("GET", "client_applications/@me/leaderboards.xml", playerRoute(&scores::leaderboards));
    server.route("GET", game + "/leaderboards.xml", playerRoute(&scores::leaderboards));
    // Achievements
    server.route("GET", "client_applications/@me/achievement_definitions.xml", playerRoute(&achievements::definitions));
    server.route("GET", game + "/achievement_definitions.xml", playerRoute(&achievements::definitions));
    server.route("POST", "users/@me/unlocked_achievements.xml", signedRoute(&achievements::submitUnlocks));
    // Friends
    server.route("GET", "users.xml", signedRoute(&friends::usersOfInterest));
    server.routePrefix("POST", "users/", playerRoute(&players::postToPlayer));
    server.routePrefix("DELETE", "users/", playerRoute(&friends::unfollow));
    // Challenges (a challenge's data is fetched unsigned from its user_data_url)
    server.route("POST", "challenges.xml", signedRoute(&challenges::send));
    server.route("GET", "challenges.xml", signedRoute(&challenges::sent));
    server.route("GET", "challenges_users.xml", signedRoute(&challenges::received));
    server.routePrefix("POST", "challenges_users/", signedRoute(&challenges::answer));
    server.routePrefix("GET", "challenges_users/", signedRoute(&challenges::one));
    server.routePrefix("GET", "challenges/", openRoute(&challenges::data));
    server.route("GET", "challenge_definitions.xml", signedRoute(&challenges::definitions));
    server.routePrefix("GET", "challenge_definitions/", signedRoute(&challenges::definition));
    // Ranges of a leaderboard's scores
    server.routePrefix("GET", "leaderboards/", signedRoute(&scores::range));
    // The ticker
    server.route("GET", "tickers.xml", signedRoute(&tickers::list));
    // Forums
    server.route("GET", game + "/forums/announcements.xml", signedRoute(&forums::announcements));
    server.route("GET", "subscriptions.xml", signedRoute(&forums::subscriptionList));
    server.route("GET", game + "/forums.xml", signedRoute(&forums::topics));
    server.route("GET", "client_applications/@me/forums.xml", signedRoute(&forums::topics));
    server.routePrefix("GET", "topics/", signedRoute(&forums::threads));
    server.routePrefix("POST", "topics/", signedRoute(&forums::newThread));
    server.routePrefix("GET", "discussions/", signedRoute(&forums::posts));
    server.routePrefix("POST", "discussions/", signedRoute(&forums::postToThread));
    // Games, profiles and discovery
    server.routePrefix("GET", "apps/", signedRoute(&games::profile));
    server.route("GET", "apps.xml", signedRoute(&games::played));
    server.routePrefix("GET", "profiles/", signedRoute(&games::profiles));
    server.route("POST", game + "/users/review.xml", signedRoute(&games::writeReview));
    server.routePrefix("GET", game + "/users/", signedRoute(&games::review));
    server.route("GET", "client_application_users/fan_club", signedRoute(&games::fanClub));
    server.route("GET", game + "/application_descriptions.xml", signedRoute(&games::description));
    server.route("GET", "game_discovery_categories", signedRoute(&games::discoveryIndex));
    server.routePrefix("GET", "game_discovery_categories/", signedRoute(&games::discoveryPage));
    server.routePrefix("GET", "game_discovery_news_items/", signedRoute(&games::newsItemPage));
    server.route("GET", "banners/featured-1.png", openRoute(&games::banner));
    server.route("GET", "banners/featured-2.png", openRoute(&games::banner));
    server.routePrefix("GET", "icons/", openRoute(&games::banner));
    // The cloud store
    server.route("POST", "cloud_stores", signedRoute(&cloud::store));
    server.route("GET", "cloud_stores.xml", signedRoute(&cloud::keys));
    server.routePrefix("GET", "cloud_stores/", signedRoute(&cloud::fetch));
    // Social networks, pictures and device tokens
    server.route("POST", "users_credentials.xml", signedRoute(&social::link));
    server.route("GET", "users_credentials", signedRoute(&social::credentials));
    server.route("GET", "users_credentials/import_friends", signedRoute(&social::importFriends));
    server.route("POST", "users_credentials/remove.xml", signedRoute(&social::unlink));
    server.route("GET", "users_credentials/remove.xml", signedRoute(&social::unlink));
    server.route("POST", "notifications.xml", signedRoute(&social::post));
    server.route("GET", game + "/notification_images/show.xml", signedRoute(&social::imageUrl));
    server.route("GET", "profile_picture", signedRoute(&social::pictureSources));
    server.routePrefix("POST", "profile_picture/select/", signedRoute(&social::selectPicture));
    server.route("POST", "profile_picture/refresh", signedRoute(&social::refreshPicture));
    server.routePrefix("GET", "profile_pictures/", openRoute(&social::picture));
    server.route("POST", "push_notification_device_tokens.xml", signedRoute(&social::deviceToken));
    server.route("GET", "invites/new/invitable_friends", signedRoute(&social::invitableFriends));
    server.routePrefix("GET", "http_basic_credentials/", signedRoute(&social::httpBasic));
    server.routePrefix("POST", "high_scores/", signedRoute(&social::invalidateBlob));
    // Invitations
    server.route("GET", "invites.xml", signedRoute(&invites::received));
    server.route("POST", "invites.xml", signedRoute(&invites::send));
    server.routePrefix("PUT", "invites/", signedRoute(&invites::ignore));
    server.routePrefix("GET", "invite_definitions/", signedRoute(&invites::definition));
    // Conversations
    server.route("POST", "discussions.xml", signedRoute(&conversations::start));
    // Chat
    server.route("GET", "chat_room_definitions.xml", signedRoute(&chat::definitions));
    server.route("GET", "chat_room_instances.xml", signedRoute(&chat::instances));
    server.route("GET", "chat_room_instances/join", signedRoute(&chat::join));
    server.route("GET", "chat_room_instances/show", signedRoute(&chat::show));
    server.route("POST", "chat_messages.xml", signedRoute(&chat::post));
}

void StandInState::keepObjectsOf(StorageHostStandIn& host)
{
    if (!store_->db)
        return;
    Store& s = *store_;
    s.storage = &host;
    {
        std::lock_guard guard(s.mutex);
        auto secret = s.kept([&] {
            auto kept = cloud::storageSecret(s, host.secret());
            return kept ? Answer::xml(*kept) : xml::error(500, "The storage host's secret could not be kept");
        });
        if (secret.status == 200)
            host.setSecret(secret.body);
        else
            std::fprintf(stderr, "standin state: the storage host's secret is not kept; its forms end with the host\n");
    }
    host.setObjectStore(
        [&s](const std::string& key, const std::string& bytes) {
            std::lock_guard guard(s.mutex);
            return s.kept([&] {
                       return cloud::putObject(s, key, bytes) ? Answer::xml({})
                                                              : xml::error(500, "The object could not be kept");
                   }).status == 200;
        },
        [&s](const std::string& key) {
            std::lock_guard guard(s.mutex);
            return cloud::object(s, key);
        });
}

std::optional<int64_t> StandInState::userForDevice(const std::string& udid) const
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return std::nullopt;
    return players::forDevice(*store_, udid);
}

int StandInState::refuseTokensOf(int64_t userId, StandInServer* server)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return 0;
    std::vector<std::string> refused;
    {
        Statement q(store_->db, "SELECT token FROM tokens WHERE user_id = ? AND token NOT IN (SELECT token FROM "
                                "refused_tokens)");
        q.bind(1, userId);
        while (q.step())
            refused.push_back(q.text(0));
    }
    for (auto& token : refused) {
        Statement q(store_->db, "INSERT INTO refused_tokens VALUES (?)");
        q.bind(1, token).run();
        if (server)
            server->forgetToken(token);
    }
    return static_cast<int>(refused.size());
}

std::optional<std::string> StandInState::userName(int64_t userId) const
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return std::nullopt;
    return players::name(*store_, userId);
}

namespace {

// A whole decimal number above 0.
std::optional<int64_t> positiveId(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18)
        return std::nullopt;
    int64_t value = std::stoll(text);
    return value > 0 ? std::optional<int64_t>(value) : std::nullopt;
}

} // namespace

std::optional<StandInState::GameDefinition> StandInState::readGameFile(const std::string& path, std::string& error)
{
    // The system's reason goes with the name: a wrong path reads differently from a file it may not open.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = "cannot read " + path + ": it is a folder";
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path + ": " + (errno ? std::strerror(errno) : "it cannot be opened");
        return std::nullopt;
    }
    GameDefinition game;
    // The line each id (and key) was first listed on: one listed twice is the file's mistake, said here.
    std::map<int64_t, int> boardLines, achievementLines;
    std::map<std::string, int> keyLines;
    bool listsAnything = false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = platform::trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string kind, first, second;
        words >> kind >> first;
        // What is quoted from the file is escaped: a control byte (an ESC, a
        // BEL, a NUL in a file that is no text) is shown, never sent to a terminal.
        auto fail = [&](const std::string& why) {
            error = path + ":" + std::to_string(number) + ": " + why + " (\"" + http::loggable(line) + "\")";
            return std::nullopt;
        };
        auto listedTwice = [&](std::map<int64_t, int>& lines, const char* what, int64_t id) {
            auto [first, isNew] = lines.emplace(id, number);
            return isNew ? std::string()
                         : std::string(what) + " " + std::to_string(id) + " is listed twice (first on line "
                    + std::to_string(first->second) + ")";
        };
        listsAnything = true;
        if (kind == "product-key" || kind == "product-secret") {
            std::string value = platform::trimmed(line.substr(kind.size()));
            if (value.empty())
                return fail(kind + " needs a value");
            if (auto [first, isNew] = keyLines.emplace(kind, number); !isNew)
                return fail(kind + " is listed twice (first on line " + std::to_string(first->second) + ")");
            (kind == "product-key" ? game.productKey : game.productSecret) = value;
        } else if (kind == "leaderboard") {
            words >> second;
            std::string name;
            std::getline(words, name);
            name = platform::trimmed(name);
            auto id = positiveId(first);
            if (!id || (second != "higher" && second != "lower") || name.empty())
                return fail("a leaderboard is \"leaderboard ID higher|lower NAME\"");
            if (auto twice = listedTwice(boardLines, "leaderboard", *id); !twice.empty())
                return fail(twice);
            game.leaderboards.push_back({ *id, name, second == "higher" });
        } else if (kind == "achievement") {
            words >> second;
            std::string rest;
            std::getline(words, rest);
            size_t bar = rest.find('|');
            std::string title = platform::trimmed(rest.substr(0, bar));
            std::string description = bar == std::string::npos ? title : platform::trimmed(rest.substr(bar + 1));
            auto id = positiveId(first);
            auto points = second == "0" ? std::optional<int64_t>(0) : positiveId(second);
            if (!id || !points || title.empty())
                return fail("an achievement is \"achievement ID POINTS TITLE [| DESCRIPTION]\"");
            if (auto twice = listedTwice(achievementLines, "achievement", *id); !twice.empty())
                return fail(twice);
            game.achievements.push_back({ *id, *points, title, description });
        } else {
            return fail("unknown entry \"" + http::loggable(kind) + "\"");
        }
    }
    if (!listsAnything) {
        error = path + ": the file lists nothing (a product-key, product-secret, leaderboard or achievement line)";
        return std::nullopt;
    }
    return game;
}

bool StandInState::defineGame(const GameDefinition& game)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return false;
    Store& s = *store_;
    if (!s.exec("BEGIN"))
        return false;
    bool ok = true;
    if (!game.leaderboards.empty()) {
        ok = ok && s.exec("DELETE FROM leaderboards");
        for (auto& board : game.leaderboards) {
            Statement q(s.db, "INSERT INTO leaderboards VALUES (?, ?, ?)");
            ok = ok && q.bind(1, board.id).bind(2, board.name).bind(3, int64_t { board.higherIsBetter }).run();
        }
    }
    if (!game.achievements.empty()) {
        ok = ok && s.exec("DELETE FROM achievements");
        int64_t position = 0;
        for (auto& a : game.achievements) {
            Statement q(s.db, "INSERT INTO achievements VALUES (?, ?, ?, ?, ?)");
            ok = ok && q.bind(1, a.id).bind(2, a.title).bind(3, a.description).bind(4, a.points).bind(5, position++).run();
        }
    }
    if (!ok) {
        s.error = sqlite3_errmsg(s.db); // an id listed twice, for one
        s.exec("ROLLBACK");
        return false;
    }
    return s.exec("COMMIT");
}

bool StandInState::secureAccount(int64_t user, const std::string& email, const std::string& password)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return false;
    return store_->kept([&] {
               return accounts::keep(*store_, user, email, password) ? Answer::xml({})
                                                                    : xml::error(422, "The address is taken");
           }).status == 200;
}

int64_t StandInState::addUser(const std::string& name)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return 0;
    return players::add(*store_, name);
}

} // namespace standin
