// What the touch dispatcher keeps per delegate: the delegate (retained), its
// priority and the phases it takes; a targeted handler also keeps whether it
// swallows the touches it claims, and the touches it has claimed.
//
// Phase bits: began 1, moved 2, ended 4, cancelled 8. Every phase is enabled
// at first (a phase a delegate does not handle has an empty body);
// setEnabledSelectors narrows it.
#pragma once

#include "engine/platform/KSTouchDelegateProtocol.h"
#include "platform/foundation/Object.h"

namespace kestrel {

enum ksTouchSelectorFlag : unsigned {
    ksTouchSelectorBeganBit = 1 << 0,
    ksTouchSelectorMovedBit = 1 << 1,
    ksTouchSelectorEndedBit = 1 << 2,
    ksTouchSelectorCancelledBit = 1 << 3,
    ksTouchSelectorAllBits = 15,
};

class KSTouchHandler : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTouchHandler> handlerWithDelegate(platform::Object* delegate, int priority);
    [[nodiscard]] virtual bool initWithDelegate(platform::Object* delegate, int priority);

    platform::Object* delegate() const { return delegate_.get(); }
    void setDelegate(platform::Object* delegate) { delegate_ = delegate; }
    int priority() const { return priority_; }
    void setPriority(int priority) { priority_ = priority; }
    unsigned enabledSelectors() const { return enabledSelectors_; }
    void setEnabledSelectors(unsigned mask) { enabledSelectors_ = mask; }

    std::string className() const override { return "KSTouchHandler"; }

protected:
    KSTouchHandler() = default;
    platform::Ref<platform::Object> delegate_;
    int priority_ { 0 };
    unsigned enabledSelectors_ { 0 };
};

class KSStandardTouchHandler : public KSTouchHandler {
public:
    // The delegate must implement KSStandardTouchDelegate.
    [[nodiscard]] static platform::Ref<KSStandardTouchHandler> handlerWithDelegate(platform::Object* delegate, int priority);
    [[nodiscard]] bool initWithDelegate(platform::Object* delegate, int priority) override;
    KSStandardTouchDelegate* standardDelegate() const { return dynamic_cast<KSStandardTouchDelegate*>(delegate_.get()); }
    std::string className() const override { return "KSStandardTouchHandler"; }

protected:
    KSStandardTouchHandler() = default;
};

class KSTargetedTouchHandler : public KSTouchHandler {
public:
    // The delegate must implement KSTargetedTouchDelegate.
    [[nodiscard]] static platform::Ref<KSTargetedTouchHandler> handlerWithDelegate(platform::Object* delegate, int priority,
                                                                     bool swallowsTouches);
    using KSTouchHandler::initWithDelegate;
    [[nodiscard]] bool initWithDelegate(platform::Object* delegate, int priority, bool swallowsTouches);
    KSTargetedTouchDelegate* targetedDelegate() const { return dynamic_cast<KSTargetedTouchDelegate*>(delegate_.get()); }

    bool swallowsTouches() const { return swallowsTouches_; }
    void setSwallowsTouches(bool swallows) { swallowsTouches_ = swallows; }
    TouchSet& claimedTouches() { return claimedTouches_; }
    const TouchSet& claimedTouches() const { return claimedTouches_; }
    std::string className() const override { return "KSTargetedTouchHandler"; }

protected:
    KSTargetedTouchHandler() = default;

private:
    bool swallowsTouches_ { false };
    TouchSet claimedTouches_;
};

} // namespace kestrel
