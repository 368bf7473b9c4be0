// Multi-touch input as a drawing surface receives it: a touch object per
// finger (the same object through all the finger's phases, so receivers can
// keep sets of the touches they follow), ordered touch sets, the event that
// carries them, and the injection API tests and programs use to play fingers
// on a view in the view's own coordinates.
//
// Views receive a whole set per phase through the Responder's *WithEvent
// methods; by default those forward each touch to the single-touch handlers.
// Caveat: injected touches go straight to the given view (no hit testing);
// TestDriver is the tool for taps that must go through hit testing.
#pragma once

#include "platform/ui/Responder.h"

#include <initializer_list>
#include <vector>

namespace platform::ui {

class ActiveTouch : public Object {
public:
    Touch::Phase phase() const { return state_.phase; }
    int tapCount() const { return state_.tapCount; }
    double timestamp() const { return state_.timestamp; }
    View* view() const { return state_.view; }
    Window* window() const { return state_.window; }
    // In a view's own coordinates (window coordinates for null).
    Point locationInView(const View* v) const { return state_.locationInView(v); }
    Point previousLocationInView(const View* v) const;
    // A copy of the current state, as the single-touch handlers take it.
    const Touch& snapshot() const { return state_; }

    std::string className() const override { return "ActiveTouch"; }

private:
    friend class TouchInjector;
    ActiveTouch() = default;
    Touch state_;
    Point previousWindowLocation_;
};

// Touches in insertion order, each at most once (identity by object).
class TouchSet {
public:
    TouchSet() = default;
    TouchSet(std::initializer_list<ActiveTouch*> touches);

    bool add(ActiveTouch* touch);       // false when already there
    bool remove(ActiveTouch* touch);    // false when absent
    bool contains(const ActiveTouch* touch) const;
    size_t count() const { return touches_.size(); }
    bool empty() const { return touches_.empty(); }
    void clear() { touches_.clear(); }
    ActiveTouch* anyObject() const { return touches_.empty() ? nullptr : touches_.front().get(); }
    auto begin() const { return touches_.begin(); }
    auto end() const { return touches_.end(); }

private:
    std::vector<Ref<ActiveTouch>> touches_;
};

class Event : public Object {
public:
    double timestamp() const { return timestamp_; }
    // Every finger on the screen at the time of the event, ended ones included.
    const TouchSet& allTouches() const { return all_; }
    std::string className() const override { return "Event"; }

private:
    friend class TouchInjector;
    Event() = default;
    double timestamp_ { 0 };
    TouchSet all_;
};

// Plays fingers on a view. Each call delivers one event to the view with the
// touches it names, stamped with the main run loop's clock.
class TouchInjector {
public:
    // New fingers down at points of the view's coordinates; one event.
    static std::vector<Ref<ActiveTouch>> begin(View* view, std::initializer_list<Point> points, int tapCount = 1);
    static Ref<ActiveTouch> begin(View* view, Point point, int tapCount = 1);
    // Moves fingers (to points of their view's coordinates, in order); one event.
    static void move(const std::vector<Ref<ActiveTouch>>& touches, std::initializer_list<Point> points);
    static void move(ActiveTouch* touch, Point point);
    static void end(const std::vector<Ref<ActiveTouch>>& touches);
    static void end(ActiveTouch* touch);
    static void cancel(const std::vector<Ref<ActiveTouch>>& touches);
    static void cancel(ActiveTouch* touch);
    // A tap: began then ended at one point, two events.
    static void tap(View* view, Point point);

private:
    static void deliver(const std::vector<Ref<ActiveTouch>>& touches, Touch::Phase phase);
};

} // namespace platform::ui
