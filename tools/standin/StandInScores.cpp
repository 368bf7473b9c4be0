#include "tools/standin/StandInScores.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <algorithm>
#include <map>
#include <vector>

namespace standin {

using xml::element;

const char* const scores::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS leaderboards (id INTEGER PRIMARY KEY, name TEXT NOT NULL, descending INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS high_scores (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    leaderboard_id INTEGER NOT NULL, score INTEGER NOT NULL, display_text TEXT, custom_data TEXT,
    created_at TEXT NOT NULL);
)sql";

const char* const scores::kSeed = "INSERT INTO leaderboards VALUES (5, 'Normal', 1), (6, 'Fastest Lap', 0);"
                          "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at) VALUES"
                          " (18, 5, 900, '900 points', '2026-01-01 00:00:00'), (18, 6, 75, '1:15', '2026-01-01 00:00:00');";

std::string scores::offline(Store& s, int64_t user)
{
    std::string out = "<leaderboards>";
    Statement q(s.db, "SELECT l.id, l.name, l.descending, (SELECT CASE WHEN l.descending THEN MAX(score) ELSE"
                      " MIN(score) END FROM high_scores WHERE user_id = ?1 AND leaderboard_id = l.id),"
                      " (SELECT MAX(created_at) FROM high_scores WHERE user_id = ?1 AND leaderboard_id = l.id)"
                      " FROM leaderboards l ORDER BY l.id");
    q.bind(1, user);
    while (q.step()) {
        out += "<leaderboard><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
            + "<active>true</active><visible>true</visible>"
            + element("descending_sort_order", q.integer(2) ? "true" : "false")
            + "<is_aggregate>false</is_aggregate><allow_posting_lower_scores>false</allow_posting_lower_scores>"
              "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version>";
        if (!q.isNull(3))
            out += element("score", std::to_string(q.integer(3))) + element("reached_at", q.text(4));
        out += "</leaderboard>";
    }
    return out + "</leaderboards>";
}

Answer scores::submit(Store& s, const LoggedRequest& r, int64_t user)
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
            return xml::error(400, "Every score needs a leaderboard id and a decimal score");
        Statement q(s.db, "SELECT 1 FROM leaderboards WHERE id = ?");
        q.bind(1, *e.leaderboard);
        if (!q.step())
            return xml::error(400, "There is no leaderboard " + std::to_string(*e.leaderboard));
    }
    std::string body = "<resources>";
    s.exec("BEGIN");
    for (auto& e : entries) {
        Statement q(s.db, "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data,"
                          " created_at) VALUES (?, ?, ?, ?, ?, ?)");
        q.bind(1, user).bind(2, *e.leaderboard).bind(3, *e.score).bind(4, e.displayText).bind(5, e.customData).bind(6, now());
        if (!q.run()) {
            s.exec("ROLLBACK");
            return xml::error(500, "The scores could not be kept");
        }
        int64_t id = s.lastId();
        body += "<high_score><id>" + std::to_string(id) + "</id>" + element("score", std::to_string(*e.score))
            + element("leaderboard_id", std::to_string(*e.leaderboard)) + element("display_text", e.displayText)
            + element("custom_data", e.customData) + players::userElement(s, user, user) + "</high_score>";
    }
    s.exec("COMMIT");
    return Answer::xml(body + "</resources>");
}

Answer scores::page(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string body;
    size_t count = 0;
    if (auto board = number(r.param("leaderboard_id"))) {
        bool descending = true;
        {
            Statement q(s.db, "SELECT descending FROM leaderboards WHERE id = ?");
            q.bind(1, *board);
            if (!q.step())
                return xml::error(400, "There is no leaderboard " + r.param("leaderboard_id"));
            descending = q.integer(0) != 0;
        }
        bool friendsOnly = r.param("friends_leaderboard") == "1";
        // "interval" limits the scores to those of the last so many days.
        auto days = number(r.param("interval"));
        bool recentOnly = days && *days > 0;
        // Each player's best, ranked.
        std::string sql = std::string("SELECT user_id, ") + (descending ? "MAX" : "MIN")
            + "(score), display_text, MAX(id) FROM high_scores WHERE leaderboard_id = ?1"
            + (friendsOnly ? " AND (user_id = ?2 OR user_id IN (SELECT friend_id FROM friends WHERE user_id = ?2))" : "")
            + (recentOnly ? " AND created_at >= datetime('now', ?3)" : "")
            + " GROUP BY user_id ORDER BY 2 " + (descending ? "DESC" : "ASC") + ", MAX(id)";
        struct Ranked {
            int64_t user, score, id;
            std::string displayText;
        };
        std::vector<Ranked> ranked;
        Statement q(s.db, sql.c_str());
        q.bind(1, *board);
        if (friendsOnly)
            q.bind(2, user);
        if (recentOnly)
            q.bind(3, "-" + std::to_string(*days) + " days");
        while (q.step())
            ranked.push_back({ q.integer(0), q.integer(1), q.integer(3), q.text(2) });
        // The page asked for ("page_size" names its length), or the one holding the player.
        xml::Page pageAsked = xml::requestedPage(r);
        if (auto size = number(r.param("page_size")); size && *size > 0)
            pageAsked.perPage = std::min<size_t>(static_cast<size_t>(*size), xml::kMaxPerPage);
        if (r.param("near_user_id") == "me") {
            auto mine = std::find_if(ranked.begin(), ranked.end(), [user](const Ranked& e) { return e.user == user; });
            if (mine != ranked.end())
                pageAsked.number = static_cast<size_t>(mine - ranked.begin()) / pageAsked.perPage + 1;
        }
        for (size_t i = pageAsked.offset(); i < ranked.size() && i < pageAsked.offset() + pageAsked.perPage; ++i)
            body += "<high_score><id>" + std::to_string(ranked[i].id) + "</id>"
                + element("score", std::to_string(ranked[i].score)) + element("rank", std::to_string(i + 1))
                + element("leaderboard_id", std::to_string(*board)) + element("display_text", ranked[i].displayText)
                + players::userElement(s, ranked[i].user, user) + "</high_score>";
        return Answer::xml("<resources>" + xml::pageHeader(ranked.size(), pageAsked) + body + "</resources>");
    } else {
        // The player's scores on every leaderboard.
        Statement q(s.db, "SELECT id, leaderboard_id, score, display_text FROM high_scores WHERE user_id = ? ORDER BY id");
        q.bind(1, user);
        while (q.step()) {
            ++count;
            body += "<high_score><id>" + std::to_string(q.integer(0)) + "</id>"
                + element("score", std::to_string(q.integer(2))) + element("leaderboard_id", std::to_string(q.integer(1)))
                + element("display_text", q.text(3)) + players::userElement(s, user, user) + "</high_score>";
        }
    }
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
}

Answer scores::leaderboards(Store& s, const LoggedRequest&, int64_t user)
{
    std::string body;
    size_t count = 0;
    Statement q(s.db, "SELECT l.id, l.name, l.descending FROM leaderboards l ORDER BY l.id");
    while (q.step()) {
        ++count;
        bool descending = q.integer(2) != 0;
        body += "<leaderboard><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(1))
            + element("descending_sort_order", descending ? "true" : "false");
        Statement best(s.db, descending ? "SELECT id, score, display_text FROM high_scores WHERE user_id = ? AND"
                                          " leaderboard_id = ? ORDER BY score DESC, id LIMIT 1"
                                        : "SELECT id, score, display_text FROM high_scores WHERE user_id = ? AND"
                                          " leaderboard_id = ? ORDER BY score ASC, id LIMIT 1");
        best.bind(1, user).bind(2, q.integer(0));
        if (best.step())
            body += "<current_user_high_score><id>" + std::to_string(best.integer(0)) + "</id>"
                + element("score", std::to_string(best.integer(1))) + element("display_text", best.text(2))
                + players::userElement(s, user, user) + "</current_user_high_score>";
        body += "</leaderboard>";
    }
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
}

Answer scores::range(Store& s, const LoggedRequest& r, int64_t user)
{
    // leaderboards/ID/high_scores/range/START/DELTA/PAGE/SIZE.xml
    std::vector<std::string> parts;
    std::string path = r.path;
    if (endsWith(path, ".xml"))
        path.resize(path.size() - 4);
    for (size_t from = 0;;) {
        size_t slash = path.find('/', from);
        parts.push_back(path.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos)
            break;
        from = slash + 1;
    }
    if (parts.size() != 8 || parts[2] != "high_scores" || parts[3] != "range" || !endsWith(r.path, ".xml"))
        return xml::error(404, "Not found");
    auto board = number(parts[1]), start = number(parts[4]), delta = number(parts[5]), page = number(parts[6]),
         size = number(parts[7]);
    if (!board || !start || !delta || !page || !size || *delta <= 0 || *page <= 0 || *size <= 0 || *size > 100)
        return xml::error(400, "A range needs a start, a positive delta, a page from 1 and a size of 1 to 100");
    bool descending = true;
    {
        Statement q(s.db, "SELECT descending FROM leaderboards WHERE id = ?");
        q.bind(1, *board);
        if (!q.step())
            return xml::error(404, "There is no leaderboard " + parts[1]);
        descending = q.integer(0) != 0;
    }
    struct Best {
        int64_t user, score, id, rank;
        std::string displayText;
    };
    std::vector<Best> bests;
    std::string sql = std::string("SELECT user_id, ") + (descending ? "MAX" : "MIN")
        + "(score), display_text, MAX(id) FROM high_scores WHERE leaderboard_id = ? GROUP BY user_id ORDER BY 2 "
        + (descending ? "DESC" : "ASC") + ", MAX(id)";
    Statement q(s.db, sql.c_str());
    q.bind(1, *board);
    while (q.step())
        bests.push_back({ q.integer(0), q.integer(1), q.integer(3), static_cast<int64_t>(bests.size() + 1), q.text(2) });
    // Each band keeps the first best in the board's order (the band's best).
    std::map<int64_t, Best> bands;
    for (const Best& b : bests)
        if (b.score >= *start)
            bands.emplace((b.score - *start) / *delta, b);
    std::string body;
    // A page past the bands (however large its number) is empty.
    size_t index = 0, shown = 0;
    size_t first = *page - 1 >= static_cast<int64_t>(bands.size()) ? bands.size()
                                                                     : static_cast<size_t>((*page - 1) * *size);
    for (auto& [band, b] : bands) {
        if (index++ < first || shown >= static_cast<size_t>(*size))
            continue;
        ++shown;
        body += "<high_score><id>" + std::to_string(b.id) + "</id>" + element("score", std::to_string(b.score))
            + element("rank", std::to_string(b.rank)) + element("leaderboard_id", std::to_string(*board))
            + element("display_text", b.displayText) + players::userElement(s, b.user, user) + "</high_score>";
    }
    xml::Page asked;
    asked.number = static_cast<size_t>(*page);
    asked.perPage = static_cast<size_t>(*size);
    return Answer::xml("<resources>" + xml::pageHeader(bands.size(), asked) + body + "</resources>");
}

std::vector<StandInState::Score> StandInState::scores() const
{
    std::lock_guard guard(store_->mutex);
    std::vector<Score> out;
    if (!store_->db)
        return out;
    Statement q(store_->db, "SELECT id, user_id, leaderboard_id, score, COALESCE(display_text, '') FROM high_scores ORDER BY id");
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.integer(2), q.integer(3), q.text(4) });
    return out;
}

void StandInState::addScore(int64_t userId, int64_t leaderboardId, int64_t score, const std::string& displayText)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return;
    Statement q(store_->db, "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at)"
                            " VALUES (?, ?, ?, ?, ?)");
    q.bind(1, userId).bind(2, leaderboardId).bind(3, score).bind(4, displayText).bind(5, now());
    q.run();
}

} // namespace standin
