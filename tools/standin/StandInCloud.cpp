// The stand-in's cloud store: a player's values stored, fetched and listed by
// key, and the storage host's objects.
#include "tools/standin/StandInCloud.h"

#include "tools/standin/StandInXml.h"

namespace standin {

using xml::element;

const char* const cloud::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS cloud_values (user_id INTEGER NOT NULL, key TEXT NOT NULL, value BLOB NOT NULL,
    updated_at TEXT NOT NULL, PRIMARY KEY (user_id, key));
CREATE TABLE IF NOT EXISTS storage_objects (key TEXT PRIMARY KEY, bytes BLOB NOT NULL, stored_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS storage_secret (id INTEGER PRIMARY KEY CHECK (id = 1), secret TEXT NOT NULL);
)sql";

Answer cloud::store(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string key = r.param("key");
    if (key.empty() || !r.hasParam("blob"))
        return xml::fieldErrors(key.empty() ? xml::fieldError("key", "can't be blank")
                                            : xml::fieldError("blob", "can't be blank"));
    std::string value = r.param("blob");
    if (value.size() > kMaxValueBytes)
        return xml::error(413, "A stored value of " + std::to_string(value.size()) + " bytes is over the limit of "
                                   + std::to_string(kMaxValueBytes));
    Statement q(s.db, "INSERT OR REPLACE INTO cloud_values (user_id, key, value, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, user).bind(2, key).bind(3, value).bind(4, now()).run();
    return Answer::xml("<resources><cloud_store>" + element("user_id", std::to_string(user)) + element("key", key)
                       + "</cloud_store></resources>");
}

Answer cloud::fetch(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string key = r.path.substr(std::string("cloud_stores/").size());
    if (!endsWith(key, ".blob"))
        return xml::error(404, "Not found");
    key.resize(key.size() - 5);
    Statement q(s.db, "SELECT value FROM cloud_values WHERE user_id = ? AND key = ?");
    q.bind(1, user).bind(2, key);
    if (!q.step())
        return xml::error(404, "Nothing is stored under this key");
    Answer a;
    a.body = q.text(0);
    a.contentType = "application/octet-stream";
    return a;
}

Answer cloud::keys(Store& s, const LoggedRequest&, int64_t user)
{
    std::string body;
    Statement q(s.db, "SELECT key FROM cloud_values WHERE user_id = ? ORDER BY key");
    q.bind(1, user);
    while (q.step())
        body += "<cloud_store>" + element("user_id", std::to_string(user)) + element("key", q.text(0))
            + "</cloud_store>";
    return Answer::xml("<resources>" + body + "</resources>");
}

bool cloud::putObject(Store& s, const std::string& key, const std::string& bytes)
{
    Statement q(s.db, "INSERT OR REPLACE INTO storage_objects (key, bytes, stored_at) VALUES (?, ?, ?)");
    // A score's blob reported missing before its upload came is listed again.
    Statement found(s.db, "DELETE FROM invalid_blobs WHERE high_score_id IN (SELECT score_id FROM score_blobs WHERE"
                          " key = ?)");
    return q.bind(1, key).bind(2, bytes).bind(3, now()).run() && found.bind(1, key).run();
}

std::optional<std::string> cloud::object(Store& s, const std::string& key)
{
    Statement q(s.db, "SELECT bytes FROM storage_objects WHERE key = ?");
    q.bind(1, key);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

std::optional<std::string> cloud::storageSecret(Store& s, const std::string& fresh)
{
    {
        Statement q(s.db, "SELECT secret FROM storage_secret WHERE id = 1");
        if (q.step())
            return q.text(0);
    }
    if (!Statement(s.db, "INSERT INTO storage_secret VALUES (1, ?)").bind(1, fresh).run())
        return std::nullopt;
    return fresh;
}

} // namespace standin
