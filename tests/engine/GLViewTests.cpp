// The GL view and its renderer: buffer layout per format, resizing, the
// view-to-surface conversion, touch forwarding and the inline frame on layout.
#include "DirectorTestSupport.h"

#include "platform/gl/GLExtensions.h"

#include <array>
#include <atomic>
#include <thread>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

TEST_F(DirectorTest, RGB565ViewHasOneColourBufferAndNoDepthBuffer)
{
    auto view = makeView();
    ASSERT_TRUE(view);
    ES1Renderer* r = view->renderer();
    EXPECT_NE(r->defaultFrameBuffer(), 0u);
    EXPECT_NE(r->colorRenderBuffer(), 0u);
    EXPECT_EQ(r->depthBuffer(), 0u);
    EXPECT_EQ(r->msaaFrameBuffer(), 0u);
    EXPECT_EQ(view->surfaceSize(), platform::Size(320, 480));
    EXPECT_EQ(EAGLView::convertPixelFormat(view->pixelFormat()), static_cast<GLenum>(GL_RGB565_OES));
    EXPECT_NE(r->description().find("| size = 320x480>"), std::string::npos);
}

TEST_F(DirectorTest, DepthViewKeepsOneDepthBufferAcrossLayouts)
{
    auto view = makeView(320, 480, kEAGLColorFormatRGBA8, GL_DEPTH_COMPONENT24_OES);
    ASSERT_TRUE(view);
    GLuint depth = view->renderer()->depthBuffer();
    EXPECT_NE(depth, 0u);
    view->setFrame({ 0, 0, 200, 100 });
    view->layoutIfNeeded();
    view->setFrame({ 0, 0, 100, 200 });
    view->layoutIfNeeded();
    EXPECT_EQ(view->renderer()->depthBuffer(), depth);
    EXPECT_EQ(view->surfaceSize(), platform::Size(100, 200));
    view->swapBuffers();
    EXPECT_EQ(view->framesPresented(), 1u);
}

TEST_F(DirectorTest, MultisamplingFallsBackToWhatTheDriverOffers)
{
    auto view = EAGLView::viewWithFrame({ 0, 0, 64, 64 }, kEAGLColorFormatRGBA8, 0, false, context(), true, 4);
    ASSERT_TRUE(view);
    GLint maxSamples = 0;
    glGetIntegerv(0x8D57, &maxSamples);
    platform::drainGLErrors();
    EXPECT_LE(view->renderer()->samplesToUse(), static_cast<unsigned>(std::max(maxSamples, 0)));
    EXPECT_LE(view->renderer()->samplesToUse(), 4u);
}

TEST_F(DirectorTest, SurfaceConversionScalesViewPointsToPixels)
{
    auto view = makeView();
    view->setContentScaleFactor(2);
    view->layoutIfNeeded();
    EXPECT_EQ(view->surfaceSize(), platform::Size(640, 960));
    EXPECT_EQ(view->convertPointFromViewToSurface({ 160, 240 }), platform::Point(320, 480));
    EXPECT_EQ(view->convertRectFromViewToSurface({ 10, 20, 30, 40 }), platform::Rect(20, 40, 60, 80));
}

// Names each phase it hears, with the first touch's point.
class TouchRecorder final : public EAGLTouchDelegate {
public:
    void touchesBegan(const platform::ui::TouchSet& t, platform::ui::Event*) override { record("began", t); }
    void touchesMoved(const platform::ui::TouchSet& t, platform::ui::Event*) override { record("moved", t); }
    void touchesEnded(const platform::ui::TouchSet& t, platform::ui::Event*) override { record("ended", t); }
    void touchesCancelled(const platform::ui::TouchSet& t, platform::ui::Event*) override { record("cancelled", t); }
    std::vector<std::string> heard;

private:
    void record(const char* phase, const platform::ui::TouchSet& touches)
    {
        platform::Point p = touches.anyObject()->locationInView(nullptr);
        heard.push_back(std::string(phase) + " " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
    }
};

TEST_F(DirectorTest, TouchesGoToTheDelegateAndAreDroppedWithoutOne)
{
    auto view = makeView();
    TouchRecorder recorder;
    view->setTouchDelegate(&recorder);
    platform::ui::TouchInjector::tap(view.get(), { 10, 20 });
    EXPECT_EQ(recorder.heard, (std::vector<std::string> { "began 10,20", "ended 10,20" }));

    view->setTouchDelegate(nullptr);
    platform::ui::TouchInjector::tap(view.get(), { 30, 40 });
    EXPECT_EQ(recorder.heard.size(), 2u);
}

TEST_F(DirectorTest, LayoutOnTheMainThreadDrawsTheResizedViewAtOnce)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    EAGLView* view = d->openGLView();
    unsigned before = view->framesPresented();
    view->setFrame({ 0, 0, 200, 300 });
    view->layoutIfNeeded();
    EXPECT_EQ(view->framesPresented(), before + 1);
    EXPECT_EQ(d->winSize(), platform::Size(200, 300));
}

TEST_F(DirectorTest, LayoutFromAnotherThreadRunsOnTheMainThreadAndWaits)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    EAGLView* view = d->openGLView();
    view->setFrame({ 0, 0, 200, 300 });
    view->layoutIfNeeded();
    unsigned before = view->framesPresented();
    std::atomic<bool> finished { false };
    std::thread other([&] {
        view->layoutSubviews();
        finished = true;
    });
    EXPECT_TRUE(loop().runUntil([&] { return finished.load(); }, testing_support::kHungAfterSeconds));
    other.join();
    EXPECT_EQ(view->framesPresented(), before + 1);
    EXPECT_EQ(view->surfaceSize(), platform::Size(200, 300));
}

} // namespace

namespace {

TEST_F(DirectorTest, MovedCameraIsAppliedInTheNodesTransformAboutItsAnchor)
{
    auto screen = makeScreen(8, 8);
    auto node = KSNode::node();
    node->setContentSize({ 4, 4 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    glLoadIdentity();
    node->transform();
    std::array<GLfloat, 16> before {};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    node->camera(); // at rest: nothing changes
    glLoadIdentity();
    node->transform();
    std::array<GLfloat, 16> rest {};
    glGetFloatv(GL_MODELVIEW_MATRIX, rest.data());
    EXPECT_EQ(before, rest);
    node->camera()->setEyeX(1, 0, 1);
    glLoadIdentity();
    node->transform();
    std::array<GLfloat, 16> moved {};
    glGetFloatv(GL_MODELVIEW_MATRIX, moved.data());
    EXPECT_NE(before, moved);
    glLoadIdentity();
}

} // namespace
