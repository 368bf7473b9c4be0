// The profile service against the stand-in (the "me" and comparison rules,
// the gamerscore and the silent own-page note) and the played-game record
// with its user game stats, read through the profile and client application
// services' names.
#include "ServiceTestSupport.h"

#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVGamePlayer.h"
#include "social/services/QVPlayedGame.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

template <typename Service>
Ref<QVPaginatedSeries> parseWith(const std::string& xml)
{
    QVResourceNameMap names;
    Service service;
    service.populateKnownResources(names);
    return QVResource::resourcesFromData(xml.data(), xml.size(), names);
}

class QVProfileServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        using standin::Answer;
        for (const char* who : { "me", "17" }) {
            server.route("GET", std::string("profiles/") + who + "/", Answer::xml(fixture("played_games.xml")));
            server.route("GET", std::string("profiles/") + who + "/gamerscore", Answer::xml(fixture("played_games.xml")));
        }
        server.route("GET", "profiles/5/gamerscore", Answer::xml(fixture("ok.xml")));
        server.route("GET", "profiles/viewed_own", Answer::xml(fixture("ok.xml")));
        facade.lastUserId = std::string(1, '5');
    }
    void TearDown() override
    {
        QVProfileService::shutdownService();
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVProfileServiceTest, EachRequestSendsItsPathAndParametersSilently)
{
    using Call = std::function<void(const QVDelegate&, const QVDelegate&)>;
    struct Case {
        Call call;
        const char* path;
        Params params;
    };
    const Case cases[] = {
        { [](auto& s, auto& f) { QVProfileService::getLocalPlayerProfile(s, f); }, "profiles/me/", {} },
        // The local player's own id reads as "me", without a comparison.
        { [](auto& s, auto& f) { QVProfileService::getProfileForUser("5", s, f); }, "profiles/me/", {} },
        { [](auto& s, auto& f) { QVProfileService::getProfileForUser("17", s, f); }, "profiles/17/",
          { { "compared_to_user_id", "me" } } },
        { [](auto& s, auto& f) { QVProfileService::getGamerscoreForUser("", s, f); }, "profiles/me/gamerscore", {} },
        // The gamerscore keeps the local player's own id.
        { [](auto& s, auto& f) { QVProfileService::getGamerscoreForUser("5", s, f); }, "profiles/5/gamerscore", {} },
    };
    for (const Case& c : cases) {
        server.clearLog();
        recorder = net_testing::CallbackRecorder::create();
        c.call(recorder->onSuccess(), recorder->onFailure());
        ASSERT_TRUE(waitForCallback()) << c.path;
        EXPECT_EQ(recorder->successes, 1) << c.path;
        auto log = server.requests();
        ASSERT_EQ(log.size(), 1u) << c.path;
        EXPECT_EQ(log[0].method, "GET");
        EXPECT_EQ(log[0].path, c.path);
        EXPECT_EQ(ownParams(log[0]), c.params) << c.path;
    }
    EXPECT_TRUE(facade.notices.empty());

    server.clearLog();
    QVProfileService::viewedOwnProfilePage();
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(server.requests()[0].path, "profiles/viewed_own");
}

TEST_F(QVProfileServiceTest, PlayedGamesKeepTheirStatsAndFindTheLocalPlayersFirst)
{
    QVProfileService::getProfileForUser("17", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_TRUE(answer());
    ASSERT_EQ(answer()->count(), 2u);
    auto* game = dynamic_cast<QVPlayedGame*>(answer()->objects()[0].get());
    ASSERT_TRUE(game);
    EXPECT_EQ(game->name(), "Cave Diver");
    EXPECT_EQ(game->totalGamerscore(), 4000000000u);
    EXPECT_EQ(game->friendsWithApp(), 0u);
    EXPECT_TRUE(game->favorite());
    ASSERT_EQ(game->userGameStats().size(), 3u);
    // Two stats for the local player "5": the first decides, though another user has the game.
    QVUserGameStat* mine = game->getLocalUsersGameStat();
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine, game->userGameStats()[1].get());
    EXPECT_EQ(mine->userGamerScore(), 0u);
    EXPECT_TRUE(mine->userFavoritedGame());
    EXPECT_FALSE(game->isOwnedByCurrentUser());
    facade.lastUserId = "17";
    EXPECT_TRUE(game->isOwnedByCurrentUser());
    facade.lastUserId = "99";
    EXPECT_FALSE(game->getLocalUsersGameStat());
    EXPECT_FALSE(game->isOwnedByCurrentUser());

    auto* score = dynamic_cast<QVGamerscore*>(answer()->objects()[1].get());
    ASSERT_TRUE(score);
    EXPECT_EQ(score->userId(), 17u);
    EXPECT_EQ(score->gamerscore(), 1200u);
}

TEST_F(QVProfileServiceTest, PlayedGamesReadTheSameThroughTheClientApplicationNamesAndWriteBack)
{
    auto series = parseWith<QVClientApplicationService>(fixture("played_games.xml"));
    ASSERT_TRUE(series);
    auto* game = dynamic_cast<QVPlayedGame*>(series->objects().at(0).get());
    ASSERT_TRUE(game);
    ASSERT_EQ(game->userGameStats().size(), 3u);
    auto again = parseWith<QVProfileService>(game->toResourceArrayXml());
    auto* back = dynamic_cast<QVPlayedGame*>(again->objects().at(0).get());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toResourceArrayXml(), game->toResourceArrayXml());
    EXPECT_EQ(back->userGameStats().size(), 3u);
}

TEST_F(QVProfileServiceTest, RecordsNameTheProfileService)
{
    QVProfileService::initializeService();
    EXPECT_EQ(QVPlayedGame::staticResourceClass().service(), QVProfileService::sharedService());
    EXPECT_EQ(QVGamePlayer::staticResourceClass().service(), QVProfileService::sharedService());
    EXPECT_EQ(QVGamerscore::staticResourceClass().service(), QVProfileService::sharedService());
    EXPECT_EQ(QVUserGameStat::staticResourceClass().service(), nullptr);
}

class IconDelegate : public platform::Object, public QVPlayedGameDelegate {
public:
    void didGetGameIcon(platform::Image* image, QVPlayedGame*) override { calls.push_back(image ? "icon" : "null"); }
    void didFailGetGameIconQVPlayedGame(QVPlayedGame*) override { calls.push_back("failed"); }
    std::vector<std::string> calls;
};

TEST_F(QVProfileServiceTest, GameIconsAreDownloadedCachedOrRefused)
{
    QVImageCache::initializeCache();
    auto d = platform::adoptRef(new IconDelegate);
    QVPlayedGame::setDelegate(d.get());
    auto gameWithIcon = [&](const std::string& path) {
        std::string xml = "<resources><played_game><icon_url>";
        xml += server.baseUrl();
        xml += path;
        xml += "</icon_url></played_game></resources>";
        auto series = parseWith<QVProfileService>(xml);
        return Ref<QVPlayedGame>(dynamic_cast<QVPlayedGame*>(series->objects().at(0).get()));
    };
    server.route("GET", "icons/bad.png", standin::Answer::xml("<not-an-image/>"));
    auto bad = gameWithIcon("icons/bad.png");
    EXPECT_TRUE(bad->getGameIcon());
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 1; }));

    auto png = platform::Image::imageWithRGBA(2, 2, platform::Bytes(16, 200))->pngData();
    ASSERT_TRUE(png);
    server.route("GET", "icons/302.png", standin::Answer::xml(std::string(png->begin(), png->end())));
    auto game = gameWithIcon("icons/302.png");
    EXPECT_TRUE(game->getGameIcon());
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 2; }));
    // The second time from the cache: told at once, nothing sent.
    size_t sent = server.requestCount();
    EXPECT_FALSE(game->getGameIcon());
    EXPECT_EQ(d->calls, (std::vector<std::string> { "failed", "icon", "icon" }));
    EXPECT_EQ(server.requestCount(), sent);
    QVPlayedGame::setDelegate(nullptr);
    QVImageCache::shutdownCache();
}

} // namespace
