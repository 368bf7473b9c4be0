// The two score enumerators over the high-score service's page and range queries.
#include "social/services/QVScoreEnumerator.h"

#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVUser.h"

#include <algorithm>

namespace quorvel {

using platform::Ref;

namespace {

void replaceRequest(Ref<QVRequestHandle>& held, Ref<QVRequestHandle> request)
{
    if (held == request)
        return;
    Ref<QVRequestHandle> old = std::exchange(held, std::move(request));
    if (old)
        old->cancel();
}

} // namespace

// -- QVScoreEnumerator ---------------------------------------------------------------

Ref<QVScoreEnumerator> QVScoreEnumerator::scoreEnumeratorForLeaderboard(const QVLeaderboard& leaderboard,
                                                                        int pageSize, int filter)
{
    return initWithLeaderboardId(leaderboard.resourceId(), pageSize, filter);
}

Ref<QVScoreEnumerator> QVScoreEnumerator::initWithLeaderboardId(const std::string& leaderboardId, int pageSize,
                                                                int filter)
{
    Ref<QVScoreEnumerator> e = platform::adoptRef(new QVScoreEnumerator);
    e->leaderboardId_ = leaderboardId;
    e->pageSize_ = pageSize;
    e->filter_ = filter;
    e->setCurrentPage(1);
    return e;
}

QVScoreEnumerator::~QVScoreEnumerator() { setActiveRequest(nullptr); }

void QVScoreEnumerator::setDelegate(QVScoreEnumeratorDelegate* delegate)
{
    QVScoreEnumeratorClass::setDelegate(delegate);
}

void QVScoreEnumerator::setActiveRequest(Ref<QVRequestHandle> request) { replaceRequest(activeRequest_, request); }

void QVScoreEnumerator::setCurrentPage(int page)
{
    if (page == currentPage_)
        return;
    loadPage(page);
}

void QVScoreEnumerator::loadPage(int page)
{
    currentPage_ = page;
    isCurrentUserPage_ = false;
    scores_.reset();
    setActiveRequest(QVHighScoreService::getPage(
        page, pageSize_, leaderboardId_, std::string(), filter_ == kFriendsOnly, true, 0,
        QVDelegate(this, BRISKO_SELECTOR(QVScoreEnumerator, _downloadFinished)),
        QVDelegate(this, BRISKO_SELECTOR(QVScoreEnumerator, _downloadFailed))));
}

void QVScoreEnumerator::jumpToPage(int page)
{
    if (totalPages_ == 0)
        return;
    setCurrentPage(page);
}

bool QVScoreEnumerator::nextPage()
{
    bool wasBelow = currentPage_ < totalPages_;
    jumpToPage(wasBelow ? currentPage_ + 1 : totalPages_);
    return wasBelow;
}

bool QVScoreEnumerator::previousPage()
{
    bool wasAbove = currentPage_ > 1;
    jumpToPage(wasAbove ? currentPage_ - 1 : 1);
    return wasAbove;
}

void QVScoreEnumerator::pageWithCurrentUser()
{
    isCurrentUserPage_ = false;
    scores_.reset();
    setActiveRequest(QVHighScoreService::getPageWithLoggedInUser(
        pageSize_, leaderboardId_, true, QVDelegate(this, BRISKO_SELECTOR(QVScoreEnumerator, _downloadFinished)),
        QVDelegate(this, BRISKO_SELECTOR(QVScoreEnumerator, _downloadFailed))));
}

void QVScoreEnumerator::setPageSize(int pageSize)
{
    if (pageSize == pageSize_)
        return;
    pageSize_ = pageSize;
    totalPages_ = 0;
    // Page 1 is fetched again even when it is the current page: its scores
    // were cut to the old size.
    loadPage(1);
}

void QVScoreEnumerator::_downloadFinished(platform::Object* object)
{
    Ref<QVScoreEnumerator> keep(this);
    QVPaginatedSeries* series = requireCast<QVPaginatedSeries>(object, "A service's answer must carry a series");
    if (!series->objects().empty()) {
        // A sectioned answer: the scores are those of the last section.
        if (dynamic_cast<QVTableSectionDescription*>(series->objects().front().get())) {
            auto* last = dynamic_cast<QVTableSectionDescription*>(series->objects().back().get());
            series = last ? last->page() : nullptr;
        }
    }
    Scores objects = series ? series->objects() : Scores();
    isCurrentUserPage_ = std::any_of(objects.begin(), objects.end(), [](const Ref<platform::Object>& o) {
        auto* score = dynamic_cast<QVHighScore*>(o.get());
        return score && score->user() && score->user()->isLocalUser();
    });
    if (QVPaginatedSeriesHeader* header = series ? series->header() : nullptr) {
        currentPage_ = static_cast<int>(std::min<unsigned int>(header->currentPage, INT_MAX));
        totalPages_ = static_cast<int>(std::min<unsigned int>(header->totalPages, INT_MAX));
    }
    scores_ = std::move(objects);
    activeRequest_ = nullptr;
    QVScoreEnumeratorClass::notify([&](QVScoreEnumeratorDelegate& d) { d.didReceiveScoresQVScoreEnumerator(this); });
}

void QVScoreEnumerator::_downloadFailed(platform::Object*)
{
    Ref<QVScoreEnumerator> keep(this);
    activeRequest_ = nullptr;
    QVScoreEnumeratorClass::notify(
        [&](QVScoreEnumeratorDelegate& d) { d.didFailReceiveScoresQVScoreEnumerator(this); });
}

// -- QVDistributedScoreEnumerator -------------------------------------------------------

Ref<QVDistributedScoreEnumerator>
QVDistributedScoreEnumerator::scoreEnumeratorForLeaderboard(const QVLeaderboard& leaderboard, int pageSize,
                                                            int scoreDelta, int startScore,
                                                            QVDistributedScoreEnumeratorDelegate* delegate)
{
    return initWithLeaderboardId(leaderboard.resourceId(), pageSize, scoreDelta, startScore, delegate);
}

Ref<QVDistributedScoreEnumerator>
QVDistributedScoreEnumerator::initWithLeaderboardId(const std::string& leaderboardId, int pageSize, int scoreDelta,
                                                    int startScore, QVDistributedScoreEnumeratorDelegate* delegate)
{
    Ref<QVDistributedScoreEnumerator> e = platform::adoptRef(new QVDistributedScoreEnumerator);
    e->leaderboardId_ = leaderboardId;
    e->pageSize_ = pageSize;
    e->scoreDelta_ = scoreDelta;
    e->startScore_ = startScore;
    setDelegate(delegate);
    e->setCurrentPage(1);
    return e;
}

QVDistributedScoreEnumerator::~QVDistributedScoreEnumerator() { setActiveRequest(nullptr); }

void QVDistributedScoreEnumerator::setDelegate(QVDistributedScoreEnumeratorDelegate* delegate)
{
    QVDistributedScoreEnumeratorClass::setDelegate(delegate);
}

void QVDistributedScoreEnumerator::setActiveRequest(Ref<QVRequestHandle> request)
{
    replaceRequest(activeRequest_, request);
}

const QVDistributedScoreEnumerator::Scores* QVDistributedScoreEnumerator::scores() const
{
    auto it = pages_.find(currentPage_);
    return it == pages_.end() ? nullptr : &it->second;
}

void QVDistributedScoreEnumerator::setCurrentPage(int page)
{
    if (page == currentPage_ || page <= 0)
        return;
    currentPage_ = page;
    if (pages_.count(page)) {
        setActiveRequest(nullptr);
        callSuccessDelegate();
        return;
    }
    setActiveRequest(QVHighScoreService::getDistributedHighScoresAtPage(
        page, pageSize_, scoreDelta_, startScore_, leaderboardId_,
        QVDelegate(this, BRISKO_SELECTOR(QVDistributedScoreEnumerator, _downloadFinished)),
        QVDelegate(this, BRISKO_SELECTOR(QVDistributedScoreEnumerator, _downloadFailed))));
}

bool QVDistributedScoreEnumerator::nextPage()
{
    if (currentPage_ >= lastPage_ - 1)
        return false;
    jumpToPage(currentPage_ + 1);
    return true;
}

bool QVDistributedScoreEnumerator::previousPage()
{
    bool wasAbove = currentPage_ > 1;
    jumpToPage(wasAbove ? currentPage_ - 1 : 1);
    return wasAbove;
}

void QVDistributedScoreEnumerator::_downloadFinished(platform::Object* object)
{
    Ref<QVDistributedScoreEnumerator> keep(this);
    pages_[currentPage_] = requireCast<QVPaginatedSeries>(object, "A service's answer must carry a series")->objects();
    activeRequest_ = nullptr;
    callSuccessDelegate();
}

void QVDistributedScoreEnumerator::callSuccessDelegate()
{
    const Scores* page = scores();
    bool empty = page && page->empty();
    // The last page is learnt whether or not anyone listens, so that
    // nextPage never walks past it.
    if (empty)
        lastPage_ = std::min(lastPage_, currentPage_);
    QVDistributedScoreEnumeratorClass::notify([&](QVDistributedScoreEnumeratorDelegate& d) {
        if (empty)
            d.didReachLastPageQVDistributedScoreEnumerator(this);
        else
            d.didReceiveScoresQVDistributedScoreEnumerator(this);
    });
}

void QVDistributedScoreEnumerator::_downloadFailed(platform::Object*)
{
    Ref<QVDistributedScoreEnumerator> keep(this);
    activeRequest_ = nullptr;
    QVDistributedScoreEnumeratorClass::notify([&](QVDistributedScoreEnumeratorDelegate& d) {
        d.didFailReceiveScoresQVDistributedScoreEnumerator(this);
    });
}

} // namespace quorvel
