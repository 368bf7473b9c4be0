// KSDirector: scene stack, frame steps, pause and resume, projections, GL
// defaults, the frame-rate display and shut-down. The loops and the frame
// itself are in engine/platform/KSDirectorIOS.cpp.
#include "engine/KSDirector.h"

#include "engine/KSActionManager.h"
#include "engine/KSAnimation.h"
#include "engine/KSLabelAtlas.h"
#include "engine/KSLabelBMFont.h"
#include "engine/KSScene.h"
#include "engine/KSScheduler.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTransition.h"
#include "engine/platform/EAGLView.h"
#include "engine/platform/KSDirectorIOS.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <malloc.h>
#include <mutex>

namespace kestrel {

namespace {

KSDirector* gSharedDirector = nullptr;

} // namespace

// Singleton ------------------------------------------------------------------------

KSDirector* KSDirector::sharedDirector()
{
    return sharedDirectorOfClass<KSDirectorTimer>();
}

KSDirector* KSDirector::sharedInstance() { return gSharedDirector; }

void KSDirector::installShared(KSDirector* director)
{
    if (gSharedDirector) {
        director->release();
        BRISKO_ASSERT(false, "Attempted to allocate a second instance of a singleton.");
    }
    gSharedDirector = director;
}

void KSDirector::purgeSharedDirector()
{
    if (KSDirector* d = gSharedDirector) {
        // Ending releases the view and stops the loop (and its thread).
        if (d->runningScene_ || !d->scenesStack_.empty() || d->openGLView_)
            d->end();
        else
            d->stopAnimation();
        gSharedDirector = nullptr;
        d->release();
    }
}

KSDirector::~KSDirector()
{
    if (gSharedDirector == this)
        gSharedDirector = nullptr;
}

void KSDirector::keepFreedMemoryForFrames()
{
    // The software GL driver allocates and frees a block of several MB around
    // every draw. With glibc's defaults, a free block at the top of the heap is
    // handed back to the kernel and the next frame faults it in again page by
    // page (over a thousand faults a frame with ten thousand sprites). A running
    // engine keeps up to these amounts instead: blocks below the mmap threshold
    // come from the heap, and the heap is trimmed only above the trim threshold.
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
        mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    });
}

bool KSDirector::init()
{
    keepFreedMemoryForFrames();
    scenesStack_.reserve(10);
    oldAnimationInterval_ = animationInterval_ = 1.0 / 60;
    projection_ = kKSDirectorProjectionDefault;
    return true;
}

// Scenes ---------------------------------------------------------------------------

void KSDirector::runWithScene(KSScene* scene)
{
    BRISKO_ASSERT(scene, "Argument must be non-nil");
    BRISKO_ASSERT(!runningScene_, "You can't run an scene if another Scene is running. Use replaceScene or pushScene instead");
    pushScene(scene);
    startAnimation();
}

void KSDirector::replaceScene(KSScene* scene)
{
    BRISKO_ASSERT(scene, "Argument must be non-nil");
    // There is no top to replace: the first scene comes through runWithScene.
    BRISKO_ASSERT(!scenesStack_.empty() || ending_, "A running Scene is needed");
    // Asked from a scene as the director ends: nothing comes next.
    if (ending_)
        return;
    sendCleanupToScene_ = true;
    platform::Ref<KSScene> replaced = std::exchange(scenesStack_.back(), scene);
    // One not on show (popped back to in this frame, or asked for and not
    // shown yet) leaves the stack unseen: it is cleaned up once nobody holds
    // it, so that what it (or a node of it) scheduled or runs does not keep it.
    if (replaced && replaced != runningScene_ && replaced.get() != scene && !replaced->isRunning()
        && !isOnTheStack(replaced.get()))
        letGo(replaced.get());
    nextScene_ = scene;
}

void KSDirector::pushScene(KSScene* scene)
{
    BRISKO_ASSERT(scene, "Argument must be non-nil");
    if (ending_)
        return;
    sendCleanupToScene_ = false;
    scenesStack_.emplace_back(scene);
    nextScene_ = scene;
}

void KSDirector::popScene()
{
    BRISKO_ASSERT(runningScene_, "A running Scene is needed");
    if (ending_)
        return;
    platform::Ref<KSScene> popped = std::move(scenesStack_.back());
    scenesStack_.pop_back();
    // Popped before it came (back) on show (two pops in one frame, or a push
    // and a pop): it is cleaned up once nobody holds it, as a popped scene on
    // show is.
    if (popped != runningScene_ && !popped->isRunning() && !isOnTheStack(popped.get()))
        letGo(popped.get());
    if (scenesStack_.empty())
        end();
    else
        nextScene_ = scenesStack_.back();
}

void KSDirector::end()
{
    // A scene whose onExit (or cleanup) ends the director again, directly or
    // by popping, is already being ended: once is enough.
    if (ending_)
        return;
    ending_ = true;
    ++endings_;
    struct Ending {
        bool& flag;
        ~Ending() { flag = false; }
    } ending { ending_ };
    platform::Ref<KSDirector> keep(this);
    {
        // Nothing comes next, and nothing comes back: a transition leaving
        // now hands nothing over and lets go of the scenes it holds, and a
        // scene it entered for the hand-over leaves with the director. A
        // scene in the middle of its own onExit (which ended the director) is
        // not exited again. (Held in this block only: the scenes go before
        // the GL view does.)
        std::vector<platform::Ref<KSScene>> stack = std::move(scenesStack_);
        scenesStack_.clear();
        platform::Ref<KSScene> running = runningScene_;
        platform::Ref<KSScene> next = std::move(nextScene_);
        platform::Ref<KSScene> switching = switchingTo_;
        // The scene a switch under way brings in, or the one asked for after
        // it, may have been entered already (a transition handing over).
        auto entered = [&](KSScene* scene) {
            return scene && scene != running.get() && (scene->isRunning() || scene->isExiting());
        };
        const bool switchingEntered = entered(switching.get()), nextEntered = entered(next.get());
        if (running) {
            running->exitScene();
            running->cleanupScene();
        }
        for (KSScene* scene : { switchingEntered ? switching.get() : nullptr, nextEntered ? next.get() : nullptr }) {
            if (scene) {
                scene->exitScene();
                scene->cleanupScene();
            }
        }
        runningScene_ = nullptr;
        nextScene_ = nullptr;
        switchingTo_ = nullptr;
        // Popped scenes the game let go of are cleaned up as the others are;
        // those it still holds are its own from now on.
        cleanupScenesLetGo();
        scenesLetGo_.clear();
    }

    stopAnimation();

    FPSLabel_ = nullptr;
    projectionDelegate_ = nullptr;
    // As the director was made: a run after this one draws no node of this
    // one, and neither starts paused nor at the paused rate (the game's own
    // interval comes back).
    notificationNode_ = nullptr;
    if (isPaused_) {
        animationInterval_ = oldAnimationInterval_;
        isPaused_ = false;
    }
    dt = 0;

    KSLabelBMFont::purgeCachedData();
    KSAnimationCache::purgeSharedAnimationCache();
    KSSpriteFrameCache::purgeSharedSpriteFrameCache();
    KSScheduler::purgeSharedScheduler();
    KSActionManager::purgeSharedManager();
    KSTextureCache::purgeSharedTextureCache();

    openGLView_ = nullptr;
}

void KSDirector::setNextScene()
{
    // The outgoing scene may drop the stack's last reference to the next one
    // (a replaced scene), so hold both first.
    platform::Ref<KSScene> next = nextScene_;
    platform::Ref<KSScene> old = runningScene_;
    auto* incoming = dynamic_cast<KSTransitionScene*>(next.get());
    // Known to end() meanwhile: a transition's incoming scene is entered
    // before it is the running scene.
    switchingTo_ = next;
    struct Switched {
        platform::Ref<KSScene>& slot;
        ~Switched() { slot = nullptr; }
    } switched { switchingTo_ };
    // A scene may end the director from any of the calls below (end, or
    // popping the last scene): from then on no scene is called again.
    const unsigned endings = endings_;
    // A transition coming in takes care of the scene it leaves from, which
    // stays entered for it; any other scene leaves now.
    if (old && !(incoming && incoming->outScene() == old.get())) {
        // The request served decides the clean-up, not one the old scene
        // makes as it leaves.
        const bool cleanup = sendCleanupToScene_;
        old->exitScene();
        if (endings != endings_)
            return;
        // A scene still on the stack (under a scene pushed after a replace
        // in the same frame) comes back later: it is not cleaned up. One
        // popped off it may be pushed again: it is cleaned up once nobody
        // holds it (cleanupScenesLetGo).
        if (cleanup && !isOnTheStack(old.get()))
            old->cleanupScene();
        else if (!isOnTheStack(old.get()) && !old->isRunning())
            letGo(old.get());
        if (endings != endings_)
            return;
        // Asked for while the old scene left (from its onExit or cleanup):
        // a scene not entered yet is passed over for the last request; one
        // a transition has handed over is on show now and leaves at the next
        // frame, for the last request.
        if (nextScene_ && nextScene_ != next && !(next && next->isRunning()))
            next = switchingTo_ = nextScene_;
    }
    runningScene_ = next;
    if (nextScene_ == next)
        nextScene_ = nullptr;
    // A transition under the scene on show (one pushed over it in the frame
    // it was asked for) keeps no touches off meanwhile: it takes them again
    // when it comes back on show.
    for (const auto& scene : scenesStack_)
        if (auto* covered = dynamic_cast<KSTransitionScene*>(scene.get()); covered && scene != next)
            covered->releaseTouches();
    // A transition handing over has entered its incoming scene itself and
    // tells it the transition finished; any other scene is entered here.
    if (next && !next->isRunning()) {
        next->enterScene();
        if (endings != endings_)
            return;
        next->finishEnteringScene();
    }
}

void KSDirector::cleanupScenesLetGo()
{
    // One going may have held another (a transition its outgoing scene):
    // that one goes in the same frame.
    for (size_t before = scenesLetGo_.size() + 1; !scenesLetGo_.empty() && scenesLetGo_.size() < before;) {
        before = scenesLetGo_.size();
        cleanupScenesLetGoOnce();
    }
}

void KSDirector::cleanupScenesLetGoOnce()
{
    std::vector<platform::Ref<KSScene>> going;
    for (auto it = scenesLetGo_.begin(); it != scenesLetGo_.end();) {
        KSScene* scene = it->get();
        if (isOnTheStack(scene) || scene == runningScene_.get()) {
            // Back with the game: it leaves as any scene of the stack does.
            it = scenesLetGo_.erase(it);
        } else if (!isKeptBeyond(scene, 1) && !scene->isRunning()) {
            going.push_back(std::move(*it));
            it = scenesLetGo_.erase(it);
        } else {
            ++it;
        }
    }
    // A scene's clean-up may ask the director for anything, end() included:
    // each is cleaned up from the director's hands, once.
    for (auto& scene : going)
        scene->cleanupScene();
}

void KSDirector::letGo(KSScene* scene)
{
    if (std::find(scenesLetGo_.begin(), scenesLetGo_.end(), scene) == scenesLetGo_.end())
        scenesLetGo_.emplace_back(scene);
}

void KSDirector::sceneLeft(KSScene* scene)
{
    if (!ending_ && scene != runningScene_.get() && !isOnTheStack(scene))
        letGo(scene);
}

void KSDirector::sceneCleanedUp(KSScene* scene)
{
    std::erase_if(scenesLetGo_, [scene](const auto& held) { return held.get() == scene; });
}

bool KSDirector::isKeptBeyond(const KSScene* scene, int ownHolds)
{
    int engineHolds = 0;
    if (KSScheduler::hasSharedScheduler())
        engineHolds += KSScheduler::sharedScheduler()->holdsOn(scene);
    if (KSActionManager::hasSharedManager())
        engineHolds += KSActionManager::sharedManager()->holdsOn(scene);
    return scene->retainCount() - engineHolds > ownHolds;
}

bool KSDirector::isOnTheStack(const KSScene* scene) const
{
    return std::any_of(scenesStack_.begin(), scenesStack_.end(),
                       [scene](const platform::Ref<KSScene>& s) { return s.get() == scene; });
}

// Time -----------------------------------------------------------------------------

void KSDirector::readTime(int32_t& seconds, int32_t& microseconds)
{
    double now = platform::RunLoop::main().now();
    double whole = std::floor(now);
    seconds = static_cast<int32_t>(whole);
    microseconds = static_cast<int32_t>(std::lround((now - whole) * 1e6));
    if (microseconds >= 1000000) {
        ++seconds;
        microseconds -= 1000000;
    }
}

void KSDirector::markLastUpdateNow() { readTime(lastUpdateSeconds_, lastUpdateMicroseconds_); }

void KSDirector::calculateDeltaTime()
{
    int32_t seconds = 0, microseconds = 0;
    readTime(seconds, microseconds);
    if (nextDeltaTimeZero_) {
        dt = 0;
        nextDeltaTimeZero_ = false;
    } else {
        dt = static_cast<float>(seconds - lastUpdateSeconds_)
             + static_cast<float>(microseconds - lastUpdateMicroseconds_) / 1000000.0f;
        if (dt < 0)
            dt = 0;
    }
    lastUpdateSeconds_ = seconds;
    lastUpdateMicroseconds_ = microseconds;
}

void KSDirector::pause()
{
    if (isPaused_)
        return;
    oldAnimationInterval_ = animationInterval_;
    setAnimationInterval(1 / 4.0);
    isPaused_ = true;
}

void KSDirector::resume()
{
    if (!isPaused_)
        return;
    setAnimationInterval(oldAnimationInterval_);
    markLastUpdateNow();
    isPaused_ = false;
    dt = 0;
}

void KSDirector::purgeCachedData()
{
    KSLabelBMFont::purgeCachedData();
    // Only the textures nothing else holds go. One still in use (by a sprite,
    // a batch, a sheet's frames, a load on its way) stays the cache's: the
    // next level asking for its file gets that texture, not a second copy
    // under a new GL name that its frames' sprites cannot be batched with.
    KSTextureCache::sharedTextureCache()->removeUnusedTextures();
}

void KSDirector::showFPS()
{
    ++frames_;
    accumDt_ += dt;
    if (accumDt_ > 0.1f) {
        frameRate_ = static_cast<float>(frames_) / accumDt_;
        frames_ = 0;
        accumDt_ = 0;
        if (FPSLabel_)
            FPSLabel_->setString(platform::format("%.1f", frameRate_));
    }
    if (FPSLabel_)
        FPSLabel_->draw();
}

// GL view and state ------------------------------------------------------------------

void KSDirector::setOpenGLView(EAGLView* view)
{
    BRISKO_ASSERT(view, "OpenGLView must be non-nil");
    if (view == openGLView_.get())
        return;
    openGLView_ = view;
    winSizeInPoints_ = view->bounds().size;
    winSizeInPixels_ = winSizeInPoints_;
    setGLDefaultValues();
}

void KSDirector::setGLDefaultValues()
{
    BRISKO_ASSERT(openGLView_, "openGLView_ must be initialized");
    setAlphaBlending(true);
    setDepthTest(true);
    setProjection(projection_);
    glClearColor(0, 0, 0, 1);

    if (!FPSLabel_) {
        KSTexture2DPixelFormat saved = KSTexture2D::defaultAlphaPixelFormat();
        KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_RGBA4444);
        FPSLabel_ = KSLabelAtlas::labelWithString("00.0", "fps_images.png", 16, 24, '.');
        KSTexture2D::setDefaultAlphaPixelFormat(saved);
    }
}

void KSDirector::setAlphaBlending(bool on)
{
    if (on) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
}

void KSDirector::setDepthTest(bool on)
{
    if (on) {
        glClearDepthf(1.0f);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

void KSDirector::setProjection(int projection)
{
    Size size = winSizeInPixels_;
    switch (projection) {
    case kKSDirectorProjection2D: {
        glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        // A view without height has no pixels per point: use one.
        float scale = winSizeInPoints_.height != 0 ? std::trunc(size.height / winSizeInPoints_.height) : 1.0f;
        if (scale == 0)
            scale = 1.0f;
        glOrthof(0, size.width, 0, size.height, -1024 * scale, 1024 * scale);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        break;
    }
    case kKSDirectorProjection3D: {
        glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        // An empty view gets a square aspect rather than a division by zero.
        float aspect = size.height != 0 ? size.width / size.height : 1.0f;
        ksGLPerspective(60, aspect, 0.5f, 1500.0f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        ksGLLookAt(size.width / 2, size.height / 2, getZEye(), size.width / 2, size.height / 2, 0, 0.0f, 1.0f, 0.0f);
        break;
    }
    case kKSDirectorProjectionCustom:
        if (auto* delegate = dynamic_cast<KSProjectionProtocol*>(projectionDelegate_.get()))
            delegate->updateProjection();
        break;
    default:
        break;
    }
    projection_ = projection;
}

float KSDirector::getZEye() const { return winSizeInPixels_.height / 1.1566f; }

void KSDirector::setProjectionDelegate(platform::Object* delegate)
{
    BRISKO_ASSERT(!delegate || dynamic_cast<KSProjectionProtocol*>(delegate),
                  "The projection delegate must implement updateProjection");
    projectionDelegate_ = delegate;
}

void KSDirector::reshapeProjection(Size newWindowSize)
{
    winSizeInPoints_ = newWindowSize;
    winSizeInPixels_ = newWindowSize;
    setProjection(projection_);
}

void KSDirector::setWinSizeInPixels(Size pixels)
{
    winSizeInPixels_ = pixels;
    winSizeInPoints_ = ksSizePixelsToPoints(pixels);
}

void KSDirector::setNotificationNode(KSNode* node) { notificationNode_ = node; }

// GL utilities ---------------------------------------------------------------------

void ksGLPerspective(GLfloat fovy, GLfloat aspect, GLfloat zNear, GLfloat zFar)
{
    GLfloat ymax = zNear * std::tan(fovy * static_cast<float>(M_PI) / 360);
    GLfloat xmax = ymax * aspect;
    glFrustumf(-xmax, xmax, -ymax, ymax, zNear, zFar);
}

void ksGLLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ, float upX,
                float upY, float upZ)
{
    auto normalise = [](float v[3]) {
        float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (len != 0) {
            v[0] /= len;
            v[1] /= len;
            v[2] /= len;
        }
    };
    auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    float f[3] = { eyeX - centerX, eyeY - centerY, eyeZ - centerZ };
    normalise(f);
    float up[3] = { upX, upY, upZ };
    float s[3];
    cross(up, f, s);
    normalise(s);
    float u[3];
    cross(f, s, u);
    normalise(u);

    // Rows s, u, f in column-major order.
    GLfloat m[16] = {
        s[0], u[0], f[0], 0,
        s[1], u[1], f[1], 0,
        s[2], u[2], f[2], 0,
        0, 0, 0, 1,
    };
    glMultMatrixf(m);
    glTranslatef(-eyeX, -eyeY, -eyeZ);
}

} // namespace kestrel
