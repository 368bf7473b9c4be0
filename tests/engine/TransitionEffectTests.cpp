// The page-turn, radial, fade, cross-fade, tile and split transitions under
// the director on the manual clock: each hands over to its incoming scene,
// what the frames show on the way, and the grids they choose.
#include "DirectorTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSLayer.h"
#include "engine/KSTransitionFade.h"
#include "engine/KSTransitionPageTurn.h"
#include "engine/KSTransitionRadial.h"
#include "engine/KSTransitionTiles.h"
#include "platform/graphics/Image.h"

#include <functional>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

constexpr double kFrame = 1.0 / 60;

Ref<KSScene> colourScene(ksColor4B colour)
{
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor(colour).get());
    return scene;
}

// How many of the frame's pixels are (close to) the colour.
size_t countColour(const platform::Image& image, int r, int g, int b)
{
    size_t n = 0;
    const uint8_t* p = image.rgba().data();
    const size_t pixels = static_cast<size_t>(image.width()) * image.height();
    for (size_t i = 0; i < pixels; ++i, p += 4)
        if (std::abs(p[0] - r) < 12 && std::abs(p[1] - g) < 12 && std::abs(p[2] - b) < 12)
            ++n;
    return n;
}

class TransitionEffectTest : public DirectorTest {
protected:

    // Starts `make`'s transition from a red scene to a blue one in a window of
    // the given size; answers the director after the transition's first two
    // frames (it enters in the first; its actions take their first step in the second).
    KSDirectorIOS* start(const std::function<Ref<KSTransitionScene>(KSScene*)>& make, float w = 320,
                         float h = 480)
    {
        KSDirectorIOS* d = directorWithView(kKSDirectorTypeNSTimer, w, h);
        red = colourScene({ 255, 0, 0, 255 });
        blue = colourScene({ 0, 0, 255, 255 });
        d->runWithScene(red.get());
        advance(kFrame);
        transition = make(blue.get());
        d->replaceScene(transition.get());
        advance(kFrame);
        advance(kFrame);
        return d;
    }

    // The frame after `seconds` more of the transition.
    Ref<platform::Image> frameAfter(double seconds)
    {
        Ref<platform::Image> frame;
        KSDirector::sharedDirector()->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
        for (double t = 0; t < seconds - 1e-9; t += kFrame)
            advance(kFrame);
        KSDirector::sharedDirector()->openGLView()->setCaptureHook(nullptr);
        return frame;
    }

    Ref<KSScene> red, blue;
    Ref<KSTransitionScene> transition;
};

TEST_F(TransitionEffectTest, EveryTransitionHandsOverToItsIncomingScene)
{
    using Make = std::function<Ref<KSTransitionScene>(ksTime, KSScene*)>;
    const std::vector<Make> makers {
        [](ksTime t, KSScene* s) { return KSTransitionPageTurn::transitionWithDuration(t, s, false); },
        [](ksTime t, KSScene* s) { return KSTransitionPageTurn::transitionWithDuration(t, s, true); },
        [](ksTime t, KSScene* s) { return KSTransitionRadialCCW::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionRadialCW::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFade::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFade::transitionWithDuration(t, s, ksColor3B { 0, 255, 0 }); },
        [](ksTime t, KSScene* s) { return KSTransitionCrossFade::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionTurnOffTiles::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSplitCols::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSplitRows::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFadeTR::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFadeBL::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFadeUp::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFadeDown::transitionWithDuration(t, s); },
    };
    KSDirectorIOS* d = directorWithView();
    Ref<KSScene> out = colourScene({ 255, 0, 0, 255 });
    d->runWithScene(out.get());
    advance(kFrame);
    bool redNext = false;
    for (const Make& make : makers) {
        auto in = colourScene(redNext ? ksColor4B { 255, 0, 0, 255 } : ksColor4B { 0, 0, 255, 255 });
        auto t = make(0.3f, in.get());
        const std::string name = t->className();
        d->replaceScene(t.get());
        ASSERT_GT(runUntilRunning(in.get()), 0) << name << " never handed over";
        EXPECT_TRUE(in->visible()) << name;
        EXPECT_TRUE(out->visible()) << name;
        EXPECT_FALSE(t->getChildByTag(kSceneFade)) << name;
        EXPECT_FALSE(t->getChildByTag(kSceneRadial)) << name;
        EXPECT_FALSE(in->grid() && in->grid()->active()) << name << " left a grid on";
        EXPECT_FALSE(t->grid() && t->grid()->active()) << name << " left a grid on";

        // The next frame shows the incoming scene alone.
        Ref<platform::Image> frame;
        d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
        advance(kFrame);
        d->openGLView()->setCaptureHook(nullptr);
        ASSERT_TRUE(frame);
        const size_t all = 320 * 480;
        EXPECT_EQ(redNext ? countColour(*frame, 255, 0, 0) : countColour(*frame, 0, 0, 255), all) << name;
        out = in;
        redNext = !redNext;
    }
}

TEST_F(TransitionEffectTest, TransitionsRunAsTheFirstSceneStillHandOver)
{
    using Make = std::function<Ref<KSTransitionScene>(KSScene*)>;
    const std::vector<Make> makers {
        [](KSScene* s) { return KSTransitionPageTurn::transitionWithDuration(0.2f, s, false); },
        [](KSScene* s) { return KSTransitionRadialCW::transitionWithDuration(0.2f, s); },
        [](KSScene* s) { return KSTransitionCrossFade::transitionWithDuration(0.2f, s); },
        [](KSScene* s) { return KSTransitionTurnOffTiles::transitionWithDuration(0.2f, s); },
        [](KSScene* s) { return KSTransitionFadeUp::transitionWithDuration(0.2f, s); },
        [](KSScene* s) { return KSTransitionSplitRows::transitionWithDuration(0.2f, s); },
    };
    for (const Make& make : makers) {
        KSDirectorIOS* d = directorWithView();
        auto in = colourScene({ 0, 0, 255, 255 });
        auto t = make(in.get());
        ASSERT_FALSE(t->outScene());
        d->runWithScene(t.get());
        EXPECT_GT(runUntilRunning(in.get()), 0) << t->className() << " never handed over";
        KSDirector::purgeSharedDirector();
    }
}

TEST_F(TransitionEffectTest, FadeIsWhollyItsColourAtTheMidPoint)
{
    start([](KSScene* s) { return KSTransitionFade::transitionWithDuration(1.0f, s, ksColor3B { 0, 255, 0 }); });
    auto fade = platform::dynamicRef<KSTransitionFade>(transition);
    EXPECT_EQ(fade->color(), (ksColor4B { 0, 255, 0, 0 }));
    EXPECT_FALSE(blue->visible()) << "the in-scene waits under the colour";
    auto mid = frameAfter(0.5);
    ASSERT_TRUE(mid);
    EXPECT_EQ(countColour(*mid, 0, 255, 0), 320u * 480);
    // The scenes swap under the colour.
    auto next = frameAfter(kFrame);
    EXPECT_EQ(countColour(*next, 0, 255, 0), 320u * 480);
    EXPECT_TRUE(blue->visible());
    EXPECT_FALSE(red->visible());
    // Half-way out of the colour, the in-scene shows through.
    auto later = frameAfter(0.25);
    EXPECT_EQ(countColour(*later, 0, 255, 0), 0u);
    EXPECT_EQ(countColour(*later, 0, 0, 255), 0u);
}

TEST_F(TransitionEffectTest, FadeWithoutAColourPassesThroughBlack)
{
    start([](KSScene* s) { return KSTransitionFade::transitionWithDuration(1.0f, s); });
    EXPECT_EQ(platform::dynamicRef<KSTransitionFade>(transition)->color(), (ksColor4B { 0, 0, 0, 0 }));
    auto mid = frameAfter(0.5);
    EXPECT_EQ(countColour(*mid, 0, 0, 0), 320u * 480);
}

TEST_F(TransitionEffectTest, CrossFadeBlendsThePicturesOfBothScenes)
{
    start([](KSScene* s) { return KSTransitionCrossFade::transitionWithDuration(1.0f, s); });
    auto mid = frameAfter(0.5);
    ASSERT_TRUE(mid);
    const uint8_t* p = &mid->rgba()[(240 * 320 + 160) * 4];
    EXPECT_NEAR(p[0], 128, 12) << "half the out-picture";
    EXPECT_NEAR(p[2], 128, 12) << "half the in-picture";
}

// Quadrants of the window at a frame: top left, top right, bottom left, bottom right.
std::array<bool, 4> redQuadrants(const platform::Image& f)
{
    auto isRed = [&](int x, int yFromTop) { return f.rgba()[(yFromTop * 320 + x) * 4] > 200; };
    return { isRed(80, 120), isRed(240, 120), isRed(80, 360), isRed(240, 360) };
}

TEST_F(TransitionEffectTest, RadialWipesSweepOppositeWays)
{
    start([](KSScene* s) { return KSTransitionRadialCCW::transitionWithDuration(1.0f, s); });
    EXPECT_FALSE(transition->isInSceneOnTop());
    auto first = frameAfter(kFrame);
    EXPECT_GT(countColour(*first, 255, 0, 0), 320u * 480 * 97 / 100) << "the out-scene's picture, all but begun";
    // A quarter of the way: counter-clockwise from twelve o'clock, the top-right quadrant is gone first.
    auto quarter = frameAfter(0.25);
    EXPECT_EQ(redQuadrants(*quarter), (std::array<bool, 4> { true, false, true, true }));
    KSDirector::purgeSharedDirector();

    start([](KSScene* s) { return KSTransitionRadialCW::transitionWithDuration(1.0f, s); });
    frameAfter(kFrame);
    quarter = frameAfter(0.25);
    EXPECT_EQ(redQuadrants(*quarter), (std::array<bool, 4> { false, true, true, true }));
    // Three quarters of the way, a quarter of the picture is left.
    auto late = frameAfter(0.5);
    const double left = static_cast<double>(countColour(*late, 255, 0, 0)) / (320 * 480);
    EXPECT_NEAR(left, 0.25, 0.05);
}

TEST_F(TransitionEffectTest, PageTurnGridFollowsTheWindowAndBackwardsCurlsTheInScene)
{
    auto forwards = [](KSScene* s) { return KSTransitionPageTurn::transitionWithDuration(1.0f, s, false); };
    start(forwards, 480, 320);
    EXPECT_FALSE(transition->isInSceneOnTop());
    ASSERT_TRUE(red->grid());
    EXPECT_EQ(red->grid()->gridSize(), (ksGridSize { 16, 12 }));
    KSDirector::purgeSharedDirector();

    start(forwards, 320, 480);
    EXPECT_EQ(red->grid()->gridSize(), (ksGridSize { 12, 16 }));
    KSDirector::purgeSharedDirector();

    start([](KSScene* s) { return KSTransitionPageTurn::transitionWithDuration(1.0f, s, true); }, 400, 400);
    EXPECT_TRUE(transition->isInSceneOnTop());
    EXPECT_FALSE(red->grid());
    ASSERT_TRUE(blue->grid());
    EXPECT_EQ(blue->grid()->gridSize(), (ksGridSize { 12, 16 }));
    EXPECT_TRUE(blue->visible());
}

TEST_F(TransitionEffectTest, TileTransitionsUseTwelveRowsAndColumnsByAspect)
{
    const std::vector<std::pair<platform::Size, ksGridSize>> cases {
        { { 480, 320 }, { 18, 12 } }, { { 320, 480 }, { 8, 12 } }, { { 1024, 768 }, { 16, 12 } }
    };
    for (const auto& [size, grid] : cases) {
        start([](KSScene* s) { return KSTransitionTurnOffTiles::transitionWithDuration(1.0f, s); }, size.width,
              size.height);
        EXPECT_FALSE(transition->isInSceneOnTop());
        ASSERT_TRUE(red->grid());
        EXPECT_EQ(red->grid()->gridSize(), grid) << size.width;
        KSDirector::purgeSharedDirector();

        start([](KSScene* s) { return KSTransitionFadeDown::transitionWithDuration(1.0f, s); }, size.width,
              size.height);
        ASSERT_TRUE(red->grid());
        EXPECT_EQ(red->grid()->gridSize(), grid) << size.width;
        KSDirector::purgeSharedDirector();
    }
}

TEST_F(TransitionEffectTest, SplitRunsOnTheTransitionAndSwapsHalfWay)
{
    start([](KSScene* s) { return KSTransitionSplitCols::transitionWithDuration(1.0f, s); });
    EXPECT_TRUE(transition->grid()) << "the transition itself splits";
    EXPECT_FALSE(red->grid());
    EXPECT_FALSE(blue->visible());
    auto early = frameAfter(0.2);
    EXPECT_GT(countColour(*early, 255, 0, 0), 0u);
    EXPECT_EQ(countColour(*early, 0, 0, 255), 0u);
    auto late = frameAfter(0.6);
    EXPECT_TRUE(blue->visible());
    EXPECT_GT(countColour(*late, 0, 0, 255), 0u);
    EXPECT_EQ(countColour(*late, 255, 0, 0), 0u);
}

} // namespace
