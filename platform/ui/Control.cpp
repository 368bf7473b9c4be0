// Control: target-action registration and touch tracking into control events.
#include "platform/ui/Control.h"

#include "platform/foundation/Log.h"

#include <algorithm>

namespace platform::ui {

void Control::addTarget(Object* target, SenderAction action, uint32_t events)
{
    if (!target || !action) {
        logWarning("Control: ignoring an action without target or method");
        return;
    }
    Entry e;
    e.target = target;
    e.targetId = target;
    e.withSender = action;
    e.events = events;
    actions_.push_back(std::move(e));
}

void Control::addTarget(Object* target, PlainAction action, uint32_t events)
{
    if (!target || !action) {
        logWarning("Control: ignoring an action without target or method");
        return;
    }
    Entry e;
    e.target = target;
    e.targetId = target;
    e.plain = action;
    e.events = events;
    actions_.push_back(std::move(e));
}

void Control::removeTarget(Object* target, uint32_t events)
{
    for (auto& e : actions_)
        if (!target || e.targetId == target)
            e.events &= ~events;
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(), [](const Entry& e) { return e.events == 0; }), actions_.end());
}

std::vector<std::string> Control::actionsForTarget(Object* target, uint32_t event) const
{
    std::vector<std::string> names;
    for (auto& e : actions_)
        if (e.targetId == target && (e.events & event))
            names.push_back(e.withSender ? e.withSender.name() : e.plain.name());
    return names;
}

std::vector<Object*> Control::allTargets() const
{
    std::vector<Object*> out;
    for (auto& e : actions_)
        if (std::find(out.begin(), out.end(), e.targetId) == out.end())
            out.push_back(e.targetId);
    return out;
}

void Control::sendActionsForControlEvents(uint32_t events)
{
    Ref<Control> keep = this;
    auto entries = actions_; // actions may add or remove targets
    for (auto& e : entries) {
        if (!(e.events & events))
            continue;
        Ref<Object> target = e.target.lock();
        if (!target)
            continue;
        if (e.withSender)
            e.withSender.invoke(target.get(), this);
        else
            e.plain.invoke(target.get());
    }
}

void Control::setEnabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled)
        highlighted_ = false;
    setNeedsDisplay();
}

void Control::setSelected(bool selected) { selected_ = selected; setNeedsDisplay(); }
void Control::setHighlighted(bool highlighted) { highlighted_ = highlighted; setNeedsDisplay(); }

unsigned Control::state() const
{
    unsigned s = StateNormal;
    if (highlighted_) s |= StateHighlighted;
    if (!enabled_) s |= StateDisabled;
    if (selected_) s |= StateSelected;
    return s;
}

void Control::touchesBegan(const Touch& t)
{
    if (!enabled_)
        return;
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    sendActionsForControlEvents(t.tapCount > 1 ? (TouchDown | TouchDownRepeat) : TouchDown);
}

void Control::touchesMoved(const Touch& t)
{
    if (!tracking_)
        return;
    bool inside = pointInside(t.locationInView(this));
    uint32_t events = inside ? TouchDragInside : TouchDragOutside;
    if (inside != touchInside_)
        events |= inside ? TouchDragEnter : TouchDragExit;
    touchInside_ = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(events);
}

void Control::touchesEnded(const Touch& t)
{
    if (!tracking_)
        return;
    Ref<Control> keep = this;
    bool inside = pointInside(t.locationInView(this));
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(inside ? TouchUpInside : TouchUpOutside);
    if (inside && enabled_)
        didTapInside(t);
}

void Control::touchesCancelled(const Touch& t)
{
    if (!tracking_)
        return;
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(TouchCancel);
}

} // namespace platform::ui
