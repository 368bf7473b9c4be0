// The engine's central singleton: the scene stack and which scene is on screen,
// the GL view and its window size in points and pixels, the GL defaults and
// projection, the time step between frames, the scheduler tick, scene switches
// between frames, the frame-rate display, pause, resume and shut-down.
//
// This is an abstract base: what calls drawScene, and how often, belongs to the
// loop variants of KSDirectorIOS (engine/platform/), chosen once with
// setDirectorType before the director is first used. Caveat: everything runs on
// the main loop's thread; push, replace and pop only record the next scene, and
// the switch happens at the next frame after the scheduler has ticked.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

#include <string>
#include <thread>
#include <vector>

namespace kestrel {

class EAGLView;
class KSLabelAtlas;
class KSNode;
class KSScene;

enum ksDirectorProjection {
    kKSDirectorProjection2D = 0,
    kKSDirectorProjection3D = 1,
    kKSDirectorProjectionCustom = 2,
    kKSDirectorProjectionDefault = kKSDirectorProjection3D,
};

enum ksDirectorType {
    kKSDirectorTypeNSTimer = 0,
    kKSDirectorTypeMainLoop = 1,
    kKSDirectorTypeThreadMainLoop = 2,
    kKSDirectorTypeDisplayLink = 3,
    kKSDirectorTypeDefault = kKSDirectorTypeNSTimer,
};

// Supplies the custom projection (projection kKSDirectorProjectionCustom).
class KSProjectionProtocol {
public:
    virtual void updateProjection() = 0;

protected:
    ~KSProjectionProtocol() = default;
};

// Multiplies the current matrix by a perspective frustum / a look-at transform.
void ksGLPerspective(GLfloat fovy, GLfloat aspect, GLfloat zNear, GLfloat zFar);
void ksGLLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ, float upX,
                float upY, float upZ);

class KSDirector : public platform::Object {
public:
    // The one director; made on first use as a KSDirectorTimer unless
    // setDirectorType chose another loop first. Each loop class (and any
    // subclass that declares `static KSDirector* sharedDirector() { return
    // sharedDirectorOfClass<Mine>(); }`) makes an instance of itself when
    // called through it and no director exists yet.
    static KSDirector* sharedDirector();
    // Ends and releases the director (tests and programs that start over).
    static void purgeSharedDirector();
    // Whether the shared director exists, without making one (for clean-up
    // that runs after a purge).
    static bool hasSharedDirector() { return sharedInstance() != nullptr; }
    // 0 timer, 1 fast, 2 fast threaded, 3 display link. False (creating nothing)
    // for the display link on a system older than 3.1. Once a director exists,
    // answers true and changes nothing.
    static bool setDirectorType(int type);
    static int defaultDirector() { return kKSDirectorTypeNSTimer; }
    // Raises the C library's heap trim and mmap thresholds once per process, so
    // that memory the GL driver frees every frame stays in the heap rather than
    // being returned to the kernel and faulted in again. Called when a director
    // is made; programs that draw without one may call it themselves.
    static void keepFreedMemoryForFrames();
    static constexpr int kMmapThreshold = 32 * 1024 * 1024;
    static constexpr int kTrimThreshold = 128 * 1024 * 1024;

    std::string className() const override { return "KSDirector"; }

    // --- Scenes ---
    void runWithScene(KSScene* scene);
    void replaceScene(KSScene* scene);
    void pushScene(KSScene* scene);
    void popScene();
    virtual void end();
    KSScene* runningScene() const { return runningScene_.get(); }
    bool sendCleanupToScene() const { return sendCleanupToScene_; }
    // The scene the next frame switches to (null when none is asked for).
    KSScene* nextScene() const { return nextScene_.get(); }
    bool isPaused() const { return isPaused_; }
    // The stack, bottom first (its last element is the top).
    const std::vector<platform::Ref<KSScene>>& scenesStack() const { return scenesStack_; }
    // Whether the stack holds the scene (it comes back on show later).
    bool isOnTheStack(const KSScene* scene) const;
    // Whether the scene is on show or on the stack: the director's to exit and
    // clean up, not a transition's that held it once (a scene popped back to
    // on show, or left on the stack under a transition that showed it).
    bool isOnShowOrOnTheStack(const KSScene* scene) const { return scene == runningScene_.get() || isOnTheStack(scene); }
    // A scene tells the director it left (exited) or was cleaned up: one that
    // left the stack without a clean-up (popped, passed over, or shown by a
    // transition that went) is cleaned up once the director holds the last
    // reference to it, so that its actions and timers do not keep its nodes.
    void sceneLeft(KSScene* scene);
    void sceneCleanedUp(KSScene* scene);
    // Whether anyone beyond the caller's own `ownHolds` references keeps the
    // scene. The scheduler's and the action manager's holds on it do not
    // count: they keep what runs on the scene (its own timers and actions,
    // callbacks to it from actions of its own nodes), and go with its
    // clean-up.
    static bool isKeptBeyond(const KSScene* scene, int ownHolds);

    // --- Time and frame ---
    virtual void drawScene() { }
    virtual void startAnimation() { }
    virtual void stopAnimation() { }
    void calculateDeltaTime();
    void setNextScene();
    void showFPS();
    double animationInterval() const { return animationInterval_; }
    virtual void setAnimationInterval(double /*interval*/) { }
    bool displayFPS() const { return displayFPS_; }
    void setDisplayFPS(bool display) { displayFPS_ = display; }
    bool nextDeltaTimeZero() const { return nextDeltaTimeZero_; }
    void setNextDeltaTimeZero(bool zero) { nextDeltaTimeZero_ = zero; }
    // The time step of the current frame.
    ksTime deltaTime() const { return dt; }
    float frameRate() const { return frameRate_; }
    KSLabelAtlas* FPSLabel() const { return FPSLabel_.get(); }
    void pause();
    void resume();
    // A memory warning: empties the bitmap-font cache and drops the textures
    // nothing but the cache holds. A texture still in use stays cached, so a
    // file keeps one texture across the warning.
    void purgeCachedData();
    virtual void showProfilers() { }

    // --- GL view and state ---
    EAGLView* openGLView() const { return openGLView_.get(); }
    virtual void setOpenGLView(EAGLView* view);
    void setGLDefaultValues();
    void setAlphaBlending(bool on);
    void setDepthTest(bool on);
    int projection() const { return projection_; }
    void setProjection(int projection);
    float getZEye() const;
    platform::Object* projectionDelegate() const { return projectionDelegate_.get(); }
    // The delegate must implement KSProjectionProtocol (retained).
    void setProjectionDelegate(platform::Object* delegate);
    virtual void reshapeProjection(Size newWindowSize);

    virtual Size winSize() const { return winSizeInPoints_; }
    virtual Size winSizeInPixels() const { return winSizeInPixels_; }
    Size displaySizeInPixels() const { return winSizeInPixels_; }
    float contentScaleFactor() const { return ksContentScaleFactor(); }
    // Sets the window size without a view (node tests use it).
    void setWinSizeInPixels(Size pixels);

    virtual Point convertToGL(Point /*uiPoint*/) const { return {}; }
    virtual Point convertToUI(Point /*glPoint*/) const { return {}; }

    KSNode* notificationNode() const { return notificationNode_.get(); }
    void setNotificationNode(KSNode* node);
    std::thread::id runningThread() const { return runningThread_; }

protected:
    KSDirector() = default;
    ~KSDirector() override;
    virtual bool init();
    // The shared director, made as a D (default-constructed, then init) when
    // there is none yet; an existing director of any class is answered as is.
    template <class D>
    static KSDirector* sharedDirectorOfClass()
    {
        if (!sharedInstance()) {
            KSDirector* director = new D;
            installShared(director);
            (void)director->init(); // a director's init cannot fail
        }
        return sharedInstance();
    }
    // Cleans up the scenes that left the stack without a clean-up (popped, or
    // left under a push that was popped) once the director holds the last
    // reference to them, and lets go of them; one back on the stack or on
    // show is no longer the director's to clean up. The frame calls it after
    // its scene switch.
    void cleanupScenesLetGo();
    void cleanupScenesLetGoOnce();
    void letGo(KSScene* scene);
    // Makes `director` the shared one; the assertion fails when one exists.
    static void installShared(KSDirector* director);
    static KSDirector* sharedInstance();
    // The wall clock as seconds and microseconds (the main loop's clock).
    static void readTime(int32_t& seconds, int32_t& microseconds);
    void markLastUpdateNow();

    platform::Ref<EAGLView> openGLView_;
    double animationInterval_ { 1.0 / 60 };
    double oldAnimationInterval_ { 1.0 / 60 };
    bool displayFPS_ { false };
    unsigned frames_ { 0 };
    float accumDt_ { 0 };
    float frameRate_ { 0 };
    platform::Ref<KSLabelAtlas> FPSLabel_;
    bool isPaused_ { false };
    platform::Ref<KSScene> runningScene_;
    platform::Ref<KSNode> notificationNode_;
    // Retained: a pop after a replace in the same frame takes the scene off
    // the stack while it is still the one asked for.
    platform::Ref<KSScene> nextScene_;
    platform::Ref<KSScene> switchingTo_; // the scene setNextScene is switching to
    bool sendCleanupToScene_ { false };
    std::vector<platform::Ref<KSScene>> scenesStack_;
    // Scenes that left the stack exited but not cleaned up: the game may push
    // them again, and once it holds them no more they are cleaned up.
    std::vector<platform::Ref<KSScene>> scenesLetGo_;
    int32_t lastUpdateSeconds_ { 0 };
    int32_t lastUpdateMicroseconds_ { 0 };
    ksTime dt { 0 };
    bool nextDeltaTimeZero_ { false };
    int projection_ { kKSDirectorProjectionDefault };
    platform::Ref<platform::Object> projectionDelegate_;
    Size winSizeInPoints_ {};
    Size winSizeInPixels_ {};
    std::thread::id runningThread_ {};
    bool ending_ { false };  // inside end(): a nested end() does nothing
    unsigned endings_ { 0 }; // counts end()s, so a switch sees one happen under it
};

} // namespace kestrel
