// Map views: coordinate conversion both ways (date line included), region
// changes and their delegate calls, annotation views with reuse, callout
// accessories, and great-circle distances.
#include "UiTestSupport.h"

#include "platform/ui/Button.h"
#include "platform/ui/MapView.h"
#include "platform/ui/Renderer.h"

#include <array>
#include <cmath>

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::ui;

namespace {

struct MapWatcher : MapViewDelegate {
    ui_test::CallLog log;
    int viewsMade { 0 };
    int viewsAsked { 0 };
    std::vector<std::pair<AnnotationView*, Control*>> accessoryTaps;
    void mapViewRegionWillChangeAnimated(MapView*, bool a) override { log.add(a ? "will animated" : "will"); }
    void mapViewRegionDidChangeAnimated(MapView*, bool a) override { log.add(a ? "did animated" : "did"); }
    void mapViewDidFinishLoadingMap(MapView*) override { log.add("loaded"); }
    Ref<AnnotationView> mapViewViewForAnnotation(MapView* map, MapAnnotation* a) override
    {
        ++viewsAsked;
        auto v = map->dequeueReusableAnnotationViewWithIdentifier("Score");
        if (!v) {
            ++viewsMade;
            v = AnnotationView::withAnnotation(a, "Score");
            v->setCanShowCallout(true);
            v->setRightCalloutAccessoryView(Button::buttonWithType(Button::Type::DetailDisclosure).get());
        }
        return v;
    }
    void mapViewAnnotationViewCalloutAccessoryControlTapped(MapView*, AnnotationView* v, Control* c) override
    {
        accessoryTaps.push_back({ v, c });
    }
};

class MapViewTest : public ui_test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        map = MapView::mapViewWithFrame(Rect(0, 0, 320, 400));
        map->setDelegate(&watcher);
        map->setRegion({ { 51.5, -0.1 }, { 2, 1 } }, false);
        watcher.log.clear();
    }
    MapWatcher watcher;
    Ref<MapView> map;
};

TEST_F(MapViewTest, ConvertsCoordinatesToPointsAndBackAcrossTheDateLine)
{
    EXPECT_EQ(map->convertCoordinateToPoint({ 51.5, -0.1 }, nullptr), Point(160, 200));
    EXPECT_EQ(map->convertCoordinateToPoint({ 52.5, -0.6 }, nullptr), Point(0, 0)); // north-west corner
    auto c = map->convertPointToCoordinate(Point(320, 400), nullptr);
    EXPECT_NEAR(c.latitude, 50.5, 1e-9);
    EXPECT_NEAR(c.longitude, 0.4, 1e-9);
    auto host = View::viewWithFrame(Rect(0, 0, 400, 500));
    map->setFrame(Rect(40, 50, 320, 400));
    host->addSubview(map.get());
    EXPECT_EQ(map->convertCoordinateToPoint({ 51.5, -0.1 }, host.get()), Point(200, 250));
    c = map->convertPointToCoordinate(Point(200, 250), host.get());
    EXPECT_NEAR(c.latitude, 51.5, 1e-9);

    map->setRegion({ { 0, 179.5 }, { 10, 4 } }, false);
    Point east = map->convertCoordinateToPoint({ 0, -179.5 }, nullptr); // across the date line
    EXPECT_FLOAT_EQ(east.x, 160 + 80);
    auto back = map->convertPointToCoordinate(east, nullptr);
    EXPECT_NEAR(back.longitude, -179.5, 1e-9);
    map->removeFromSuperview();
}

TEST_F(MapViewTest, RegionChangesTellTheDelegateAndBadRegionsAreRefused)
{
    map->setCenterCoordinate({ 40, 190 }, false);
    EXPECT_NEAR(map->centerCoordinate().longitude, -170, 1e-9);
    map->setRegion({ { 40, 10 }, { 0, 500 } }, true);
    EXPECT_EQ(map->region().span.latitudeDelta, MapView::kMinimumSpan);
    EXPECT_EQ(map->region().span.longitudeDelta, 360);
    EXPECT_EQ(watcher.log.calls, (std::vector<std::string> { "will", "did", "will animated" }));
    advance(MapView::kRegionAnimationDuration);
    EXPECT_EQ(watcher.log.calls.back(), "did animated");

    expectedWarnings = 2;
    EXPECT_FALSE(map->setRegion({ { 91, 0 }, { 1, 1 } }, false));
    EXPECT_FALSE(map->setRegion({ { 0, 0 }, { -1, NAN } }, false));
    EXPECT_EQ(map->centerCoordinate().latitude, 40);

    watcher.log.clear();
    TestDriver driver;
    driver.window()->addSubview(map.get());
    driver.window()->addSubview(map.get()); // moving again does not load again
    loop().drain();
    EXPECT_EQ(watcher.log.calls, (std::vector<std::string> { "loaded" }));
    map->removeFromSuperview();
}

TEST_F(MapViewTest, AnnotationViewsExistForTheVisibleRegionAndAreReused)
{
    auto near = PointAnnotation::create({ 51.6, -0.2 }, "near");
    auto far = PointAnnotation::create({ 10, 10 }, "far");
    map->addAnnotations({ near, far });
    map->addAnnotation(near.get()); // already there
    EXPECT_EQ(map->annotations().size(), 2u);
    ASSERT_TRUE(map->viewForAnnotation(near.get()));
    EXPECT_FALSE(map->viewForAnnotation(far.get()));
    EXPECT_EQ(map->viewForAnnotation(near.get())->center(), map->convertCoordinateToPoint({ 51.6, -0.2 }, nullptr));
    AnnotationView* first = map->viewForAnnotation(near.get());

    map->setCenterCoordinate({ 10, 10 }, false); // near leaves, far comes in on near's old view
    EXPECT_FALSE(map->viewForAnnotation(near.get()));
    EXPECT_EQ(map->viewForAnnotation(far.get()), first);
    EXPECT_EQ(first->annotation(), far.get());
    EXPECT_EQ(watcher.viewsMade, 1);
    EXPECT_EQ(watcher.viewsAsked, 2);
    EXPECT_EQ(map->annotations().size(), 2u); // the map keeps annotations it does not show

    map->removeAnnotation(far.get());
    EXPECT_EQ(map->annotations().size(), 1u);
    EXPECT_FALSE(first->superview());
}

TEST_F(MapViewTest, CalloutAccessoryTapsReachTheDelegateOnlyFromASelectedView)
{
    auto pin = PointAnnotation::create({ 51.5, -0.1 }, "me");
    map->addAnnotation(pin.get());
    AnnotationView* v = map->viewForAnnotation(pin.get());
    ASSERT_TRUE(v);
    View* accessory = v->rightCalloutAccessoryView();
    EXPECT_FALSE(map->tapCalloutAccessoryForTest(v, accessory)); // no callout yet
    EXPECT_TRUE(map->tapAnnotationForTest(pin.get()));
    EXPECT_EQ(map->selectedAnnotation(), pin.get());
    EXPECT_TRUE(v->isCalloutShown());
    auto other = View::view();
    EXPECT_FALSE(map->tapCalloutAccessoryForTest(v, other.get()));
    EXPECT_TRUE(map->tapCalloutAccessoryForTest(v, accessory));
    ASSERT_EQ(watcher.accessoryTaps.size(), 1u);
    EXPECT_EQ(watcher.accessoryTaps[0].first, v);
    EXPECT_EQ(watcher.accessoryTaps[0].second, accessory);
    map->panForTest(400, 0); // the pin leaves the screen and its selection goes
    EXPECT_FALSE(map->selectedAnnotation());
}

TEST_F(MapViewTest, WithoutTilesTheMapDrawsWaterLandAndAGridThatMoveWithTheRegion)
{
    auto image = ViewRenderer::render(map.get());
    ASSERT_TRUE(image);
    auto at = [](const Image& i, int x, int y) {
        const uint8_t* p = i.rgba().data() + (size_t(y) * i.width() + size_t(x)) * 4;
        return std::array<int, 3> { p[0], p[1], p[2] };
    };
    // Both water (bluer) and land (greener) show across the region.
    int water = 0, land = 0;
    for (int y = 0; y < 400; y += 5)
        for (int x = 0; x < 320; x += 5) {
            auto p = at(*image, x, y);
            water += p[2] > p[1] + 10;
            land += p[1] > p[2] + 10;
        }
    EXPECT_GT(water, 100);
    EXPECT_GT(land, 100);
    // The land belongs to the coordinates: a place keeps its colour when the map pans to it.
    const LocationCoordinate2D place { 51.9, -0.35 };
    auto before = at(*image, int(map->convertCoordinateToPoint(place, nullptr).x), int(map->convertCoordinateToPoint(place, nullptr).y));
    map->setRegion({ { 51.7, -0.2 }, { 2, 1 } }, false);
    auto moved = ViewRenderer::render(map.get());
    Point p = map->convertCoordinateToPoint(place, nullptr);
    EXPECT_EQ(at(*moved, int(p.x), int(p.y)), before);
    EXPECT_EQ(MapView::isLand(place, 2), before[1] > before[2]);
    // A line of latitude at a round step: 51.5 degrees lies on the quarter-degree grid.
    int line = int(std::round(map->convertCoordinateToPoint({ 51.5, -0.2 }, nullptr).y));
    auto onLine = at(*moved, 7, line), beside = at(*moved, 7, line + 3);
    EXPECT_GT(onLine[0] + onLine[1] + onLine[2], beside[0] + beside[1] + beside[2]);
}

TEST(Location, GreatCircleDistances)
{
    auto london = Location::withLatitude(51.5074, -0.1278);
    auto paris = Location::withLatitude(48.8566, 2.3522);
    EXPECT_NEAR(london->distanceFromLocation(*paris), 343500, 1000);
    EXPECT_EQ(london->distanceFromLocation(*london), 0);
    // Across the date line the short way round.
    EXPECT_NEAR(greatCircleDistance({ 0, 179.5 }, { 0, -179.5 }), 111195, 10);
    EXPECT_NEAR(greatCircleDistance({ 90, 0 }, { -90, 0 }), M_PI * 6371009.0, 1);
}

} // namespace
