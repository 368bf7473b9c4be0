// View animation blocks: begin/commit pairs that record a name, a duration and
// a did-stop selector. Final values apply at once; the selector runs when the
// delay and duration have passed on the main run loop.
#include "platform/ui/View.h"
#include "platform/ui/Layer.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <array>
#include <list>

namespace platform::ui {

namespace {

// A property a block changed, with its value before the change.
struct Change {
    Ref<View> view;
    View::AnimatedProperty property;
    std::array<float, 6> from;
};

struct Block {
    std::string name;
    void* context { nullptr };
    double duration { 0.2 };
    double delay { 0 };
    View::AnimationCurve curve { View::AnimationCurve::EaseInOut };
    bool fromCurrentState { false };
    Ref<Object> delegate;
    View::WillStartSelector willStart;
    View::DidStopSelector didStop;
    std::vector<Change> changes;
};

struct Running {
    uint64_t id;
    View::RunningAnimation info;
    Ref<Timer> timer; // invalid once fired or dropped with the loop's timers
};

std::vector<Block>& openBlocks()
{
    static std::vector<Block> blocks;
    return blocks;
}

std::list<Running>& running()
{
    static std::list<Running> list;
    return list;
}

bool animationsEnabled = true;
uint64_t nextId = 1;

Block* top()
{
    auto& blocks = openBlocks();
    return blocks.empty() ? nullptr : &blocks.back();
}

float eased(View::AnimationCurve curve, float t)
{
    switch (curve) {
    case View::AnimationCurve::Linear: return t;
    case View::AnimationCurve::EaseIn: return t * t;
    case View::AnimationCurve::EaseOut: return 1 - (1 - t) * (1 - t);
    case View::AnimationCurve::EaseInOut: return t < 0.5f ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
    }
    return t;
}

bool ended(const View::ValueAnimation& a, double now)
{
    return now >= a.begin + a.duration;
}

} // namespace

struct ViewAnimationAccess {
    // Turns a block's recorded changes into running animations on their views.
    static void start(const Block& b, double begin)
    {
        double now = RunLoop::main().now();
        for (const Change& c : b.changes) {
            auto& list = c.view->valueAnimations_;
            list.erase(std::remove_if(list.begin(), list.end(), [&](const View::ValueAnimation& a) {
                           return a.property == c.property || ended(a, now);
                       }),
                       list.end());
            std::array<float, 6> to = c.view->modelValue(c.property);
            if (b.duration > 0 && to != c.from)
                list.push_back({ c.property, c.from, to, begin, b.duration, b.curve });
        }
    }
};

void View::willChange(AnimatedProperty property, const std::array<float, 6>& newValue)
{
    if (Block* b = top(); b && animationsEnabled) {
        for (const Change& c : b->changes)
            if (c.view.get() == this && c.property == property)
                return;
        b->changes.push_back({ this, property, b->fromCurrentState ? presentationValue(property) : modelValue(property) });
        return;
    }
    if (valueAnimations_.empty())
        return;
    // A change outside a block that does not go where the animation goes stops it.
    valueAnimations_.erase(std::remove_if(valueAnimations_.begin(), valueAnimations_.end(),
                                          [&](const ValueAnimation& a) { return a.property == property && a.to != newValue; }),
                           valueAnimations_.end());
}

std::array<float, 6> View::modelValue(AnimatedProperty property) const
{
    switch (property) {
    case AnimatedProperty::Center: return { center_.x, center_.y };
    case AnimatedProperty::Transform: return { transform_.a, transform_.b, transform_.c, transform_.d, transform_.tx, transform_.ty };
    case AnimatedProperty::Alpha: return { alpha_ };
    }
    return {};
}

std::array<float, 6> View::presentationValue(AnimatedProperty property) const
{
    double now = RunLoop::main().now();
    for (const ValueAnimation& a : valueAnimations_) {
        if (a.property != property || ended(a, now))
            continue;
        float t = eased(a.curve, float(std::clamp((now - a.begin) / a.duration, 0.0, 1.0)));
        std::array<float, 6> v {};
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = a.from[i] + (a.to[i] - a.from[i]) * t;
        return v;
    }
    return modelValue(property);
}

Point View::presentationCenter() const
{
    auto v = presentationValue(AnimatedProperty::Center);
    Point c(v[0], v[1]);
    if (layer_) {
        Point moved = layer_->presentation().offset;
        c = Point(c.x + moved.x, c.y + moved.y);
    }
    return c;
}

AffineTransform View::presentationTransform() const
{
    auto v = presentationValue(AnimatedProperty::Transform);
    return AffineTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
}

float View::presentationAlpha() const
{
    float alpha = presentationValue(AnimatedProperty::Alpha)[0];
    return layer_ ? alpha * layer_->presentation().alpha : alpha;
}

bool View::isPresentationHidden() const
{
    return isHidden() && !(layer_ && layer_->presentation().drawsHidden);
}

bool View::hasRunningValueAnimations() const
{
    double now = RunLoop::main().now();
    return std::any_of(valueAnimations_.begin(), valueAnimations_.end(), [&](const ValueAnimation& a) { return !ended(a, now); });
}

void View::beginAnimations(const std::string& name, void* context)
{
    Block b;
    b.name = name;
    b.context = context;
    openBlocks().push_back(std::move(b));
}

void View::commitAnimations()
{
    auto& blocks = openBlocks();
    if (blocks.empty()) {
        logWarning("View: commitAnimations without beginAnimations");
        return;
    }
    Block b = std::move(blocks.back());
    blocks.pop_back();

    RunLoop& loop = RunLoop::main();
    uint64_t id = nextId++;
    double total = b.delay + b.duration;
    ViewAnimationAccess::start(b, loop.now() + b.delay);
    b.changes.clear(); // the views keep their animations; the block does not keep the views
    running().push_back({ id, { b.name, b.duration, loop.now() + total }, nullptr });
    auto entry = std::prev(running().end());

    if (b.willStart && b.delegate)
        b.willStart.invoke(b.delegate.get(), b.name, b.context);
    entry->timer = loop.performAfter(total, [b = std::move(b), id] {
        auto& list = running();
        list.remove_if([id](const Running& r) { return r.id == id; });
        if (b.didStop && b.delegate)
            b.didStop.invoke(b.delegate.get(), b.name, true, b.context);
    });
}

void View::setAnimationDuration(double seconds) { if (auto* b = top()) b->duration = std::max(0.0, seconds); }
void View::setAnimationDelay(double seconds) { if (auto* b = top()) b->delay = std::max(0.0, seconds); }
void View::setAnimationCurve(AnimationCurve c) { if (auto* b = top()) b->curve = c; }
void View::setAnimationBeginsFromCurrentState(bool f) { if (auto* b = top()) b->fromCurrentState = f; }
void View::setAnimationDelegate(Object* delegate) { if (auto* b = top()) b->delegate = delegate; }
void View::setAnimationWillStartSelector(WillStartSelector s) { if (auto* b = top()) b->willStart = s; }
void View::setAnimationDidStopSelector(DidStopSelector s) { if (auto* b = top()) b->didStop = s; }
void View::setAnimationsEnabled(bool enabled) { animationsEnabled = enabled; }
bool View::areAnimationsEnabled() { return animationsEnabled; }
bool View::isAnimating() { return !openBlocks().empty(); }

std::vector<View::RunningAnimation> View::runningAnimations()
{
    std::vector<RunningAnimation> out;
    running().remove_if([](const Running& r) { return !r.timer || !r.timer->isValid(); });
    for (auto& r : running())
        out.push_back(r.info);
    return out;
}

} // namespace platform::ui
