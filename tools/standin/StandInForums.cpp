// The stand-in's forums: the tables and seed (announcements included), topics,
// threads and posts with their pages, subscriptions, the announcements and
// abuse reports.
#include "tools/standin/StandInForums.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <ctime>
#include <locale.h>
#include <functional>
#include <optional>
#include <vector>

namespace standin {

using xml::element;

const char* const forums::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS topics (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS discussions (id INTEGER PRIMARY KEY AUTOINCREMENT, topic_id INTEGER NOT NULL,
    subject TEXT NOT NULL, user_id INTEGER NOT NULL, updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS posts (id INTEGER PRIMARY KEY AUTOINCREMENT, discussion_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, body TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS subscriptions (user_id INTEGER NOT NULL, discussion_id INTEGER NOT NULL,
    last_seen_post INTEGER NOT NULL DEFAULT 0, viewed_at TEXT, PRIMARY KEY (user_id, discussion_id));
CREATE TABLE IF NOT EXISTS announcements (discussion_id INTEGER PRIMARY KEY, developer INTEGER NOT NULL,
    important INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS abuse_flags (id INTEGER PRIMARY KEY AUTOINCREMENT, reporter_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, abuse_type TEXT NOT NULL, flaggable_id INTEGER, flaggable_type TEXT,
    created_at TEXT NOT NULL);
)sql";

const char* const forums::kSeed = "INSERT INTO sqlite_sequence (name, seq) VALUES ('discussions', 300), ('posts', 400);"
                                  "INSERT INTO topics VALUES (201, 'General'), (202, 'Suggestions');";

// Announcements are threads outside every topic (-1 the game's, -2 the
// developer's), so their posts are read as a thread's.
const char* const forums::kAnnouncementSeed
    = "INSERT INTO discussions (id, topic_id, subject, user_id, updated_at) VALUES"
      " (250, -1, 'Welcome to the game', 18, '2026-01-01 00:00:00'),"
      " (251, -2, 'Our next game', 18, '2026-01-02 00:00:00');"
      "INSERT INTO posts (id, discussion_id, user_id, body, created_at) VALUES"
      " (350, 250, 18, 'Thanks for playing. Tell us what you think in the forums.', '2026-01-01 00:00:00'),"
      " (351, 251, 18, 'Something new is coming soon.', '2026-01-02 00:00:00');"
      "INSERT INTO announcements VALUES (250, 0, 1), (251, 1, 0);";

std::string forums::date(std::string kept)
{
    if (kept.size() == 19 && kept[10] == ' ')
        kept = kept.substr(0, 10) + "T" + kept.substr(11) + "Z";
    return kept;
}

namespace {

std::string threadElement(Store& s, int64_t id, int64_t viewer)
{
    Statement q(s.db, "SELECT d.subject, d.updated_at, (SELECT COUNT(*) FROM posts WHERE discussion_id = d.id),"
                      " (SELECT user_id FROM posts WHERE discussion_id = d.id ORDER BY id DESC LIMIT 1),"
                      " EXISTS (SELECT 1 FROM subscriptions WHERE discussion_id = d.id AND user_id = ?2)"
                      " FROM discussions d WHERE d.id = ?1");
    q.bind(1, id).bind(2, viewer);
    if (!q.step())
        return {};
    return "<discussion><id>" + std::to_string(id) + "</id>" + element("subject", q.text(0))
        + players::userElement(s, q.integer(3), viewer) + element("updated_at", forums::date(q.text(1)))
        + "<locked>false</locked>" + element("posts_count", std::to_string(q.integer(2)))
        + "<sticky>false</sticky>" + element("subscribed", q.integer(4) ? "true" : "false") + "</discussion>";
}

bool threadExists(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT 1 FROM discussions WHERE id = ?");
    q.bind(1, id);
    return q.step();
}

// A conversation is kept as a thread of topic 0 whose subject is "A-B", the two players' ids.
std::optional<std::pair<int64_t, int64_t>> conversationPlayers(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT subject FROM discussions WHERE id = ? AND topic_id = 0");
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    std::string subject = q.text(0);
    auto dash = subject.find('-');
    auto a = number(subject.substr(0, dash)), b = number(dash == std::string::npos ? "" : subject.substr(dash + 1));
    if (!a || !b)
        return std::nullopt;
    return std::make_pair(*a, *b);
}

// A conversation is its two players' alone: nobody else reads it, writes
// in it or follows it.
bool outsiderOf(Store& s, int64_t thread, int64_t user)
{
    auto pair = conversationPlayers(s, thread);
    return pair && pair->first != user && pair->second != user;
}

Answer outsiderRefused() { return xml::error(403, "Only the conversation's two players can see or join it"); }

// Everything a list answer holds on its page, and the page's header.
std::string pageOf(Store& s, const LoggedRequest& r, const char* countSql, const char* idsSql, int64_t key,
                   const std::function<std::string(int64_t)>& element)
{
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, countSql);
    total.bind(1, key);
    total.step();
    std::string body;
    Statement q(s.db, idsSql);
    q.bind(1, key).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    while (q.step())
        body += element(q.integer(0));
    return xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body;
}

std::string postElement(Store& s, int64_t id, int64_t viewer)
{
    Statement q(s.db, "SELECT user_id, body, created_at, discussion_id FROM posts WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<post><id>" + std::to_string(id) + "</id>" + element("body", q.text(1))
        + players::userElement(s, q.integer(0), viewer) + element("created_at", forums::date(q.text(2)))
        + element("discussion_id", std::to_string(q.integer(3))) + "</post>";
}

// "Sun, 06 Dec 2026 21:12:38 +0000" as a kept date, or nothing.
std::optional<std::string> httpDate(const std::string& text)
{
    // English day and month names, whatever the process's locale.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::tm t {};
    const char* end = c ? ::strptime_l(text.c_str(), "%a, %d %b %Y %H:%M:%S", &t, c)
                        : ::strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S", &t);
    if (!end)
        return std::nullopt;
    char out[32];
    std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &t);
    return std::string(out);
}

} // namespace

Answer forums::topics(Store& s, const LoggedRequest&, int64_t)
{
    std::string body;
    Statement q(s.db, "SELECT t.id, t.name, (SELECT COUNT(*) FROM discussions WHERE topic_id = t.id) FROM topics t"
                      " ORDER BY t.id");
    while (q.step())
        body += "<topic><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
            + element("discussions_count", std::to_string(q.integer(2))) + "</topic>";
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer forums::threads(Store& s, const LoggedRequest& r, int64_t user)
{
    auto topic = pathId(r.path);
    if (!topic || !endsWith(r.path, "/discussions.xml"))
        return xml::error(404, "Not found");
    if (*topic == 0) {
        // The conversations' topic: each player sees only the ones they take part in.
        std::vector<int64_t> theirs;
        Statement q(s.db, "SELECT id FROM discussions WHERE topic_id = 0 ORDER BY updated_at DESC, id DESC");
        while (q.step())
            if (auto pair = conversationPlayers(s, q.integer(0)); pair && (pair->first == user || pair->second == user))
                theirs.push_back(q.integer(0));
        xml::Page page = xml::requestedPage(r);
        std::string body;
        for (size_t i = page.offset(); i < theirs.size() && i < page.offset() + page.perPage; ++i)
            body += threadElement(s, theirs[i], user);
        return Answer::xml("<resources>" + xml::pageHeader(theirs.size(), page) + body + "</resources>");
    }
    return Answer::xml("<resources>"
                       + pageOf(s, r, "SELECT COUNT(*) FROM discussions WHERE topic_id = ?",
                                "SELECT id FROM discussions WHERE topic_id = ? ORDER BY updated_at DESC, id DESC"
                                " LIMIT ? OFFSET ?",
                                *topic, [&](int64_t id) { return threadElement(s, id, user); })
                       + "</resources>");
}

Answer forums::newThread(Store& s, const LoggedRequest& r, int64_t user)
{
    auto topic = pathId(r.path);
    Statement known(s.db, "SELECT 1 FROM topics WHERE id = ?");
    known.bind(1, topic.value_or(-1));
    if (!topic || !endsWith(r.path, "/discussions.xml") || !known.step())
        return xml::error(404, "No such topic");
    std::string subject = r.param("discussion[subject]"), text = r.param("discussion[body]");
    if (subject.empty() || text.empty())
        return xml::error(422, "A thread needs a subject and a text");
    Statement q(s.db, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (?, ?, ?, ?)");
    const int64_t thread = q.bind(1, *topic).bind(2, subject).bind(3, user).bind(4, now()).insert();
    if (!thread)
        return xml::error(500, "The thread could not be kept");
    Statement first(s.db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    first.bind(1, thread).bind(2, user).bind(3, text).bind(4, now()).run();
    return Answer::xml("<resources>" + threadElement(s, thread, user) + "</resources>");
}

Answer forums::posts(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !endsWith(r.path, "/posts.xml"))
        return xml::error(404, "Not found");
    if (outsiderOf(s, *thread, user))
        return outsiderRefused();
    // Reading a subscribed thread marks what was read.
    Statement seen(s.db, "UPDATE subscriptions SET last_seen_post = (SELECT COALESCE(MAX(id), 0) FROM posts WHERE"
                         " discussion_id = ?1), viewed_at = ?3 WHERE discussion_id = ?1 AND user_id = ?2");
    seen.bind(1, *thread).bind(2, user).bind(3, now()).run();
    auto element = [&](int64_t id) { return postElement(s, id, user); };
    // A thread reads from its own text down. A conversation comes newest
    // first (its screen shows the newest at the bottom), and its poller gets
    // only what is newer than the last post it saw.
    if (!conversationPlayers(s, *thread))
        return Answer::xml("<resources>"
                           + pageOf(s, r, "SELECT COUNT(*) FROM posts WHERE discussion_id = ?",
                                    "SELECT id FROM posts WHERE discussion_id = ? ORDER BY id LIMIT ? OFFSET ?",
                                    *thread, element)
                           + "</resources>");
    if (r.hasParam("last_seen_post_id")) {
        Statement q(s.db, "SELECT id FROM posts WHERE discussion_id = ? AND id > ? ORDER BY id DESC LIMIT ?");
        q.bind(1, *thread).bind(2, number(r.param("last_seen_post_id")).value_or(0))
            .bind(3, static_cast<int64_t>(xml::requestedPage(r).perPage));
        std::string body;
        while (q.step())
            body += element(q.integer(0));
        return Answer::xml("<resources>" + body + "</resources>");
    }
    return Answer::xml("<resources>"
                       + pageOf(s, r, "SELECT COUNT(*) FROM posts WHERE discussion_id = ?",
                                "SELECT id FROM posts WHERE discussion_id = ? ORDER BY id DESC LIMIT ? OFFSET ?",
                                *thread, element)
                       + "</resources>");
}

Answer forums::newPost(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    Statement known(s.db, "SELECT 1 FROM discussions WHERE id = ?");
    known.bind(1, thread.value_or(-1));
    if (!thread || !endsWith(r.path, "/posts.xml") || !known.step())
        return xml::error(404, "No such thread");
    if (outsiderOf(s, *thread, user))
        return outsiderRefused();
    std::string text = r.param("post[body]");
    if (text.empty())
        return xml::error(422, "A post needs a text");
    Statement q(s.db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    const int64_t post = q.bind(1, *thread).bind(2, user).bind(3, text).bind(4, now()).insert();
    if (!post)
        return xml::error(500, "The post could not be kept");
    Statement touch(s.db, "UPDATE discussions SET updated_at = ? WHERE id = ?");
    touch.bind(1, now()).bind(2, *thread).run();
    // A new message brings a conversation back to both players' inboxes.
    if (auto pair = conversationPlayers(s, *thread))
        for (int64_t player : { pair->first, pair->second }) {
            Statement in(s.db, "INSERT OR IGNORE INTO subscriptions (user_id, discussion_id) VALUES (?, ?)");
            in.bind(1, player).bind(2, *thread).run();
        }
    return Answer::xml("<resources><post><id>" + std::to_string(post) + "</id>" + element("body", text)
                       + players::userElement(s, user, user) + element("discussion_id", std::to_string(*thread))
                       + "</post></resources>");
}

Answer forums::subscribe(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !threadExists(s, *thread))
        return xml::error(404, "No such thread");
    if (outsiderOf(s, *thread, user))
        return outsiderRefused();
    Statement q(s.db, "INSERT OR IGNORE INTO subscriptions (user_id, discussion_id, last_seen_post) VALUES"
                      " (?1, ?2, (SELECT COALESCE(MAX(id), 0) FROM posts WHERE discussion_id = ?2))");
    q.bind(1, user).bind(2, *thread).run();
    return Answer::xml("<resources>" + threadElement(s, *thread, user) + "</resources>");
}

Answer forums::unsubscribe(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !threadExists(s, *thread))
        return xml::error(404, "No such thread");
    if (outsiderOf(s, *thread, user))
        return outsiderRefused();
    Statement q(s.db, "DELETE FROM subscriptions WHERE user_id = ? AND discussion_id = ?");
    q.bind(1, user).bind(2, *thread).run();
    return Answer::xml("<resources>" + threadElement(s, *thread, user) + "</resources>");
}

Answer forums::remove(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !threadExists(s, *thread))
        return xml::error(404, "No such thread");
    // A conversation leaves the caller's inbox; the other player keeps it.
    auto pair = conversationPlayers(s, *thread);
    if (!pair || (pair->first != user && pair->second != user))
        return xml::error(403, "Only a conversation of the player's own can be deleted");
    Statement q(s.db, "DELETE FROM subscriptions WHERE user_id = ? AND discussion_id = ?");
    q.bind(1, user).bind(2, *thread).run();
    return Answer::xml("<resources></resources>");
}

// POST discussions/<id>/...: a post, a subscription, or a deletion.
Answer forums::postToThread(Store& s, const LoggedRequest& r, int64_t user)
{
    if (endsWith(r.path, "/subscribe.xml"))
        return subscribe(s, r, user);
    if (endsWith(r.path, "/unsubscribe.xml"))
        return unsubscribe(s, r, user);
    if (endsWith(r.path, "/delete.xml"))
        return remove(s, r, user);
    return newPost(s, r, user);
}

Answer forums::subscriptionList(Store& s, const LoggedRequest& r, int64_t user)
{
    auto subscription = [&](int64_t thread) {
        Statement q(s.db, "SELECT d.subject, d.updated_at, d.topic_id, x.viewed_at, (SELECT COUNT(*) FROM posts WHERE"
                          " discussion_id = d.id AND id > x.last_seen_post), (SELECT body FROM posts WHERE"
                          " discussion_id = d.id ORDER BY id DESC LIMIT 1), (SELECT user_id FROM posts WHERE"
                          " discussion_id = d.id ORDER BY id DESC LIMIT 1) FROM discussions d JOIN subscriptions x ON"
                          " x.discussion_id = d.id AND x.user_id = ?2 WHERE d.id = ?1");
        q.bind(1, thread).bind(2, user);
        if (!q.step())
            return std::string();
        bool conversation = q.integer(2) == 0;
        std::string title = q.text(0);
        int64_t other = 0;
        if (auto pair = conversation ? conversationPlayers(s, thread) : std::nullopt) {
            other = pair->first == user ? pair->second : pair->first;
            title = players::name(s, other).value_or("");
        }
        std::string out = "<subscription><id>" + std::to_string(thread) + "</id>"
            + xml::element("discussion_id", std::to_string(thread)) + xml::element("summary", q.text(5))
            + xml::element("title", title) + xml::element("updated_at", date(q.text(1)))
            + xml::element("last_viewed_at", q.isNull(3) ? "" : date(q.text(3)))
            + xml::element("unread_count", std::to_string(q.integer(4))) + "<locked>false</locked>"
            + xml::element("topic_id", std::to_string(q.integer(2)))
            + xml::element("discussion_type", conversation ? "Conversation" : "Forum")
            // A conversation's user is the other player in it; a thread's, who posted last.
            + players::userElement(s, other != 0 ? other : q.isNull(6) ? user : q.integer(6), user);
        out += conversation ? "<conversation><id>" + std::to_string(thread) + "</id>"
                + players::userElement(s, other, user, "other_user") + "</conversation>"
                            : threadElement(s, thread, user);
        return out + "</subscription>";
    };
    return Answer::xml("<resources>"
                       + pageOf(s, r, "SELECT COUNT(*) FROM subscriptions WHERE user_id = ?",
                                "SELECT x.discussion_id FROM subscriptions x JOIN discussions d ON d.id ="
                                " x.discussion_id WHERE x.user_id = ? ORDER BY d.updated_at DESC, d.id DESC"
                                " LIMIT ? OFFSET ?",
                                user, subscription)
                       + "</resources>");
}

int64_t forums::unreadSubscriptions(Store& s, int64_t user, bool conversations)
{
    Statement q(s.db, conversations
                          ? "SELECT COUNT(*) FROM subscriptions x JOIN discussions d ON d.id = x.discussion_id WHERE"
                            " x.user_id = ? AND d.topic_id = 0 AND EXISTS (SELECT 1 FROM posts WHERE discussion_id ="
                            " d.id AND id > x.last_seen_post)"
                          : "SELECT COUNT(*) FROM subscriptions x JOIN discussions d ON d.id = x.discussion_id WHERE"
                            " x.user_id = ? AND d.topic_id != 0 AND EXISTS (SELECT 1 FROM posts WHERE discussion_id ="
                            " d.id AND id > x.last_seen_post)");
    q.bind(1, user);
    return q.step() ? q.integer(0) : 0;
}

Answer forums::announcements(Store& s, const LoggedRequest& r, int64_t user)
{
    // Newer than the last one the player read is unread; without a date every one is.
    std::string since = httpDate(r.param("since")).value_or("");
    std::string sections;
    for (int developer : { 0, 1 }) {
        std::string body;
        size_t count = 0;
        Statement q(s.db, "SELECT d.id, a.important, p.id, p.created_at FROM announcements a JOIN discussions d ON"
                          " d.id = a.discussion_id JOIN posts p ON p.id = (SELECT MIN(id) FROM posts WHERE"
                          " discussion_id = d.id) WHERE a.developer = ? ORDER BY p.created_at DESC");
        q.bind(1, static_cast<int64_t>(developer));
        while (q.step()) {
            ++count;
            std::string thread = threadElement(s, q.integer(0), user);
            thread.erase(thread.size() - std::string("</discussion>").size());
            body += thread + element("important", q.integer(1) ? "true" : "false")
                + element("unread", q.text(3) > since ? "true" : "false") + postElement(s, q.integer(2), user)
                + "<linked_client_application_id>" + kGameId + "</linked_client_application_id>"
                + element("created_at", date(q.text(3))) + "</discussion>";
        }
        sections += "<resource_section>" + element("title", developer ? "Developer" : "Game")
            + element("identifier", developer ? "developer" : "game") + xml::pageHeader(count) + body
            + "</resource_section>";
    }
    return Answer::xml("<resources><resource_sections>" + sections + "</resource_sections></resources>");
}

Answer forums::flagAbuse(Store& s, const LoggedRequest& r, int64_t user)
{
    auto subject = number(r.path.substr(6, r.path.find('/', 6) - 6));
    if (r.path.compare(6, 4, "@me/") == 0)
        subject = user;
    if (!subject || !players::name(s, *subject))
        return xml::error(404, "No such player");
    std::string type = r.param("abuse_flag[abuse_type]");
    if (type.empty())
        return xml::fieldErrors(xml::fieldError("abuse_type", "can't be blank"));
    Statement q(s.db, "INSERT INTO abuse_flags (reporter_id, user_id, abuse_type, flaggable_id, flaggable_type,"
                      " created_at) VALUES (?, ?, ?, ?, ?, ?)");
    q.bind(1, user).bind(2, *subject).bind(3, type);
    if (auto id = number(r.param("abuse_flag[flaggable_id]")))
        q.bind(4, *id).bind(5, r.param("abuse_flag[flaggable_type]"));
    const int64_t flag = q.bind(6, now()).insert();
    if (!flag)
        return xml::error(500, "The report could not be kept");
    return Answer::xml("<resources><abuse_flag><id>" + std::to_string(flag) + "</id>"
                       + element("abuse_type", type) + "</abuse_flag></resources>");
}

std::vector<std::string> StandInState::postsIn(int64_t thread) const
{
    std::lock_guard guard(store_->mutex);
    std::vector<std::string> out;
    if (!store_->db)
        return out;
    Statement q(store_->db, "SELECT body FROM posts WHERE discussion_id = ? ORDER BY id");
    q.bind(1, thread);
    while (q.step())
        out.push_back(q.text(0));
    return out;
}

int64_t StandInState::addThread(int64_t topic, const std::string& subject,
                                const std::vector<std::pair<int64_t, std::string>>& posts)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || posts.empty())
        return 0;
    store_->exec("BEGIN");
    Statement q(store_->db, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, topic).bind(2, subject).bind(3, posts.front().first).bind(4, now()).run();
    int64_t thread = store_->lastId();
    for (auto& [author, text] : posts) {
        Statement post(store_->db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
        post.bind(1, thread).bind(2, author).bind(3, text).bind(4, now()).run();
    }
    store_->exec("COMMIT");
    return thread;
}

} // namespace standin
