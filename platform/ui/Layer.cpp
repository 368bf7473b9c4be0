// Layer: per-view animation bookkeeping on the main run loop's timers.
#include "platform/ui/Layer.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::ui {

const char* transitionTypeName(TransitionType t)
{
    switch (t) {
    case TransitionType::Fade: return "fade";
    case TransitionType::MoveIn: return "moveIn";
    case TransitionType::Push: return "push";
    case TransitionType::Reveal: return "reveal";
    }
    return "?";
}

const char* transitionSubtypeName(TransitionSubtype s)
{
    switch (s) {
    case TransitionSubtype::None: return "";
    case TransitionSubtype::FromLeft: return "fromLeft";
    case TransitionSubtype::FromRight: return "fromRight";
    case TransitionSubtype::FromTop: return "fromTop";
    case TransitionSubtype::FromBottom: return "fromBottom";
    }
    return "?";
}

Ref<Transition> Transition::transition() { return adoptRef(new Transition); }

std::string Transition::summary() const
{
    return format("transition %s %s %gs", transitionTypeName(type_), transitionSubtypeName(subtype_), duration());
}

Ref<BasicAnimation> BasicAnimation::withKeyPath(const std::string& keyPath)
{
    auto a = adoptRef(new BasicAnimation);
    a->keyPath_ = keyPath;
    return a;
}

std::string BasicAnimation::summary() const
{
    return format("animation %s %gs", keyPath_.c_str(), duration());
}

Layer::~Layer()
{
    for (auto& e : entries_)
        if (e.timer)
            e.timer->invalidate();
}

Point Layer::position() const { return view_ ? view_->center() : Point {}; }
void Layer::setPosition(Point p) { if (view_) view_->setCenter(p); }
float Layer::opacity() const { return view_ ? view_->alpha() : 0; }
void Layer::setOpacity(float o) { if (view_) view_->setAlpha(o); }
Rect Layer::bounds() const { return view_ ? view_->bounds() : Rect {}; }

void Layer::tellStopped(const Ref<LayerAnimation>& animation, bool finished)
{
    Ref<Object> delegate = animation->delegate_;
    animation->delegate_ = nullptr; // told once; the retain ends here
    if (auto* d = dynamic_cast<AnimationDelegate*>(delegate.get()))
        d->animationDidStop(animation.get(), finished);
}

void Layer::addAnimation(LayerAnimation* animation, const std::string& keyIn)
{
    if (!animation)
        return;
    std::string key = keyIn.empty() ? format("animation-%u", nextKey_++) : keyIn;
    removeAnimationForKey(key);

    Entry e;
    e.key = key;
    e.animation = animation;
    e.begin = RunLoop::main().now() + animation->beginOffset();
    // The layer's entry holds the timer, so the timer only observes the layer.
    Weak<Layer> layer(this);
    Ref<LayerAnimation> anim(animation);
    // Should the loop drop the timer (torn down), the animation can never end:
    // it lets its delegate go then, or a delegate owning this layer would keep
    // both alive.
    struct Abandoned {
        Weak<Layer> layer;
        Ref<LayerAnimation> anim;
        ~Abandoned()
        {
            if (auto self = layer.lock())
                self->releaseDelegateOfAbandoned(anim.get());
        }
    };
    std::shared_ptr<Abandoned> watch(new Abandoned { layer, anim });
    e.timer = RunLoop::main().performAfter(animation->beginOffset() + animation->duration(), [watch] {
        if (auto self = watch->layer.lock())
            self->finish(watch->anim.get());
    });
    entries_.push_back(std::move(e));
    if (auto* d = dynamic_cast<AnimationDelegate*>(animation->delegate()))
        d->animationDidStart(animation);
}

void Layer::releaseDelegateOfAbandoned(LayerAnimation* animation)
{
    // Still listed and running, with no timer left to end it. The delegate
    // goes after the walk: when it owns the view, its end removes every entry.
    bool abandoned = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.animation.get() == animation && !e.ended && e.timer && !e.timer->isValid();
    });
    Ref<Object> released;
    if (abandoned)
        released = std::move(animation->delegate_);
}

void Layer::finish(LayerAnimation* animation)
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.animation.get() == animation && !e.ended; });
    if (it == entries_.end())
        return;
    Ref<LayerAnimation> anim = it->animation;
    it->timer = nullptr;
    if (anim->isRemovedOnCompletion())
        entries_.erase(it);
    else
        it->ended = true;
    tellStopped(anim, true);
}

namespace {

float eased(TimingFunction f, float t)
{
    switch (f) {
    case TimingFunction::EaseIn: return t * t;
    case TimingFunction::EaseOut: return 1 - (1 - t) * (1 - t);
    case TimingFunction::EaseInEaseOut: return t * t * (3 - 2 * t);
    case TimingFunction::Default:
    case TimingFunction::Linear: break;
    }
    return t;
}

// The way a transition's content moves: a subtype names the side it comes from.
Point direction(TransitionSubtype s)
{
    switch (s) {
    case TransitionSubtype::FromLeft: return Point(1, 0);
    case TransitionSubtype::FromRight: return Point(-1, 0);
    case TransitionSubtype::FromTop: return Point(0, 1);
    case TransitionSubtype::FromBottom: return Point(0, -1);
    case TransitionSubtype::None: break;
    }
    return Point(-1, 0); // from the right, as a push does by default
}

} // namespace

Layer::Presentation Layer::presentation() const
{
    Presentation shown;
    if (!view_)
        return shown;
    double now = RunLoop::main().now();
    bool hidden = view_->isHidden();
    Size size = view_->bounds().size;
    for (const Entry& e : entries_) {
        auto* t = dynamic_cast<const Transition*>(e.animation.get());
        if (!t || e.ended || now >= e.begin + t->duration())
            continue;
        // Before it starts moving (its delay) a transition shows its start.
        float p = t->duration() > 0 ? eased(t->timingFunction(), float(std::clamp((now - e.begin) / t->duration(), 0.0, 1.0))) : 1;
        Point d = direction(t->subtype());
        switch (t->type()) {
        case TransitionType::Fade:
            shown.alpha *= hidden ? 1 - p : p;
            shown.drawsHidden = hidden;
            break;
        case TransitionType::MoveIn:
            if (!hidden)
                shown.offset = Point(shown.offset.x - d.x * (1 - p) * size.width, shown.offset.y - d.y * (1 - p) * size.height);
            break;
        case TransitionType::Push:
        case TransitionType::Reveal:
            if (hidden) {
                shown.offset = Point(shown.offset.x + d.x * p * size.width, shown.offset.y + d.y * p * size.height);
                shown.drawsHidden = true;
            } else if (t->type() == TransitionType::Push) {
                shown.offset = Point(shown.offset.x - d.x * (1 - p) * size.width, shown.offset.y - d.y * (1 - p) * size.height);
            }
            break;
        }
    }
    return shown;
}

LayerAnimation* Layer::animationForKey(const std::string& key) const
{
    for (auto& e : entries_)
        if (e.key == key)
            return e.animation.get();
    return nullptr;
}

void Layer::removeAnimationForKey(const std::string& key)
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
    if (it == entries_.end())
        return;
    Entry e = std::move(*it);
    entries_.erase(it);
    if (e.timer)
        e.timer->invalidate();
    if (!e.ended)
        tellStopped(e.animation, false);
}

void Layer::removeAllAnimations()
{
    while (!entries_.empty())
        removeAnimationForKey(entries_.front().key);
}

std::vector<std::string> Layer::animationKeys() const
{
    std::vector<std::string> keys;
    for (auto& e : entries_)
        keys.push_back(e.key);
    return keys;
}

size_t Layer::runningAnimationCount() const
{
    return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.ended; }));
}

} // namespace platform::ui
