// Transitions that break the out-scene into tiles or strips: the tiles turn
// off at random (KSTransitionTurnOffTiles) or shrink away from a corner or an
// edge (KSTransitionFadeTR, FadeBL, FadeUp, FadeDown), or the picture splits
// into columns or rows that slide apart and close again over the in-scene
// (KSTransitionSplitCols, KSTransitionSplitRows).
//
// Caveat: the tile transitions use a grid of trunc(12 x width / height) x 12
// tiles; the split transitions run their grid effect on the transition itself.
#pragma once

#include "engine/KSTransition.h"

namespace kestrel {

class KSTransitionTurnOffTiles : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionTurnOffTiles)
    void onEnter() override;
    // Answers its argument: the tiles turn off at an even pace.
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionTurnOffTiles() = default;
    void sceneOrder() override;
};

class KSTransitionSplitCols : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionSplitCols)
    void onEnter() override;
    // The split for half the duration (three columns).
    virtual platform::Ref<KSActionInterval> action();
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionSplitCols() = default;
};

class KSTransitionSplitRows : public KSTransitionSplitCols {
public:
    KS_TRANSITION_FACTORY(KSTransitionSplitRows)
    // Three rows.
    platform::Ref<KSActionInterval> action() override;

protected:
    KSTransitionSplitRows() = default;
};

// Tiles shrink away towards the top right.
class KSTransitionFadeTR : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionFadeTR)
    void onEnter() override;
    virtual platform::Ref<KSActionInterval> actionWithSize(ksGridSize size);
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionFadeTR() = default;
    void sceneOrder() override;
};

// Towards the bottom left.
class KSTransitionFadeBL : public KSTransitionFadeTR {
public:
    KS_TRANSITION_FACTORY(KSTransitionFadeBL)
    platform::Ref<KSActionInterval> actionWithSize(ksGridSize size) override;

protected:
    KSTransitionFadeBL() = default;
};

// Rows towards the top.
class KSTransitionFadeUp : public KSTransitionFadeTR {
public:
    KS_TRANSITION_FACTORY(KSTransitionFadeUp)
    platform::Ref<KSActionInterval> actionWithSize(ksGridSize size) override;

protected:
    KSTransitionFadeUp() = default;
};

// Rows towards the bottom.
class KSTransitionFadeDown : public KSTransitionFadeTR {
public:
    KS_TRANSITION_FACTORY(KSTransitionFadeDown)
    platform::Ref<KSActionInterval> actionWithSize(ksGridSize size) override;

protected:
    KSTransitionFadeDown() = default;
};

} // namespace kestrel
