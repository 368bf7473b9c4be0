// Scenes and layers: touch and accelerometer connections while running, the
// colour layer's geometry and blending, the multiplex layer, and touches
// converted into node space.
#include "DirectorTestSupport.h"

#include "engine/platform/KSTouchDispatcher.h"
#include "platform/device/Accelerometer.h"
#include "platform/foundation/Exception.h"

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

class TouchLayer : public KSLayer {
public:
    static Ref<TouchLayer> make()
    {
        auto l = platform::adoptRef(new TouchLayer);
        l->init();
        return l;
    }
    bool ksTouchBegan(ActiveTouch* touch, Event*) override
    {
        where = convertTouchToNodeSpace(touch);
        return true;
    }
    void ksTouchesBegan(const TouchSet& touches, Event*) override { standard += static_cast<int>(touches.count()); }
    void accelerometer(platform::ui::Accelerometer*, platform::ui::Acceleration* a) override { lastX = a->x(); }
    void registerWithTouchDispatcher() override
    {
        if (targeted)
            KSTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, -1, true);
        else
            KSLayer::registerWithTouchDispatcher();
    }
    bool targeted { false };
    platform::Point where;
    int standard { 0 };
    double lastX { 0 };
};

TEST_F(DirectorTest, TouchLayerRegistersOnlyWhileRunning)
{
    KSDirectorIOS* d = directorWithView();
    auto layer = TouchLayer::make();
    layer->setIsTouchEnabled(true);
    KSTouchDispatcher* dispatcher = KSTouchDispatcher::sharedDispatcher();
    EXPECT_TRUE(dispatcher->standardHandlers().empty());

    auto scene = KSScene::node();
    scene->addChild(layer.get());
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    ASSERT_EQ(dispatcher->standardHandlers().size(), 1u);
    EXPECT_EQ(dispatcher->standardHandlers()[0]->priority(), 0);

    platform::ui::TouchInjector::tap(d->openGLView(), { 10, 20 });
    EXPECT_EQ(layer->standard, 1);

    layer->setIsTouchEnabled(false);
    EXPECT_TRUE(dispatcher->standardHandlers().empty());
}

TEST_F(DirectorTest, TargetedLayerGetsTouchesInNodeSpace)
{
    KSDirectorIOS* d = directorWithView();
    auto layer = TouchLayer::make();
    layer->targeted = true;
    layer->setIsTouchEnabled(true);
    auto scene = KSScene::node();
    scene->addChild(layer.get());
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    platform::ui::TouchInjector::tap(d->openGLView(), { 10, 20 });
    EXPECT_EQ(layer->where, platform::Point(10, 460));
}

TEST_F(DirectorTest, AccelerometerConnectsAfterTheTransitionFinishesAndDisconnectsOnExit)
{
    auto layer = TouchLayer::make();
    layer->setIsAccelerometerEnabled(true);
    auto& accelerometer = platform::ui::Accelerometer::sharedAccelerometer();
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    layer->onEnter();
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    layer->onEnterTransitionDidFinish();
    EXPECT_TRUE(accelerometer.injectSample(0.25, 0, 0));
    EXPECT_EQ(layer->lastX, 0.25);
    layer->onExit();
    EXPECT_EQ(accelerometer.delegate(), nullptr);
}

TEST_F(DirectorTest, DyingLayerDoesNotStayTheAccelerometersDelegate)
{
    auto& accelerometer = platform::ui::Accelerometer::sharedAccelerometer();
    {
        auto layer = TouchLayer::make();
        layer->setIsAccelerometerEnabled(true);
        layer->onEnterTransitionDidFinish();
        EXPECT_NE(accelerometer.delegate(), nullptr);
    }
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    EXPECT_FALSE(accelerometer.injectSample(1, 0, 0));
}

TEST_F(DirectorTest, PlainLayerMustOverrideTheTargetedBegan)
{
    auto layer = KSLayer::node();
    EXPECT_ASSERTION(layer->ksTouchBegan(nullptr, nullptr), "engine/KSLayer",
                     "Layer#ksTouchBegan override me");
}

TEST_F(DirectorTest, ColourLayerCornersFollowItsSize)
{
    directorWithView();
    auto layer = KSColorLayer::layerWithColor({ 10, 20, 30, 40 });
    layer->changeWidth(100);
    const GLfloat expected[8] = { 0, 0, 100, 0, 0, 480, 100, 480 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(layer->squareVertices()[i], expected[i]) << i;
    EXPECT_EQ(layer->squareColors()[12], 10);
    EXPECT_EQ(layer->squareColors()[15], 40);
}

TEST_F(DirectorTest, TranslucentColourLayerBlendsByItsAlphaAndRestoresTheDefault)
{
    auto screen = makeScreen(8, 8);
    auto opaque = KSColorLayer::layerWithColor({ 255, 0, 0, 255 }, 8, 8);
    auto translucent = KSColorLayer::layerWithColor({ 0, 255, 0, 128 }, 8, 4);
    opaque->draw();
    translucent->draw();
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    auto pixels = screen->readPixels();
    const uint8_t* bottom = pixelAt(pixels, 8, 2, 6); // under the translucent half
    EXPECT_NEAR(bottom[0], 127, 2);
    EXPECT_NEAR(bottom[1], 128, 2);
    const uint8_t* top = pixelAt(pixels, 8, 2, 1);
    EXPECT_EQ(top[0], 255);
    EXPECT_EQ(top[1], 0);
}

TEST_F(DirectorTest, MultiplexLayerShowsOneLayerAndKeepsIndicesWhenReleasing)
{
    directorWithView();
    auto a = KSLayer::node();
    auto b = KSLayer::node();
    auto c = KSLayer::node();
    auto multiplex = KSMultiplexLayer::layerWithLayers({ a.get(), b.get(), c.get() });
    EXPECT_EQ(a->parent(), multiplex.get());
    multiplex->switchTo(1);
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_EQ(b->parent(), multiplex.get());
    multiplex->switchToAndReleaseMe(2);
    EXPECT_EQ(multiplex->layerCount(), 3u);
    EXPECT_EQ(multiplex->layerAt(1), nullptr);
    EXPECT_EQ(c->parent(), multiplex.get());
    EXPECT_ASSERTION(multiplex->switchTo(3), "engine/KSLayer",
                     "Invalid index in MultiplexLayer switchTo message");
}

} // namespace
