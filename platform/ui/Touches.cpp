// Touch objects, sets, events and the injector that plays fingers on a view.
#include "platform/ui/Touches.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

Point ActiveTouch::previousLocationInView(const View* v) const
{
    return v ? v->convertPointFrom(previousWindowLocation_, nullptr) : previousWindowLocation_;
}

TouchSet::TouchSet(std::initializer_list<ActiveTouch*> touches)
{
    for (ActiveTouch* t : touches)
        add(t);
}

bool TouchSet::add(ActiveTouch* touch)
{
    if (!touch || contains(touch))
        return false;
    touches_.emplace_back(touch);
    return true;
}

bool TouchSet::remove(ActiveTouch* touch)
{
    auto it = std::find_if(touches_.begin(), touches_.end(), [&](const Ref<ActiveTouch>& t) { return t.get() == touch; });
    if (it == touches_.end())
        return false;
    touches_.erase(it);
    return true;
}

bool TouchSet::contains(const ActiveTouch* touch) const
{
    return std::any_of(touches_.begin(), touches_.end(), [&](const Ref<ActiveTouch>& t) { return t.get() == touch; });
}

std::vector<Ref<ActiveTouch>> TouchInjector::begin(View* view, std::initializer_list<Point> points, int tapCount)
{
    std::vector<Ref<ActiveTouch>> touches;
    if (!view)
        return touches;
    for (Point p : points) {
        auto t = adoptRef(new ActiveTouch);
        t->state_.phase = Touch::Phase::Began;
        t->state_.view = view;
        t->state_.window = view->window();
        t->state_.tapCount = tapCount;
        t->state_.windowLocation = view->convertPointTo(p, nullptr);
        t->previousWindowLocation_ = t->state_.windowLocation;
        touches.push_back(t);
    }
    deliver(touches, Touch::Phase::Began);
    return touches;
}

Ref<ActiveTouch> TouchInjector::begin(View* view, Point point, int tapCount)
{
    auto touches = begin(view, { point }, tapCount);
    return touches.empty() ? nullptr : touches.front();
}

void TouchInjector::move(const std::vector<Ref<ActiveTouch>>& touches, std::initializer_list<Point> points)
{
    auto p = points.begin();
    for (const auto& t : touches) {
        if (p == points.end())
            break;
        t->previousWindowLocation_ = t->state_.windowLocation;
        t->state_.windowLocation = t->state_.view ? t->state_.view->convertPointTo(*p, nullptr) : *p;
        ++p;
    }
    deliver(touches, Touch::Phase::Moved);
}

void TouchInjector::move(ActiveTouch* touch, Point point) { move({ Ref<ActiveTouch>(touch) }, { point }); }
void TouchInjector::end(const std::vector<Ref<ActiveTouch>>& touches) { deliver(touches, Touch::Phase::Ended); }
void TouchInjector::end(ActiveTouch* touch) { end(std::vector<Ref<ActiveTouch>> { Ref<ActiveTouch>(touch) }); }
void TouchInjector::cancel(const std::vector<Ref<ActiveTouch>>& touches) { deliver(touches, Touch::Phase::Cancelled); }
void TouchInjector::cancel(ActiveTouch* touch) { cancel(std::vector<Ref<ActiveTouch>> { Ref<ActiveTouch>(touch) }); }

void TouchInjector::tap(View* view, Point point)
{
    if (auto t = begin(view, point))
        end(t.get());
}

void TouchInjector::deliver(const std::vector<Ref<ActiveTouch>>& touches, Touch::Phase phase)
{
    if (touches.empty())
        return;
    double now = RunLoop::main().now();
    auto event = adoptRef(new Event);
    event->timestamp_ = now;
    TouchSet set;
    for (const auto& t : touches) {
        t->state_.phase = phase;
        t->state_.timestamp = now;
        set.add(t.get());
        event->all_.add(t.get());
    }
    // Every touch of one call shares the view of the first (one receiver per event).
    Ref<View> view = touches.front()->view();
    if (!view)
        return;
    switch (phase) {
    case Touch::Phase::Began: view->touchesBeganWithEvent(set, event.get()); break;
    case Touch::Phase::Moved: view->touchesMovedWithEvent(set, event.get()); break;
    case Touch::Phase::Ended: view->touchesEndedWithEvent(set, event.get()); break;
    case Touch::Phase::Cancelled: view->touchesCancelledWithEvent(set, event.get()); break;
    case Touch::Phase::Stationary: break;
    }
}

} // namespace platform::ui
