// Grid actions: interval actions that give their target a grid when they start
// and move the grid's vertices at every step (KSGridAction, with the mesh and
// tiled bases KSGrid3DAction and KSTiledGrid3DAction); the instant actions
// that switch a grid off or let the next effect start from its current state
// (KSStopGrid, KSReuseGrid); and the wrappers that swell or fade an effect's
// strength over time (KSAccelDeccelAmplitude, KSAccelAmplitude, KSDeccelAmplitude).
//
// Caveat: a grid action leaves its grid on the node when it ends (the picture
// stays deformed as the last step left it); run KSStopGrid to draw the node
// directly again.
#pragma once

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSGrid.h"

namespace kestrel {

// A factory and copy for a grid action whose only parameters are size and duration.
#define KS_GRID_ACTION_BASICS(Name)                                                     \
    [[nodiscard]] static platform::Ref<Name> actionWithSize(ksGridSize gridSize, ksTime d)            \
    {                                                                                   \
        auto a = platform::adoptRef(new Name);                                          \
        return a->initWithSize(gridSize, d) ? a : nullptr;                              \
    }                                                                                   \
    platform::Ref<KSAction> copy() const override { return actionWithSize(gridSize_, duration_); }

class KSGridAction : public KSActionInterval {
public:
    KS_GRID_ACTION_BASICS(KSGridAction)
    [[nodiscard]] virtual bool initWithSize(ksGridSize gridSize, ksTime d);

    // Gives the target a new grid, or reuses its grid when that grid allows it;
    // raises "GridBase" "Cannot reuse grid" when reuse is asked of a grid that
    // is inactive, of another size or of another kind.
    void startWithTarget(platform::Object* target) override;
    // This action played backwards.
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    // A new window-size grid of the kind the action works on; raises "GridBase"
    // on the base class.
    virtual platform::Ref<KSGridBase> grid();

    ksGridSize gridSize() const { return gridSize_; }
    void setGridSize(ksGridSize gridSize) { gridSize_ = gridSize; }

    std::string className() const override { return "KSGridAction"; }

protected:
    KSGridAction() = default;
    // The target's grid (null before start or when no grid could be made).
    KSGridBase* targetGrid() const;

    ksGridSize gridSize_ {};
};

class KSGrid3DAction : public KSGridAction {
public:
    KS_GRID_ACTION_BASICS(KSGrid3DAction)
    platform::Ref<KSGridBase> grid() override;

    // The target grid's vertices (no bounds checks; nothing without a grid).
    ksVertex3F vertex(ksGridSize pos) const;
    ksVertex3F originalVertex(ksGridSize pos) const;
    void setVertex(ksGridSize pos, const ksVertex3F& vertex);

    std::string className() const override { return "KSGrid3DAction"; }

protected:
    KSGrid3DAction() = default;
    KSGrid3D* grid3D() const;
};

class KSTiledGrid3DAction : public KSGridAction {
public:
    KS_GRID_ACTION_BASICS(KSTiledGrid3DAction)
    platform::Ref<KSGridBase> grid() override;

    // The target grid's tiles (no bounds checks; nothing without a grid).
    ksQuad3 tile(ksGridSize pos) const;
    ksQuad3 originalTile(ksGridSize pos) const;
    void setTile(ksGridSize pos, const ksQuad3& coords);

    std::string className() const override { return "KSTiledGrid3DAction"; }

protected:
    KSTiledGrid3DAction() = default;
    KSTiledGrid3D* tiledGrid() const;
};

// Amplitude wrappers: each step sets the wrapped effect's amplitude rate, then
// steps the effect. The wrapped action must have an amplitude.
#define KS_AMPLITUDE_CLASS(Name)                                                                         \
    class Name : public KSActionInterval {                                                               \
    public:                                                                                              \
        [[nodiscard]] static platform::Ref<Name> actionWithAction(KSActionInterval* action, ksTime d);                 \
        [[nodiscard]] bool initWithAction(KSActionInterval* action, ksTime d);                                         \
        platform::Ref<KSAction> copy() const override;                                                   \
        void startWithTarget(platform::Object* target) override;                                         \
        void update(float t) override;                                                                   \
        platform::Ref<KSFiniteTimeAction> reverse() const override;                                      \
        int holds(const platform::Object* object) const override { return other_ ? other_->holds(object) : 0; } \
        float rate() const { return rate_; }                                                             \
        void setRate(float rate) { rate_ = rate; }                                                       \
        KSActionInterval* innerAction() const { return other_.get(); }                                   \
        std::string className() const override { return #Name; }                                         \
                                                                                                         \
    protected:                                                                                           \
        Name() = default;                                                                                \
        float rate_ { 1 };                                                                               \
        platform::Ref<KSActionInterval> other_;                                                          \
    };

// Rate (2t, falling back after half time)^rate: full strength at the middle.
KS_AMPLITUDE_CLASS(KSAccelDeccelAmplitude)
// Rate t^rate.
KS_AMPLITUDE_CLASS(KSAccelAmplitude)
// Rate (1 - t)^rate.
KS_AMPLITUDE_CLASS(KSDeccelAmplitude)

#undef KS_AMPLITUDE_CLASS

// Switches the target's active grid off (the grid stays on the node).
class KSStopGrid : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSStopGrid> action();
    platform::Ref<KSAction> copy() const override { return action(); }
    void startWithTarget(platform::Object* target) override;
    std::string className() const override { return "KSStopGrid"; }

protected:
    KSStopGrid() = default;
};

// Lets the next `times` grid actions on the target start from its grid's
// current mesh instead of a flat one.
class KSReuseGrid : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSReuseGrid> actionWithTimes(int times);
    [[nodiscard]] bool initWithTimes(int times);
    platform::Ref<KSAction> copy() const override { return actionWithTimes(t_); }
    void startWithTarget(platform::Object* target) override;
    std::string className() const override { return "KSReuseGrid"; }

protected:
    KSReuseGrid() = default;
    int t_ { 0 };
};

} // namespace kestrel
