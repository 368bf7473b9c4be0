// Grids and the grid actions: mesh layout and addressing, the window-size
// texture, capture and blit on real read-back pixels, reuse and stop, the
// mesh effects' formulas, the amplitude wrappers and the tiled effects.
#include "DirectorTestSupport.h"

#include "engine/KSActionGrid.h"
#include "engine/KSActionGrid3D.h"
#include "engine/KSActionTiledGrid.h"
#include "engine/KSLayer.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTexture2D.h"
#include "platform/foundation/Exception.h"
#include "platform/graphics/Image.h"

#include <cmath>
#include <cstring>
#include <set>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

constexpr double kFrame = 1.0 / 60;

Ref<KSTexture2D> solidTexture(uint32_t w, uint32_t h, uint32_t rgba, KSTexture2DPixelFormat format = kKSTexture2DPixelFormat_RGBA8888)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = rgba >> 24;
        pixels[i + 1] = (rgba >> 16) & 0xFF;
        pixels[i + 2] = (rgba >> 8) & 0xFF;
        pixels[i + 3] = rgba & 0xFF;
    }
    return KSTexture2D::textureWithData(pixels.data(), format, w, h, platform::Size(w, h));
}

bool isGreen(const uint8_t* px) { return px[1] > 150 && px[0] < 80 && px[2] < 80; }


class GridTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        d = directorWithView(kestrel::kKSDirectorTypeNSTimer, 320, 480);
        node = KSNode::node();
    }
    // Starts the action on the node and steps it to t, as a running action would.
    void at(KSActionInterval* action, float t, bool start = true)
    {
        if (start)
            action->startWithTarget(node.get());
        action->update(t);
    }
    KSGrid3D* mesh() const { return dynamic_cast<KSGrid3D*>(node->grid()); }
    KSTiledGrid3D* tiles() const { return dynamic_cast<KSTiledGrid3D*>(node->grid()); }

    KSDirectorIOS* d { nullptr };
    Ref<KSNode> node;
};

// Mesh layout -------------------------------------------------------------------------------

TEST_F(GridTest, OneCellMeshHasFourVerticesAndTwoTriangles)
{
    auto grid = KSGrid3D::gridWithSize({ 1, 1 });
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->vertices().size(), 4u);
    EXPECT_EQ(grid->indices(), (std::vector<GLushort> { 0, 2, 1, 2, 3, 1 }));
    EXPECT_EQ(grid->description().find("<KSGrid3D = "), 0u);
    EXPECT_NE(grid->description().find("| Dimensions = 1x1>"), std::string::npos);
}

TEST_F(GridTest, TiledGridGivesEachTileItsOwnQuadInColumnOrder)
{
    auto grid = KSTiledGrid3D::gridWithSize({ 2, 2 });
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->vertices().size() * 4, 16u);
    EXPECT_EQ(grid->indices().size(), 24u);
    const platform::Point step = grid->step();
    ksQuad3 third = grid->vertices()[2];
    EXPECT_EQ(third.bl.x, step.x) << "tile (1, 0) is the third quad";
    EXPECT_EQ(third.bl.y, 0);
    ksQuad3 t = grid->tile({ 1, 0 });
    EXPECT_EQ(t.tr.x, 2 * step.x);
    EXPECT_EQ(t.tr.y, step.y);
    EXPECT_EQ(std::vector<GLushort>(grid->indices().begin() + 6, grid->indices().begin() + 12),
              (std::vector<GLushort> { 4, 5, 6, 5, 6, 7 }));
}

TEST_F(GridTest, WindowGridUsesAPowerOfTwoTextureAndSplitsTheWindowIntoCells)
{
    d->openGLView()->setFrame({ 0, 0, 480, 320 });
    d->openGLView()->layoutIfNeeded();
    auto grid = KSGrid3D::gridWithSize({ 16, 12 });
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->texture()->pixelsWide(), 512u);
    EXPECT_EQ(grid->texture()->pixelsHigh(), 512u);
    EXPECT_EQ(grid->texture()->contentSizeInPixels(), platform::Size(480, 320));
    EXPECT_EQ(grid->texture()->pixelFormat(), kKSTexture2DPixelFormat_RGB565) << "follows the view's format";
    EXPECT_FLOAT_EQ(grid->step().x, 30);
    EXPECT_FLOAT_EQ(grid->step().y, 320 / 12.0f);
}

TEST_F(GridTest, FlippingTheTextureRebuildsTheCoordinatesFromTheTop)
{
    auto grid = KSGrid3D::gridWithSize({ 2, 2 });
    EXPECT_EQ(grid->texCoordinates()[1], 0.0f);
    grid->setIsTextureFlipped(true);
    EXPECT_FLOAT_EQ(grid->texCoordinates()[1], 480 / 512.0f) << "vertex (0, 0) maps to v = Hc / H";
}

TEST_F(GridTest, ReuseCopiesTheCurrentMeshOnlyWhileReusesRemain)
{
    auto grid = KSGrid3D::gridWithSize({ 2, 2 });
    grid->setVertex({ 1, 1 }, { 1, 2, 3 });
    grid->reuse();
    EXPECT_EQ(grid->originalVertex({ 1, 1 }).z, 0) << "reuse 0 leaves the original mesh";
    grid->setReuseGrid(1);
    grid->reuse();
    EXPECT_EQ(grid->originalVertex({ 1, 1 }).z, 3);
    EXPECT_EQ(grid->reuseGrid(), 0);
}

TEST_F(GridTest, SizesThatAreNotPositiveOrOverflowSixteenBitIndicesFailTheAssertion)
{
    EXPECT_THROW((void)KSGrid3D::gridWithSize({ 0, 4 }), platform::AssertionFailure);
    EXPECT_THROW((void)KSTiledGrid3D::gridWithSize({ 4, -1 }), platform::AssertionFailure);
    EXPECT_TRUE(KSGrid3D::gridWithSize({ 255, 255 })) << "65536 vertices fit";
    EXPECT_THROW((void)KSGrid3D::gridWithSize({ 256, 255 }), platform::AssertionFailure);
    EXPECT_TRUE(KSTiledGrid3D::gridWithSize({ 128, 128 }));
    EXPECT_THROW((void)KSTiledGrid3D::gridWithSize({ 129, 128 }), platform::AssertionFailure);
    EXPECT_THROW((void)KSGrid3D::gridWithSize({ 100000, 100000 }), platform::AssertionFailure);
}

TEST_F(GridTest, BaseGridAndBaseActionAreAbstractAndAnUnrenderableTextureIsRefused)
{
    auto texture = solidTexture(8, 8, 0x00FF00FF);
    EXPECT_EXCEPTION(KSGridBase::gridWithSize({ 1, 1 }, texture.get(), false), "GridBase",
                     "Abstract class needs implementation");
    auto action = KSGridAction::actionWithSize({ 2, 2 }, 1);
    EXPECT_EXCEPTION(action->startWithTarget(node.get()), "GridBase",
                     "Abstract class needs implementation");
    auto alpha = solidTexture(8, 8, 0xFF, kKSTexture2DPixelFormat_A8);
    GLint before = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &before);
    EXPECT_EXCEPTION(KSGrid3D::gridWithSize({ 1, 1 }, alpha.get(), false), "Frame Grabber",
                     "Could not attach texture to framebuffer");
    GLint after = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &after);
    EXPECT_EQ(after, before) << "the caller's framebuffer is bound again";
}

// Capture and drawing --------------------------------------------------------------------------

class SpriteGridTest : public GridTest {
protected:
    void SetUp() override
    {
        GridTest::SetUp();
        scene = KSScene::node();
        sprite = KSSprite::spriteWithTexture(solidTexture(64, 64, 0x00FF00FF).get());
        sprite->setPosition({ 160, 240 });
        scene->addChild(sprite.get());
        d->runWithScene(scene.get());
        d->openGLView()->setCaptureHook([this](EAGLView& v) { frame = v.readFrame(); });
    }
    // The first and last green column of each row the sprite covers.
    std::set<std::pair<int, int>> rowExtents() const
    {
        std::set<std::pair<int, int>> extents;
        const auto& px = frame->rgba();
        for (uint32_t y = 0; y < frame->height(); ++y) {
            int first = -1, last = -1;
            for (uint32_t x = 0; x < frame->width(); ++x) {
                if (isGreen(&px[(y * frame->width() + x) * 4])) {
                    if (first < 0)
                        first = static_cast<int>(x);
                    last = static_cast<int>(x);
                }
            }
            if (first >= 0)
                extents.insert({ first, last });
        }
        return extents;
    }
    Ref<KSScene> scene;
    Ref<KSSprite> sprite;
    Ref<platform::Image> frame;
};

TEST_F(SpriteGridTest, SpriteUnderAMeshEffectIsDrawnDeformedWithItsOwnColours)
{
    advance(kFrame);
    ASSERT_TRUE(frame);
    auto straight = rowExtents();
    ASSERT_EQ(straight.size(), 1u) << "an undeformed square has one extent";

    // A current colour left by earlier drawing must not tint the captured picture,
    // and the frame's clear colour must survive the capture.
    glClearColor(0.25f, 0.5f, 0.75f, 1);
    sprite->runAction(KSWaves::actionWithWaves(2, 12, false, true, { 16, 24 }, 10).get());
    advance(kFrame);
    for (int i = 0; i < 7; ++i) {
        glColor4f(1, 0, 0, 1);
        advance(kFrame);
    }
    GLfloat clear[4] {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[2], 0.75f);
    auto waved = rowExtents();
    EXPECT_GT(waved.size(), 3u) << "rows of the sprite are shifted by different amounts";

    // Stopping the grid draws the sprite straight again.
    sprite->stopAllActions();
    sprite->runAction(KSStopGrid::action().get());
    advance(kFrame);
    EXPECT_FALSE(sprite->grid()->active());
    EXPECT_EQ(rowExtents(), straight);
}

TEST_F(SpriteGridTest, TurnedOffTilesHideTheSprite)
{
    sprite->runAction(KSTurnOffTiles::actionWithSize({ 8, 12 }, 0.1f).get());
    for (int i = 0; i < 12; ++i)
        advance(kFrame);
    EXPECT_TRUE(rowExtents().empty());
}

TEST_F(SpriteGridTest, BatchNodeDrawsThroughItsGridToo)
{
    scene->removeChild(sprite.get(), true);
    auto texture = solidTexture(64, 64, 0x00FF00FF);
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto child = KSSprite::spriteWithTexture(texture.get());
    child->setPosition({ 160, 240 });
    batch->addChild(child.get());
    scene->addChild(batch.get());
    advance(kFrame);
    ASSERT_EQ(rowExtents().size(), 1u);
    batch->runAction(KSWaves::actionWithWaves(2, 12, false, true, { 16, 24 }, 10).get());
    for (int i = 0; i < 8; ++i)
        advance(kFrame);
    EXPECT_GT(rowExtents().size(), 3u);
}

// Starting, reusing and stopping ---------------------------------------------------------------

TEST_F(GridTest, GridActionsReplaceOrReuseTheNodesGrid)
{
    auto first = KSWaves3D::actionWithWaves(1, 10, { 4, 4 }, 1);
    at(first.get(), 0.3f);
    Ref<KSGridBase> grid = node->grid();
    ASSERT_TRUE(grid && grid->active());
    ksVertex3F moved = mesh()->vertex({ 2, 2 });

    // Reuse 0: a new grid replaces the old one, which is switched off.
    auto second = KSWaves3D::actionWithWaves(1, 10, { 4, 4 }, 1);
    at(second.get(), 0, true);
    EXPECT_NE(node->grid(), grid.get());
    EXPECT_FALSE(grid->active());

    // Reuse 1, same size and kind: the grid stays and starts from where it was.
    at(first.get(), 0.3f);
    grid = node->grid();
    moved = mesh()->vertex({ 2, 2 });
    KSReuseGrid::actionWithTimes(1)->startWithTarget(node.get());
    EXPECT_EQ(grid->reuseGrid(), 1);
    auto third = KSWaves3D::actionWithWaves(1, 10, { 4, 4 }, 1);
    third->startWithTarget(node.get());
    EXPECT_EQ(node->grid(), grid.get());
    EXPECT_EQ(grid->reuseGrid(), 0);
    EXPECT_EQ(mesh()->originalVertex({ 2, 2 }).z, moved.z);

    // Reuse asked of a grid of another size or kind.
    KSReuseGrid::actionWithTimes(1)->startWithTarget(node.get());
    EXPECT_EXCEPTION(KSWaves3D::actionWithWaves(1, 10, { 2, 2 }, 1)->startWithTarget(node.get()), "GridBase",
                     "Cannot reuse grid");
    EXPECT_EXCEPTION(KSWavesTiles3D::actionWithWaves(1, 10, { 4, 4 }, 1)->startWithTarget(node.get()), "GridBase",
                     "Cannot reuse grid");

    // An action still running after another replaced the node's grid (a tile
    // transition replaced by another while it runs) leaves that grid alone,
    // whatever its size.
    {
        auto node2 = KSNode::node();
        auto big = KSFadeOutTRTiles::actionWithSize({ 8, 8 }, 1);
        big->startWithTarget(node2.get());
        auto small = KSShuffleTiles::actionWithSeed(3, { 2, 2 }, 1);
        small->startWithTarget(node2.get());
        auto* tiles = dynamic_cast<KSTiledGrid3D*>(node2->grid());
        ASSERT_TRUE(tiles);
        const ksQuad3 before = tiles->tile({ 1, 1 });
        big->update(0.5f);
        const ksQuad3 after = tiles->tile({ 1, 1 });
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    }

    KSStopGrid::action()->startWithTarget(node.get());
    EXPECT_FALSE(grid->active());
    EXPECT_EQ(node->grid(), grid.get()) << "a stopped grid stays on the node";
    EXPECT_EXCEPTION(KSWaves3D::actionWithWaves(1, 10, { 4, 4 }, 1)->startWithTarget(node.get()), "GridBase",
                     "Cannot reuse grid");
}

TEST_F(GridTest, AnActiveGridOutlivingTheDirectorMakesNoNewOne)
{
    at(KSWaves3D::actionWithWaves(1, 10, { 2, 2 }, 1).get(), 0.5f);
    ASSERT_TRUE(node->grid()->active());
    KSDirector::purgeSharedDirector();
    node = nullptr;
    EXPECT_FALSE(KSDirector::hasSharedDirector());
}

// Mesh effects ------------------------------------------------------------------------------------

TEST_F(GridTest, Waves3DLiftsEveryVertexButTheOriginAlreadyAtTheStart)
{
    auto waves = KSWaves3D::actionWithWaves(2, 30, { 4, 4 }, 1);
    at(waves.get(), 0);
    EXPECT_EQ(mesh()->vertex({ 0, 0 }).z, 0);
    ksVertex3F o = mesh()->originalVertex({ 3, 2 });
    EXPECT_NEAR(mesh()->vertex({ 3, 2 }).z, std::sin((o.x + o.y) * 0.01f) * 30, 1e-4);
    waves->update(0.125f);
    EXPECT_NEAR(mesh()->vertex({ 3, 2 }).z, std::sin(0.125f * 3.1415927f * 4 + (o.x + o.y) * 0.01f) * 30, 1e-4);
}

TEST_F(GridTest, SwayingEffectsFollowTheirFormulas)
{
    const float pi = 3.1415927f;
    auto liquid = KSLiquid::actionWithWaves(1, 8, { 4, 4 }, 1);
    at(liquid.get(), 0.2f);
    EXPECT_EQ(mesh()->vertex({ 0, 2 }).x, mesh()->originalVertex({ 0, 2 }).x) << "the border stays";
    EXPECT_EQ(mesh()->vertex({ 4, 4 }).y, mesh()->originalVertex({ 4, 4 }).y);
    ksVertex3F o = mesh()->originalVertex({ 2, 1 });
    EXPECT_NEAR(mesh()->vertex({ 2, 1 }).x, o.x + std::sin(0.2f * pi * 2 + o.x * 0.01f) * 8, 1e-3);

    // Horizontal waves read x as the vertical step left it.
    auto waves = KSWaves::actionWithWaves(1, 8, true, true, { 4, 4 }, 1);
    at(waves.get(), 0.2f);
    o = mesh()->originalVertex({ 1, 3 });
    float x = o.x + std::sin(0.2f * pi * 2 + o.y * 0.01f) * 8;
    EXPECT_NEAR(mesh()->vertex({ 1, 3 }).x, x, 1e-3);
    EXPECT_NEAR(mesh()->vertex({ 1, 3 }).y, o.y + std::sin(0.2f * pi * 2 + x * 0.01f) * 8, 1e-3);

    // A ripple lifts only inside its radius; a twirl leaves its centre vertex in place.
    auto ripple = KSRipple3D::actionWithPosition({ 0, 0 }, 100, 2, 10, { 4, 4 }, 1);
    at(ripple.get(), 0.3f);
    EXPECT_NEAR(mesh()->vertex({ 0, 0 }).z, std::sin(0.3f * pi * 4 + 10.0f) * 10, 1e-3);
    EXPECT_EQ(mesh()->vertex({ 4, 4 }).z, 0);
    auto twirl = KSTwirl::actionWithPosition({ 160, 240 }, 1, 5, { 4, 4 }, 1);
    at(twirl.get(), 0.7f);
    EXPECT_NEAR(mesh()->vertex({ 2, 2 }).x, 160, 1e-3);
    EXPECT_NEAR(mesh()->vertex({ 2, 2 }).y, 240, 1e-3);
    EXPECT_GT(std::fabs(mesh()->vertex({ 4, 4 }).x - 320), 1);
}

TEST_F(GridTest, AmplitudeWrappersSwellAndFadeTheEffect)
{
    auto waves = KSWaves3D::actionWithWaves(1, 10, { 2, 2 }, 1);
    auto swell = KSAccelDeccelAmplitude::actionWithAction(waves.get(), 1);
    swell->startWithTarget(node.get());
    swell->update(0);
    EXPECT_EQ(waves->amplitudeRate(), 0);
    swell->update(0.5f);
    EXPECT_EQ(waves->amplitudeRate(), 1);
    swell->update(1);
    EXPECT_EQ(waves->amplitudeRate(), 0);

    auto accel = KSAccelAmplitude::actionWithAction(waves.get(), 1);
    accel->setRate(2);
    accel->startWithTarget(node.get());
    accel->update(0.5f);
    EXPECT_FLOAT_EQ(waves->getAmplitudeRate(), 0.25f);
    auto deccel = KSDeccelAmplitude::actionWithAction(waves.get(), 1);
    deccel->startWithTarget(node.get());
    deccel->update(0.25f);
    EXPECT_FLOAT_EQ(waves->amplitudeRate(), 0.75f);

    // Reversed, each wrapper drives the reversed effect's amplitude the same way.
    for (Ref<KSActionInterval> wrapper : { Ref<KSActionInterval>(swell.get()), Ref<KSActionInterval>(accel.get()),
                                           Ref<KSActionInterval>(deccel.get()) }) {
        auto reversed = platform::dynamicRef<KSActionInterval>(wrapper->reverse());
        reversed->startWithTarget(node.get());
        EXPECT_NO_THROW(reversed->update(0.5f)) << wrapper->className();
    }

    auto plain = KSAccelAmplitude::actionWithAction(KSDelayTime::actionWithDuration(1).get(), 1);
    plain->startWithTarget(node.get());
    EXPECT_EXCEPTION(plain->update(0.5f), "IntervalAction (Amplitude)",
                     "Abstract class needs implementation");
}

TEST_F(GridTest, LensIsDrawnOnceUntilItsPositionChanges)
{
    auto lens = KSLens3D::actionWithPosition({ 160, 240 }, 100, { 8, 8 }, 1);
    at(lens.get(), 0);
    ksVertex3F near = mesh()->vertex({ 4, 4 });
    EXPECT_EQ(near.z, 0) << "the centre vertex (r = 0) is not lifted";
    ksVertex3F ring = mesh()->vertex({ 3, 4 });
    EXPECT_GT(ring.z, 0);
    mesh()->setVertex({ 3, 4 }, { ring.x, ring.y, -5 });
    lens->update(0.5f);
    EXPECT_EQ(mesh()->vertex({ 3, 4 }).z, -5) << "no redraw while the lens stays";
    lens->setPosition({ 100, 200 });
    lens->update(0.6f);
    EXPECT_GE(mesh()->vertex({ 3, 4 }).z, 0);
}

TEST_F(GridTest, PageTurnStartsFlatAtHalfAPointAndFlipXMirrorsTheQuad)
{
    auto page = KSPageTurn3D::actionWithSize({ 4, 4 }, 1);
    at(page.get(), 0);
    for (int i = 0; i <= 4; ++i) {
        for (int j = 0; j <= 4; ++j) {
            ksVertex3F v = mesh()->vertex({ i, j }), o = mesh()->originalVertex({ i, j });
            EXPECT_NEAR(v.x, o.x, 1e-3);
            EXPECT_NEAR(v.y, o.y, 1e-3);
            EXPECT_EQ(v.z, 0.5f);
        }
    }

    auto flip = KSFlipX3D::actionWithDuration(1);
    at(flip.get(), 0);
    EXPECT_EQ(mesh()->vertex({ 1, 1 }).x, 320);
    EXPECT_EQ(mesh()->vertex({ 0, 0 }).x, 0);
    flip->update(1);
    EXPECT_NEAR(mesh()->vertex({ 0, 0 }).x, 320, 1e-3);
    EXPECT_NEAR(mesh()->vertex({ 0, 1 }).x, 320, 1e-3);
    EXPECT_NEAR(mesh()->vertex({ 1, 0 }).x, 0, 1e-3);
    EXPECT_NEAR(mesh()->vertex({ 1, 1 }).x, 0, 1e-3);
    EXPECT_EXCEPTION(KSFlipY3D::actionWithSize({ 2, 1 }, 1), "FlipX3D",
                     "Grid size must be (1,1)");
}

TEST_F(GridTest, FullyTurnedPageIsTheLimitOfTheCurlNotNaN)
{
    auto page = KSPageTurn3D::actionWithSize({ 4, 4 }, 1);
    at(page.get(), 1);
    // t = 1: the apex is at y = -100 - 0.75^2 x 500; every vertex lies on the seam.
    const float ay = -100 - 0.5625f * 500;
    for (int i = 0; i <= 4; ++i) {
        for (int j = 0; j <= 4; ++j) {
            ksVertex3F v = mesh()->vertex({ i, j }), o = mesh()->originalVertex({ i, j });
            EXPECT_EQ(v.x, 0);
            EXPECT_NEAR(v.y, std::sqrt(o.x * o.x + (o.y - ay) * (o.y - ay)) + ay, 1e-2);
            EXPECT_EQ(v.z, 0.5f);
        }
    }
    // Just short of the end the curl is already there.
    page->update(0.9999f);
    ksVertex3F v = mesh()->vertex({ 4, 4 }), o = mesh()->originalVertex({ 4, 4 });
    EXPECT_NEAR(v.y, std::sqrt(o.x * o.x + (o.y - ay) * (o.y - ay)) + ay, 1.0);
}

TEST_F(GridTest, ShakesOfRangeZeroStayPutAndOthersKeepToTheirRange)
{
    auto still = KSShaky3D::actionWithRange(0, true, { 3, 3 }, 1);
    at(still.get(), 0.5f);
    EXPECT_EQ(mesh()->vertex({ 1, 1 }).x, mesh()->originalVertex({ 1, 1 }).x);
    auto stillTiles = KSShakyTiles3D::actionWithRange(0, true, { 3, 3 }, 1);
    at(stillTiles.get(), 0.5f);
    EXPECT_EQ(tiles()->tile({ 1, 1 }).bl.x, tiles()->originalTile({ 1, 1 }).bl.x);
    auto shattered = KSShatteredTiles3D::actionWithRange(0, false, { 3, 3 }, 1);
    at(shattered.get(), 0.5f);
    EXPECT_EQ(tiles()->tile({ 2, 2 }).tr.y, tiles()->originalTile({ 2, 2 }).tr.y);

    auto shaky = KSShaky3D::actionWithRange(3, false, { 6, 6 }, 1);
    at(shaky.get(), 0.5f);
    for (int i = 0; i <= 6; ++i) {
        float dx = mesh()->vertex({ i, 3 }).x - mesh()->originalVertex({ i, 3 }).x;
        EXPECT_GE(dx, -3);
        EXPECT_LE(dx, 2);
        EXPECT_EQ(dx, std::floor(dx));
    }
}

// Tiled effects -----------------------------------------------------------------------------------

TEST_F(GridTest, SeededShuffleRepeatsAndEveryTileArrivesAtItsShuffledCell)
{
    auto shuffle = KSShuffleTiles::actionWithSeed(5, { 4, 3 }, 1);
    at(shuffle.get(), 0);
    const std::vector<int> order = shuffle->tilesOrder();
    std::rand();
    at(shuffle.get(), 0);
    EXPECT_EQ(shuffle->tilesOrder(), order) << "the generator is re-seeded at each start";
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(sorted[k], k);

    shuffle->update(1);
    const platform::Point step = tiles()->step();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            int v = order[i * 3 + j];
            ksQuad3 q = tiles()->tile({ i, j });
            EXPECT_EQ(q.bl.x, std::trunc((v / 3 - i) * step.x) + i * step.x);
            EXPECT_EQ(q.bl.y, std::trunc((v % 3 - j) * step.y) + j * step.y);
        }
    }
}

TEST_F(GridTest, TurnOffTilesMadeFromASizeSeedsWithZeroAndTurnsAllOffByTheEnd)
{
    auto off = KSTurnOffTiles::actionWithSize({ 5, 4 }, 1);
    at(off.get(), 0);
    std::srand(0);
    auto same = KSTurnOffTiles::actionWithSeed(-1, { 5, 4 }, 1);
    at(same.get(), 0);
    EXPECT_EQ(off->tilesOrder(), same->tilesOrder());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tiles()->tile({ i, 2 }).tr.x, tiles()->originalTile({ i, 2 }).tr.x);
    same->update(1);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(tiles()->tile({ i, j }).tr.x, 0);
}

TEST_F(GridTest, FadingTilesKeepTheirAnchorTileAndShrinkTheRest)
{
    auto tr = KSFadeOutTRTiles::actionWithSize({ 4, 4 }, 1);
    at(tr.get(), 0);
    EXPECT_EQ(tr->testFunc({ 3, 3 }, 0), 1.0f);
    tr->update(1);
    EXPECT_EQ(tiles()->tile({ 0, 0 }).tr.x, 0) << "tile (0, 0) is off at the end";
    EXPECT_FLOAT_EQ(tr->testFunc({ 3, 3 }, 1), std::pow(6 / 8.0f, 6.0f));
    ksQuad3 last = tiles()->tile({ 3, 3 }), whole = tiles()->originalTile({ 3, 3 });
    EXPECT_GT(last.bl.x, whole.bl.x);
    EXPECT_LT(last.tr.y, whole.tr.y);

    auto down = KSFadeOutDownTiles::actionWithSize({ 4, 4 }, 1);
    auto bl = KSFadeOutBLTiles::actionWithSize({ 4, 4 }, 1);
    for (float t : { 0.0f, 0.5f, 1.0f }) {
        EXPECT_EQ(down->testFunc({ 2, 0 }, t), 1.0f);
        EXPECT_EQ(bl->testFunc({ 0, 0 }, t), 1.0f);
    }
    at(down.get(), 1);
    EXPECT_EQ(tiles()->tile({ 1, 0 }).tr.y, tiles()->originalTile({ 1, 0 }).tr.y);
    EXPECT_EQ(tiles()->tile({ 1, 3 }).tr.y, 0);
}

TEST_F(GridTest, WavingAndJumpingTilesMoveWholeTiles)
{
    auto waves = KSWavesTiles3D::actionWithWaves(1, 20, { 4, 4 }, 1);
    at(waves.get(), 0.3f);
    ksQuad3 q = tiles()->tile({ 2, 1 });
    EXPECT_NE(q.bl.z, 0);
    EXPECT_EQ(q.bl.z, q.br.z);
    EXPECT_EQ(q.bl.z, q.tl.z);
    EXPECT_EQ(q.bl.z, q.tr.z);

    auto jump = KSJumpTiles3D::actionWithJumps(1, 20, { 4, 4 }, 1);
    at(jump.get(), 0.25f);
    EXPECT_NEAR(tiles()->tile({ 0, 0 }).bl.z, 20, 1e-3);
    EXPECT_NEAR(tiles()->tile({ 0, 1 }).bl.z, -20, 1e-3) << "the other half moves in opposite phase";
}

TEST_F(GridTest, SplitRowsSendAlternateRowsOppositeWays)
{
    auto split = KSSplitRows::actionWithRows(3, 1);
    at(split.get(), 1);
    EXPECT_EQ(split->gridSize().x, 1);
    EXPECT_EQ(tiles()->tile({ 0, 0 }).bl.x, -320);
    EXPECT_EQ(tiles()->tile({ 0, 1 }).bl.x, 320);
    EXPECT_EQ(tiles()->tile({ 0, 2 }).bl.x, -320);
    auto cols = KSSplitCols::actionWithCols(2, 1);
    at(cols.get(), 0.5f);
    EXPECT_EQ(tiles()->tile({ 0, 0 }).bl.y, -240);
    EXPECT_EQ(tiles()->tile({ 1, 0 }).bl.y, 240);
}

TEST_F(GridTest, CopiesCarryTheEffectsParameters)
{
    auto ripple = KSRipple3D::actionWithPosition({ 10, 20 }, 50, 3, 7, { 5, 6 }, 2);
    ripple->setAmplitudeRate(0.5f);
    auto copy = platform::dynamicRef<KSRipple3D>(ripple->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->position(), platform::Point(10, 20));
    EXPECT_EQ(copy->amplitude(), 7);
    EXPECT_EQ(copy->amplitudeRate(), 1) << "the rate starts at its default";
    EXPECT_EQ(copy->gridSize(), (ksGridSize { 5, 6 }));
    auto rows = platform::dynamicRef<KSSplitRows>(KSSplitRows::actionWithRows(4, 1)->copy());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->gridSize().y, 4);
    EXPECT_TRUE(platform::dynamicRef<KSReverseTime>(ripple->reverse()));
}

} // namespace
