// Animates a numeric property of its target by name, from one value to another,
// through the node's setFloatProperty (an unknown key fails the assertion there;
// a target that is not a node fails its assertion when the tween starts).
#pragma once

#include "engine/KSActionInterval.h"

#include <string>

namespace kestrel {

class KSActionTween : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSActionTween> actionWithDuration(ksTime d, const std::string& key, float from, float to);
    [[nodiscard]] bool initWithDuration(ksTime d, const std::string& key, float from, float to);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    // Same duration and key, from the end value back to the start value.
    platform::Ref<KSFiniteTimeAction> reverse() const override;

    const std::string& key() const { return key_; }

protected:
    KSActionTween() = default;
    std::string key_;
    float from_ { 0 }, to_ { 0 }, delta_ { 0 };
};

} // namespace kestrel
