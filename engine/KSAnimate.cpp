// The frame-animation action.
#include "engine/KSSprite.h"
#include "engine/KSAnimate.h"

#include "platform/foundation/Exception.h"

#include <algorithm>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {
constexpr const char* kFile = "engine/KSActionInterval";
}

Ref<KSAnimate> KSAnimate::actionWithAnimation(KSAnimationFrames* animation, bool restoreOriginalFrame)
{
    auto a = adoptRef(new KSAnimate);
    return a->initWithAnimation(animation, restoreOriginalFrame) ? a : nullptr;
}

Ref<KSAnimate> KSAnimate::actionWithDuration(ksTime d, KSAnimationFrames* animation, bool restoreOriginalFrame)
{
    auto a = adoptRef(new KSAnimate);
    return a->initWithDuration(d, animation, restoreOriginalFrame) ? a : nullptr;
}

bool KSAnimate::initWithAnimation(KSAnimationFrames* animation, bool restoreOriginalFrame)
{
    BRISKO_ASSERT_FILE(animation != nullptr, kFile, "Animate: argument Animation must be non-nil");
    return initWithDuration(static_cast<float>(animation->frameCount()) * animation->delay(), animation,
        restoreOriginalFrame);
}

bool KSAnimate::initWithDuration(ksTime d, KSAnimationFrames* animation, bool restoreOriginalFrame)
{
    BRISKO_ASSERT_FILE(animation != nullptr, kFile, "Animate: argument Animation must be non-nil");
    if (!KSActionInterval::initWithDuration(d))
        return false;
    restoreOriginalFrame_ = restoreOriginalFrame;
    setAnimation(animation);
    origFrame_ = nullptr;
    return true;
}

Ref<KSAction> KSAnimate::copy() const
{
    return actionWithDuration(duration_, animation_.get(), restoreOriginalFrame_);
}

void KSAnimate::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    origFrame_ = nullptr;
    if (restoreOriginalFrame_) {
        if (KSFrameDisplayOf s { target_ })
            origFrame_ = s->displayedFrame();
    }
}

void KSAnimate::stop()
{
    if (restoreOriginalFrame_ && origFrame_) {
        if (KSFrameDisplayOf s { target_ })
            s->setDisplayFrame(origFrame_.get());
    }
    KSActionInterval::stop();
}

void KSAnimate::update(float t)
{
    unsigned n = animation_->frameCount();
    // An empty animation has no frame to show.
    if (n == 0)
        return;
    float position = t * static_cast<float>(n);
    unsigned index = position > 0 ? static_cast<unsigned>(std::min(position, static_cast<float>(n))) : 0;
    if (index >= n)
        index = n - 1;
    KSFrameDisplayOf s { target_ };
    if (!s)
        return;
    KSSpriteFrame* frame = animation_->frameAtIndex(index);
    if (!s->isFrameDisplayed(frame))
        s->setDisplayFrame(frame);
}

Ref<KSFiniteTimeAction> KSAnimate::reverse() const
{
    auto reversed = animation_->reversedAnimation();
    return actionWithDuration(duration_, reversed.get(), restoreOriginalFrame_);
}

} // namespace kestrel
