// The stand-in's scores: leaderboards, submitted scores with their places and
// blobs, the ranked pages, the scores near a place and the offline copy.
#include "tools/standin/StandInScores.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInTexts.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/Format.h"
#include "social/services/QVServiceBounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace standin {

using xml::element;

const char* const scores::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS leaderboards (id INTEGER PRIMARY KEY, name TEXT NOT NULL, descending INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS high_scores (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    leaderboard_id INTEGER NOT NULL, score INTEGER NOT NULL, display_text TEXT, custom_data TEXT,
    created_at TEXT NOT NULL);
-- A board's scores and a player's best on each board are read per request: a login of a game
-- with thousands of boards asks for every one.
CREATE INDEX IF NOT EXISTS high_scores_by_board ON high_scores (leaderboard_id, user_id, score);
CREATE TABLE IF NOT EXISTS score_places (score_id INTEGER PRIMARY KEY, lat REAL NOT NULL, lng REAL NOT NULL);
CREATE TABLE IF NOT EXISTS score_blobs (score_id INTEGER PRIMARY KEY, key TEXT NOT NULL);
-- A board closed to new scores (its season over): still listed and read, but
-- a score on it is refused by its place in its batch, which no client can
-- foresee from the boards it was given.
CREATE TABLE IF NOT EXISTS closed_leaderboards (leaderboard_id INTEGER PRIMARY KEY);
)sql";

const char* const scores::kSeed = "INSERT INTO leaderboards VALUES (5, 'Normal', 1), (6, 'Fastest Lap', 0);"
                          "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, created_at) VALUES"
                          " (18, 5, 900, '900 points', '2026-01-01 00:00:00'), (18, 6, 75, '1:15', '2026-01-01 00:00:00');";

namespace {

// A decimal degree filling the whole text, or nothing.
std::optional<double> degrees(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    double value = platform::parseDouble(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The great-circle distance in miles.
double milesBetween(double lat1, double lng1, double lat2, double lng2)
{
    constexpr double kRadians = 3.14159265358979323846 / 180, kEarthMiles = 3958.8;
    double dLat = (lat2 - lat1) * kRadians, dLng = (lng2 - lng1) * kRadians;
    double a = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(lat1 * kRadians) * std::cos(lat2 * kRadians) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * kEarthMiles * std::asin(std::min(1.0, std::sqrt(a)));
}

// Where a score's blob is fetched, when it has one and a storage host is
// attached, unless a player reported the host does not hold it (until it does).
std::string blobUrlElement(Store& s, int64_t score)
{
    if (!s.storage)
        return {};
    Statement q(s.db, "SELECT key FROM score_blobs WHERE score_id = ?1 AND NOT EXISTS (SELECT 1 FROM invalid_blobs"
                      " WHERE high_score_id = ?1)");
    q.bind(1, score);
    return q.step() ? element("blob_url", s.storage->baseUrl() + q.text(0)) : std::string();
}

// The signed form a score's blob is posted with (the host checks its policy and signature).
std::string uploadParametersElement(const StorageHostStandIn& host, const std::string& key)
{
    std::string fields;
    for (auto& [name, value] : host.uploadForm(key))
        fields += element(name, value);
    return "<blob_upload_parameters>" + element("action", host.baseUrl()) + fields + "</blob_upload_parameters>";
}

bool flag(const std::string& text) { return text == "1" || text == "true"; }

} // namespace

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
        bool hasBlob { false };
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
        else if (field == "has_blob")
            e.hasBlob = flag(value);
    }
    // The player's place, when the batch names it, is kept with each score.
    std::optional<double> lat = degrees(r.param("lat")), lng = degrees(r.param("lng"));
    if (!lat || !lng || std::fabs(*lat) > 90 || std::fabs(*lng) > 180)
        lat = lng = std::nullopt;
    // The whole batch is checked before anything is kept, so a refused batch
    // keeps nothing; a score refused for itself is named by its place in the
    // batch ("Score N of the batch: ...", from 1), so the rest can go without it.
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (!e.leaderboard || !e.score)
            return xml::error(400, "Every score needs a leaderboard id and a decimal score");
        Statement q(s.db, "SELECT 1 FROM leaderboards WHERE id = ?");
        q.bind(1, *e.leaderboard);
        if (!q.step())
            return xml::error(400, "There is no leaderboard " + std::to_string(*e.leaderboard));
        Statement closed(s.db, "SELECT 1 FROM closed_leaderboards WHERE leaderboard_id = ?");
        closed.bind(1, *e.leaderboard);
        if (closed.step())
            return xml::error(422, "Score " + std::to_string(i + 1) + " of the batch: leaderboard "
                                  + std::to_string(*e.leaderboard) + " is closed and takes no new scores");
        auto overBound = [&](const char* field, const std::string& text, size_t bound) -> std::optional<Answer> {
            if (texts::characters(text) <= bound)
                return std::nullopt;
            return xml::error(422, "Score " + std::to_string(i + 1) + " of the batch: " + field + " is too long (at most "
                                  + std::to_string(bound) + " characters)");
        };
        if (auto refused = overBound("display_text", e.displayText, quorvel::kQVMaxScoreDisplayText))
            return *refused;
        if (auto refused = overBound("custom_data", e.customData, quorvel::kQVMaxScoreCustomData))
            return *refused;
    }
    std::string body = "<resources>";
    for (auto& e : entries) {
        Statement q(s.db, "INSERT INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data,"
                          " created_at) VALUES (?, ?, ?, ?, ?, ?)");
        q.bind(1, user).bind(2, *e.leaderboard).bind(3, *e.score).bind(4, e.displayText).bind(5, e.customData).bind(6, now());
        const int64_t id = q.insert();
        if (!id)
            return xml::error(500, "The scores could not be kept");
        if (lat) {
            Statement place(s.db, "INSERT INTO score_places (score_id, lat, lng) VALUES (?, ?, ?)");
            if (!place.bind(1, id).bind(2, *lat).bind(3, *lng).run())
                return xml::error(500, "The scores' place could not be kept");
        }
        // A score with a blob gets the form to post it to the storage host with.
        std::string upload;
        if (e.hasBlob && s.storage) {
            std::string key = "high_scores/" + std::to_string(id) + ".blob";
            Statement blob(s.db, "INSERT INTO score_blobs (score_id, key) VALUES (?, ?)");
            if (!blob.bind(1, id).bind(2, key).run())
                return xml::error(500, "The score's blob could not be kept");
            upload = uploadParametersElement(*s.storage, key);
        }
        body += "<high_score><id>" + std::to_string(id) + "</id>" + element("score", std::to_string(*e.score))
            + element("leaderboard_id", std::to_string(*e.leaderboard)) + element("display_text", e.displayText)
            + element("custom_data", e.customData) + players::userElement(s, user, user) + upload + "</high_score>";
    }
    return Answer::xml(body + "</resources>");
}

Answer scores::page(Store& s, const LoggedRequest& r, int64_t user)
{
    if (flag(r.param("geolocation")))
        return near(s, r, user);
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
        for (size_t i = pageAsked.offset(); i < ranked.size() && i < pageAsked.offset() + pageAsked.perPage; ++i) {
            // The row listed is the player's newest copy of the best: its blob
            // is the one the player gave last with that score.
            Statement best(s.db, "SELECT id FROM high_scores WHERE leaderboard_id = ? AND user_id = ? AND score = ?"
                                 " ORDER BY id DESC LIMIT 1");
            best.bind(1, *board).bind(2, ranked[i].user).bind(3, ranked[i].score);
            const int64_t id = best.step() ? best.integer(0) : ranked[i].id;
            body += "<high_score><id>" + std::to_string(id) + "</id>"
                + element("score", std::to_string(ranked[i].score)) + element("rank", std::to_string(i + 1))
                + element("leaderboard_id", std::to_string(*board)) + element("display_text", ranked[i].displayText)
                + blobUrlElement(s, id) + players::userElement(s, ranked[i].user, user) + "</high_score>";
        }
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

Answer scores::near(Store& s, const LoggedRequest& r, int64_t user)
{
    auto board = number(r.param("leaderboard_id"));
    bool descending = true;
    {
        Statement q(s.db, "SELECT descending FROM leaderboards WHERE id = ?");
        q.bind(1, board.value_or(-1));
        if (!board || !q.step())
            return xml::error(400, "There is no leaderboard " + r.param("leaderboard_id"));
        descending = q.integer(0) != 0;
    }
    // Around the place asked for, else where the player last posted a score from.
    std::optional<double> lat = degrees(r.param("lat")), lng = degrees(r.param("lng"));
    if (!lat || !lng) {
        Statement q(s.db, "SELECT p.lat, p.lng FROM score_places p JOIN high_scores h ON h.id = p.score_id"
                          " WHERE h.user_id = ? ORDER BY h.id DESC LIMIT 1");
        q.bind(1, user);
        if (q.step())
            lat = q.real(0), lng = q.real(1);
    }
    struct Placed {
        int64_t id, user, score;
        std::string displayText;
        double lat, lng, miles;
    };
    // Each player's best score posted from a place, within the radius (miles) when one is given.
    std::vector<Placed> placed;
    std::string sql = std::string("SELECT h.id, h.user_id, h.score, COALESCE(h.display_text, ''), p.lat, p.lng FROM"
                                  " high_scores h JOIN score_places p ON p.score_id = h.id WHERE h.leaderboard_id = ?"
                                  " ORDER BY h.score ")
        + (descending ? "DESC" : "ASC") + ", h.id";
    Statement q(s.db, sql.c_str());
    q.bind(1, *board);
    auto radius = number(r.param("radius"));
    while (q.step()) {
        int64_t who = q.integer(1);
        if (std::any_of(placed.begin(), placed.end(), [who](const Placed& p) { return p.user == who; }))
            continue;
        Placed p { q.integer(0), who, q.integer(2), q.text(3), q.real(4), q.real(5), 0 };
        if (lat)
            p.miles = milesBetween(*lat, *lng, p.lat, p.lng);
        if (lat && radius && *radius > 0 && p.miles > static_cast<double>(*radius))
            continue;
        placed.push_back(p);
    }
    xml::Page page = xml::requestedPage(r);
    std::string body;
    // The rank is the score's place among those in the area.
    for (size_t i = page.offset(); i < placed.size() && i < page.offset() + page.perPage; ++i) {
        const Placed& p = placed[i];
        const std::string where
            = platform::format("<lat>%f</lat><lng>%f</lng><distance>%f</distance>", p.lat, p.lng, p.miles);
        body += "<high_score><id>" + std::to_string(p.id) + "</id>" + element("score", std::to_string(p.score))
            + element("rank", std::to_string(i + 1)) + element("leaderboard_id", std::to_string(*board))
            + element("display_text", p.displayText) + where + players::userElement(s, p.user, user) + "</high_score>";
    }
    return Answer::xml("<resources>" + xml::pageHeader(placed.size(), page) + body + "</resources>");
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
    // A page past the highest the lists read is that one (empty however many
    // bands there are), so its offset is counted without overflow.
    page = std::min<int64_t>(*page, static_cast<int64_t>(xml::kMaxPage));
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
    // A best at or above the start is less than 2^64 past it: the distance
    // is counted unsigned, so a start or a delta at int64's ends overflows nothing.
    std::map<uint64_t, Best> bands;
    for (const Best& b : bests)
        if (b.score >= *start)
            bands.emplace((static_cast<uint64_t>(b.score) - static_cast<uint64_t>(*start)) / static_cast<uint64_t>(*delta),
                          b);
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

void StandInState::closeLeaderboard(int64_t leaderboardId)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return;
    Statement q(store_->db, "INSERT OR IGNORE INTO closed_leaderboards (leaderboard_id) VALUES (?)");
    q.bind(1, leaderboardId);
    q.run();
}

void StandInState::addScoreFrom(int64_t userId, int64_t leaderboardId, int64_t score, double latitude, double longitude)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return;
    Statement q(store_->db, "INSERT INTO high_scores (user_id, leaderboard_id, score, created_at) VALUES (?, ?, ?, ?)");
    q.bind(1, userId).bind(2, leaderboardId).bind(3, score).bind(4, now());
    if (!q.run())
        return;
    Statement place(store_->db, "INSERT INTO score_places (score_id, lat, lng) VALUES (?, ?, ?)");
    place.bind(1, store_->lastId()).bind(2, latitude).bind(3, longitude).run();
}

} // namespace standin
