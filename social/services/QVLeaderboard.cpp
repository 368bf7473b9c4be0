// The public leaderboard class: its resource fields, the store readers and
// the answer of a page of scores.
#include "social/services/QVLeaderboard.h"

#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVLeaderboardService.h"

namespace quorvel {

namespace {
QVLeaderboardDelegate*& classDelegate()
{
    static QVLeaderboardDelegate* d = nullptr;
    return d;
}

// The module the class's requests are filed under.
const void* module()
{
    static const char m = 0;
    return &m;
}
} // namespace

void QVLeaderboard::getDataMap(QVResourceDataMap& map)
{
    map.addField("name", &QVLeaderboard::setName);
    map.addField("descending_sort_order", &QVLeaderboard::setDescendingScoreOrder);
}

void QVLeaderboard::setDescendingScoreOrder(const std::string& text) { descendingScoreOrder_ = QVBoolFromText(text); }

platform::Ref<QVLeaderboard> QVLeaderboard::initWithLocalSQL(const QVSqlQuery& row, platform::Ref<QVResource> localUserScore,
                                                             platform::Ref<QVResource> comparedUserScore)
{
    auto board = create();
    const char* id = row.getText("id");
    board->setResourceId(id ? id : "");
    if (const char* name = row.getText("name"))
        board->setName(name);
    board->descendingScoreOrder_ = row.getInt64("descending_sort_order") != 0;
    board->currentUserScore_ = std::move(localUserScore);
    board->comparedUserScore_ = std::move(comparedUserScore);
    return board;
}

platform::Ref<QVLeaderboard> QVLeaderboard::leaderboard(const std::string& leaderboardId)
{
    return QVLeaderboardService::getLeaderboard(leaderboardId);
}

std::vector<platform::Ref<QVLeaderboard>> QVLeaderboard::leaderboards()
{
    return QVLeaderboardService::getLeaderboardsLocal();
}

void QVLeaderboard::setDelegate(QVLeaderboardDelegate* delegate)
{
    classDelegate() = delegate;
    if (!delegate)
        QVRequestHandlesForModule::cancelAllRequestsForModule(module());
}

QVLeaderboardDelegate* QVLeaderboard::delegate() { return classDelegate(); }

void QVLeaderboard::_downloadedHighScores(platform::Object* object)
{
    QVLeaderboardDelegate* d = classDelegate();
    auto* series = dynamic_cast<QVPaginatedSeries*>(object);
    if (!d || !series)
        return;
    const QVPaginatedSeries* page = series;
    // A sectioned answer: the scores are those of the last section's page.
    if (!series->objects().empty() && dynamic_cast<QVTableSectionDescription*>(series->objects().front().get())) {
        auto* last = dynamic_cast<QVTableSectionDescription*>(series->objects().back().get());
        if (last && last->page())
            page = last->page();
    }
    d->didDownloadHighScores(page->objects(), this);
}

void QVLeaderboard::_failedDownloadingHighScores(platform::Object*)
{
    if (QVLeaderboardDelegate* d = classDelegate())
        d->didFailDownloadHighScoresQVLeaderboard(this);
}

} // namespace quorvel
