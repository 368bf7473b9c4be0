// Transitions that hide the switch behind colour: KSTransitionFade passes
// through a solid colour (black unless another is given), and
// KSTransitionCrossFade blends a picture of the out-scene away over a picture
// of the in-scene.
//
// Caveat: the cross-fade shows pictures taken when it starts; neither scene
// is drawn live while it runs.
#pragma once

#include "engine/KSTransition.h"

namespace kestrel {

// The tag of the colour layer the fade and cross-fade add to themselves.
inline constexpr int kSceneFade = static_cast<int>(0xFADEFADEu);

class KSTransitionFade : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionFade)
    [[nodiscard]] static platform::Ref<KSTransitionFade> transitionWithDuration(ksTime t, KSScene* scene, ksColor3B color);
    // Through black.
    [[nodiscard]] bool initWithDuration(ksTime t, KSScene* scene) override;
    [[nodiscard]] virtual bool initWithDuration(ksTime t, KSScene* scene, ksColor3B color);

    void onEnter() override;
    void onExit() override;
    // r, g, b of the colour passed through; alpha 0.
    ksColor4B color() const { return color_; }

protected:
    KSTransitionFade() = default;
    ksColor4B color_ {};
};

class KSTransitionCrossFade : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionCrossFade)
    // Nothing: both scenes are shown through their pictures.
    void draw() override { }
    void onEnter() override;
    void onExit() override;

protected:
    KSTransitionCrossFade() = default;
};

} // namespace kestrel
