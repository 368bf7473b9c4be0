// The stand-in's achievements: their tables and seed, the definitions with each
// player's unlocks, the unlocks a player submits and the offline copy.
#include "tools/standin/StandInAchievements.h"

#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/Format.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace standin {

using xml::element;

const char* const achievements::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS achievements (id INTEGER PRIMARY KEY, title TEXT NOT NULL, description TEXT NOT NULL,
    gamerscore INTEGER NOT NULL, position INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS unlocks (user_id INTEGER NOT NULL, achievement_id INTEGER NOT NULL,
    percent_complete REAL NOT NULL, unlocked_at TEXT, PRIMARY KEY (user_id, achievement_id));
)sql";

const char* const achievements::kSeed = "INSERT INTO achievements VALUES (11, 'First Steps', 'Finish the first level.', 10, 0),"
                                        " (12, 'Collector', 'Collect every coin.', 20, 1);";

std::string achievements::offline(Store& s, int64_t user)
{
    std::string out = "<achievements>";
    Statement q(s.db, "SELECT a.id, a.title, a.description, a.gamerscore, a.position, u.percent_complete,"
                      " u.unlocked_at FROM achievements a LEFT JOIN unlocks u ON u.achievement_id = a.id AND"
                      " u.user_id = ? ORDER BY a.position");
    q.bind(1, user);
    while (q.step()) {
        out += "<achievement><id>" + std::to_string(q.integer(0)) + "</id>" + element("title", q.text(1))
            + element("description", q.text(2)) + element("gamerscore", std::to_string(q.integer(3)))
            + "<is_secret>false</is_secret>" + element("position", std::to_string(q.integer(4)))
            + "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version>";
        if (!q.isNull(5))
            out += element("percent_complete", platform::format("%f", q.real(5)));
        if (!q.isNull(6))
            out += element("unlock_date", q.text(6));
        out += "</achievement>";
    }
    return out + "</achievements>";
}

Answer achievements::definitions(Store& s, const LoggedRequest& r, int64_t user)
{
    // Compared with another player: each achievement also says whether they unlocked it.
    std::optional<int64_t> compared = number(r.param("compared_to_user_id"));
    auto row = [&](const Statement& q) {
        std::string out = "<achievement><id>" + std::to_string(q.integer(0)) + "</id>" + element("title", q.text(1))
            + element("description", q.text(2)) + element("gamerscore", std::to_string(q.integer(3)))
            + "<is_secret>false</is_secret>" + element("percent_complete", platform::format("%f", q.isNull(5) ? 0.0 : q.real(5)))
            + (q.isNull(6) ? std::string() : element("unlock_date", q.text(6)))
            + element("position", std::to_string(q.integer(4)))
            + "<start_version>0000.00.00</start_version><end_version>9999.99.99</end_version>";
        if (compared) {
            Statement theirs(s.db, "SELECT 1 FROM unlocks WHERE user_id = ? AND achievement_id = ? AND unlocked_at IS NOT NULL");
            theirs.bind(1, *compared).bind(2, q.integer(0));
            out += element("compared_to_user_id", std::to_string(*compared))
                + element("is_unlocked_by_compared_to_user", theirs.step() ? "true" : "false");
        }
        return out + "</achievement>";
    };
    return Answer::xml("<resources>"
                       + listPage(
                           s, xml::requestedPage(r),
                           "a.id, a.title, a.description, a.gamerscore, a.position, u.percent_complete, u.unlocked_at",
                           "FROM achievements a LEFT JOIN unlocks u ON u.achievement_id = a.id AND u.user_id = ?",
                           "a.position, a.id", [user](Statement& q) { q.bind(1, user); }, row)
                       + "</resources>");
}

Answer achievements::submitUnlocks(Store& s, const LoggedRequest& r, int64_t user)
{
    std::vector<std::pair<std::string, std::string>> entries; // id, percent
    for (auto& [name, value] : r.params) {
        if (name == "achievement_list[][achievement_definition_id]")
            entries.emplace_back(value, "");
        else if (name == "achievement_list[][percent_complete]" && !entries.empty())
            entries.back().second = value;
    }
    std::string body = "<resources>";
    for (auto& [idText, percentText] : entries) {
        auto id = number(idText);
        char* end = nullptr;
        double percent = platform::parseDouble(percentText.c_str(), &end);
        bool known = false;
        int64_t gamerscore = 0;
        if (id) {
            Statement q(s.db, "SELECT gamerscore FROM achievements WHERE id = ?");
            q.bind(1, *id);
            if (q.step()) {
                known = true;
                gamerscore = q.integer(0);
            }
        }
        // Written so that NaN, which no comparison holds for, is refused with the rest.
        if (!known || percentText.empty() || *end != '\0' || !(percent >= 0 && percent <= 100)) {
            body += "<unlocked_achievement><achievement_definition>" + element("id", idText)
                + "</achievement_definition><result>invalid</result>" + element("percent_complete", percentText)
                + "</unlocked_achievement>";
            continue;
        }
        // Progress never goes back; the unlock date is the first time it reached 100.
        Statement keep(s.db, "INSERT INTO unlocks VALUES (?1, ?2, ?3, CASE WHEN ?3 >= 100 THEN ?4 END)"
                             " ON CONFLICT (user_id, achievement_id) DO UPDATE SET"
                             " percent_complete = MAX(percent_complete, excluded.percent_complete),"
                             " unlocked_at = COALESCE(unlocked_at, excluded.unlocked_at)");
        keep.bind(1, user).bind(2, *id).bind(3, percent).bind(4, now()).run();
        Statement q(s.db, "SELECT percent_complete, unlocked_at FROM unlocks WHERE user_id = ? AND achievement_id = ?");
        q.bind(1, user).bind(2, *id);
        q.step();
        body += "<unlocked_achievement><achievement_definition><id>" + std::to_string(*id) + "</id>"
            + element("gamerscore", std::to_string(gamerscore))
            + (q.isNull(1) ? std::string() : element("unlock_date", q.text(1))) + "</achievement_definition>"
            + "<result>ok</result>" + element("percent_complete", platform::format("%f", q.real(0))) + "</unlocked_achievement>";
    }
    return Answer::xml(body + "</resources>");
}

std::vector<StandInState::Unlock> StandInState::unlocks() const
{
    std::lock_guard guard(store_->mutex);
    std::vector<Unlock> out;
    if (!store_->db)
        return out;
    Statement q(store_->db, "SELECT user_id, achievement_id, percent_complete, COALESCE(unlocked_at, '') FROM unlocks"
                            " ORDER BY user_id, achievement_id");
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.real(2), q.text(3) });
    return out;
}

} // namespace standin
