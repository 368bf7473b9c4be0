// The toggle, the touch receiver and the relationship indicator.
#include "social/ui/QVToggleControl.h"

#include "platform/graphics/GraphicsContext.h"
#include "social/ui/QVKitImages.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

Ref<QVToggleControl> QVToggleControl::toggleWithFrame(const Rect& frame)
{
    auto toggle = adoptRef(new QVToggleControl);
    toggle->initWithFrame(frame);
    return toggle;
}

void QVToggleControl::setUp()
{
    setBackgroundColor(Color::clear());
    setOpaque(false);
    mIsLeftSelected = true;
}

bool QVToggleControl::initWithFrame(const Rect& frame)
{
    if (!Control::initWithFrame(frame))
        return false;
    setUp();
    return true;
}

bool QVToggleControl::initWithCoder(const InterfaceCoder& coder)
{
    if (!Control::initWithCoder(coder))
        return false;
    setUp();
    return true;
}

void QVToggleControl::setLeftSelected(bool left)
{
    mIsLeftSelected = left;
    sendActionsForControlEvents(ValueChanged);
    setNeedsDisplay();
}

ImageAsset* QVToggleControl::currentImage() const
{
    return mIsLeftSelected ? mImageLeftSelected.get() : mImageRightSelected.get();
}

void QVToggleControl::touchesEnded(const Touch& t)
{
    if (t.tapCount == 1) {
        mIsLeftSelected = !mIsLeftSelected;
        sendActionsForControlEvents(ValueChanged);
    }
    setNeedsDisplay();
}

void QVToggleControl::drawRect(platform::GraphicsContext& context, const Rect&)
{
    ImageAsset* image = currentImage();
    if (image && image->image())
        context.drawImage(*image->image(), Rect(0, 0, image->size().width, image->size().height));
}

void QVTouchReceiverView::touchesEnded(const Touch& t)
{
    if (auto delegate = delegate_.lock(); delegate && t.tapCount == 1)
        delegate->touchReceiverWasTapped(this);
}

void QVUserRelationshipIndicator::showFollowedByLocalUser(bool followed)
{
    setHidden(false);
    if (followed) {
        setImage(QVLoadKitImage("QVFriendshipIndicatorFollowedByLocalUser.png"));
    } else {
        setImage(nullptr);
        setHidden(true);
    }
    setNeedsDisplay();
}

} // namespace quorvel
