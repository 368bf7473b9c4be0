// The director completed for the touch platform: the frame itself, device
// orientation and the matching transforms of drawing and touch coordinates,
// the content scale factor, the GL view's formats and attaching it to a parent
// view with touches routed to the touch dispatcher; and the four loops that
// call the frame, chosen once with KSDirector::setDirectorType:
//   KSDirectorTimer        a repeating run-loop timer at the animation interval
//   KSDirectorFast         a loop of its own on the main thread, serving events between frames
//   KSDirectorFastThreaded a thread that asks the main thread for each frame
//   KSDirectorDisplayLink  the display's refresh (a run-loop timer at n/60 s)
//
// Caveat: frames always run on the main thread. The fast loop does not return
// while it runs (stop it from inside, e.g. with stopAnimation from an update).
#pragma once

#include "engine/KSDirector.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class Timer;
}
namespace platform::ui {
class View;
}

namespace kestrel {

enum ksDeviceOrientation {
    kKSDeviceOrientationPortrait = 1,
    kKSDeviceOrientationPortraitUpsideDown = 2,
    kKSDeviceOrientationLandscapeLeft = 3,
    kKSDeviceOrientationLandscapeRight = 4,
};

enum tPixelFormat { kKSPixelFormatRGB565 = 0, kKSPixelFormatRGBA8888 = 1, kKSPixelFormatDefault = kKSPixelFormatRGB565 };
enum tDepthBufferFormat { kKSDepthBufferNone = 0, kKSDepthBuffer16 = 1, kKSDepthBuffer24 = 2 };

class KSDirectorIOS : public KSDirector {
public:
    std::string className() const override { return "KSDirectorIOS"; }

    void drawScene() override;
    void setOpenGLView(EAGLView* view) override;
    void reshapeProjection(Size newWindowSize) override;
    Point convertToGL(Point uiPoint) const override;
    Point convertToUI(Point glPoint) const override;
    Size winSize() const override;
    Size winSizeInPixels() const override;
    void end() override;

    void setPixelFormat(int format);
    int pixelFormat() const { return pixelFormat_; }
    void setDepthBufferFormat(int format);
    bool isOpenGLAttached() const;
    bool attachInWindow(platform::ui::View* window);
    bool attachInView(platform::ui::View* view);
    bool attachInView(platform::ui::View* view, const Rect& frame);
    bool initOpenGLViewWithView(platform::ui::View* view, const Rect& frame);
    bool detach();

    void setContentScaleFactor(float scaleFactor);
    void updateContentScaleFactor();
    bool isContentScaleSupported() const { return isContentScaleSupported_; }
    bool enableRetinaDisplay(bool enabled);

    int deviceOrientation() const { return deviceOrientation_; }
    void setDeviceOrientation(int orientation);
    void applyOrientation();

protected:
    KSDirectorIOS() = default;
    bool init() override;

    int deviceOrientation_ { kKSDeviceOrientationPortrait };
    bool isContentScaleSupported_ { false };
    int pixelFormat_ { kKSPixelFormatRGB565 };
    int depthBufferFormat_ { kKSDepthBufferNone };
};

class KSDirectorTimer : public KSDirectorIOS {
public:
    static KSDirector* sharedDirector();
    std::string className() const override { return "KSDirectorTimer"; }
    void startAnimation() override;
    void stopAnimation() override;
    void setAnimationInterval(double interval) override;
    void mainLoop() { drawScene(); }
    bool isAnimating() const { return animationTimer; }

protected:
    friend class KSDirector;
    KSDirectorTimer() = default;
    platform::Ref<platform::Timer> animationTimer;
};

class KSDirectorFast : public KSDirectorIOS {
public:
    static KSDirector* sharedDirector();
    std::string className() const override { return "KSDirectorFast"; }
    void startAnimation() override;
    void stopAnimation() override;
    void setAnimationInterval(double interval) override;
    // Runs frames and serves the run loop between them until stopAnimation.
    void mainLoop();
    bool isRunning() const { return isRunning_; }

protected:
    friend class KSDirector;
    KSDirectorFast() = default;
    bool isRunning_ { false };
    bool inMainLoop_ { false };
};

class KSDirectorFastThreaded : public KSDirectorIOS {
public:
    static KSDirector* sharedDirector();
    std::string className() const override { return "KSDirectorFastThreaded"; }
    void startAnimation() override;
    void stopAnimation() override;
    void setAnimationInterval(double interval) override;
    void end() override;
    bool isRunning() const { return isRunning_; }
    // Whether the frame-requesting thread exists (one at most, joined by end).
    bool hasThread() const { return thread_.joinable(); }

protected:
    friend class KSDirector;
    KSDirectorFastThreaded() = default;
    ~KSDirectorFastThreaded() override;

private:
    void mainLoop();
    void joinThread();

    // Shared with the frames the thread posted: one that runs after the end
    // finds it dead and does nothing. Set before the thread starts.
    struct FrameToken {
        bool alive { true };
    };
    std::shared_ptr<FrameToken> token_;
    std::atomic<bool> isRunning_ { false };
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool cancelled_ { false };     // under mutex_
    bool framePending_ { false };  // under mutex_: a frame was asked for and has not run
    bool sleepAfterFrame_ { false }; // under mutex_: the director was paused at the last frame
};

class KSDirectorDisplayLink : public KSDirectorIOS {
public:
    static KSDirector* sharedDirector();
    std::string className() const override { return "KSDirectorDisplayLink"; }
    void startAnimation() override;
    void stopAnimation() override;
    void setAnimationInterval(double interval) override;
    void mainLoop() { drawScene(); }
    // The link's frame interval: refreshes (of 60 a second) per frame.
    int frameInterval() const { return frameInterval_; }
    bool isAnimating() const { return displayLink; }

protected:
    friend class KSDirector;
    KSDirectorDisplayLink() = default;
    platform::Ref<platform::Timer> displayLink;
    int frameInterval_ { 0 };
};

} // namespace kestrel
