// Seeding a whole community into the stand-in's kept state: games and who
// plays them, players' pictures, unlocked achievements, conversations, starred
// threads, invitations and chat messages, written as the service's own answers would
// have left them, so every route reads them back as it reads what players did.
#include "tools/standin/StandInState.h"

#include "tools/standin/StandInConversations.h"
#include "tools/standin/StandInStore.h"

#include <sqlite3.h>

namespace standin {

bool StandInState::addGame(const std::string& id, const std::string& name, const std::string& brief)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || id.empty() || name.empty())
        return false;
    Statement q(store_->db, "INSERT OR REPLACE INTO games VALUES (?1, ?2, ?2, 0, 1, 0, 1, NULL, 'Free', '1.0', ?3, ?3)");
    return q.bind(1, id).bind(2, name).bind(3, brief).run();
}

bool StandInState::addGamePlayer(int64_t user, const std::string& game, bool favorite, const std::string& review)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return false;
    Statement q(store_->db, "INSERT OR REPLACE INTO game_players (user_id, game_id, favorite, review) SELECT ?, id, ?, ?"
                            " FROM games WHERE id = ?");
    return q.bind(1, user).bind(2, int64_t { favorite }).bind(3, review).bind(4, game).run()
        && sqlite3_changes(store_->db) > 0;
}

bool StandInState::setProfilePicture(int64_t user, const std::string& picture)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || picture.empty())
        return false;
    Statement q(store_->db, "INSERT OR REPLACE INTO profile_pictures (user_id, source, picture, updated_at)"
                            " SELECT id, 'Upload', ?, ? FROM users WHERE id = ?");
    return q.bind(1, picture).bind(2, now()).bind(3, user).run() && sqlite3_changes(store_->db) > 0;
}

bool StandInState::addUnlock(int64_t user, int64_t achievement)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return false;
    Statement q(store_->db, "INSERT OR REPLACE INTO unlocks (user_id, achievement_id, percent_complete, unlocked_at)"
                            " SELECT ?, id, 100, ? FROM achievements WHERE id = ?");
    return q.bind(1, user).bind(2, now()).bind(3, achievement).run() && sqlite3_changes(store_->db) > 0;
}

int64_t StandInState::addConversation(int64_t a, int64_t b, const std::vector<std::pair<int64_t, std::string>>& posts)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || a == b)
        return 0;
    for (auto& [author, text] : posts)
        if ((author != a && author != b) || text.empty())
            return 0;
    // Kept as the service keeps a conversation it started: a thread of topic 0 named by the two ids.
    std::string subject = conversations::subject(a, b);
    store_->exec("BEGIN");
    Statement q(store_->db, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (0, ?, ?, ?)");
    if (!q.bind(1, subject).bind(2, posts.empty() ? a : posts.front().first).bind(3, now()).run()) {
        store_->exec("ROLLBACK");
        return 0;
    }
    int64_t thread = store_->lastId();
    int64_t lastOf[2] = { 0, 0 };
    for (auto& [author, text] : posts) {
        Statement post(store_->db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
        post.bind(1, thread).bind(2, author).bind(3, text).bind(4, now()).run();
        lastOf[author == a ? 0 : 1] = store_->lastId();
    }
    for (int i = 0; i < 2; ++i) {
        Statement in(store_->db, "INSERT INTO subscriptions (user_id, discussion_id, last_seen_post) VALUES (?, ?, ?)");
        in.bind(1, i == 0 ? a : b).bind(2, thread).bind(3, lastOf[i]).run();
    }
    store_->exec("COMMIT");
    return thread;
}

bool StandInState::addSubscription(int64_t user, int64_t thread)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return false;
    Statement q(store_->db, "INSERT OR REPLACE INTO subscriptions (user_id, discussion_id, last_seen_post, viewed_at)"
                            " SELECT ?1, id, (SELECT COALESCE(MAX(id), 0) FROM posts WHERE discussion_id = ?2), ?3"
                            " FROM discussions WHERE id = ?2");
    return q.bind(1, user).bind(2, thread).bind(3, now()).run() && sqlite3_changes(store_->db) > 0;
}

int64_t StandInState::addInvite(int64_t sender, int64_t receiver, const std::string& message)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || sender == receiver)
        return 0;
    Statement q(store_->db, "INSERT INTO invites (definition_id, sender_id, receiver_id, user_message, state, created_at)"
                            " SELECT id, ?, ?, ?, 'unviewed', ? FROM invite_definitions WHERE is_primary = 1 LIMIT 1");
    if (!q.bind(1, sender).bind(2, receiver).bind(3, message).bind(4, now()).run() || sqlite3_changes(store_->db) == 0)
        return 0;
    return store_->lastId();
}

bool StandInState::addChatMessage(int64_t room, int64_t user, const std::string& text)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || text.empty())
        return false;
    Statement q(store_->db, "INSERT INTO chat_messages (instance_id, user_id, message, created_at) SELECT id, ?, ?, ?"
                            " FROM chat_room_instances WHERE id = ?");
    return q.bind(1, user).bind(2, text).bind(3, now()).bind(4, room).run() && sqlite3_changes(store_->db) > 0;
}

} // namespace standin
