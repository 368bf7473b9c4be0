// The high-score map opened from a score list: its first request and zoom,
// pins with badges and callouts, the refresh button after panning and its
// request, spans across the date line and the equator, and a failed request.
#include "../ChallengeTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/dashboard/scores/QVHighScoreMapViewController.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quorvel;
using namespace dashboard_testing;
using namespace challenge_testing;
using platform::Ref;

namespace {

constexpr const char* kScoresPath = "client_applications/@me/high_scores.xml";

class HighScoreMapTest : public ChallengeTest {
protected:
    void TearDown() override
    {
        map = nullptr;
        scores = nullptr;
        ChallengeTest::TearDown();
    }

    // The score list of leaderboard 5, its answers given, then its map button.
    QVHighScoreMapViewController* openMap()
    {
        provider->location = std::make_pair(48.2, 16.4);
        QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("HighScore");
        scores = Ref<QVHighScoreController>(dynamic_cast<QVHighScoreController*>(loaded.get()));
        auto made = QVLeaderboard::staticResourceClass().create();
        auto* lb = dynamic_cast<QVLeaderboard*>(made.get());
        QVResourceNameMap names;
        lb->populateFromXml(*QVXmlDocument::xmlDocumentWithString("<leaderboard><id>5</id><name>Normal</name></leaderboard>")->topElement(), names);
        scores->setLeaderboard(lb);
        showInNavigation(scores.get());
        while (provider->waitingCount() > 0)
            provider->answerWithXml("<resources/>");
        settle(1);
        scores->clickedMap();
        settle(1);
        map = Ref<QVHighScoreMapViewController>(dynamic_cast<QVHighScoreMapViewController*>(navigation->topViewController()));
        return map.get();
    }

    void answerAndSettle(const std::string& xml)
    {
        ASSERT_TRUE(provider->answerWithXml(xml));
        settle(1);
    }

    QVHighScoreAnnotation* pinOf(const std::string& userId)
    {
        for (auto& a : map->annotations())
            if (a->_highScore() && a->_highScore()->user() && a->_highScore()->user()->resourceId() == userId)
                return a.get();
        return nullptr;
    }

    Ref<QVHighScoreController> scores;
    Ref<QVHighScoreMapViewController> map;
};

TEST_F(HighScoreMapTest, OpensWithOneRequestAndZoomsToFitThePinsWithBadgesAndCallouts)
{
    ASSERT_TRUE(openMap());
    EXPECT_EQ(map->title(), "Near Me");
    ASSERT_TRUE(map->findMeButton());
    EXPECT_TRUE(map->refreshButton()->isHidden());
    auto sent = requestsTo(kScoresPath);
    ASSERT_FALSE(sent.empty());
    const auto& first = sent.back();
    EXPECT_EQ(parameter(first, "geolocation"), "1");
    EXPECT_EQ(parameter(first, "leaderboard_id"), "5");
    EXPECT_EQ(parameter(first, "radius"), "100");
    EXPECT_EQ(parameter(first, "map_me"), "location");
    EXPECT_EQ(parameter(first, "lat"), "<none>") << "the first request is made around no point";

    answerAndSettle(fixture("high_scores_near.xml"));
    EXPECT_TRUE(map->receivedScores());
    EXPECT_EQ(map->dontShowit(), 3 - 1) << "the zoom's own region change does not show the button";
    const auto& region = map->mapView()->region();
    EXPECT_NEAR(region.center.latitude, 48.2, 1e-9);
    EXPECT_NEAR(region.center.longitude, 16.4, 1e-9);
    EXPECT_NEAR(region.span.latitudeDelta, 0.3 * 2 + 0.001, 1e-9);
    EXPECT_NEAR(region.span.longitudeDelta, 0.5 * 2 + 0.001, 1e-9);

    ASSERT_EQ(map->annotations().size(), 3u);
    EXPECT_EQ(map->annotations()[0].get(), map->annotationForUser()) << "the player's own score is the own pin";
    EXPECT_EQ(map->annotationForUser()->rankBadge()->label()->text(), "3");
    QVHighScoreAnnotation* ann = pinOf("21");
    QVHighScoreAnnotation* bo = pinOf("22");
    ASSERT_TRUE(ann && bo);
    EXPECT_EQ(ann->rankBadge()->label()->text(), "1");
    EXPECT_EQ(bo->rankBadge()->label()->text(), "-") << "rank 12 does not fit the badge";
    EXPECT_EQ(ann->subtitle(), "Rank in area 1. 1,200 points");
    EXPECT_EQ(ann->title().rfind("Ann [", 0), 0u) << ann->title();
    EXPECT_NE(ann->title().find(" kms]"), std::string::npos);
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationShared);
    EXPECT_NE(ann->title().find(" miles]"), std::string::npos);
    EXPECT_EQ(map->getAnnotationForHighScore(bo->_highScore()), bo);

    auto* pinView = dynamic_cast<QVHighScoreAnnotationView*>(map->mapView()->viewForAnnotation(ann));
    ASSERT_TRUE(pinView);
    EXPECT_TRUE(pinView->canShowCallout());
    EXPECT_EQ(pinView->leftCalloutAccessoryView(), pinView->profilePictureView());
    EXPECT_TRUE(dynamic_cast<platform::ui::Button*>(pinView->rightCalloutAccessoryView()));
    EXPECT_EQ(pinView->mapImageView()->superview(), pinView);
    EXPECT_EQ(ann->rankBadge()->superview(), pinView);

    auto image = render("dashboard-high-score-map");
    ASSERT_TRUE(image);
    // The own pin's red badge.
    QVBadgeView* badge = map->annotationForUser()->rankBadge();
    platform::Point p = badge->convertPointTo(platform::Point(badge->frame().size.width / 2, 4), nullptr);
    auto px = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_GT(px.r, px.g + 60) << px.r << "," << px.g << "," << px.b;
}

TEST_F(HighScoreMapTest, PanningFarShowsTheRefreshButtonWhoseRequestCarriesModeAndRadius)
{
    ASSERT_TRUE(openMap());
    answerAndSettle(fixture("high_scores_near.xml"));
    // Two more of the screen's own region changes are still ignored.
    map->mapView()->panForTest(2, 0);
    settle(1);
    map->mapView()->panForTest(-2, 0);
    settle(1);
    EXPECT_TRUE(map->refreshButton()->isHidden());
    EXPECT_EQ(map->dontShowit(), 0);

    // A small move stays inside the answer's region.
    map->mapView()->panForTest(10, 0);
    settle(1);
    EXPECT_TRUE(map->refreshButton()->isHidden());

    // Far away: the own pin and the player leave the screen.
    map->mapView()->panForTest(-600, 0);
    settle(1);
    ASSERT_FALSE(map->refreshButton()->isHidden());
    EXPECT_TRUE(map->refreshButton()->isEnabled());
    const size_t before = requestsTo(kScoresPath).size();
    ASSERT_TRUE(driver().tap(map->refreshButton()));
    settle();
    auto sent = requestsTo(kScoresPath);
    ASSERT_EQ(sent.size(), before + 1);
    EXPECT_EQ(parameter(sent.back(), "map_me"), "no");
    const long radius = std::max(1L, std::lround(map->smallestBoarderDistance() * 1.25));
    EXPECT_EQ(parameter(sent.back(), "radius"), std::to_string(radius));
    EXPECT_NE(parameter(sent.back(), "lat"), "<none>");
    EXPECT_TRUE(map->refreshButton()->isHidden());
    EXPECT_FALSE(map->receivedScores());

    // A failed answer stops the wait and judges region changes again; the pins stay.
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_TRUE(map->receivedScores());
    EXPECT_EQ(map->annotations().size(), 3u);
    map->mapView()->panForTest(-600, 0);
    settle(1);
    EXPECT_FALSE(map->refreshButton()->isHidden());
}

TEST_F(HighScoreMapTest, SpansFitScoresAcrossTheEquatorAndTheDateLine)
{
    provider->location = std::make_pair(1.0, 179.0);
    ASSERT_TRUE(openMap());
    provider->location = std::make_pair(1.0, 179.0);
    answerAndSettle("<resources><high_score><id>1</id><score>5</score><rank>2</rank><lat>1</lat><lng>179</lng>"
                    "<user><id>17</id><name>Player</name></user></high_score>"
                    "<high_score><id>2</id><score>6</score><rank>1</rank><lat>-2</lat><lng>-178</lng>"
                    "<user><id>21</id><name>Ann</name></user></high_score></resources>");
    const auto& region = map->mapView()->region();
    EXPECT_NEAR(region.span.latitudeDelta, 3 * 2 + 0.001, 1e-9);
    EXPECT_NEAR(region.span.longitudeDelta, 3 * 2 + 0.001, 1e-9);
    // The region straddles the date line: its own centre is inside it.
    EXPECT_TRUE(map->isNewCoordinateInsideView());
}

// A score on the far side of the globe: the map shows it whole, and a pan stays inside it.
TEST_F(HighScoreMapTest, AtTheWholeGlobeEveryCentreIsInside)
{
    ASSERT_TRUE(openMap());
    answerAndSettle("<resources><high_score><id>1</id><score>5</score><rank>2</rank><lat>48.2</lat><lng>16.4</lng>"
                    "<user><id>17</id><name>Player</name></user></high_score>"
                    "<high_score><id>2</id><score>6</score><rank>1</rank><lat>40</lat><lng>-163.6</lng>"
                    "<user><id>21</id><name>Ann</name></user></high_score></resources>");
    ASSERT_DOUBLE_EQ(map->mapView()->region().span.longitudeDelta, 360);
    EXPECT_TRUE(map->isNewCoordinateInsideView());
    for (int pan = 0; pan < 4; ++pan) {
        map->mapView()->panForTest(pan % 2 ? -20 : 20, 0);
        settle(1);
        EXPECT_TRUE(map->refreshButton()->isHidden()) << pan;
    }
}

TEST_F(HighScoreMapTest, WithoutThePlayersPlaceTheOwnPinStandsOnItsScoreAndNoDistanceIsShown)
{
    ASSERT_TRUE(openMap());
    provider->location.reset();
    answerAndSettle(fixture("high_scores_near.xml"));
    QVHighScoreAnnotation* ann = pinOf("21");
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->title(), "Ann");
    Ref<QVHighScoreAnnotation> own = QVHighScoreAnnotation::initWithHighScore(nullptr, nullptr);
    EXPECT_EQ(own->subtitle(), "No Score");
    EXPECT_EQ(own->rankBadge()->label()->text(), "-");
    own->setScore(ann->_highScore(), false);
    EXPECT_NEAR(own->coordinate().latitude, 48.5, 1e-9);
    EXPECT_NEAR(own->coordinate().longitude, 16.9, 1e-9);
}

} // namespace
