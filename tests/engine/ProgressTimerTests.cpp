// The progress timer: radial fans and bars over a sprite's image, what they
// show on screen, clamping, flips, type changes and the two actions.
#include "DirectorTestSupport.h"

#include "engine/KSActionProgressTimer.h"
#include "engine/KSActionTween.h"
#include "engine/KSProgressTimer.h"
#include "engine/KSSprite.h"
#include "platform/foundation/Exception.h"
#include "platform/graphics/Image.h"

#include <vector>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

struct Vtx {
    float x, y, u, v;
};

class ProgressTimerTest : public DirectorTest {
protected:
    // 64 x 64 quadrants: red top left, green top right, blue bottom left, white bottom right.
    Ref<KSTexture2D> quadrants()
    {
        std::vector<uint8_t> data(64 * 64 * 4);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                uint8_t* p = &data[(y * 64 + x) * 4];
                const bool right = x >= 32, bottom = y >= 32;
                p[0] = (!bottom && !right) || (bottom && right) ? 255 : 0;
                p[1] = (!bottom && right) || (bottom && right) ? 255 : 0;
                p[2] = bottom ? 255 : 0;
                p[3] = 255;
            }
        return KSTexture2D::textureWithData(data.data(), kKSTexture2DPixelFormat_RGBA8888, 64, 64, { 64, 64 });
    }

    static std::vector<Vtx> vertices(const KSProgressTimer* t)
    {
        std::vector<Vtx> out;
        for (const auto& v : t->vertexData())
            out.push_back({ v.vertices.x, v.vertices.y, v.texCoords.u, v.texCoords.v });
        return out;
    }

    static void expectVertices(const KSProgressTimer* t, const std::vector<Vtx>& expected)
    {
        auto actual = vertices(t);
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i) {
            EXPECT_NEAR(actual[i].x, expected[i].x, 1e-3) << "vertex " << i;
            EXPECT_NEAR(actual[i].y, expected[i].y, 1e-3) << "vertex " << i;
            EXPECT_NEAR(actual[i].u, expected[i].u, 1e-5) << "vertex " << i;
            EXPECT_NEAR(actual[i].v, expected[i].v, 1e-5) << "vertex " << i;
        }
    }

    // Draws the timer centred in a 320 x 480 window; answers the frame.
    Ref<platform::Image> frameWith(KSProgressTimer* timer)
    {
        KSDirectorIOS* d = directorWithView();
        timer->setPosition({ 160, 240 });
        auto scene = KSScene::node();
        scene->addChild(timer);
        d->runWithScene(scene.get());
        Ref<platform::Image> frame;
        d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
        advance(1.0 / 60);
        return frame;
    }

    // R, G, B of the window point (x, y), y up.
    static std::array<int, 3> at(const platform::Image* frame, int x, int y)
    {
        const uint8_t* p = &frame->rgba()[((480 - 1 - y) * 320 + x) * 4];
        return { p[0] > 127 ? 255 : 0, p[1] > 127 ? 255 : 0, p[2] > 127 ? 255 : 0 };
    }
};

constexpr std::array<int, 3> kRed { 255, 0, 0 }, kGreen { 0, 255, 0 }, kBlue { 0, 0, 255 },
    kWhite { 255, 255, 255 }, kBlack { 0, 0, 0 };

TEST_F(ProgressTimerTest, NewTimerIsRadialAtZeroWithNoGeometry)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->type(), kKSProgressTimerTypeRadialCCW);
    EXPECT_EQ(timer->percentage(), 0);
    EXPECT_EQ(timer->vertexDataCount(), 0);
    EXPECT_EQ(timer->anchorPoint(), platform::Point(0.5f, 0.5f));
    EXPECT_EQ(timer->contentSize(), platform::Size(64, 64));
    EXPECT_FALSE(timer->sprite()->parent()) << "the sprite is not a child";
    EXPECT_FALSE(KSProgressTimer::progressWithFile("missing.png"));
}

TEST_F(ProgressTimerTest, RadialVertexCountsAndPositions)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeRadialCW);

    timer->setPercentage(25);
    // Centre, twelve o'clock, the top-right corner, the middle of the right edge.
    expectVertices(timer.get(), { { 32, 32, 0.5f, 0.5f }, { 32, 64, 0.5f, 0 }, { 64, 64, 1, 0 }, { 64, 32, 1, 0.5f } });

    timer->setPercentage(100);
    expectVertices(timer.get(), { { 32, 32, 0.5f, 0.5f }, { 32, 64, 0.5f, 0 }, { 64, 64, 1, 0 }, { 64, 0, 1, 1 },
                                  { 0, 0, 0, 1 }, { 0, 64, 0, 0 }, { 32, 64, 0.5f, 0 } });

    timer->setPercentage(0);
    expectVertices(timer.get(), { { 32, 32, 0.5f, 0.5f }, { 32, 64, 0.5f, 0 }, { 32, 64, 0.5f, 0 } });

    // Counter-clockwise: the quarter from twelve o'clock to nine o'clock.
    timer->setType(kKSProgressTimerTypeRadialCCW);
    timer->setPercentage(25);
    expectVertices(timer.get(), { { 32, 32, 0.5f, 0.5f }, { 32, 64, 0.5f, 0 }, { 0, 64, 0, 0 }, { 0, 32, 0, 0.5f } });
}

TEST_F(ProgressTimerTest, RadialQuarterShowsTheQuadrantItSweeps)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeRadialCW);
    timer->setPercentage(25);
    auto frame = frameWith(timer.get());
    ASSERT_TRUE(frame);
    // The timer covers window x 128..192, y 208..272.
    EXPECT_EQ(at(frame.get(), 176, 256), kGreen);
    EXPECT_EQ(at(frame.get(), 144, 256), kBlack);
    EXPECT_EQ(at(frame.get(), 176, 224), kBlack);
}

TEST_F(ProgressTimerTest, HorizontalBarAtHalfShowsTheLeftHalf)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeHorizontalBarLR);
    timer->setPercentage(50);
    expectVertices(timer.get(), { { 0, 64, 0, 0 }, { 0, 0, 0, 1 }, { 32, 64, 0.5f, 0 }, { 32, 0, 0.5f, 1 } });
    auto frame = frameWith(timer.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(at(frame.get(), 130, 270), kRed);
    EXPECT_EQ(at(frame.get(), 158, 210), kBlue);
    EXPECT_EQ(at(frame.get(), 162, 270), kBlack);
    EXPECT_EQ(at(frame.get(), 190, 210), kBlack);
}

TEST_F(ProgressTimerTest, VerticalBarAtHalfShowsTheBottomHalf)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeVerticalBarBT);
    timer->setPercentage(50);
    auto frame = frameWith(timer.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(at(frame.get(), 130, 210), kBlue);
    EXPECT_EQ(at(frame.get(), 190, 238), kWhite);
    EXPECT_EQ(at(frame.get(), 130, 242), kBlack);
    EXPECT_EQ(at(frame.get(), 190, 270), kBlack);
}

TEST_F(ProgressTimerTest, OtherBarsGrowFromTheirOwnEdge)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeHorizontalBarRL);
    timer->setPercentage(25);
    expectVertices(timer.get(), { { 48, 0, 0.75f, 1 }, { 48, 64, 0.75f, 0 }, { 64, 0, 1, 1 }, { 64, 64, 1, 0 } });
    timer->setType(kKSProgressTimerTypeVerticalBarTB);
    timer->setPercentage(75);
    expectVertices(timer.get(), { { 0, 64, 0, 0 }, { 0, 16, 0, 0.75f }, { 64, 64, 1, 0 }, { 64, 16, 1, 0.75f } });
}

TEST_F(ProgressTimerTest, PercentageIsClampedAndTypeChangesDiscardTheGeometry)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setPercentage(150);
    EXPECT_EQ(timer->percentage(), 100);
    EXPECT_EQ(timer->vertexDataCount(), 7);
    timer->setPercentage(-5);
    EXPECT_EQ(timer->percentage(), 0);
    EXPECT_EQ(timer->vertexDataCount(), 3);

    timer->setType(kKSProgressTimerTypeHorizontalBarLR);
    EXPECT_EQ(timer->vertexDataCount(), 0) << "no rebuild until the percentage changes";
    timer->setPercentage(0);
    EXPECT_EQ(timer->vertexDataCount(), 0);
    timer->setPercentage(10);
    EXPECT_EQ(timer->vertexDataCount(), 4);

    timer->setSprite(KSSprite::spriteWithTexture(quadrants().get()).get());
    EXPECT_EQ(timer->vertexDataCount(), 0);
}

TEST_F(ProgressTimerTest, FlippedSpriteKeepsTheAreaAndMirrorsTheImage)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setType(kKSProgressTimerTypeRadialCW);
    timer->sprite()->setFlipX(true);
    timer->setPercentage(25);
    expectVertices(timer.get(), { { 32, 32, 0.5f, 0.5f }, { 32, 64, 0.5f, 0 }, { 64, 64, 0, 0 }, { 64, 32, 0, 0.5f } });
}

TEST_F(ProgressTimerTest, VertexColourFollowsTheSpriteWithPremultipliedOpacity)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->sprite()->setColor({ 255, 0, 0 });
    timer->sprite()->setOpacity(51);
    timer->setPercentage(50);
    const bool premultiplied = timer->sprite()->texture()->hasPremultipliedAlpha();
    for (const auto& v : timer->vertexData()) {
        EXPECT_FLOAT_EQ(v.colors.r, premultiplied ? 0.2f * 1.0f : 1.0f);
        EXPECT_FLOAT_EQ(v.colors.g, 0);
        EXPECT_FLOAT_EQ(v.colors.a, 0.2f);
    }
}

TEST_F(ProgressTimerTest, ProgressToRunsFromTheCurrentValueOrFromEmptyWhenFull)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    timer->setPercentage(20);
    auto to = KSProgressTo::actionWithDuration(1, 60);
    to->startWithTarget(timer.get());
    to->update(0.5f);
    EXPECT_FLOAT_EQ(timer->percentage(), 40);

    timer->setPercentage(100);
    auto again = platform::dynamicRef<KSProgressTo>(to->copy());
    ASSERT_TRUE(again);
    again->startWithTarget(timer.get());
    again->update(0.5f);
    EXPECT_FLOAT_EQ(timer->percentage(), 30) << "a full timer runs up again from 0";
}

TEST_F(ProgressTimerTest, ProgressFromToAndItsReverse)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    auto fromTo = KSProgressFromTo::actionWithDuration(2, 100, 0);
    fromTo->startWithTarget(timer.get());
    fromTo->update(0.25f);
    EXPECT_FLOAT_EQ(timer->percentage(), 75);

    auto back = fromTo->reverse();
    EXPECT_FLOAT_EQ(back->duration(), 2);
    back->startWithTarget(timer.get());
    back->update(0.25f);
    EXPECT_FLOAT_EQ(timer->percentage(), 25);

    // Through the scheduler: done after its duration, at its end value.
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    scene->addChild(timer.get());
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    timer->runAction(KSProgressFromTo::actionWithDuration(0.5, 10, 90).get());
    for (int i = 0; i < 40; ++i)
        advance(1.0 / 60);
    EXPECT_FLOAT_EQ(timer->percentage(), 90);
    EXPECT_EQ(timer->numberOfRunningActions(), 0u);
}

} // namespace

// Tweens by name ------------------------------------------------------------------------

TEST_F(ProgressTimerTest, TweensDriveTheNumericPropertiesEachClassAdds)
{
    auto timer = KSProgressTimer::progressWithTexture(quadrants().get());
    auto fill = KSActionTween::actionWithDuration(2, "percentage", 0, 100);
    fill->startWithTarget(timer.get());
    fill->update(0.25f);
    EXPECT_FLOAT_EQ(timer->percentage(), 25);
    EXPECT_FALSE(timer->vertexData().empty()) << "the tween goes through the setter that builds the geometry";
    // The node's own keys still work on the subclass.
    auto turn = KSActionTween::actionWithDuration(1, "rotation", 0, 90);
    turn->startWithTarget(timer.get());
    turn->update(0.5f);
    EXPECT_FLOAT_EQ(timer->rotation(), 45);

    auto sprite = KSSprite::spriteWithTexture(quadrants().get());
    auto fade = KSActionTween::actionWithDuration(1, "opacity", 255, 0);
    fade->startWithTarget(sprite.get());
    fade->update(0.5f);
    EXPECT_EQ(sprite->opacity(), 127);
    EXPECT_EQ(sprite->quad().bl.colors.a, 127);
    // Byte properties clamp rather than wrap.
    auto over = KSActionTween::actionWithDuration(1, "opacity", 0, 300);
    over->startWithTarget(sprite.get());
    over->update(1);
    EXPECT_EQ(sprite->opacity(), 255);
    over->update(-0.5f);
    EXPECT_EQ(sprite->opacity(), 0);

    // A key the class does not have (percentage belongs to the timer alone) fails.
    auto wrong = KSActionTween::actionWithDuration(1, "percentage", 0, 1);
    wrong->startWithTarget(sprite.get());
    EXPECT_ASSERTION(wrong->update(0.5f), "engine/KSNode",
                     "KSSprite: no numeric property for the key \"percentage\"");
}
