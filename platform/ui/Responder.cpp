// Responder: first-responder bookkeeping and touch forwarding along the chain.
#include "platform/ui/Responder.h"

#include "platform/ui/Touches.h"
#include "platform/ui/View.h"

namespace platform::ui {

Point Touch::locationInView(const View* v) const
{
    if (!v)
        return windowLocation;
    return v->convertPointFrom(windowLocation, nullptr);
}

Responder::~Responder()
{
    dropFocus();
}

bool Responder::takeFocus()
{
    if (current_ == this)
        return true;
    if (current_ && !current_->resignFirstResponder())
        return false;
    // The previous responder's resignation may have handed the focus elsewhere.
    if (current_ && current_ != this && !current_->resignFirstResponder())
        return false;
    current_ = this;
    return true;
}

bool Responder::becomeFirstResponder()
{
    if (!canBecomeFirstResponder())
        return false;
    return takeFocus();
}

bool Responder::resignFirstResponder()
{
    if (current_ != this)
        return true;
    if (!canResignFirstResponder())
        return false;
    current_ = nullptr;
    return true;
}

void Responder::touchesBegan(const Touch& t) { if (auto* n = nextResponder()) n->touchesBegan(t); }
void Responder::touchesMoved(const Touch& t) { if (auto* n = nextResponder()) n->touchesMoved(t); }
void Responder::touchesEnded(const Touch& t) { if (auto* n = nextResponder()) n->touchesEnded(t); }
void Responder::touchesCancelled(const Touch& t) { if (auto* n = nextResponder()) n->touchesCancelled(t); }

void Responder::touchesBeganWithEvent(const TouchSet& touches, Event*)
{
    for (const auto& t : touches)
        touchesBegan(t->snapshot());
}

void Responder::touchesMovedWithEvent(const TouchSet& touches, Event*)
{
    for (const auto& t : touches)
        touchesMoved(t->snapshot());
}

void Responder::touchesEndedWithEvent(const TouchSet& touches, Event*)
{
    for (const auto& t : touches)
        touchesEnded(t->snapshot());
}

void Responder::touchesCancelledWithEvent(const TouchSet& touches, Event*)
{
    for (const auto& t : touches)
        touchesCancelled(t->snapshot());
}

} // namespace platform::ui
