// The ticker bar: the stretched bar image, the clipping view the message moves
// in, and the close button.
#include "social/dashboard/frame/QVTickerView.h"

#include "platform/graphics/TextEngine.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVTickerView);

QVTickerView::~QVTickerView()
{
    if (xButton_)
        xButton_->removeTarget(this);
}

bool QVTickerView::initWithDelegate(QVTickerViewDelegate* delegate, const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    setDelegate(delegate);
    _commonInit();
    return true;
}

bool QVTickerView::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    _commonInit();
    return true;
}

void QVTickerView::_commonInit()
{
    setBackgroundColor(Color::clear());
    bool large = QuorvelInternal::dashboardRole().isLargeScreen();
    std::string suffix = large ? "IPad" : "";
    Ref<ImageAsset> barImage = QVLoadKitImage("QVTickerBar" + suffix + ".png");
    Ref<ImageAsset> closeImage = QVLoadKitImage("QVTickerClose" + suffix + ".png");
    Rect b = bounds();
    // Without its art the close button keeps a square the bar's height, so it can still be touched.
    float closeWidth = closeImage ? closeImage->size().width : b.size.height;

    barView_ = ImageView::imageViewWithImage(barImage ? barImage->stretchableImage(40, 0).get() : nullptr);
    barView_->setFrame(Rect(0, 0, b.size.width - closeWidth, b.size.height));
    barView_->setAutoresizingMask(FlexibleWidth);
    addSubview(barView_.get());

    float cropX = large ? 34.0f : 25.0f;
    float cropInset = large ? 63.0f : 54.0f;
    // The message never runs under the close button: it ends 5 points short of it, as on a
    // phone, whatever the close art's width.
    float cropWidth = std::min(frame().size.width - cropInset, b.size.width - closeWidth - kCloseGap - cropX);
    cropView_ = View::viewWithFrame(Rect(cropX, 0, std::max(cropWidth, 0.0f), b.size.height));
    cropView_->setClipsToBounds(true);
    cropView_->setBackgroundColor(std::nullopt);
    cropView_->setOpaque(false);
    cropView_->setUserInteractionEnabled(false);
    addSubview(cropView_.get());

    xButton_ = Button::buttonWithType(Button::Type::Custom);
    xButton_->setImage(closeImage.get(), StateNormal);
    xButton_->setFrame(Rect(b.size.width - closeWidth, 0, closeWidth, b.size.height));
    xButton_->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    addSubview(xButton_.get());
    if (delegate_ && delegate_->respondsToOnXPressed())
        xButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVTickerView, _xPressed)), TouchUpInside);
}

void QVTickerView::setDelegate(QVTickerViewDelegate* delegate)
{
    delegate_ = delegate;
    if (xButton_ && delegate_ && delegate_->respondsToOnXPressed()) {
        xButton_->removeTarget(this);
        xButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVTickerView, _xPressed)), TouchUpInside);
    }
}

void QVTickerView::_xPressed()
{
    if (delegate_)
        delegate_->onXPressed();
}

void QVTickerView::setText(const std::string& text)
{
    if (scrollInProgress_)
        return;
    scrollInProgress_ = true;
    if (label_)
        label_->removeFromSuperview();

    Ref<platform::Font> font = platform::Font::italicSystemFont(kFontSize);
    if (!font)
        font = platform::Font::systemFont(kFontSize);
    float textWidth = font ? platform::measureText(text, *font).width : 0;
    float cropWidth = cropView_->frame().size.width;

    label_ = Label::labelWithFrame(Rect(0, 0, textWidth, bounds().size.height));
    label_->setFont(font.get());
    label_->setBackgroundColor(std::nullopt);
    label_->setOpaque(false);
    label_->setTextColor(Color::whiteColor());
    label_->setShadowColor(Color::white(0.5f));
    label_->setShadowOffset(platform::Size(0, -1));
    label_->setTransform(platform::AffineTransform::makeTranslation(cropWidth, 0));
    cropView_->addSubview(label_.get());

    View::beginAnimations("scrollText");
    View::setAnimationCurve(View::AnimationCurve::Linear);
    View::setAnimationDuration((textWidth + cropWidth) / kPointsPerSecond);
    View::setAnimationDelegate(this);
    View::setAnimationDidStopSelector(BRISKO_SELECTOR(QVTickerView, animationDidStop));
    label_->setTransform(platform::AffineTransform::makeTranslation(-textWidth, 0));
    View::commitAnimations();
    label_->setText(text);
}

void QVTickerView::animationDidStop(const std::string&, bool, void*)
{
    scrollInProgress_ = false;
    if (label_) {
        label_->removeFromSuperview();
        label_ = nullptr;
    }
    if (delegate_)
        delegate_->textFinishedScrolling();
}

} // namespace quorvel
