// Score enumerators: page through a leaderboard's scores without handling
// requests. QVScoreEnumerator walks the server's numbered pages (everyone or
// friends only) and can jump to the player's page. QVDistributedScoreEnumerator
// walks the pages of a score-range query, keeps every page it fetched (going
// back needs no request) and finds the last page by meeting an empty one.
//
// Each class reports to one delegate shared by all its instances (not
// retained; every method optional). A new page request cancels the one in
// flight, whose answer then reaches nobody.
#pragma once

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVServicePublicClass.h"

#include <climits>
#include <map>
#include <optional>
#include <string>

namespace quorvel {

class QVLeaderboard;
class QVScoreEnumerator;
class QVDistributedScoreEnumerator;

class QVScoreEnumeratorDelegate {
public:
    virtual ~QVScoreEnumeratorDelegate() = default;
    virtual void didReceiveScoresQVScoreEnumerator(QVScoreEnumerator*) { }
    virtual void didFailReceiveScoresQVScoreEnumerator(QVScoreEnumerator*) { }
};

class QVDistributedScoreEnumeratorDelegate {
public:
    virtual ~QVDistributedScoreEnumeratorDelegate() = default;
    virtual void didReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) { }
    virtual void didReachLastPageQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) { }
    virtual void didFailReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) { }
};

class QVScoreEnumerator : public platform::Object, public QVCallbackable {
public:
    using Scores = QVPaginatedSeries::Objects;
    static constexpr int kFriendsOnly = 1;

    // Both ask for page 1 at once.
    static platform::Ref<QVScoreEnumerator> scoreEnumeratorForLeaderboard(const QVLeaderboard& leaderboard,
                                                                          int pageSize, int filter);
    static platform::Ref<QVScoreEnumerator> initWithLeaderboardId(const std::string& leaderboardId, int pageSize,
                                                                  int filter);
    ~QVScoreEnumerator() override;

    static void setDelegate(QVScoreEnumeratorDelegate* delegate);

    bool isCurrentUserPage() const { return isCurrentUserPage_; }
    int pageSize() const { return pageSize_; }
    int currentPage() const { return currentPage_; }
    int totalPages() const { return totalPages_; }
    // The current page's scores; none while a page loads.
    const std::optional<Scores>& scores() const { return scores_; }
    bool hasScores() const { return scores_.has_value(); }
    int filter() const { return filter_; }
    const std::string& leaderboardId() const { return leaderboardId_; }
    void setLeaderboardId(const std::string& id) { leaderboardId_ = id; }
    QVRequestHandle* activeRequest() const { return activeRequest_.get(); }
    // A different handle cancels the one held.
    void setActiveRequest(platform::Ref<QVRequestHandle> request);

    // Loads the page unless it is already the current one.
    void setCurrentPage(int page);
    // Nothing until the first answer told the page count.
    void jumpToPage(int page);
    // Answer whether there was a page to move to.
    bool nextPage();
    bool previousPage();
    void pageWithCurrentUser();
    // A new size starts again from page 1, which is reloaded even when current.
    void setPageSize(int pageSize);

    void _downloadFinished(platform::Object* series);
    void _downloadFailed(platform::Object*);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVScoreEnumerator"; }

private:
    QVScoreEnumerator() = default;
    void loadPage(int page);

    bool isCurrentUserPage_ { false };
    int pageSize_ { 0 };
    int currentPage_ { 0 };
    int totalPages_ { 0 };
    std::optional<Scores> scores_;
    int filter_ { 0 };
    std::string leaderboardId_;
    platform::Ref<QVRequestHandle> activeRequest_;
};

class QVDistributedScoreEnumerator : public platform::Object, public QVCallbackable {
public:
    using Scores = QVPaginatedSeries::Objects;
    static constexpr int kNoLastPage = INT_MAX;

    // Both set the class delegate to the one given and ask for page 1 at once.
    static platform::Ref<QVDistributedScoreEnumerator>
    scoreEnumeratorForLeaderboard(const QVLeaderboard& leaderboard, int pageSize, int scoreDelta, int startScore,
                                  QVDistributedScoreEnumeratorDelegate* delegate);
    static platform::Ref<QVDistributedScoreEnumerator>
    initWithLeaderboardId(const std::string& leaderboardId, int pageSize, int scoreDelta, int startScore,
                          QVDistributedScoreEnumeratorDelegate* delegate);
    ~QVDistributedScoreEnumerator() override;

    static void setDelegate(QVDistributedScoreEnumeratorDelegate* delegate);

    int pageSize() const { return pageSize_; }
    int currentPage() const { return currentPage_; }
    int scoreDelta() const { return scoreDelta_; }
    int startScore() const { return startScore_; }
    // The first page found empty; kNoLastPage until then.
    int lastPage() const { return lastPage_; }
    const std::string& leaderboardId() const { return leaderboardId_; }
    // The current page's scores, or null when it has not been fetched.
    const Scores* scores() const;
    bool hasScores() const { return scores() != nullptr; }
    QVRequestHandle* activeRequest() const { return activeRequest_.get(); }
    void setActiveRequest(platform::Ref<QVRequestHandle> request);

    // Nothing for the current page or a page below 1; a fetched page is
    // reported at once without a request.
    void setCurrentPage(int page);
    void jumpToPage(int page) { setCurrentPage(page); }
    bool nextPage();
    bool previousPage();

    void _downloadFinished(platform::Object* series);
    void _downloadFailed(platform::Object*);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVDistributedScoreEnumerator"; }

private:
    QVDistributedScoreEnumerator() = default;
    void callSuccessDelegate();

    int pageSize_ { 0 };
    int currentPage_ { 0 };
    int scoreDelta_ { 0 };
    int startScore_ { 0 };
    int lastPage_ { kNoLastPage };
    std::map<int, Scores> pages_;
    std::string leaderboardId_;
    platform::Ref<QVRequestHandle> activeRequest_;
};

// The class objects: the shared delegate of each enumerator class.
class QVScoreEnumeratorClass : public QVServicePublicClass<QVScoreEnumeratorClass, QVScoreEnumeratorDelegate> {
    friend class QVServicePublicClass<QVScoreEnumeratorClass, QVScoreEnumeratorDelegate>;
    QVScoreEnumeratorClass() = default;
};

class QVDistributedScoreEnumeratorClass
    : public QVServicePublicClass<QVDistributedScoreEnumeratorClass, QVDistributedScoreEnumeratorDelegate> {
    friend class QVServicePublicClass<QVDistributedScoreEnumeratorClass, QVDistributedScoreEnumeratorDelegate>;
    QVDistributedScoreEnumeratorClass() = default;
};

} // namespace quorvel
