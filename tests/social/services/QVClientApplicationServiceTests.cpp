// The client application service against the stand-in: each request's method,
// path, ordered parameters and notice; the running game's profile answered
// locally; the "me" and comparison rules of played games; the favourite
// scope; and the game profile records with their archive.
#include "ServiceTestSupport.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVGameProfilePageInfo.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

Ref<QVPaginatedSeries> parse(const std::string& xml)
{
    QVResourceNameMap names;
    QVClientApplicationService service;
    service.populateKnownResources(names);
    return QVResource::resourcesFromData(xml.data(), xml.size(), names);
}

Ref<QVGameProfilePageInfo> infoWithId(const std::string& id)
{
    std::string xml = "<resources><game_profile_page_info><id>";
    xml += id;
    xml += "</id><name>Rocket Run</name></game_profile_page_info></resources>";
    auto series = parse(xml);
    return Ref<QVGameProfilePageInfo>(dynamic_cast<QVGameProfilePageInfo*>(series->objects().at(0).get()));
}

class QVClientApplicationServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        using standin::Answer;
        auto file = [](const char* name) { return Answer::xml(fixture(name)); };
        for (const char* game : { "301", "302", "a b" })
            server.route("GET", std::string("apps/") + game + ".xml", file("game_profile_page_comparison_info.xml"));
        server.route("GET", "apps.xml", file("ok.xml"));
        for (const char* who : { "me", "17" })
            server.route("GET", std::string("profiles/") + who + "/list_games", file("ok.xml"));
        server.route("GET", "client_applications/301/users/5.xml", file("player_review.xml"));
        server.route("GET", "client_applications/302/users/17.xml", file("player_review.xml"));
        for (const char* game : { "301", "302" })
            server.route("POST", std::string("client_applications/") + game + "/users/review.xml", file("ok.xml"));
        server.route("GET", "client_application_users/fan_club", file("ok.xml"));
        facade.lastUserId = std::string(1, '5');
        facade.localGameInfo = infoWithId("301");
    }
    void TearDown() override
    {
        QVClientApplicationService::shutdownService();
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVClientApplicationServiceTest, EachRequestSendsItsMethodPathParametersAndNotice)
{
    using Call = std::function<void(const QVDelegate&, const QVDelegate&)>;
    struct Case {
        Call call;
        const char* method;
        const char* path;
        Params params;
        const char* notice; // or null for a silent request
    };
    const Case cases[] = {
        // A compared user always asks, for the running game when none is named.
        { [](auto& s, auto& f) { QVClientApplicationService::getGameProfilePageComparisonInfo("", "17", s, f); },
          "GET", "apps/301.xml", { { "game_profile_page_info", "1" }, { "compared_user_id", "17" } },
          "Downloading Game Information" },
        // Another game without a compared user.
        { [](auto& s, auto& f) { QVClientApplicationService::getGameProfilePageInfo("302", s, f); }, "GET",
          "apps/302.xml", { { "game_profile_page_info", "1" } }, "Downloading Game Information" },
        // Ids are percent-encoded in the path (the log shows it decoded).
        { [](auto& s, auto& f) { QVClientApplicationService::getGameProfilePageInfo("a b", s, f); }, "GET",
          "apps/a b.xml", { { "game_profile_page_info", "1" } }, "Downloading Game Information" },
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayedGamesInScope("all", 2, s, f); }, "GET",
          "apps.xml", { { "page", "2" }, { "scope", "all" } }, "Downloaded Game Information" },
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayedGamesForLocalUsersFriends(3, s, f); }, "GET",
          "apps.xml", { { "page", "3" }, { "scope", "people-of-interest" } }, "Downloaded Game Information" },
        // The local player's own id reads as "me", without a comparison.
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayedGamesForUser("5", 1, 10, s, f); }, "GET",
          "profiles/me/list_games", { { "page", "1" }, { "per_page", "10" } }, "Downloaded Game Information" },
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayedGamesForUser("", 1, 10, s, f); }, "GET",
          "profiles/me/list_games", { { "page", "1" }, { "per_page", "10" } }, "Downloaded Game Information" },
        { [](auto& s, auto& f) { QVClientApplicationService::getFavoriteGamesForUser("17", 2, 5, s, f); }, "GET",
          "profiles/17/list_games",
          { { "page", "2" }, { "per_page", "5" }, { "compared_to_user_id", "me" }, { "only_favorites", "1" } },
          "Downloaded Game Information" },
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayerReviewForGame("", "", s, f); }, "GET",
          "client_applications/301/users/5.xml", {}, "Downloading" },
        { [](auto& s, auto& f) { QVClientApplicationService::getPlayerReviewForGame("302", "17", s, f); }, "GET",
          "client_applications/302/users/17.xml", {}, "Downloading" },
        { [](auto& s, auto& f) { QVClientApplicationService::makeGameFavorite("302", std::string("fun"), s, f); },
          "POST", "client_applications/302/users/review.xml",
          { { "client_application_user[review]", "fun" }, { "client_application_user[favorite]", "1" } }, nullptr },
        { [](auto& s, auto& f) { QVClientApplicationService::makeGameFavorite("", std::nullopt, s, f); }, "POST",
          "client_applications/301/users/review.xml", { { "client_application_user[favorite]", "1" } }, nullptr },
        { [](auto& s, auto& f) { QVClientApplicationService::unfavoriteGame("302", s, f); }, "POST",
          "client_applications/302/users/review.xml", { { "client_application_user[favorite]", "0" } }, nullptr },
    };
    for (const Case& c : cases) {
        server.clearLog();
        facade.notices.clear();
        recorder = net_testing::CallbackRecorder::create();
        c.call(recorder->onSuccess(), recorder->onFailure());
        ASSERT_TRUE(waitForCallback()) << c.path;
        EXPECT_EQ(recorder->successes, 1) << c.path;
        auto log = server.requests();
        ASSERT_EQ(log.size(), 1u) << c.path;
        EXPECT_EQ(log[0].method, c.method) << c.path;
        EXPECT_EQ(log[0].path, c.path);
        EXPECT_EQ(ownParams(log[0]), c.params) << c.method << " " << c.path;
        if (c.notice)
            EXPECT_EQ(facade.notices, std::vector<std::string> { c.notice }) << c.path;
        else
            EXPECT_TRUE(facade.notices.empty()) << c.path;
    }
}

TEST_F(QVClientApplicationServiceTest, TheRunningGamesProfileIsAnsweredLocally)
{
    for (const char* game : { "", "301" }) {
        for (const char* compared : { "" }) {
            recorder = net_testing::CallbackRecorder::create();
            QVClientApplicationService::getGameProfilePageComparisonInfo(game, compared, recorder->onSuccess(),
                                                                         recorder->onFailure());
            EXPECT_EQ(recorder->successes, 1) << "at once, for game '" << game << "'";
            ASSERT_TRUE(answer());
            ASSERT_EQ(answer()->count(), 1u);
            EXPECT_EQ(answer()->objects()[0].get(), facade.localGameInfo.get());
        }
    }
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QVClientApplicationServiceTest, NoGameIdAtAllSendsNothing)
{
    // No stored profile and no game id: the path would hold no id.
    facade.localGameInfo = nullptr;
    facade.gameId.clear();
    QVClientApplicationService::getGameProfilePageInfo("", recorder->onSuccess(), recorder->onFailure());
    QVClientApplicationService::unfavoriteGame("", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 2);
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QVClientApplicationServiceTest, FanClubVisitIsSilentAndIgnoresItsAnswer)
{
    QVClientApplicationService::viewedFanClub("");
    ASSERT_TRUE(waitForRequests(1));
    auto log = server.requests();
    EXPECT_EQ(log[0].path, "client_application_users/fan_club");
    EXPECT_EQ(ownParams(log[0]), (Params { { "client_application_id", "301" } }));
    EXPECT_TRUE(facade.notices.empty());
}

TEST_F(QVClientApplicationServiceTest, ComparisonAndReviewRecordsAreRead)
{
    auto series = parse(fixture("game_profile_page_comparison_info.xml"));
    ASSERT_TRUE(series);
    auto* c = dynamic_cast<QVGameProfilePageComparisonInfo*>(series->objects().at(0).get());
    ASSERT_TRUE(c);
    // Only the singular "local_user_..." field feeds the local achievements score.
    EXPECT_EQ(c->localUsersAchievementsScore(), 120);
    EXPECT_EQ(c->comparedUsersAchievementsScore(), 80);
    EXPECT_EQ(c->comparedUsersChallengesScore(), -2);
    EXPECT_EQ(c->comparedUsersLeaderboardsScore(), 50);
    QVGameProfilePageInfo* info = c->gameProfilePageInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->resourceId(), "302");
    EXPECT_EQ(info->shortName(), "Diver");
    EXPECT_TRUE(info->hasChatRooms() && info->hasLeaderboards() && info->hasAchievements());
    EXPECT_FALSE(info->hasChallenges() || info->hasiPurchase());
    EXPECT_TRUE(info->ownedByLocalPlayer() && info->hasFeaturedApplication());
    EXPECT_EQ(info->suggestionsForumId(), std::optional<std::string>("77"));
    EXPECT_FALSE(info->isLocalGameInfo());

    // Written back and read again, the record keeps its fields.
    auto again = parse(c->toResourceArrayXml());
    auto* c2 = dynamic_cast<QVGameProfilePageComparisonInfo*>(again->objects().at(0).get());
    ASSERT_TRUE(c2 && c2->gameProfilePageInfo());
    EXPECT_EQ(c2->localUsersAchievementsScore(), 120);
    EXPECT_EQ(c2->gameProfilePageInfo()->iconUrl(), info->iconUrl());

    auto reviews = parse(fixture("player_review.xml"));
    auto* review = dynamic_cast<QVPlayerReview*>(reviews->objects().at(0).get());
    ASSERT_TRUE(review && review->user());
    EXPECT_TRUE(review->favorite());
    EXPECT_EQ(review->review(), "Great <fun>");
    EXPECT_EQ(review->user()->resourceId(), "17");
    EXPECT_EQ(review->resourceClass().resourceDiscoveredNotification(), "quorvel_player_review_discovered");
}

TEST_F(QVClientApplicationServiceTest, ProfileArchiveRoundTripsAndDefaultsMissingKeys)
{
    auto series = parse(fixture("game_profile_page_comparison_info.xml"));
    auto* c = dynamic_cast<QVGameProfilePageComparisonInfo*>(series->objects().at(0).get());
    ASSERT_TRUE(c);
    Ref<QVGameProfilePageInfo> info(c->gameProfilePageInfo());
    auto back = QVGameProfilePageInfo::infoWithArchivedData(info->archivedData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toResourceArrayXml(), info->toResourceArrayXml());

    // An archive of an older version without the featured flag reads it as NO.
    auto writer = platform::adoptRef(new QVBinaryKeyedWriter("QVGameProfilePageInfo"));
    std::string id = "9", name = "Old";
    bool yes = true;
    writer->io("resourceId", id);
    writer->io("name", name);
    writer->io("hasChallenges", yes);
    auto old = QVGameProfilePageInfo::infoWithArchivedData(writer->data());
    ASSERT_TRUE(old);
    EXPECT_EQ(old->resourceId(), "9");
    EXPECT_TRUE(old->hasChallenges());
    EXPECT_FALSE(old->hasFeaturedApplication());
    EXPECT_FALSE(old->iconUrl());
    EXPECT_FALSE(old->suggestionsForumId());

    EXPECT_FALSE(QVGameProfilePageInfo::infoWithArchivedData(QVUser::invalidUser()->archivedData()));
}

TEST_F(QVClientApplicationServiceTest, DefaultInfoIsTheRunningGameBeforeAnyAnswer)
{
    auto info = QVGameProfilePageInfo::defaultInfo();
    EXPECT_EQ(info->name(), "Rocket Run");
    EXPECT_EQ(info->shortName(), "Rocket");
    EXPECT_TRUE(info->resourceId().empty());
    EXPECT_FALSE(info->iconUrl());
    EXPECT_TRUE(info->ownedByLocalPlayer());
    EXPECT_FALSE(info->hasChatRooms() || info->hasLeaderboards() || info->hasAchievements() || info->hasChallenges()
                 || info->hasiPurchase() || info->hasFeaturedApplication());
    EXPECT_EQ(info->suggestionsForumId(), std::optional<std::string>("0"));
    auto back = QVGameProfilePageInfo::infoWithArchivedData(info->archivedData());
    EXPECT_EQ(back->suggestionsForumId(), std::optional<std::string>("0"));
    EXPECT_TRUE(back->ownedByLocalPlayer());
}

} // namespace
