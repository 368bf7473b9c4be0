#include "tools/standin/StandInForums.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <vector>

namespace standin {

using xml::element;

const char* const forums::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS topics (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS discussions (id INTEGER PRIMARY KEY AUTOINCREMENT, topic_id INTEGER NOT NULL,
    subject TEXT NOT NULL, user_id INTEGER NOT NULL, updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS posts (id INTEGER PRIMARY KEY AUTOINCREMENT, discussion_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, body TEXT NOT NULL, created_at TEXT NOT NULL);
)sql";

const char* const forums::kSeed = "INSERT INTO sqlite_sequence (name, seq) VALUES ('discussions', 300), ('posts', 400);"
                                  "INSERT INTO topics VALUES (201, 'General'), (202, 'Suggestions');";

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
                      " (SELECT user_id FROM posts WHERE discussion_id = d.id ORDER BY id DESC LIMIT 1)"
                      " FROM discussions d WHERE d.id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<discussion><id>" + std::to_string(id) + "</id>" + element("subject", q.text(0))
        + players::userElement(s, q.integer(3), viewer) + element("updated_at", forums::date(q.text(1)))
        + "<locked>false</locked>" + element("posts_count", std::to_string(q.integer(2)))
        + "<sticky>false</sticky><subscribed>false</subscribed></discussion>";
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
    std::string body;
    size_t count = 0;
    Statement q(s.db, "SELECT id FROM discussions WHERE topic_id = ? ORDER BY updated_at DESC, id DESC");
    q.bind(1, *topic);
    while (q.step()) {
        ++count;
        body += threadElement(s, q.integer(0), user);
    }
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
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
    s.exec("BEGIN");
    Statement q(s.db, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, *topic).bind(2, subject).bind(3, user).bind(4, now()).run();
    int64_t thread = s.lastId();
    Statement first(s.db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    first.bind(1, thread).bind(2, user).bind(3, text).bind(4, now()).run();
    s.exec("COMMIT");
    return Answer::xml("<resources>" + threadElement(s, thread, user) + "</resources>");
}

Answer forums::posts(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    if (!thread || !endsWith(r.path, "/posts.xml"))
        return xml::error(404, "Not found");
    std::string body;
    size_t count = 0;
    Statement q(s.db, "SELECT id, user_id, body, created_at FROM posts WHERE discussion_id = ? ORDER BY id");
    q.bind(1, *thread);
    while (q.step()) {
        ++count;
        body += "<post><id>" + std::to_string(q.integer(0)) + "</id>" + element("body", q.text(2))
            + players::userElement(s, q.integer(1), user) + element("created_at", date(q.text(3)))
            + element("discussion_id", std::to_string(*thread)) + "</post>";
    }
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
}

Answer forums::newPost(Store& s, const LoggedRequest& r, int64_t user)
{
    auto thread = pathId(r.path);
    Statement known(s.db, "SELECT 1 FROM discussions WHERE id = ?");
    known.bind(1, thread.value_or(-1));
    if (!thread || !endsWith(r.path, "/posts.xml") || !known.step())
        return xml::error(404, "No such thread");
    std::string text = r.param("post[body]");
    if (text.empty())
        return xml::error(422, "A post needs a text");
    Statement q(s.db, "INSERT INTO posts (discussion_id, user_id, body, created_at) VALUES (?, ?, ?, ?)");
    q.bind(1, *thread).bind(2, user).bind(3, text).bind(4, now()).run();
    int64_t post = s.lastId();
    Statement touch(s.db, "UPDATE discussions SET updated_at = ? WHERE id = ?");
    touch.bind(1, now()).bind(2, *thread).run();
    return Answer::xml("<resources><post><id>" + std::to_string(post) + "</id>" + element("body", text)
                       + players::userElement(s, user, user) + element("discussion_id", std::to_string(*thread))
                       + "</post></resources>");
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
