// The stand-in service's kept state: users, their devices and access tokens,
// leaderboards and scores, achievement definitions and unlocks, friends,
// challenges and their definitions, forum threads and conversations, the
// ticker, cloud values and the storage host's blobs,
// in one SQLite file under a directory the caller names. Each domain keeps its
// tables and answers in its own files (StandInPlayers, StandInScores, ...);
// this class opens the store and holds the route table. A StandInServer
// given this state answers the client's requests from it (routes that are not
// kept here still come from fixtures and scripts), so a test or the showcase
// can stop the service, start it again on the same directory and find
// everything it had confirmed.
//
// Every kept route answers 401 to a request that is unsigned or whose
// signature does not verify; the tokens it issued are made known to the
// server again when the state is installed after a restart. Each runs in one
// transaction and answers success only for what it kept (500 with the reason
// when a write or the commit fails, as on a full disk).
#pragma once

#include "tools/standin/StandInServer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

struct Store;
namespace replays {
class Keeper;
}
class StateFolderLock;

class StandInState {
public:
    // Opens (creating when new) DIR/standin.sqlite; the directory is made when
    // missing. The folder is held (DIR/standin.lock) while the state lives: a
    // service of another process on it is refused, naming the folder and that
    // process, since two would each refuse the other's tokens and take a
    // request the other took. States of one process (a test starting its
    // service again in place) share the hold.
    explicit StandInState(std::string directory);
    ~StandInState();
    StandInState(const StandInState&) = delete;
    StandInState& operator=(const StandInState&) = delete;

    bool isOpen() const;
    // Why the store could not be opened.
    const std::string& error() const;
    const std::string& databasePath() const { return path_; }

    // Routes the kept requests of `server` to this state and tells it the
    // tokens already issued, and keeps the signed requests it takes, so that
    // one taken before a restart is refused after it too (those kept are
    // told to it now). The state must outlive the server's running.
    void install(StandInServer& server);
    // Keeps the objects `host` is given in this state instead of its memory,
    // and the secret it signs its forms with, so both outlive a restart, and
    // gives scores with blobs the host's forms to post them with and its
    // address to fetch them at. Before the host starts. The state must outlive the host's
    // running, and the host the state's answering.
    void keepObjectsOf(StorageHostStandIn& host);

    struct Score {
        int64_t id;
        int64_t userId;
        int64_t leaderboardId;
        int64_t score;
        std::string displayText;
    };
    struct Unlock {
        int64_t userId;
        int64_t achievementId;
        double percentComplete;
        std::string unlockedAt; // empty until complete
    };
    // Every kept score (in the order received) and unlock.
    std::vector<Score> scores() const;
    std::vector<Unlock> unlocks() const;
    // The user a device's own account is, when it has one.
    std::optional<int64_t> userForDevice(const std::string& udid) const;
    std::optional<std::string> userName(int64_t userId) const;
    // The service refuses every token it issued to the player so far (expired,
    // say): a request signed with one is answered 401 (token_rejected), after a
    // restart too; the player's next login gets a new one. `server`, when it
    // runs on this state, forgets them at once. Answers how many were refused.
    int refuseTokensOf(int64_t userId, StandInServer* server);
    // Adds a user (for tests and the showcase's other players) and answers its id.
    int64_t addUser(const std::string& name);
    // Secures a player's account with an e-mail address and a password (kept
    // salted and hashed), as the player would; false when the address is
    // another account's, the account is secured already or nothing could be kept.
    bool secureAccount(int64_t userId, const std::string& email, const std::string& password);
    void addScore(int64_t userId, int64_t leaderboardId, int64_t score, const std::string& displayText = {});
    // The board takes no new scores: a batch's score on it is refused by
    // itself ("Score N of the batch: ...", 422), for a reason no client can
    // foresee; the board and its scores are still listed.
    void closeLeaderboard(int64_t leaderboardId);
    // A score posted from a place (latitude and longitude in degrees): the scores near a place show it.
    void addScoreFrom(int64_t userId, int64_t leaderboardId, int64_t score, double latitude, double longitude);
    struct Challenge {
        int64_t id;
        int64_t challengerId;
        int64_t definitionId;
        std::string userMessage;
        std::string result; // empty while open
    };
    // The challenges sent to a player, in the order sent.
    std::vector<Challenge> challengesTo(int64_t user) const;
    // The texts of a forum thread's posts, its own first.
    std::vector<std::string> postsIn(int64_t thread) const;
    // The players `user` follows.
    std::vector<int64_t> followedBy(int64_t user) const;
    // Both players follow each other.
    void addFriends(int64_t a, int64_t b);
    // Seeding for programs that show the service's data (the gallery): an
    // open challenge from `challenger` to `to`, and a forum thread in a topic
    // whose posts are (author, text) pairs, the first one opening it. Each
    // answers the new id, or 0 when it could not be kept.
    int64_t addChallenge(int64_t challenger, int64_t definitionId, const std::string& description,
                         const std::string& userMessage, int64_t to);
    int64_t addThread(int64_t topic, const std::string& subject,
                      const std::vector<std::pair<int64_t, std::string>>& posts);
    // More seeding for a program's whole community (StandInSeeding.cpp): a
    // game (its icon is served at /icons/ID.png), a player of a game (liked
    // or not, with a review), an achievement unlocked in full, a
    // conversation between two players whose posts are (author, text) pairs
    // (each player has read up to their own last post, so what the other
    // wrote after it is unread), a forum thread the player starred (read to
    // its end), an invitation to the running game, and a message in a chat
    // room. Each answers false (or 0) when it could not be kept.
    bool addGame(const std::string& id, const std::string& name, const std::string& brief);
    bool addGamePlayer(int64_t user, const std::string& game, bool favorite, const std::string& review = {});
    bool addUnlock(int64_t user, int64_t achievement);
    int64_t addConversation(int64_t a, int64_t b, const std::vector<std::pair<int64_t, std::string>>& posts);
    bool addSubscription(int64_t user, int64_t thread);
    int64_t addInvite(int64_t sender, int64_t receiver, const std::string& message);
    bool addChatMessage(int64_t room, int64_t user, const std::string& text);
    // A picture of the player's own (the bytes of a JPEG or PNG file), as if
    // they had chosen it: their records carry its address from then on.
    bool setProfilePicture(int64_t user, const std::string& picture);
    // A notice the service puts into the next page of resources it answers
    // the player (any signed request of theirs), once. Images are addresses.
    struct ServerNotice {
        std::string text;
        std::string detail;
        std::string score;
        std::string iconUrl;
        std::string backgroundUrl;
        std::string statusUrl;
    };
    void addServerNotice(int64_t user, const ServerNotice& notice);

    // A game of the developer's own, read from a small text file (the
    // program's --game): its product key and secret, and the leaderboards and
    // achievements that replace the seeded ones. One entry a line; blank lines
    // and lines starting with '#' are skipped:
    //     product-key    KEY
    //     product-secret SECRET
    //     leaderboard    ID higher|lower NAME
    //     achievement    ID POINTS TITLE [| DESCRIPTION]
    struct GameDefinition {
        struct Leaderboard {
            int64_t id;
            std::string name;
            bool higherIsBetter;
        };
        struct Achievement {
            int64_t id;
            int64_t points;
            std::string title;
            std::string description;
        };
        std::string productKey;
        std::string productSecret;
        std::vector<Leaderboard> leaderboards;
        std::vector<Achievement> achievements;
    };
    // The file's game; nullopt with the line at fault in `error`.
    static std::optional<GameDefinition> readGameFile(const std::string& path, std::string& error);
    // Makes the game's leaderboards and achievements (when it lists any) the
    // state's, in place of those it had; scores and unlocks of the ones kept
    // stay. False when the store could not take them.
    bool defineGame(const GameDefinition& game);

    // The seeded game: leaderboards 5 "Normal" (higher is better) and 6
    // "Fastest Lap" (lower is better), achievements 11 "First Steps" and 12
    // "Collector", and the player 18 "Rival" with a score on each board.
    static constexpr int64_t kNormalLeaderboard = 5;
    static constexpr int64_t kFastestLapLeaderboard = 6;
    static constexpr int64_t kFirstStepsAchievement = 11;
    static constexpr int64_t kCollectorAchievement = 12;
    static constexpr int64_t kRivalUser = 18;
    // Forum topics 201 "General" and 202 "Suggestions"; threads are numbered from 301.
    static constexpr int64_t kGeneralTopic = 201;

private:
    void seedWhenEmpty(const char* table, const char* seed);

    std::string path_;
    std::unique_ptr<StateFolderLock> lock_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<replays::Keeper> replays_;
};

} // namespace standin
