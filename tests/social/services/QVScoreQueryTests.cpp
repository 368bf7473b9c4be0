// Score queries against the stand-in (each query's exact parameters, the
// range path, the notices) and the two score enumerators paging through them.
#include "ServiceTestSupport.h"

#include "platform/foundation/Format.h"
#include "platform/ui/MapView.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVScoreEnumerator.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

constexpr const char* kScoresPath = "client_applications/@me/high_scores.xml";

class ScoreQueryHost : public FacadeHost<net_testing::RecordingHost> {
public:
    bool gameCenter { false };
    bool isLoggedIntoGameCenter() override { return gameCenter; }
};

// A page of two scores numbered after the requested page, of `total` pages.
std::string scorePage(int page, int total)
{
    return platform::format("<resources><pagination_header><current_page>%d</current_page>"
                            "<total_pages>%d</total_pages></pagination_header>"
                            "<high_score><id>%d</id><score>10</score><user><id>21</id></user></high_score>"
                            "<high_score><id>%d</id><score>5</score><user><id>22</id></user></high_score>"
                            "</resources>",
                            page, total, page * 10 + 1, page * 10 + 2);
}

class ScoreQueryTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        scores.providerLink = provider.get();
        auto me = QVUser::create();
        me->setResourceId("17");
        scores.local = me;
        TestRuntimeRoles::setCurrent(&scores);
        server.route("GET", kScoresPath, [this](const standin::LoggedRequest& r) {
            if (r.hasParam("near_user_id"))
                return standin::Answer::xml(fixture("high_scores_sectioned.xml"));
            int page = std::atoi(r.param("page").c_str());
            return standin::Answer::xml(scorePage(page, totalPages));
        });
        std::string page = fixture("high_scores_page.xml"), empty = fixture("empty_resources.xml");
        for (int p = 1; p <= 3; ++p)
            server.route("GET", platform::format("leaderboards/12/high_scores/range/1000/50/%d/20.xml", p),
                         standin::Answer::xml(p == 3 ? empty : page));
    }
    void TearDown() override
    {
        QVScoreEnumerator::setDelegate(nullptr);
        QVDistributedScoreEnumerator::setDelegate(nullptr);
        TestRuntimeRoles::setCurrent(&facade);
        QVHighScoreService::shutdownService();
        ServiceNetTest::TearDown();
    }
    ScoreQueryHost scores;
    int totalPages { 3 };
};

TEST_F(ScoreQueryTest, EveryQuerySendsExactlyItsParameters)
{
    struct Case {
        const char* name;
        ServiceCall call;
        Params params;
        bool gameCenter { false };
    };
    auto location = platform::ui::Location::withLatitude(52.5, 13.25);
    const Case cases[] = {
        { "plain page", [](auto& s, auto& f) { QVHighScoreService::getPage(2, "12", false, s, f); },
          { { "leaderboard_id", "12" }, { "page", "2" }, { "page_size", "25" }, { "uses_gc", "0" } } },
        { "signed into Game Center", [](auto& s, auto& f) { QVHighScoreService::getPage(1, "12", false, s, f); },
          { { "leaderboard_id", "12" }, { "page", "1" }, { "page_size", "25" }, { "uses_gc", "1" } }, true },
        { "friends, compared, this week",
          [](auto& s, auto& f) { QVHighScoreService::getPage(1, 10, "12", "44", true, true, 1, s, f); },
          { { "leaderboard_id", "12" }, { "page", "1" }, { "page_size", "10" }, { "interval", "1" },
            { "friends_leaderboard", "1" }, { "follower_id", "me" }, { "compared_user_id", "44" },
            { "uses_gc", "0" } } },
        { "empty compared user left out",
          [](auto& s, auto& f) { QVHighScoreService::getPage(3, "12", "", false, false, s, f); },
          { { "leaderboard_id", "12" }, { "page", "3" }, { "page_size", "25" }, { "uses_gc", "0" } } },
        { "around the player", [](auto& s, auto& f) { QVHighScoreService::getPageWithLoggedInUser("12", s, f); },
          { { "leaderboard_id", "12" }, { "near_user_id", "me" }, { "page_size", "25" } } },
        { "across leaderboards",
          [](auto& s, auto& f) { QVHighScoreService::getAllHighScoresForLoggedInUser(s, f, std::nullopt); },
          { { "across_leaderboards", "1" }, { "user_id", "me" } } },
        { "nowhere in particular",
          [](auto& s, auto& f) { QVHighScoreService::getHighScoresFromLocation(nullptr, 0, 1, "12", s, f); },
          { { "geolocation", "1" }, { "page", "1" }, { "leaderboard_id", "12" } } },
        { "near a place",
          [&](auto& s, auto& f) {
              QVHighScoreService::getHighScoresFromLocation(location.get(), 30, 2, "12", std::string("pin"), s, f);
          },
          { { "geolocation", "1" }, { "page", "2" }, { "leaderboard_id", "12" }, { "radius", "30" },
            { "lat", "52.500000" }, { "lng", "13.250000" }, { "map_me", "pin" } } },
    };
    for (const Case& c : cases) {
        scores.gameCenter = c.gameCenter;
        auto r = sendOne(c.call);
        EXPECT_EQ(r.method, "GET") << c.name;
        EXPECT_EQ(r.path, kScoresPath) << c.name;
        EXPECT_EQ(ownParams(r), c.params) << c.name;
    }
}

TEST_F(ScoreQueryTest, RangeQueryCarriesItsValuesInThePath)
{
    auto r = sendOne([](auto& s, auto& f) {
        QVHighScoreService::getDistributedHighScoresAtPage(2, 20, 50, 1000, "12", s, f);
    });
    EXPECT_EQ(r.path, "leaderboards/12/high_scores/range/1000/50/2/20.xml");
    EXPECT_TRUE(ownParams(r).empty());
    ASSERT_TRUE(answer());
    ASSERT_EQ(answer()->count(), 2u);
    auto* first = dynamic_cast<QVHighScore*>(answer()->objectAtIndex(0));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->gameCenterSeconds(), 1700000000u);
    EXPECT_EQ(dynamic_cast<QVHighScore*>(answer()->objectAtIndex(1))->displayText(), "950");
}

TEST_F(ScoreQueryTest, SilentQueriesCarryNoNotice)
{
    sendOne([](auto& s, auto& f) { QVHighScoreService::getPage(1, "12", false, true, s, f); });
    EXPECT_TRUE(scores.notices.empty());
    sendOne([](auto& s, auto& f) { QVHighScoreService::getPage(1, "12", false, false, s, f); });
    EXPECT_EQ(scores.notices, std::vector<std::string> { "Downloaded High Scores" });
    scores.notices.clear();
    sendOne([](auto& s, auto& f) {
        QVHighScoreService::getAllHighScoresForLoggedInUser(s, f, std::string("Your scores"));
    });
    EXPECT_EQ(scores.notices, std::vector<std::string> { "Your scores" });
}

// -- enumerators ------------------------------------------------------------------------

class EnumeratorDelegate : public QVScoreEnumeratorDelegate, public QVDistributedScoreEnumeratorDelegate {
public:
    std::vector<std::string> calls;
    void didReceiveScoresQVScoreEnumerator(QVScoreEnumerator* e) override
    {
        calls.push_back(platform::format("scores %d/%d", e->currentPage(), e->totalPages()));
    }
    void didFailReceiveScoresQVScoreEnumerator(QVScoreEnumerator*) override { calls.push_back("fail"); }
    void didReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator* e) override
    {
        calls.push_back(platform::format("scores %d", e->currentPage()));
    }
    void didReachLastPageQVDistributedScoreEnumerator(QVDistributedScoreEnumerator* e) override
    {
        calls.push_back(platform::format("last %d", e->currentPage()));
    }
    void didFailReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) override
    {
        calls.push_back("fail");
    }
};

class ScoreEnumeratorTest : public ScoreQueryTest {
protected:
    void SetUp() override
    {
        ScoreQueryTest::SetUp();
        QVScoreEnumerator::setDelegate(&delegate);
    }
    bool waitForCalls(size_t n) { return waitFor([&] { return delegate.calls.size() >= n; }); }
    // A request made by mistake reaches the server, and its answer the delegate.
    void settle() { settleNetwork(); }
    EnumeratorDelegate delegate;
};

TEST_F(ScoreEnumeratorTest, PagesThroughTheLeaderboardAndStopsAtItsEnds)
{
    auto e = QVScoreEnumerator::initWithLeaderboardId("12", 2, QVScoreEnumerator::kFriendsOnly);
    // Page 1 is asked for at once; jumping before the answer does nothing.
    e->jumpToPage(3);
    ASSERT_TRUE(waitForCalls(1));
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(ownParams(log[0]),
              (Params { { "leaderboard_id", "12" }, { "page", "1" }, { "page_size", "2" },
                        { "friends_leaderboard", "1" }, { "follower_id", "me" }, { "uses_gc", "0" } }));
    EXPECT_EQ(delegate.calls.back(), "scores 1/3");
    ASSERT_TRUE(e->hasScores());
    EXPECT_EQ(e->scores()->size(), 2u);
    EXPECT_FALSE(e->isCurrentUserPage());

    EXPECT_FALSE(e->previousPage());
    EXPECT_TRUE(e->nextPage());
    EXPECT_FALSE(e->hasScores());
    ASSERT_TRUE(waitForCalls(2));
    e->jumpToPage(3);
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_EQ(delegate.calls.back(), "scores 3/3");

    server.clearLog();
    EXPECT_FALSE(e->nextPage());
    settle();
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(delegate.calls.size(), 3u);
}

TEST_F(ScoreEnumeratorTest, PlayersPageTakesTheLastSectionAndANewSizeReloadsPageOne)
{
    auto e = QVScoreEnumerator::initWithLeaderboardId("12", 4, 0);
    ASSERT_TRUE(waitForCalls(1));
    e->pageWithCurrentUser();
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_TRUE(e->isCurrentUserPage());
    EXPECT_EQ(e->scores()->size(), 2u);
    EXPECT_EQ(delegate.calls.back(), "scores 2/4");

    e->jumpToPage(1);
    ASSERT_TRUE(waitForCalls(3));
    ASSERT_EQ(e->currentPage(), 1);
    server.clearLog();
    e->setPageSize(10);
    EXPECT_EQ(e->totalPages(), 0);
    ASSERT_TRUE(waitForCalls(4));
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].param("page"), "1");
    EXPECT_EQ(log[0].param("page_size"), "10");
    EXPECT_EQ(e->totalPages(), 3);
}

TEST_F(ScoreEnumeratorTest, ANewPageCancelsTheOneInFlight)
{
    server.script("GET", kScoresPath, [] {
        standin::Answer held = standin::Answer::xml(scorePage(1, 3));
        held.hold = true;
        return held;
    }());
    auto e = QVScoreEnumerator::initWithLeaderboardId("12", 2, 0);
    ASSERT_TRUE(waitForRequests(1));
    e->pageWithCurrentUser();
    ASSERT_TRUE(waitForCalls(1));
    server.releaseHeld();
    settle();
    EXPECT_EQ(delegate.calls, std::vector<std::string> { "scores 2/4" });
}

TEST_F(ScoreEnumeratorTest, DistributedEnumeratorLearnsTheLastPageAndKeepsFetchedPages)
{
    auto e = QVDistributedScoreEnumerator::initWithLeaderboardId("12", 20, 50, 1000, &delegate);
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(server.requests()[0].path, "leaderboards/12/high_scores/range/1000/50/1/20.xml");
    ASSERT_TRUE(e->nextPage());
    ASSERT_TRUE(waitForCalls(2));
    ASSERT_TRUE(e->nextPage());
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "scores 1", "scores 2", "last 3" }));
    EXPECT_EQ(e->lastPage(), 3);
    ASSERT_TRUE(e->hasScores());
    EXPECT_TRUE(e->scores()->empty());

    server.clearLog();
    EXPECT_TRUE(e->previousPage());
    EXPECT_EQ(delegate.calls.back(), "scores 2");
    EXPECT_FALSE(e->nextPage());
    e->setCurrentPage(0);
    e->setCurrentPage(2);
    settle();
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(delegate.calls.size(), 4u);
    EXPECT_EQ(e->currentPage(), 2);
}

TEST_F(ScoreEnumeratorTest, DistributedEnumeratorFindsTheLastPageWithoutADelegate)
{
    auto e = QVDistributedScoreEnumerator::initWithLeaderboardId("12", 20, 50, 1000, nullptr);
    ASSERT_TRUE(waitForRequests(1));
    settle();
    e->jumpToPage(3);
    ASSERT_TRUE(waitFor([&] { return e->hasScores(); }));
    EXPECT_EQ(e->lastPage(), 3);
    e->jumpToPage(2);
    ASSERT_TRUE(waitFor([&] { return e->hasScores(); }));
    EXPECT_FALSE(e->nextPage());
}

} // namespace
