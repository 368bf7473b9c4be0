// ScrollView: content offset bookkeeping with delegate calls.
#include "platform/ui/ScrollView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

Ref<ScrollView> ScrollView::scrollViewWithFrame(const Rect& frame)
{
    auto s = adoptRef(new ScrollView);
    return s->initWithFrame(frame) ? s : nullptr;
}

bool ScrollView::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setClipsToBounds(true);
    return true;
}

bool ScrollView::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setClipsToBounds(true);
    return true;
}

Point ScrollView::minimumOffset() const
{
    return Point(-contentInset_.left, -contentInset_.top);
}

Point ScrollView::maximumOffset() const
{
    Size b = bounds().size;
    Point min = minimumOffset();
    return Point(std::max(min.x, contentSize_.width + contentInset_.right - b.width),
                 std::max(min.y, contentSize_.height + contentInset_.bottom - b.height));
}

Point ScrollView::clamp(Point p) const
{
    Point lo = minimumOffset(), hi = maximumOffset();
    return Point(std::clamp(p.x, lo.x, hi.x), std::clamp(p.y, lo.y, hi.y));
}

void ScrollView::setContentOffset(Point offset, bool animated)
{
    Ref<ScrollView> keep = this;
    bool changed = !(offset == contentOffset());
    Rect b = bounds();
    b.origin = offset;
    setBounds(b);
    if (changed && delegate_)
        delegate_->scrollViewDidScroll(this);
    if (animated && changed) {
        if (animationTimer_)
            animationTimer_->invalidate();
        Weak<ScrollView> weak(this);
        animationTimer_ = RunLoop::main().performAfter(kScrollAnimationDuration, [weak] {
            if (auto self = weak.lock()) {
                self->animationTimer_ = nullptr;
                if (self->delegate_)
                    self->delegate_->scrollViewDidEndScrollingAnimation(self.get());
            }
        });
    }
}

void ScrollView::scrollRectToVisible(const Rect& rectIn, bool animated)
{
    Rect rect = rectIn.standardized();
    Rect visible = bounds();
    Point offset = visible.origin;
    if (rect.maxX() > visible.maxX())
        offset.x = rect.maxX() - visible.size.width;
    if (rect.minX() < offset.x)
        offset.x = rect.minX();
    if (rect.maxY() > visible.maxY())
        offset.y = rect.maxY() - visible.size.height;
    if (rect.minY() < offset.y)
        offset.y = rect.minY();
    setContentOffset(clamp(offset), animated);
}

void ScrollView::dragForTest(float dx, float dy)
{
    if (!scrollEnabled_)
        return;
    Ref<ScrollView> keep = this;
    dragging_ = true;
    if (delegate_)
        delegate_->scrollViewWillBeginDragging(this);
    Point target = clamp(Point(contentOffset().x + dx, contentOffset().y + dy));
    setContentOffset(target);
    dragging_ = false;
    if (delegate_)
        delegate_->scrollViewDidEndDragging(this, paging_);
    if (paging_) {
        Size page = bounds().size;
        Point snapped(page.width > 0 ? std::round(target.x / page.width) * page.width : target.x,
                      page.height > 0 ? std::round(target.y / page.height) * page.height : target.y);
        decelerating_ = true;
        if (delegate_)
            delegate_->scrollViewWillBeginDecelerating(this);
        setContentOffset(clamp(snapped));
        decelerating_ = false;
        if (delegate_)
            delegate_->scrollViewDidEndDecelerating(this);
    }
}

} // namespace platform::ui
