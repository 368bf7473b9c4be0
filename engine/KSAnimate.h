// The frame-animation action: shows the frames of an animation on a sprite one
// after another, and optionally puts back the sprite's former frame when it stops.
//
// It talks to animations and sprites through two small roles: KSAnimationFrames
// (what an animation offers: its frames and delay; KSAnimation adopts it) and
// KSFrameDisplay (what a sprite offers: the frame it shows; KSSprite adopts it).
// An animation without frames shows nothing and changes nothing.
#pragma once

#include "engine/KSActionInterval.h"
#include "engine/KSSpriteFrame.h"

namespace kestrel {

// The animation side: an ordered list of frames and the delay between them.
class KSAnimationFrames : public platform::Object {
public:
    virtual float delay() const = 0;
    virtual unsigned frameCount() const = 0;
    virtual KSSpriteFrame* frameAtIndex(unsigned index) const = 0;
    // A new animation of copies of the frames in reverse order, same delay.
    virtual platform::Ref<KSAnimationFrames> reversedAnimation() const = 0;
};

// The sprite side.
class KSFrameDisplay {
public:
    virtual ~KSFrameDisplay() = default;
    virtual platform::Ref<KSSpriteFrame> displayedFrame() const = 0;
    virtual bool isFrameDisplayed(KSSpriteFrame* frame) const = 0;
    virtual void setDisplayFrame(KSSpriteFrame* frame) = 0;
};

class KSAnimate : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSAnimate> actionWithAnimation(KSAnimationFrames* animation, bool restoreOriginalFrame = true);
    [[nodiscard]] static platform::Ref<KSAnimate> actionWithDuration(ksTime d, KSAnimationFrames* animation, bool restoreOriginalFrame);
    // Duration = frame count x delay.
    [[nodiscard]] bool initWithAnimation(KSAnimationFrames* animation, bool restoreOriginalFrame = true);
    [[nodiscard]] bool initWithDuration(ksTime d, KSAnimationFrames* animation, bool restoreOriginalFrame);

    // Shares the animation object.
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

    KSAnimationFrames* animation() const { return animation_.get(); }
    void setAnimation(KSAnimationFrames* animation) { animation_ = animation; }

protected:
    KSAnimate() = default;

    platform::Ref<KSAnimationFrames> animation_;
    platform::Ref<KSSpriteFrame> origFrame_;
    bool restoreOriginalFrame_ { false };
};

} // namespace kestrel
