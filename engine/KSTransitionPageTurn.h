// The page-turn transition: the out-scene curls away like a page, uncovering
// the in-scene; backwards, the in-scene uncurls down over the out-scene.
//
// Caveat: the curl is a grid effect on a 16 x 12 grid (12 x 16 when the window
// is not wider than high), so the curling scene is drawn through a texture of
// the window's size while it turns.
#pragma once

#include "engine/KSTransition.h"

namespace kestrel {

class KSTransitionPageTurn : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionPageTurn)
    [[nodiscard]] static platform::Ref<KSTransitionPageTurn> transitionWithDuration(ksTime t, KSScene* scene, bool backwards);
    [[nodiscard]] virtual bool initWithDuration(ksTime t, KSScene* scene, bool backwards);
    using KSTransitionScene::initWithDuration;

    void onEnter() override;
    // The curl for a grid: forwards flat to turned, backwards turned to flat.
    virtual platform::Ref<KSActionInterval> actionWithSize(ksGridSize vector);
    bool isBackwards() const { return back_; }

protected:
    KSTransitionPageTurn() = default;
    // Backwards, the in-scene is drawn on top.
    void sceneOrder() override;

    bool back_ { false };
};

} // namespace kestrel
