// Leaderboard definitions from XML and from the store's leaderboards table.
#include "social/services/QVLeaderboard_Sync.h"

#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVSqlQuery.h"


namespace quorvel {

void QVLeaderboard_Sync::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVLeaderboard_Sync> f(map);
    f.read<QVFieldText>("name", &QVLeaderboard_Sync::name_);
    f.read<QVFieldBool>("active", &QVLeaderboard_Sync::active_);
    f.read<QVFieldBool>("allow_posting_lower_scores", &QVLeaderboard_Sync::allowPostingLowerScores_);
    f.read<QVFieldBool>("descending_sort_order", &QVLeaderboard_Sync::descendingSortOrder_);
    f.read<QVFieldBool>("is_aggregate", &QVLeaderboard_Sync::isAggregate_);
    f.custom("reached_at", &QVLeaderboard_Sync::setReachedAt);
    f.read<QVFieldInt64>("score", &QVLeaderboard_Sync::score_);
    f.read<QVFieldText>("end_version", &QVLeaderboard_Sync::endVersion_);
    f.read<QVFieldText>("start_version", &QVLeaderboard_Sync::startVersion_);
    f.read<QVFieldBool>("visible", &QVLeaderboard_Sync::visible_);
    f.read<QVFieldText>("display_text", &QVLeaderboard_Sync::displayText_);
    f.read<QVFieldText>("custom_data", &QVLeaderboard_Sync::customData_);
}

std::optional<platform::Date> QVLeaderboard_Sync::parseReachedAt(const std::string& text)
{
    if (auto server = railsFormatter().parse(text))
        return server;
    return QVParseZonedDate(text);
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
