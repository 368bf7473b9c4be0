// Leaderboard definitions from XML and from the store's leaderboards table.
#include "social/services/QVLeaderboard_Sync.h"

#include "platform/foundation/DateFormat.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVSqlQuery.h"

#include <cstdlib>

namespace quorvel {

void QVLeaderboard_Sync::getDataMap(QVResourceDataMap& map)
{
    map.addField("name", &QVLeaderboard_Sync::setName);
    map.addField("active", &QVLeaderboard_Sync::setActive);
    map.addField("allow_posting_lower_scores", &QVLeaderboard_Sync::setAllowPostingLowerScores);
    map.addField("descending_sort_order", &QVLeaderboard_Sync::setDescendingSortOrder);
    map.addField("is_aggregate", &QVLeaderboard_Sync::setIsAggregate);
    map.addField("reached_at", &QVLeaderboard_Sync::setReachedAt);
    map.addField("score", &QVLeaderboard_Sync::setScore);
    map.addField("end_version", &QVLeaderboard_Sync::setEndVersion);
    map.addField("start_version", &QVLeaderboard_Sync::setStartVersion);
    map.addField("visible", &QVLeaderboard_Sync::setVisible);
    map.addField("display_text", &QVLeaderboard_Sync::setDisplayText);
    map.addField("custom_data", &QVLeaderboard_Sync::setCustomData);
}

void QVLeaderboard_Sync::setActive(const std::string& text) { active_ = QVBoolFromText(text); }
void QVLeaderboard_Sync::setAllowPostingLowerScores(const std::string& text)
{
    allowPostingLowerScores_ = QVBoolFromText(text);
}
void QVLeaderboard_Sync::setDescendingSortOrder(const std::string& text) { descendingSortOrder_ = QVBoolFromText(text); }
void QVLeaderboard_Sync::setIsAggregate(const std::string& text) { isAggregate_ = QVBoolFromText(text); }
void QVLeaderboard_Sync::setVisible(const std::string& text) { visible_ = QVBoolFromText(text); }

void QVLeaderboard_Sync::setScore(const std::string& text)
{
    // The text's leading number, clamped to 64 bits; 0 when it starts with none.
    score_ = std::strtoll(text.c_str(), nullptr, 10);
}

std::optional<platform::Date> QVLeaderboard_Sync::parseReachedAt(const std::string& text)
{
    if (auto server = railsFormatter().parse(text))
        return server;
    if (text.size() != 19 && !(text.size() == 23 && (text.ends_with(" GMT") || text.ends_with(" UTC"))))
        return std::nullopt;
    return platform::DateFormatter("yyyy-MM-dd HH:mm:ss").parse(std::string_view(text).substr(0, 19));
}

platform::Ref<QVLeaderboard_Sync> QVLeaderboard_Sync::initWithLocalSQL(const QVSqlQuery& row)
{
    auto text = [&row](const char* column) {
        const char* t = row.getText(column);
        return std::string(t ? t : "");
    };
    auto sync = create();
    sync->setResourceId(text("id"));
    sync->name_ = text("name");
    sync->endVersion_ = text("end_version");
    sync->startVersion_ = text("start_version");
    sync->active_ = row.getInt64("active") != 0;
    sync->allowPostingLowerScores_ = row.getInt64("allow_posting_lower_scores") != 0;
    sync->descendingSortOrder_ = row.getInt64("descending_sort_order") != 0;
    sync->isAggregate_ = row.getInt64("is_aggregate") != 0;
    sync->visible_ = row.getInt64("visible") != 0;
    return sync;
}

} // namespace quorvel
