// Badge views and the badge button.
#include "social/ui/QVBadgeView.h"

#include "platform/graphics/TextEngine.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace {
Ref<ImageView> capView(const std::string& name)
{
    auto asset = QVLoadKitImage(name);
    auto view = ImageView::imageViewWithFrame(Rect());
    if (asset) {
        view->setImage(asset);
        view->setFrame(Rect(0, 0, asset->size().width, asset->size().height));
    }
    return view;
}
} // namespace

Ref<QVBadgeView> QVBadgeView::greenBadge()
{
    auto badge = adoptRef(new QVBadgeView);
    badge->initWithLeftImage("QVBadgeLeftGreen.png", "QVBadgeRightGreen.png", "QVBadgeCenterGreen.png");
    return badge;
}

Ref<QVBadgeView> QVBadgeView::redBadge()
{
    auto badge = adoptRef(new QVBadgeView);
    badge->initWithLeftImage("QVBadgeLeftRed.png", "QVBadgeRightRed.png", "QVBadgeCenterRed.png");
    return badge;
}

bool QVBadgeView::initWithLeftImage(const std::string& left, const std::string& right, const std::string& center)
{
    if (!initWithFrame(Rect()))
        return false;
    _commonInitWithLeftImage(left, right, center);
    return true;
}

void QVBadgeView::_commonInitWithLeftImage(const std::string& left, const std::string& right,
                                           const std::string& center)
{
    setBackgroundColor(Color::clear());
    setUserInteractionEnabled(false);
    setOpaque(false);
    Rect frame = this->frame();
    float width = frame.size.width;
    float height = frame.size.height;

    leftCap_ = capView(left);
    Rect l = leftCap_->frame();
    l.origin = platform::Point(0, std::floor((height - l.size.height) / 2));
    leftCap_->setFrame(l);
    leftCap_->setAutoresizingMask(FlexibleRightMargin | FlexibleTopMargin | FlexibleBottomMargin);

    rightCap_ = capView(right);
    Rect r = rightCap_->frame();
    r.origin = platform::Point(width - r.size.width, std::floor((height - r.size.height) / 2));
    rightCap_->setFrame(r);
    rightCap_->setAutoresizingMask(FlexibleLeftMargin | FlexibleTopMargin | FlexibleBottomMargin);

    center_ = capView(center);
    center_->setFrame(Rect(l.size.width, 0, r.origin.x - l.size.width, height));
    center_->setContentMode(ContentMode::ScaleToFill);
    center_->setAutoresizingMask(FlexibleWidth | FlexibleHeight | FlexibleTopMargin | FlexibleBottomMargin);

    float inset = std::floor(0.75f * l.size.width);
    valueLabel_ = Label::labelWithFrame(Rect(inset, -1, width - 2 * inset, height));
    valueLabel_->setFont(platform::Font::boldSystemFont(14));
    valueLabel_->setText("0");
    valueLabel_->setTextAlignment(platform::TextAlignment::Center);
    valueLabel_->setTextColor(Color::whiteColor());
    valueLabel_->setBackgroundColor(std::nullopt);
    valueLabel_->setOpaque(false);
    valueLabel_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);

    addSubview(leftCap_);
    addSubview(rightCap_);
    addSubview(center_);
    addSubview(valueLabel_);
    setHidden(true);
}

void QVBadgeView::setFrame(const Rect& frame)
{
    Rect f = frame;
    f.size.width = std::max(minimumSize().width, f.size.width);
    f.size.height = std::max(minimumSize().height, f.size.height);
    View::setFrame(f);
}

void QVBadgeView::setValue(int value) { setValueText(std::to_string(value)); }

int QVBadgeView::value() const { return valueLabel_ ? std::atoi(valueLabel_->text().c_str()) : 0; }

void QVBadgeView::setValueText(const std::string& text)
{
    if (!valueLabel_)
        return;
    float measured = platform::measureText(text, *valueLabel_->font()).width;
    float delta = measured - valueLabel_->frame().size.width;
    Rect f = frame();
    f.origin.x -= std::ceil(delta / 2);
    f.size.width += delta;
    setFrame(f);
    valueLabel_->setText(text);
    setHidden(text == "0");
}

bool QVGreenBadgeView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVBadgeView::initWithCoder(coder))
        return false;
    _commonInitWithLeftImage("QVBadgeLeftGreen.png", "QVBadgeRightGreen.png", "QVBadgeCenterGreen.png");
    return true;
}

bool QVRedBadgeView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVBadgeView::initWithCoder(coder))
        return false;
    _commonInitWithLeftImage("QVBadgeLeftRed.png", "QVBadgeRightRed.png", "QVBadgeCenterRed.png");
    return true;
}

void QVBadgeButton::setBadgeNumber(int number)
{
    if (badgeView_)
        badgeView_->setValue(number);
}

int QVBadgeButton::badgeNumber() const { return badgeView_ ? badgeView_->value() : 0; }

void QVBadgeButton::awakeFromNib()
{
    if (badgeView_) {
        Rect b = badgeView_->frame();
        Rect f = frame();
        badgeOffset_ = platform::Point(b.origin.x - f.origin.x, b.origin.y - f.origin.y);
    }
    awaken_ = true;
    _positionBadge();
    Button::awakeFromNib();
}

void QVBadgeButton::_positionBadge()
{
    if (!awaken_ || !badgeView_)
        return;
    Rect f = frame();
    Rect b = badgeView_->frame();
    badgeView_->setFrame(Rect(f.origin.x + badgeOffset_.x, f.origin.y + badgeOffset_.y, b.size.width, b.size.height));
}

void QVBadgeButton::setFrame(const Rect& frame)
{
    Button::setFrame(frame);
    _positionBadge();
}

void QVBadgeButton::setCenter(platform::Point center)
{
    Button::setCenter(center);
    _positionBadge();
}

void QVBadgeButton::layoutSubviews()
{
    Button::layoutSubviews();
    _positionBadge();
}

void QVBadgeButton::didMoveToSuperview()
{
    Button::didMoveToSuperview();
    if (badgeView_ && superview())
        superview()->insertSubviewAbove(badgeView_, this);
}

} // namespace quorvel
