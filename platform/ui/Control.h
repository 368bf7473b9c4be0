// A control: a view that turns touches into control events (touch down, drag
// enter and exit, up inside or outside, value changed, editing) and sends each
// event's actions to their targets.
//
// Targets are not retained: a target that has been destroyed is skipped. An
// action takes the sender or nothing. A disabled control is still hit but
// tracks no touches and sends nothing.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/View.h"

#include <string>
#include <vector>

namespace platform::ui {

class Control : public View {
public:
    using SenderAction = Selector<Object*>;
    using PlainAction = Selector<>;

    void addTarget(Object* target, SenderAction action, uint32_t events);
    void addTarget(Object* target, PlainAction action, uint32_t events);
    // A null target removes every target's actions for the events.
    void removeTarget(Object* target, uint32_t events = AllEvents);
    // Names of the actions of a target for one event, in registration order.
    std::vector<std::string> actionsForTarget(Object* target, uint32_t event) const;
    std::vector<Object*> allTargets() const;
    void sendActionsForControlEvents(uint32_t events);

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    unsigned state() const;
    bool isTracking() const { return tracking_; }
    bool isTouchInside() const { return touchInside_; }

    void touchesBegan(const Touch& t) override;
    void touchesMoved(const Touch& t) override;
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch& t) override;

protected:
    Control() = default;
    // Called after a tracked touch lifts inside (after the touch-up-inside actions).
    virtual void didTapInside(const Touch& /*t*/) { }

private:
    struct Entry {
        Weak<Object> target;
        Object* targetId { nullptr };
        SenderAction withSender;
        PlainAction plain;
        uint32_t events { 0 };
    };
    std::vector<Entry> actions_;
    bool enabled_ { true };
    bool selected_ { false };
    bool highlighted_ { false };
    bool tracking_ { false };
    bool touchInside_ { false };
};

} // namespace platform::ui
