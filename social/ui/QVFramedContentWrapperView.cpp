// Wraps a screen's view in a framed navigation stack so that its content sits
// inside the frame's insets.
#include "social/ui/QVFramedContentWrapperView.h"

#include "platform/ui/ScrollView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

Ref<QVFramedContentWrapperView> QVFramedContentWrapperView::withWrappedView(View* wrapped)
{
    auto w = platform::adoptRef(new QVFramedContentWrapperView);
    if (!w->initWithWrappedView(wrapped))
        return nullptr;
    return w;
}

bool QVFramedContentWrapperView::initWithWrappedView(View* wrapped)
{
    if (!initWithFrame(wrapped ? wrapped->frame() : Rect()))
        return false;
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    wrappedView_ = wrapped;
    if (wrapped)
        addSubview(wrapped);
    update();
    return true;
}

void QVFramedContentWrapperView::setContentInsets(const EdgeInsets& insets)
{
    contentInsets_ = insets;
    update();
}

void QVFramedContentWrapperView::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    auto delegate = delegate_.lock();
    if (!delegate || !delegate->frameWasSet(this))
        update();
}

View* QVFramedContentWrapperView::hitTest(Point point)
{
    View* hit = View::hitTest(point);
    return hit == this ? nullptr : hit;
}

void QVFramedContentWrapperView::update()
{
    if (!wrappedView_)
        return;
    Rect b = bounds();
    Rect inner(contentInsets_.left, contentInsets_.top,
               std::max(0.0f, b.size.width - contentInsets_.left - contentInsets_.right),
               std::max(0.0f, b.size.height - contentInsets_.top - contentInsets_.bottom));
    wrappedView_->setFrame(inner);
    if (auto* scroll = dynamic_cast<ScrollView*>(wrappedView_.get())) {
        platform::Size content = scroll->contentSize();
        content.width = inner.size.width;
        scroll->setContentSize(content);
    }
}

} // namespace quorvel
