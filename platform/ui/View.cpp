// View: geometry, hierarchy, autoresizing, end-of-turn layout and hit testing.
#include "platform/ui/View.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::ui {

namespace {

bool layoutScheduled = false;

struct PendingLayout {
    ~PendingLayout() { layoutScheduled = false; } // also when the loop drops the post
};

void scheduleLayout()
{
    if (layoutScheduled)
        return;
    layoutScheduled = true;
    RunLoop::main().post([pending = std::make_shared<PendingLayout>()] {
        layoutScheduled = false;
        View::layoutAllWindows();
    });
}

bool axisAligned(const AffineTransform& t)
{
    constexpr float e = 1e-6f; // rotations by quarter turns leave rounding residue
    return (std::fabs(t.b) < e && std::fabs(t.c) < e) || (std::fabs(t.a) < e && std::fabs(t.d) < e);
}

} // namespace

Ref<View> View::viewWithFrame(const Rect& frame)
{
    auto v = adoptRef(new View);
    return v->initWithFrame(frame) ? v : nullptr;
}

View::~View()
{
    for (auto& s : subviews_)
        s->superview_ = nullptr;
    if (layer_) {
        layer_->view_ = nullptr;
        layer_->removeAllAnimations();
    }
}

bool View::initWithFrame(const Rect& frame)
{
    setFrame(frame);
    needsLayout_ = false;
    return true;
}

bool View::initWithCoder(const InterfaceCoder& coder)
{
    fromInterface_ = true;
    setFrame(coder.frame);
    needsLayout_ = false;
    background_ = Color::whiteColor();
    return true;
}

// --- Geometry ---

Rect View::frame() const
{
    Rect local(-bounds_.size.width / 2, -bounds_.size.height / 2, bounds_.size.width, bounds_.size.height);
    if (transform_.isIdentity())
        return local.offsetBy(center_.x, center_.y);
    return transform_.apply(local).offsetBy(center_.x, center_.y);
}

void View::setFrame(const Rect& f)
{
    Size old = bounds_.size;
    Rect r = f.standardized();
    willChange(AnimatedProperty::Center, { r.midX(), r.midY() });
    center_ = Point(r.midX(), r.midY());
    if (transform_.isIdentity()) {
        bounds_.size = r.size;
    } else if (axisAligned(transform_)) {
        Size s = transform_.inverted().apply(r.size);
        bounds_.size = Size(std::fabs(s.width), std::fabs(s.height));
    }
    if (!(old == bounds_.size))
        sizeChanged(old);
}

void View::setBounds(const Rect& b)
{
    Size old = bounds_.size;
    bounds_ = Rect(b.origin, Size(std::fabs(b.size.width), std::fabs(b.size.height)));
    if (!(old == bounds_.size))
        sizeChanged(old);
}

void View::setCenter(Point c)
{
    willChange(AnimatedProperty::Center, { c.x, c.y });
    center_ = c;
}

void View::setTransform(const AffineTransform& t)
{
    willChange(AnimatedProperty::Transform, { t.a, t.b, t.c, t.d, t.tx, t.ty });
    transform_ = t;
}

void View::sizeChanged(Size oldSize)
{
    if (autoresizesSubviews_)
        resizeSubviewsWithOldSize(oldSize);
    setNeedsLayout();
    setNeedsDisplay();
}

void View::resizeSubviewsWithOldSize(Size oldSize)
{
    auto subs = subviews_;
    for (auto& s : subs)
        s->autoresize(oldSize, bounds_.size);
}

// Spreads a change of the superview's size over the flexible parts (margins,
// size), in proportion to their current lengths.
void View::autoresize(Size oldSuper, Size newSuper)
{
    if (autoresizingMask_ == AutoresizingNone)
        return;
    Rect f = frame();
    auto distribute = [](float delta, bool flexA, float& a, bool flexB, float& b, bool flexC, float c) {
        int count = flexA + flexB + flexC;
        if (!count || delta == 0)
            return;
        float total = (flexA ? a : 0) + (flexB ? b : 0) + (flexC ? c : 0);
        if (total > 0) {
            if (flexA) a += delta * a / total;
            if (flexB) b += delta * b / total;
        } else {
            if (flexA) a += delta / count;
            if (flexB) b += delta / count;
        }
    };
    float left = f.origin.x, width = f.size.width, right = oldSuper.width - f.origin.x - f.size.width;
    distribute(newSuper.width - oldSuper.width, autoresizingMask_ & FlexibleLeftMargin, left,
               autoresizingMask_ & FlexibleWidth, width, autoresizingMask_ & FlexibleRightMargin, right);
    float top = f.origin.y, height = f.size.height, bottom = oldSuper.height - f.origin.y - f.size.height;
    distribute(newSuper.height - oldSuper.height, autoresizingMask_ & FlexibleTopMargin, top,
               autoresizingMask_ & FlexibleHeight, height, autoresizingMask_ & FlexibleBottomMargin, bottom);
    setFrame(Rect(left, top, std::max(0.f, width), std::max(0.f, height)));
}

Point View::toSuperview(Point p) const
{
    Point rel(p.x - bounds_.origin.x - bounds_.size.width / 2, p.y - bounds_.origin.y - bounds_.size.height / 2);
    Point t = transform_.apply(rel);
    return Point(t.x + center_.x, t.y + center_.y);
}

Point View::fromSuperview(Point p) const
{
    Point rel(p.x - center_.x, p.y - center_.y);
    Point t = transform_.inverted().apply(rel);
    return Point(t.x + bounds_.origin.x + bounds_.size.width / 2, t.y + bounds_.origin.y + bounds_.size.height / 2);
}

// Window coordinates are those of the root of the tree; a window's own frame
// does not enter into them.
Point View::convertPointTo(Point p, const View* to) const
{
    for (const View* v = this; v->superview_; v = v->superview_)
        p = v->toSuperview(p);
    if (!to)
        return p;
    std::vector<const View*> chain;
    for (const View* v = to; v->superview_; v = v->superview_)
        chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        p = (*it)->fromSuperview(p);
    return p;
}

Point View::convertPointFrom(Point p, const View* from) const
{
    if (from)
        return from->convertPointTo(p, this);
    std::vector<const View*> chain;
    for (const View* v = this; v->superview_; v = v->superview_)
        chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        p = (*it)->fromSuperview(p);
    return p;
}

Rect View::convertRectTo(const Rect& r, const View* to) const
{
    Rect s = r.standardized();
    Point corners[4] = { { s.minX(), s.minY() }, { s.maxX(), s.minY() }, { s.minX(), s.maxY() }, { s.maxX(), s.maxY() } };
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (Point c : corners) {
        Point q = convertPointTo(c, to);
        minX = std::min(minX, q.x); maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y); maxY = std::max(maxY, q.y);
    }
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

Rect View::convertRectFrom(const Rect& r, const View* from) const
{
    Rect s = r.standardized();
    Point corners[4] = { { s.minX(), s.minY() }, { s.maxX(), s.minY() }, { s.minX(), s.maxY() }, { s.maxX(), s.maxY() } };
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (Point c : corners) {
        Point q = convertPointFrom(c, from);
        minX = std::min(minX, q.x); maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y); maxY = std::max(maxY, q.y);
    }
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

// --- Hierarchy ---

Window* View::window() const
{
    const View* v = this;
    while (v->superview_)
        v = v->superview_;
    return dynamic_cast<Window*>(const_cast<View*>(v));
}

void View::notifyWindowChange(View* root, Window* oldWindow, Window* newWindow, bool before)
{
    if (oldWindow == newWindow)
        return;
    if (before)
        root->willMoveToWindow(newWindow);
    else
        root->didMoveToWindow();
    auto subs = root->subviews_;
    for (auto& s : subs)
        notifyWindowChange(s.get(), oldWindow, newWindow, before);
}

void View::detachFromSuperview()
{
    View* parent = superview_;
    if (!parent)
        return;
    // Focus does not stay inside a view that leaves its tree.
    if (auto* fr = dynamic_cast<View*>(Responder::firstResponder()); fr && fr->isDescendantOfView(this))
        fr->resignFirstResponder();
    Window* oldWindow = window();
    notifyWindowChange(this, oldWindow, nullptr, true);
    parent->willRemoveSubview(this);
    willMoveToSuperview(nullptr);
    auto& subs = parent->subviews_;
    auto it = std::find_if(subs.begin(), subs.end(), [&](const Ref<View>& r) { return r.get() == this; });
    Ref<View> keep = this;
    if (it != subs.end())
        subs.erase(it);
    superview_ = nullptr;
    didMoveToSuperview();
    notifyWindowChange(this, oldWindow, nullptr, false);
}

void View::removeFromSuperview()
{
    Ref<View> keep = this;
    detachFromSuperview();
}

void View::insertSubviewAt(View* view, size_t index)
{
    if (!view) {
        logWarning("View: attempt to add a nil subview");
        return;
    }
    if (view == this || isDescendantOfView(view)) {
        logWarning("View: a view cannot become its own subview");
        return;
    }
    Ref<View> keep = view;
    if (view->superview_ == this) {
        auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](const Ref<View>& r) { return r.get() == view; });
        size_t from = static_cast<size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (index > from)
            --index;
        subviews_.insert(subviews_.begin() + static_cast<long>(std::min(index, subviews_.size())), keep);
        return;
    }
    Window* oldWindow = view->window();
    if (view->superview_) {
        view->superview_->willRemoveSubview(view);
        auto& old = view->superview_->subviews_;
        old.erase(std::find_if(old.begin(), old.end(), [&](const Ref<View>& r) { return r.get() == view; }));
        view->superview_ = nullptr;
    }
    Window* newWindow = window();
    notifyWindowChange(view, oldWindow, newWindow, true);
    view->willMoveToSuperview(this);
    subviews_.insert(subviews_.begin() + static_cast<long>(std::min(index, subviews_.size())), keep);
    view->superview_ = this;
    view->didMoveToSuperview();
    notifyWindowChange(view, oldWindow, newWindow, false);
    didAddSubview(view);
    view->setNeedsLayout();
}

void View::addSubview(View* view)
{
    insertSubviewAt(view, subviews_.size());
}

void View::insertSubviewBelow(View* view, View* sibling)
{
    auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](const Ref<View>& r) { return r.get() == sibling; });
    insertSubviewAt(view, it == subviews_.end() ? subviews_.size() : static_cast<size_t>(it - subviews_.begin()));
}

void View::insertSubviewAbove(View* view, View* sibling)
{
    auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](const Ref<View>& r) { return r.get() == sibling; });
    insertSubviewAt(view, it == subviews_.end() ? subviews_.size() : static_cast<size_t>(it - subviews_.begin()) + 1);
}

void View::exchangeSubviews(size_t a, size_t b)
{
    if (a < subviews_.size() && b < subviews_.size())
        std::swap(subviews_[a], subviews_[b]);
}

void View::bringSubviewToFront(View* view)
{
    if (view && view->superview_ == this)
        insertSubviewAt(view, subviews_.size());
}

void View::sendSubviewToBack(View* view)
{
    if (view && view->superview_ == this)
        insertSubviewAt(view, 0);
}

bool View::isDescendantOfView(const View* view) const
{
    for (const View* v = this; v; v = v->superview_)
        if (v == view)
            return true;
    return false;
}

View* View::viewWithTag(int tag)
{
    if (tag_ == tag)
        return this;
    for (auto& s : subviews_)
        if (View* found = s->viewWithTag(tag))
            return found;
    return nullptr;
}

// --- Appearance ---

void View::setHidden(bool hidden)
{
    if (hidden == hidden_)
        return;
    hidden_ = hidden;
    if (hidden) {
        if (auto* fr = dynamic_cast<View*>(Responder::firstResponder()); fr && fr->isDescendantOfView(this))
            fr->resignFirstResponder();
    }
}

void View::setAlpha(float alpha)
{
    float a = std::clamp(alpha, 0.f, 1.f);
    willChange(AnimatedProperty::Alpha, { a });
    alpha_ = a;
}

// --- Layout ---

void View::setNeedsLayout()
{
    needsLayout_ = true;
    scheduleLayout();
}

void View::layoutIfNeeded()
{
    Ref<View> keep = this;
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    auto subs = subviews_;
    for (auto& s : subs)
        s->layoutIfNeeded();
}

void View::layoutAllWindows()
{
    for (auto& w : Window::windows())
        w->layoutIfNeeded();
}

void View::sizeToFit()
{
    Size s = sizeThatFits(bounds_.size);
    Rect f = frame();
    setFrame(Rect(f.origin, s));
}

// --- Hit testing ---

View* View::hitTest(Point point)
{
    if (hidden_ || !userInteraction_ || alpha_ <= 0.01f)
        return nullptr;
    if (!pointInside(point))
        return nullptr;
    auto subs = subviews_;
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        if (View* hit = (*it)->hitTest((*it)->fromSuperview(point)))
            return hit;
    }
    return this;
}

bool View::pointInside(Point point) const
{
    return bounds_.containsPoint(point);
}

Layer* View::layer()
{
    if (!layer_) {
        layer_ = adoptRef(new Layer);
        layer_->view_ = this;
    }
    return layer_.get();
}

Responder* View::nextResponder() const
{
    if (controller_)
        return controller_;
    return superview_;
}

} // namespace platform::ui
