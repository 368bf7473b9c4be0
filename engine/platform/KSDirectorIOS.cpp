// KSDirectorIOS and its loops: the frame, orientation, content scale, attaching
// the GL view, and the timer, fast, threaded and display-link loops.
#include "engine/platform/KSDirectorIOS.h"

#include "engine/KSLabelAtlas.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSScene.h"
#include "engine/KSScheduler.h"
#include "engine/platform/EAGLView.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/device/Application.h"
#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"
#include "platform/gl/GLExtensions.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace kestrel {

using platform::Ref;

namespace {

constexpr const char* kDirectorFile = "engine/Platforms/iOS/KSDirectorIOS";

// Numeric comparison of dotted versions ("3.1.3" > "3.1" > "3.0"; "3.10" > "3.9").
int compareVersions(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        long x = 0, y = 0;
        while (i < a.size() && a[i] != '.')
            x = x * 10 + (std::isdigit(static_cast<unsigned char>(a[i])) ? a[i] - '0' : 0), ++i;
        while (j < b.size() && b[j] != '.')
            y = y * 10 + (std::isdigit(static_cast<unsigned char>(b[j])) ? b[j] - '0' : 0), ++j;
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    return 0;
}

} // namespace

// Choosing the loop ------------------------------------------------------------------

bool KSDirector::setDirectorType(int type)
{
    if (type == kKSDirectorTypeDisplayLink
        && compareVersions(platform::ui::Device::currentDevice().systemVersion(), "3.1") < 0)
        return false;
    BRISKO_ASSERT_FILE(type >= kKSDirectorTypeNSTimer && type <= kKSDirectorTypeDisplayLink, kDirectorFile,
                       "Unknown director type");
    if (sharedInstance())
        return true;
    switch (type) {
    case kKSDirectorTypeNSTimer: KSDirectorTimer::sharedDirector(); break;
    case kKSDirectorTypeMainLoop: KSDirectorFast::sharedDirector(); break;
    case kKSDirectorTypeThreadMainLoop: KSDirectorFastThreaded::sharedDirector(); break;
    default: KSDirectorDisplayLink::sharedDirector(); break;
    }
    return true;
}

KSDirector* KSDirectorTimer::sharedDirector() { return sharedDirectorOfClass<KSDirectorTimer>(); }
KSDirector* KSDirectorFast::sharedDirector() { return sharedDirectorOfClass<KSDirectorFast>(); }
KSDirector* KSDirectorFastThreaded::sharedDirector() { return sharedDirectorOfClass<KSDirectorFastThreaded>(); }
KSDirector* KSDirectorDisplayLink::sharedDirector() { return sharedDirectorOfClass<KSDirectorDisplayLink>(); }

// KSDirectorIOS ---------------------------------------------------------------------------

bool KSDirectorIOS::init()
{
    if (!KSDirector::init())
        return false;
    deviceOrientation_ = kKSDeviceOrientationPortrait;
    isContentScaleSupported_ = false;
    pixelFormat_ = kKSPixelFormatRGB565;
    depthBufferFormat_ = kKSDepthBufferNone;
    ksSetContentScaleFactor(1.0f);
    runningThread_ = std::this_thread::get_id();
    return true;
}

void KSDirectorIOS::drawScene()
{
    // Held for the frame: a game that ends the director from inside it (a
    // timer, an action, a scene's visit) and purges it, as a game's quit
    // does, leaves it to go when the frame is done with it.
    Ref<KSDirector> keep(this);
    // Held for the frame too: a scene ending the director from inside it is
    // let go of by the frame after end() returns, and its textures are
    // deleted while the view's context is there.
    platform::Ref<EAGLView> view = openGLView_;
    // A capture the game left open would send this frame and every later one
    // to its texture: it ends, and the view's framebuffer and projection
    // (its viewport) come back.
    if (KSRenderTexture::endCapturesLeftOpen() && view) {
        platform::glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, view->drawingFramebuffer());
        setProjection(projection_);
    }
    calculateDeltaTime();
    if (!isPaused_)
        KSScheduler::sharedScheduler()->tick(dt);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (nextScene_)
        setNextScene();
    cleanupScenesLetGo();

    glPushMatrix();
    applyOrientation();

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);

    if (Ref<KSScene> scene = runningScene_)
        scene->visit();
    if (Ref<KSNode> node = notificationNode_)
        node->visit();
    if (displayFPS_)
        showFPS();

    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();

    if (Ref<EAGLView> view = openGLView_)
        view->swapBuffers();
}

void KSDirectorIOS::setOpenGLView(EAGLView* view)
{
    if (view == openGLView_.get())
        return;
    KSDirector::setOpenGLView(view);
    winSizeInPixels_ = { winSizeInPoints_.width * ksContentScaleFactor(), winSizeInPoints_.height * ksContentScaleFactor() };
    if (ksContentScaleFactor() != 1)
        updateContentScaleFactor();
    KSTouchDispatcher* dispatcher = KSTouchDispatcher::sharedDispatcher();
    view->setTouchDelegate(dispatcher);
    dispatcher->setDispatchEvents(true);
}

void KSDirectorIOS::reshapeProjection(Size)
{
    if (openGLView_)
        winSizeInPoints_ = openGLView_->bounds().size;
    winSizeInPixels_ = { winSizeInPoints_.width * ksContentScaleFactor(), winSizeInPoints_.height * ksContentScaleFactor() };
    setProjection(projection_);
}

Size KSDirectorIOS::winSize() const
{
    Size s = winSizeInPoints_;
    if (deviceOrientation_ == kKSDeviceOrientationLandscapeLeft || deviceOrientation_ == kKSDeviceOrientationLandscapeRight)
        return { s.height, s.width };
    return s;
}

Size KSDirectorIOS::winSizeInPixels() const
{
    Size s = winSize();
    return { s.width * ksContentScaleFactor(), s.height * ksContentScaleFactor() };
}

void KSDirectorIOS::end()
{
    KSTouchDispatcher::sharedDispatcher()->removeAllDelegates();
    KSDirector::end();
}

// Formats and attaching -----------------------------------------------------------------

void KSDirectorIOS::setPixelFormat(int format)
{
    BRISKO_ASSERT_FILE(!isOpenGLAttached(), kDirectorFile, "Can't change the pixel format after the director was initialized");
    pixelFormat_ = format;
}

void KSDirectorIOS::setDepthBufferFormat(int format)
{
    BRISKO_ASSERT_FILE(!isOpenGLAttached(), kDirectorFile,
                       "Can't change the depth buffer format after the director was initialized");
    depthBufferFormat_ = format;
}

bool KSDirectorIOS::isOpenGLAttached() const { return openGLView_ && openGLView_->superview(); }

bool KSDirectorIOS::attachInWindow(platform::ui::View* window) { return initOpenGLViewWithView(window, window->bounds()); }
bool KSDirectorIOS::attachInView(platform::ui::View* view) { return initOpenGLViewWithView(view, view->bounds()); }
bool KSDirectorIOS::attachInView(platform::ui::View* view, const Rect& frame) { return initOpenGLViewWithView(view, frame); }

bool KSDirectorIOS::initOpenGLViewWithView(platform::ui::View* view, const Rect& frame)
{
    BRISKO_ASSERT_FILE(!isOpenGLAttached(), kDirectorFile,
                       "FATAL: Can't re-attach the OpenGL View, because it is already attached. Detach it first");
    if (!openGLView_) {
        std::string format = pixelFormat_ == kKSPixelFormatRGB565 ? kEAGLColorFormatRGB565
                           : pixelFormat_ == kKSPixelFormatRGBA8888 ? kEAGLColorFormatRGBA8
                                                                     : "";
        GLuint depth = depthBufferFormat_ == kKSDepthBuffer16 ? GL_DEPTH_COMPONENT16_OES
                     : depthBufferFormat_ == kKSDepthBuffer24 ? GL_DEPTH_COMPONENT24_OES
                                                              : 0;
        openGLView_ = EAGLView::viewWithFrame(frame, format, depth, false, nullptr, false, 0);
        BRISKO_ASSERT_FILE(openGLView_, kDirectorFile, "FATAL: Could not alloc and init the OpenGL view. ");
        openGLView_->setOpaque(true);
    } else {
        openGLView_->setFrame(frame);
    }
    winSizeInPoints_ = frame.size;
    winSizeInPixels_ = { winSizeInPoints_.width * ksContentScaleFactor(), winSizeInPoints_.height * ksContentScaleFactor() };

    KSTouchDispatcher* dispatcher = KSTouchDispatcher::sharedDispatcher();
    openGLView_->setTouchDelegate(dispatcher);
    openGLView_->setUserInteractionEnabled(view->isUserInteractionEnabled());
    dispatcher->setDispatchEvents(view->isUserInteractionEnabled());
    if (auto* parentGL = dynamic_cast<EAGLView*>(view))
        openGLView_->setMultipleTouchEnabled(parentGL->isMultipleTouchEnabled());

    view->addSubview(openGLView_.get());
    BRISKO_ASSERT_FILE(isOpenGLAttached(), kDirectorFile, "FATAL: Director: Could not attach OpenGL view");
    setGLDefaultValues();
    return true;
}

bool KSDirectorIOS::detach()
{
    BRISKO_ASSERT_FILE(isOpenGLAttached(), kDirectorFile,
                       "FATAL: Director: Can't detach the OpenGL View, because it is not attached. Attach it first.");
    openGLView_->removeFromSuperview();
    BRISKO_ASSERT_FILE(!isOpenGLAttached(), kDirectorFile,
                       "FATAL: Director: Can't detach the OpenGL View, it is still attached to the superview.");
    return true;
}

// Content scale ----------------------------------------------------------------------------

void KSDirectorIOS::setContentScaleFactor(float scaleFactor)
{
    if (scaleFactor == ksContentScaleFactor())
        return;
    ksSetContentScaleFactor(scaleFactor);
    winSizeInPixels_ = { winSizeInPoints_.width * scaleFactor, winSizeInPoints_.height * scaleFactor };
    if (openGLView_)
        updateContentScaleFactor();
    setProjection(projection_);
}

void KSDirectorIOS::updateContentScaleFactor()
{
    if (!openGLView_)
        return;
    openGLView_->setContentScaleFactor(ksContentScaleFactor());
    isContentScaleSupported_ = true;
}

bool KSDirectorIOS::enableRetinaDisplay(bool enabled)
{
    if (enabled && ksContentScaleFactor() == 2.0f)
        return true;
    if (!enabled && ksContentScaleFactor() == 1.0f)
        return true;
    // Every GL view takes a content scale factor; without one there is nothing to scale.
    if (!openGLView_)
        return false;
    if (platform::ui::Screen::mainScreen().scale() == 1.0f)
        return false;
    setContentScaleFactor(enabled ? 2.0f : 1.0f);
    return true;
}

// Orientation --------------------------------------------------------------------------------

void KSDirectorIOS::setDeviceOrientation(int orientation)
{
    if (orientation == deviceOrientation_)
        return;
    deviceOrientation_ = orientation;
    if (orientation >= 1 && orientation <= 4)
        platform::ui::Application::sharedApplication().setStatusBarOrientation(
            static_cast<platform::ui::InterfaceOrientation>(orientation), false);
    else
        platform::log("Director: Unknown device orientation");
}

void KSDirectorIOS::applyOrientation()
{
    float w = winSizeInPixels_.width / 2;
    float h = winSizeInPixels_.height / 2;
    switch (deviceOrientation_) {
    case kKSDeviceOrientationPortraitUpsideDown:
        glTranslatef(w, h, 0);
        glRotatef(180, 0, 0, 1);
        glTranslatef(-w, -h, 0);
        break;
    case kKSDeviceOrientationLandscapeLeft:
        glTranslatef(w, h, 0);
        glRotatef(-90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    case kKSDeviceOrientationLandscapeRight:
        glTranslatef(w, h, 0);
        glRotatef(90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    default:
        break;
    }
}

Point KSDirectorIOS::convertToGL(Point p) const
{
    float W = winSizeInPoints_.width, H = winSizeInPoints_.height;
    switch (deviceOrientation_) {
    case kKSDeviceOrientationPortrait: return { p.x, H - p.y };
    case kKSDeviceOrientationPortraitUpsideDown: return { W - p.x, p.y };
    case kKSDeviceOrientationLandscapeLeft: return { p.y, p.x };
    case kKSDeviceOrientationLandscapeRight: return { H - p.y, W - p.x };
    default: return {};
    }
}

Point KSDirectorIOS::convertToUI(Point p) const
{
    float W = winSizeInPoints_.width, H = winSizeInPoints_.height;
    Point ui;
    switch (deviceOrientation_) {
    case kKSDeviceOrientationPortrait: ui = { p.x, static_cast<float>(static_cast<int>(H - p.y)) }; break;
    case kKSDeviceOrientationPortraitUpsideDown: ui = { static_cast<float>(static_cast<int>(W - p.x)), p.y }; break;
    case kKSDeviceOrientationLandscapeLeft: ui = { p.y, p.x }; break;
    case kKSDeviceOrientationLandscapeRight: ui = { W - p.y, H - p.x }; break;
    default: return {};
    }
    float inverse = 1.0f / ksContentScaleFactor();
    return { ui.x * inverse, ui.y * inverse };
}

// Timer loop ---------------------------------------------------------------------------------

void KSDirectorTimer::startAnimation()
{
    BRISKO_ASSERT_FILE(!animationTimer, kDirectorFile, "animationTimer must be nil. Calling startAnimation twice?");
    markLastUpdateNow();
    animationTimer = platform::RunLoop::current()->scheduleTimer(animationInterval_, true, [this](platform::Timer&) { mainLoop(); });
}

void KSDirectorTimer::stopAnimation()
{
    if (animationTimer)
        animationTimer->invalidate();
    animationTimer = nullptr;
}

void KSDirectorTimer::setAnimationInterval(double interval)
{
    animationInterval_ = interval;
    if (animationTimer) {
        stopAnimation();
        startAnimation();
    }
}

// Fast loop ----------------------------------------------------------------------------------

void KSDirectorFast::startAnimation()
{
    markLastUpdateNow();
    isRunning_ = true;
    // The loop of the director that posted it: one ended or purged before the
    // call runs is not looked up (which would make a new director).
    platform::RunLoop::main().post([director = platform::Weak<KSDirectorFast>(this)] {
        if (Ref<KSDirectorFast> posted = director.lock())
            posted->mainLoop();
    });
}

void KSDirectorFast::mainLoop()
{
    // A restart from inside a frame must not nest a second loop.
    if (inMainLoop_)
        return;
    Ref<KSDirectorFast> keep(this);
    inMainLoop_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave { inMainLoop_ };
    platform::RunLoop& loop = platform::RunLoop::main();
    while (isRunning_) {
        while (loop.runOnce(0)) { }
        if (!isRunning_)
            break;
        if (isPaused_)
            loop.advance(0.25);
        drawScene();
        while (loop.runOnce(0)) { }
    }
}

void KSDirectorFast::stopAnimation() { isRunning_ = false; }

void KSDirectorFast::setAnimationInterval(double)
{
    platform::log("FastDirectory doesn't support setAnimationInterval, yet");
}

// Threaded loop ------------------------------------------------------------------------------


KSDirectorFastThreaded::~KSDirectorFastThreaded() { joinThread(); }

void KSDirectorFastThreaded::startAnimation()
{
    markLastUpdateNow();
    isRunning_ = true;
    // One thread for the director's life: a restart reuses it.
    if (!thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = false;
            framePending_ = false;
        }
        token_ = std::make_shared<FrameToken>();
        thread_ = std::thread([this] { mainLoop(); });
    } else {
        wake_.notify_all();
    }
}

void KSDirectorFastThreaded::mainLoop()
{
    std::shared_ptr<FrameToken> token = token_;
    std::unique_lock lock(mutex_);
    while (!cancelled_) {
        if (!isRunning_) {
            wake_.wait_for(lock, std::chrono::milliseconds(50));
            continue;
        }
        framePending_ = true;
        platform::RunLoop::main().post([this, token] {
            // A director that ended joined this thread and marked the token;
            // one that lives is held until the frame is done with its state,
            // also when the frame ends and purges it.
            if (!token->alive)
                return;
            Ref<KSDirectorFastThreaded> keep(this);
            if (isRunning_)
                drawScene();
            std::lock_guard done(mutex_);
            sleepAfterFrame_ = isPaused_;
            framePending_ = false;
            wake_.notify_all();
        });
        wake_.wait(lock, [this] { return cancelled_ || !framePending_; });
        if (sleepAfterFrame_)
            wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return cancelled_; });
    }
}

void KSDirectorFastThreaded::stopAnimation() { isRunning_ = false; }

void KSDirectorFastThreaded::setAnimationInterval(double)
{
    platform::log("FastDirector doesn't support setAnimationInterval, yet");
}

void KSDirectorFastThreaded::joinThread()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (token_)
        token_->alive = false;
}

void KSDirectorFastThreaded::end()
{
    KSDirectorIOS::end();
    joinThread();
}

// Display-link loop --------------------------------------------------------------------------

void KSDirectorDisplayLink::startAnimation()
{
    markLastUpdateNow();
    frameInterval_ = static_cast<int>(std::floor(animationInterval_ * 60.0));
    // The display cannot refresh faster than itself.
    int refreshes = frameInterval_ < 1 ? 1 : frameInterval_;
    displayLink = platform::RunLoop::current()->scheduleTimer(refreshes / 60.0, true, [this](platform::Timer&) { mainLoop(); });
}

void KSDirectorDisplayLink::stopAnimation()
{
    if (displayLink)
        displayLink->invalidate();
    displayLink = nullptr;
}

void KSDirectorDisplayLink::setAnimationInterval(double interval)
{
    animationInterval_ = interval;
    if (displayLink) {
        stopAnimation();
        startAnimation();
    }
}

} // namespace kestrel
