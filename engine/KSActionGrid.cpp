// Grid action bases, the stop and reuse instants, and the amplitude wrappers.
#include "engine/KSActionGrid.h"

#include "engine/KSNode.h"
#include "platform/foundation/Exception.h"

#include <cmath>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

// KSGridAction ----------------------------------------------------------------------------

bool KSGridAction::initWithSize(ksGridSize gridSize, ksTime d)
{
    if (!initWithDuration(d))
        return false;
    gridSize_ = gridSize;
    return true;
}

void KSGridAction::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    Ref<KSGridBase> newGrid = grid();
    KSNode* t = node();
    KSGridBase* current = t->grid();
    if (current && current->reuseGrid() > 0) {
        const bool sameKind = newGrid
                              && ((dynamic_cast<KSTiledGrid3D*>(newGrid.get()) && dynamic_cast<KSTiledGrid3D*>(current))
                                  || (dynamic_cast<KSGrid3D*>(newGrid.get()) && dynamic_cast<KSGrid3D*>(current)));
        if (current->active() && current->gridSize() == gridSize_ && sameKind)
            current->reuse();
        else
            throw platform::Exception("GridBase", "Cannot reuse grid");
        return;
    }
    if (current && current->active())
        current->setActive(false);
    t->setGrid(newGrid.get());
    if (newGrid)
        newGrid->setActive(true);
}

Ref<KSFiniteTimeAction> KSGridAction::reverse() const
{
    return KSReverseTime::actionWithAction(const_cast<KSGridAction*>(this));
}

Ref<KSGridBase> KSGridAction::grid()
{
    throw platform::Exception("GridBase", "Abstract class needs implementation");
}

KSGridBase* KSGridAction::targetGrid() const
{
    KSNode* t = targetNode();
    KSGridBase* g = t ? t->grid() : nullptr;
    // Another action started since has put a grid of its own size on the node
    // (a tile transition replaced by another while it runs): this action's
    // cells are not that grid's, and it leaves it alone.
    return g && g->gridSize() == gridSize_ ? g : nullptr;
}

// KSGrid3DAction -----------------------------------------------------------------------------

Ref<KSGridBase> KSGrid3DAction::grid() { return KSGrid3D::gridWithSize(gridSize_); }

KSGrid3D* KSGrid3DAction::grid3D() const { return dynamic_cast<KSGrid3D*>(targetGrid()); }

ksVertex3F KSGrid3DAction::vertex(ksGridSize pos) const
{
    KSGrid3D* g = grid3D();
    return g ? g->vertex(pos) : ksVertex3F {};
}

ksVertex3F KSGrid3DAction::originalVertex(ksGridSize pos) const
{
    KSGrid3D* g = grid3D();
    return g ? g->originalVertex(pos) : ksVertex3F {};
}

void KSGrid3DAction::setVertex(ksGridSize pos, const ksVertex3F& vertex)
{
    if (KSGrid3D* g = grid3D())
        g->setVertex(pos, vertex);
}

// KSTiledGrid3DAction ------------------------------------------------------------------------

Ref<KSGridBase> KSTiledGrid3DAction::grid() { return KSTiledGrid3D::gridWithSize(gridSize_); }

KSTiledGrid3D* KSTiledGrid3DAction::tiledGrid() const { return dynamic_cast<KSTiledGrid3D*>(targetGrid()); }

ksQuad3 KSTiledGrid3DAction::tile(ksGridSize pos) const
{
    KSTiledGrid3D* g = tiledGrid();
    return g ? g->tile(pos) : ksQuad3 {};
}

ksQuad3 KSTiledGrid3DAction::originalTile(ksGridSize pos) const
{
    KSTiledGrid3D* g = tiledGrid();
    return g ? g->originalTile(pos) : ksQuad3 {};
}

void KSTiledGrid3DAction::setTile(ksGridSize pos, const ksQuad3& coords)
{
    if (KSTiledGrid3D* g = tiledGrid())
        g->setTile(pos, coords);
}

// Amplitude wrappers -----------------------------------------------------------------------

namespace {

float accelDeccelRate(float t, float rate)
{
    float f = t * 2;
    if (f > 1)
        f = 1 - (f - 1);
    return std::pow(f, rate);
}

float accelRate(float t, float rate) { return std::pow(t, rate); }

float deccelRate(float t, float rate) { return std::pow(1 - t, rate); }

} // namespace

#define KS_AMPLITUDE_IMPL(Name, rateOf)                                                      \
    Ref<Name> Name::actionWithAction(KSActionInterval* action, ksTime d)                     \
    {                                                                                        \
        auto a = adoptRef(new Name);                                                         \
        return a->initWithAction(action, d) ? a : nullptr;                                   \
    }                                                                                        \
    bool Name::initWithAction(KSActionInterval* action, ksTime d)                            \
    {                                                                                        \
        BRISKO_ASSERT(action, "Argument action must be non-nil");                            \
        if (!initWithDuration(d))                                                            \
            return false;                                                                    \
        rate_ = 1.0f;                                                                        \
        other_ = action;                                                                     \
        return true;                                                                         \
    }                                                                                        \
    Ref<KSAction> Name::copy() const                                                         \
    {                                                                                        \
        auto inner = platform::dynamicRef<KSActionInterval>(other_->copy());                 \
        auto a = actionWithAction(inner.get(), duration_);                                   \
        a->setRate(rate_);                                                                   \
        return a;                                                                            \
    }                                                                                        \
    void Name::startWithTarget(platform::Object* target)                                     \
    {                                                                                        \
        KSActionInterval::startWithTarget(target);                                           \
        other_->startWithTarget(target);                                                     \
    }                                                                                        \
    void Name::update(float t)                                                               \
    {                                                                                        \
        other_->setAmplitudeRate(rateOf(t, rate_));                                          \
        other_->update(t);                                                                   \
    }                                                                                        \
    Ref<KSFiniteTimeAction> Name::reverse() const                                            \
    {                                                                                        \
        auto inner = platform::dynamicRef<KSActionInterval>(other_->reverse());              \
        return actionWithAction(inner.get(), duration_);                                     \
    }

KS_AMPLITUDE_IMPL(KSAccelDeccelAmplitude, accelDeccelRate)
KS_AMPLITUDE_IMPL(KSAccelAmplitude, accelRate)
KS_AMPLITUDE_IMPL(KSDeccelAmplitude, deccelRate)

#undef KS_AMPLITUDE_IMPL

// Stop and reuse ------------------------------------------------------------------------------

Ref<KSStopGrid> KSStopGrid::action()
{
    auto a = adoptRef(new KSStopGrid);
    return a->init() ? a : nullptr;
}

void KSStopGrid::startWithTarget(platform::Object* target)
{
    KSActionInstant::startWithTarget(target);
    KSGridBase* grid = node()->grid();
    if (grid && grid->active())
        grid->setActive(false);
}

Ref<KSReuseGrid> KSReuseGrid::actionWithTimes(int times)
{
    auto a = adoptRef(new KSReuseGrid);
    return a->initWithTimes(times) ? a : nullptr;
}

bool KSReuseGrid::initWithTimes(int times)
{
    if (!init())
        return false;
    t_ = times;
    return true;
}

void KSReuseGrid::startWithTarget(platform::Object* target)
{
    KSActionInstant::startWithTarget(target);
    KSGridBase* grid = node()->grid();
    if (grid && grid->active())
        grid->setReuseGrid(grid->reuseGrid() + t_);
}

} // namespace kestrel
