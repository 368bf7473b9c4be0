// KSScene: a node sized to the window, and the guarded life-cycle calls the
// director and transitions send it.
#include "engine/KSScene.h"

#include "engine/KSDirector.h"

#include <utility>

namespace kestrel {

namespace {

// Sets a flag for the length of a call, also when the call throws.
class During {
public:
    explicit During(bool& flag) : flag_(flag) { flag_ = true; }
    ~During() { flag_ = false; }
    During(const During&) = delete;
    During& operator=(const During&) = delete;

private:
    bool& flag_;
};

} // namespace

platform::Ref<KSScene> KSScene::node()
{
    auto s = platform::adoptRef(new KSScene);
    return s->init() ? s : nullptr;
}

bool KSScene::init()
{
    if (!KSNode::init())
        return false;
    setIsRelativeAnchorPoint(false);
    setAnchorPoint({ 0.5f, 0.5f });
    setContentSize(KSDirector::sharedDirector()->winSize());
    return true;
}

void KSScene::enterScene()
{
    if (entered_ || isRunning())
        return;
    platform::Ref<KSScene> keep(this);
    entered_ = true;
    toldFinished_ = false;
    cleanedUp_ = false;
    onEnter();
}

void KSScene::finishEnteringScene()
{
    if (!(entered_ || isRunning()) || exiting_ || std::exchange(toldFinished_, true))
        return;
    platform::Ref<KSScene> keep(this);
    onEnterTransitionDidFinish();
}

void KSScene::exitScene()
{
    // A scene that ends the director from inside its onEnter is entered
    // enough to be sent its exit.
    if (exiting_ || !(entered_ || isRunning()))
        return;
    platform::Ref<KSScene> keep(this);
    entered_ = false;
    {
        During exiting(exiting_);
        onExit();
    }
    if (!cleanedUp_ && KSDirector::hasSharedDirector())
        KSDirector::sharedDirector()->sceneLeft(this);
}

void KSScene::cleanupScene()
{
    if (std::exchange(cleanedUp_, true))
        return;
    platform::Ref<KSScene> keep(this);
    if (KSDirector::hasSharedDirector())
        KSDirector::sharedDirector()->sceneCleanedUp(this);
    cleanup();
}

} // namespace kestrel
