// The GL view and its renderer: buffer layout per format, resizing, the
// view-to-surface conversion, touch forwarding and the inline frame on layout.
#include "DirectorTestSupport.h"

#include "engine/KSConfiguration.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <algorithm>
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

TEST_F(DirectorTest, MultisamplingTakesTheSamplesThePlatformOffers)
{
    const unsigned most = platform::GLContext::maxSurfaceSamples();
    auto view = EAGLView::viewWithFrame({ 0, 0, 64, 64 }, kEAGLColorFormatRGBA8, 0, false, context(), true, 4);
    ASSERT_TRUE(view);
    ES1Renderer* r = view->renderer();
    if (most == 0) {
        EXPECT_FALSE(r->multiSampling()) << "no samples offered: the view draws single-sampled";
        EXPECT_FALSE(view->multiSampling()) << "the view answers what it draws, not what was asked";
        EXPECT_EQ(r->samplesToUse(), 0u);
        return;
    }
    EXPECT_TRUE(r->multiSampling());
    EXPECT_TRUE(view->multiSampling());
    EXPECT_GE(r->samplesToUse(), std::min(most, 4u));
    EXPECT_EQ(r->colorRenderBuffer(), 0u);
    EXPECT_NE(r->resolveTexture(), 0u);
    EXPECT_EQ(r->msaaFrameBuffer(), 0u) << "the samples are the surface's own framebuffer";
    EXPECT_EQ(view->surfaceSize(), platform::Size(64, 64));

    // Asked for no samples, or not asked at all: one sample a pixel.
    auto none = EAGLView::viewWithFrame({ 0, 0, 8, 8 }, kEAGLColorFormatRGBA8, 0, false, context(), true, 0);
    EXPECT_FALSE(none->renderer()->multiSampling());
    EXPECT_FALSE(none->multiSampling()) << "the view answers what it draws, not what was asked";
    EXPECT_NE(none->renderer()->colorRenderBuffer(), 0u);
}

TEST_F(DirectorTest, TheConfigurationAnswersTheSamplesAMultisampledViewGets)
{
    KSConfiguration::purgeSharedConfiguration();
    const GLint allowed = KSConfiguration::sharedConfiguration()->maxSamplesAllowed();
    EXPECT_GE(allowed, static_cast<GLint>(platform::GLContext::maxSurfaceSamples()));
    auto view = EAGLView::viewWithFrame({ 0, 0, 16, 16 }, kEAGLColorFormatRGBA8, 0, false, context(), true,
                                        static_cast<unsigned>(allowed));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->renderer()->multiSampling(), allowed > 0) << "asking for what the configuration allows";
    if (allowed > 0) {
        EXPECT_GE(view->renderer()->samplesToUse(), static_cast<unsigned>(allowed));
    }
    KSConfiguration::purgeSharedConfiguration();
}

namespace {

// A white triangle with a slanted edge over black, presented; answers how many
// pixels of the frame are neither black nor white.
int edgePixelsOfAPresentedTriangle(EAGLView* view)
{
    const auto w = static_cast<float>(view->surfaceSize().width), h = static_cast<float>(view->surfaceSize().height);
    glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    const GLfloat triangle[] = { 0.3f, 0.1f, w - 2.7f, 5.2f, 3.1f, h - 1.3f };
    glVertexPointer(2, GL_FLOAT, 0, triangle);
    glColor4f(1, 1, 1, 1);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    view->swapBuffers();
    Ref<platform::Image> frame = view->readFrame();
    int edge = 0;
    for (size_t i = 0; i < frame->rgba().size(); i += 4)
        edge += frame->rgba()[i] > 8 && frame->rgba()[i] < 247;
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    return edge;
}

} // namespace

TEST_F(DirectorTest, MultisampledViewPresentsAntialiasedEdgesAtEverySize)
{
    if (platform::GLContext::maxSurfaceSamples() == 0)
        GTEST_SKIP() << "the driver offers no multisampled surface";
    auto plain = EAGLView::viewWithFrame({ 0, 0, 32, 32 }, kEAGLColorFormatRGBA8, 0, false, context(), false, 0);
    EXPECT_EQ(edgePixelsOfAPresentedTriangle(plain.get()), 0);

    auto view = EAGLView::viewWithFrame({ 0, 0, 32, 32 }, kEAGLColorFormatRGB565, GL_DEPTH_COMPONENT16_OES, false,
                                        context(), true, 4);
    ASSERT_TRUE(view && view->renderer()->multiSampling());
    EXPECT_GT(edgePixelsOfAPresentedTriangle(view.get()), 30);

    // Layouts resize the samples with the surface and keep the one resolve texture.
    const GLuint resolve = view->renderer()->resolveTexture();
    view->setFrame({ 0, 0, 48, 20 });
    view->layoutIfNeeded();
    view->setFrame({ 0, 0, 40, 24 });
    view->layoutIfNeeded();
    EXPECT_EQ(view->renderer()->resolveTexture(), resolve);
    EXPECT_EQ(view->surfaceSize(), platform::Size(40, 24));
    EXPECT_GT(edgePixelsOfAPresentedTriangle(view.get()), 30);
    EXPECT_EQ(view->readFrame()->width(), 40u);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    EXPECT_EQ(bound, 0) << "the next frame draws into the samples again";
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
