// The banner area above the screens of a framed stack.
#include "social/ui/QVBannerFrame.h"

#include "social/ui/QVBannerCell.h"
#include "social/ui/QVContentFrameView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVBannerFrame);

bool QVBannerFrame::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    addFrameImage();
    return true;
}

bool QVBannerFrame::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    addFrameImage();
    return true;
}

void QVBannerFrame::addFrameImage()
{
    auto frameImage = QVContentFrameView::withFrame(frame());
    frameImage->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    frameImage->setRoundedCorners(false);
    addSubview(frameImage.get());
}

void QVBannerFrame::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    if (wrapperView_)
        wrapperView_->setFrame(Rect(0, 0, frame.size.width, frame.size.height));
}

void QVBannerFrame::setBannerSubview(QVBannerCell* cell)
{
    if (wrapperView_)
        wrapperView_->removeFromSuperview();
    if (bannerSubview_)
        bannerSubview_->removeFromSuperview();
    wrapperView_ = nullptr;
    bannerSubview_ = cell;
    if (!cell)
        return;
    wrapperView_ = QVFramedContentWrapperView::withWrappedView(cell);
    wrapperView_->setFrame(Rect(0, 0, frame().size.width, frame().size.height));
    wrapperView_->setContentInsets(QVContentFrameView::getContentInsets());
    insertSubviewAt(wrapperView_.get(), 0);
}

} // namespace quorvel
