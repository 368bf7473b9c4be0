// The radial transitions: the out-scene is photographed into a render texture
// and wiped away by a radial progress timer, counter-clockwise
// (KSTransitionRadialCCW) or clockwise (KSTransitionRadialCW), uncovering the
// in-scene beneath.
//
// Caveat: the out-scene's picture is taken once, when the transition starts;
// its later animation is not shown.
#pragma once

#include "engine/KSTransition.h"

namespace kestrel {

// The tag of the wiping progress timer among the transition's children.
inline constexpr int kSceneRadial = 0xC001;

class KSTransitionRadialCCW : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionRadialCCW)
    void onEnter() override;
    void onExit() override;
    // The progress timer type of the wipe.
    virtual int radialType() const;

protected:
    KSTransitionRadialCCW() = default;
    void sceneOrder() override;
};

class KSTransitionRadialCW : public KSTransitionRadialCCW {
public:
    KS_TRANSITION_FACTORY(KSTransitionRadialCW)
    int radialType() const override;

protected:
    KSTransitionRadialCW() = default;
};

} // namespace kestrel
