// Ribbons and motion streaks: band geometry, segment chaining and reuse,
// fading, texture repeat, and a streak drawn behind a moving node.
#include "TextureTestSupport.h"

#include "engine/KSMotionStreak.h"
#include "engine/KSRibbon.h"
#include "engine/KSScheduler.h"
#include "engine/KSActionManager.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Weak.h"

#include <cmath>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

constexpr ksColor4B kWhite { 255, 255, 255, 255 };

class RibbonTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        texture_test::writeSolidPNG(dir.file("band.png"), 8, 8, 0xFFFFFFFF, false);
    }
    void TearDown() override
    {
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        GLTest::TearDown();
    }
};

} // namespace

TEST_F(RibbonTest, PointsBecomeEdgeVerticesAcrossTheDirectionOfTravel)
{
    auto ribbon = KSRibbon::ribbonWithWidth(4, "band.png", 32, kWhite, 0);
    ASSERT_TRUE(ribbon);
    EXPECT_EQ(ribbon->contentSizeInPixels(), Size(8, 8));
    ribbon->addPointAt(Point(0, 0), 4);
    ASSERT_EQ(ribbon->segments().size(), 1u);
    EXPECT_EQ(ribbon->segments()[0]->end, 0u) << "the first point draws nothing";

    ribbon->addPointAt(Point(64, 0), 4);
    const KSRibbonSegment* seg = ribbon->segments()[0].get();
    ASSERT_EQ(seg->end, 2u);
    // Moving right, the edges lie 2 above and 2 below the path.
    EXPECT_NEAR(seg->verts[0], 0, 1e-4);
    EXPECT_NEAR(seg->verts[1], 2, 1e-4);
    EXPECT_NEAR(seg->verts[4], -2, 1e-4);
    EXPECT_NEAR(seg->verts[6], 64, 1e-4);
    EXPECT_NEAR(seg->verts[7], 2, 1e-4);
    EXPECT_NEAR(seg->verts[10], -2, 1e-4);
    // v grows by distance / texture length: 64 / 32.
    EXPECT_FLOAT_EQ(seg->coords[1], 0);
    EXPECT_FLOAT_EQ(seg->coords[4], 0);
    EXPECT_FLOAT_EQ(seg->coords[5], 2);
    EXPECT_FLOAT_EQ(seg->coords[6], 1);
    EXPECT_FLOAT_EQ(seg->coords[7], 2);
}

TEST_F(RibbonTest, FullSegmentsChainWithoutAGapAndFadedOnesAreReused)
{
    auto ribbon = KSRibbon::ribbonWithWidth(2, "band.png", 16, kWhite, 1);
    ASSERT_TRUE(ribbon);
    for (int i = 0; i < 50; ++i)
        ribbon->addPointAt(Point(static_cast<float>(i), 0), 2);
    ASSERT_EQ(ribbon->segments().size(), 1u);
    EXPECT_EQ(ribbon->segments()[0]->end, 50u) << "the 50th point fills the segment";

    ribbon->addPointAt(Point(50, 0), 2);
    ASSERT_EQ(ribbon->segments().size(), 2u);
    const KSRibbonSegment* full = ribbon->segments()[0].get();
    const KSRibbonSegment* next = ribbon->segments()[1].get();
    EXPECT_EQ(next->end, 2u);
    for (int k = 0; k < 6; ++k)
        EXPECT_FLOAT_EQ(next->verts[k], full->verts[49 * 6 + k]) << "point 0 repeats the 50th point";
    EXPECT_FLOAT_EQ(next->coords[1], full->coords[49 * 4 + 1]);

    // Everything fades after a second; the next draws mark the full segment finished.
    auto screen = makeScreen(8, 8);
    ribbon->update(2);
    ribbon->draw();
    ribbon->draw();
    EXPECT_TRUE(full->finished);
    EXPECT_FALSE(next->finished) << "the last segment never finishes before it is full";

    Ref<KSRibbonSegment> recycled = ribbon->segments()[0];
    ribbon->addPointAt(Point(52, 0), 2);
    ASSERT_EQ(ribbon->segments().size(), 1u);
    ASSERT_EQ(ribbon->deletedSegments().size(), 1u);
    for (int i = 53; i < 53 + 48; ++i)
        ribbon->addPointAt(Point(static_cast<float>(i), 0), 2);
    ASSERT_EQ(ribbon->segments().size(), 2u);
    EXPECT_EQ(ribbon->segments()[1], recycled) << "a finished segment is reused, reset";
    EXPECT_FALSE(recycled->finished);
    EXPECT_EQ(recycled->begin, 0u);
    EXPECT_TRUE(ribbon->deletedSegments().empty());
}

TEST_F(RibbonTest, PointsFadeWithAgeAndPlainColourWithoutFadeTime)
{
    auto screen = makeScreen(8, 8);
    auto fading = KSRibbon::ribbonWithWidth(2, "band.png", 16, ksColor4B { 10, 20, 30, 40 }, 1);
    ASSERT_TRUE(fading);
    fading->addPointAt(Point(0, 0), 2);
    fading->addPointAt(Point(4, 0), 2);
    fading->update(0.5f);
    fading->draw();
    const KSRibbonSegment* seg = fading->segments()[0].get();
    EXPECT_EQ(seg->colors[3], 127) << "255 - 127.5, truncated";
    EXPECT_EQ(seg->colors[7], 127);
    EXPECT_EQ(seg->colors[0], 10);
    EXPECT_EQ(seg->colors[6], 30);

    auto steady = KSRibbon::ribbonWithWidth(2, "band.png", 16, ksColor4B { 10, 20, 30, 40 }, 0);
    steady->addPointAt(Point(0, 0), 2);
    steady->addPointAt(Point(4, 0), 2);
    steady->update(100);
    steady->draw();
    EXPECT_EQ(steady->segments()[0]->begin, 0u) << "without a fade time nothing fades";
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_NEAR(current[3], 40 / 255.0f, 1e-3) << "drawn in the plain colour";
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
    GLint src = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    EXPECT_EQ(src, GL_ONE);
}

TEST_F(RibbonTest, ZeroTextureLengthFailsTheAssertion)
{
    EXPECT_ASSERTION(KSRibbon::ribbonWithWidth(2, "band.png", 0, kWhite, 1), "engine/KSRibbon",
                     "Ribbon texture length must be non 0");
    auto ribbon = KSRibbon::ribbonWithWidth(2, "band.png", 8, kWhite, 1);
    EXPECT_THROW(ribbon->setTextureLength(0), AssertionFailure);
    EXPECT_FLOAT_EQ(ribbon->textureLength(), 8);
}

TEST_F(RibbonTest, MissingImageLeavesAnUntexturedBand)
{
    auto ribbon = KSRibbon::ribbonWithWidth(2, "missing.png", 8, kWhite, 0);
    ASSERT_TRUE(ribbon);
    EXPECT_EQ(ribbon->texture(), nullptr);
    EXPECT_EQ(ribbon->contentSizeInPixels(), Size());
    ribbon->addPointAt(Point(0, 0), 2);
    ribbon->addPointAt(Point(4, 0), 2);
    auto screen = makeScreen(8, 8);
    ribbon->draw();
}

TEST_F(RibbonTest, MotionStreakFollowsAMovingNodeWithABandThatFades)
{
    auto mover = KSNode::node();
    auto streak = KSMotionStreak::streakWithFade(1, 1, "band.png", 6, 8, kWhite);
    ASSERT_TRUE(streak);
    ASSERT_TRUE(streak->ribbon());
    EXPECT_EQ(streak->ribbon()->parent(), streak.get());
    mover->addChild(streak.get());

    // Standing still within the minimum segment adds nothing.
    mover->setPosition(Point(0.5f, 0));
    streak->update(0.1f);
    EXPECT_EQ(streak->ribbon()->segments()[0]->end, 0u);

    // Scheduled every frame: the node moves right across the screen along y = 16.
    mover->onEnter();
    for (int x = 4; x <= 60; x += 4) {
        mover->setPosition(Point(static_cast<float>(x), 16));
        KSScheduler::sharedScheduler()->tick(0.05f);
    }
    EXPECT_GT(streak->ribbon()->segments()[0]->end, 10u);
    EXPECT_EQ(streak->ribbon()->position(), Point(-60, -16)) << "the ribbon draws in world space";

    auto screen = makeScreen(64, 32);
    mover->visit();
    Bytes pixels = screen->readPixels();
    const uint8_t old = pixelAt(pixels, 64, 12, 16)[0];
    const uint8_t middle = pixelAt(pixels, 64, 32, 16)[0];
    const uint8_t fresh = pixelAt(pixels, 64, 58, 16)[0];
    EXPECT_GT(old, 0) << "the band is drawn";
    EXPECT_LT(old, middle) << "older parts are fainter";
    EXPECT_LT(middle, fresh);
    EXPECT_EQ(pixelAt(pixels, 64, 32, 26)[0], 0) << "the band is 6 pixels wide";
    EXPECT_EQ(pixelAt(pixels, 64, 62, 16)[0], 0) << "nothing ahead of the node";
    mover->onExit();
}

// The ribbon is the streak's child only: whichever way it leaves (the streak
// emptied with or without clean-up, the ribbon moved to another parent and
// dropped there), the streak forgets it and its next frames touch nothing freed.
TEST_F(RibbonTest, AStreakForgetsItsRibbonWhenTheRibbonLeaves)
{
    const std::pair<const char*, void (*)(KSMotionStreak*, KSNode*)> ways[] = {
        { "emptied with clean-up", [](KSMotionStreak* s, KSNode*) { s->removeAllChildrenWithCleanup(true); } },
        { "emptied without clean-up", [](KSMotionStreak* s, KSNode*) { s->removeAllChildrenWithCleanup(false); } },
        { "moved and dropped there",
          [](KSMotionStreak* s, KSNode* other) {
              Ref<KSRibbon> ribbon(s->ribbon());
              ribbon->removeFromParentAndCleanup(false);
              other->addChild(ribbon.get());
              other->removeAllChildrenWithCleanup(true);
          } },
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        auto mover = KSNode::node(), elsewhere = KSNode::node();
        auto streak = KSMotionStreak::streakWithFade(1, 1, "band.png", 6, 8, kWhite);
        mover->addChild(streak.get());
        mover->onEnter();
        platform::Weak<KSRibbon> ribbon(streak->ribbon());
        leave(streak.get(), elsewhere.get());
        EXPECT_TRUE(ribbon.expired());
        EXPECT_EQ(streak->ribbon(), nullptr);
        EXPECT_EQ(streak->texture(), nullptr);
        streak->setBlendFunc({ GL_ONE, GL_ONE });
        // Frames go on moving the streak.
        for (int x = 8; x <= 16; x += 4) {
            mover->setPosition(Point(static_cast<float>(x), 4));
            KSScheduler::sharedScheduler()->tick(0.05f);
        }
        mover->onExit();
    }
}
