// The public leaderboard class: its resource fields, the store readers and
// the answer of a page of scores.
#include "social/services/QVLeaderboard.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

void QVLeaderboard::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVLeaderboard> f(map);
    f.read<QVFieldText>("name", &QVLeaderboard::name_);
    f.read<QVFieldBool>("descending_sort_order", &QVLeaderboard::descendingScoreOrder_);
    f.nested("current_user_high_score", &QVLeaderboard::currentUserScore_);
    f.nested("compared_user_high_score", &QVLeaderboard::comparedUserScore_);
}

QVService* QVLeaderboard::getService() { return QVLeaderboardService::sharedService(); }

Ref<QVLeaderboard> QVLeaderboard::initWithLocalSQL(const QVSqlQuery& row, Ref<QVHighScore> localUserScore,
                                                   Ref<QVHighScore> comparedUserScore)
{
    auto board = create();
    const char* id = row.getText("id");
    const char* name = row.getText("name");
    board->setResourceId(id ? id : "");
    board->name_ = name ? name : "";
    board->descendingScoreOrder_ = row.getInt64("descending_sort_order") != 0;
    board->currentUserScore_ = std::move(localUserScore);
    board->comparedUserScore_ = std::move(comparedUserScore);
    return board;
}

Ref<QVLeaderboard> QVLeaderboard::leaderboard(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVLeaderboard::leaderboard");
    return QVLeaderboardService::getLeaderboard(leaderboardId);
}

std::vector<Ref<QVLeaderboard>> QVLeaderboard::leaderboards()
{
    QVSessionRole::requireMainThread("QVLeaderboard::leaderboards");
    return QVLeaderboardService::getLeaderboardsLocal();
}

void QVLeaderboard::setDelegate(QVLeaderboardDelegate* delegate)
{
    QVSessionRole::requireMainThread("QVLeaderboard::setDelegate");
    QVLeaderboardClass::setDelegate(delegate);
}
QVLeaderboardDelegate* QVLeaderboard::delegate()
{
    QVSessionRole::requireMainThread("QVLeaderboard::delegate");
    return QVLeaderboardClass::delegate();
}

QVUser* QVLeaderboard::comparedToUser() const
{
    return comparedUserScore_ ? comparedUserScore_->user().get() : nullptr;
}

void QVLeaderboard::submitScore(const QVHighScore& score)
{
    QVSessionRole::requireMainThread("QVLeaderboard::submitScore");
    QVHighScoreService::setHighScoreWithCustomData(score.score(), score.displayText(), score.customData(),
                                                   leaderboardId(), false, QVDelegate(), QVDelegate());
}

Ref<QVRequestHandle> QVLeaderboard::downloadHighScoresWithFilter(int filter)
{
    QVSessionRole::requireMainThread("QVLeaderboard::downloadHighScoresWithFilter");
    filter_ = filter;
    return QVLeaderboardClass::file(QVHighScoreService::getPage(
        1, QVHighScoreService::kDefaultQueryPageSize, leaderboardId(), std::string(), filter == 1, true, 0,
        QVDelegate(this, BRISKO_SELECTOR(QVLeaderboard, _downloadedHighScores)),
        QVDelegate(this, BRISKO_SELECTOR(QVLeaderboard, _failedDownloadingHighScores))));
}

std::vector<Ref<QVHighScore>> QVLeaderboard::locallySubmittedScores() const
{
    return QVHighScoreService::getHighScoresLocal(leaderboardId());
}

Ref<QVHighScore> QVLeaderboard::highScoreForCurrentUser() const
{
    platform::Ref<QVUser> user = QVSessionRole::current().localUser();
    return user ? QVHighScoreService::getHighScoreForUser(*user, leaderboardId(), descendingScoreOrder_) : nullptr;
}

void QVLeaderboard::_downloadedHighScores(platform::Object* object)
{
    auto* series = requireCast<QVPaginatedSeries>(object, "A service's answer must carry a series");
    const QVPaginatedSeries* page = series;
    // A sectioned answer: the scores are those of the last section's page.
    if (!series->objects().empty() && dynamic_cast<QVTableSectionDescription*>(series->objects().front().get())) {
        auto* last = dynamic_cast<QVTableSectionDescription*>(series->objects().back().get());
        if (last && last->page())
            page = last->page();
    }
    Ref<QVLeaderboard> keep(this);
    QVLeaderboardClass::notify([&](QVLeaderboardDelegate& d) { d.didDownloadHighScores(page->objects(), this); });
}

void QVLeaderboard::_failedDownloadingHighScores(platform::Object*)
{
    Ref<QVLeaderboard> keep(this);
    QVLeaderboardClass::notify([&](QVLeaderboardDelegate& d) { d.didFailDownloadHighScoresQVLeaderboard(this); });
}

} // namespace quorvel
