// The client's button skins.
#include "social/ui/QVDefaultButton.h"

#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace {
constexpr unsigned kAllStates[] = { StateNormal, StateHighlighted, StateDisabled, StateSelected };

bool close(float a, float b) { return std::fabs(a - b) < 0.002f; }

// Black (RGB or grey scale) or the rounded-rectangle blue: the platform's default title colours.
bool isPlatformDefaultTitleColour(const std::optional<Color>& c)
{
    if (!c)
        return true;
    if (close(c->red, 0) && close(c->green, 0) && close(c->blue, 0) && close(c->alpha, 1))
        return true;
    return !c->grey && close(c->red, 50 / 255.0f) && close(c->green, 79 / 255.0f) && close(c->blue, 133 / 255.0f);
}

Ref<ImageAsset> stretchableHalf(const std::string& name, bool capsAt20, int topCap)
{
    Ref<ImageAsset> image = QVLoadKitImage(name);
    if (!image)
        return nullptr;
    int left = capsAt20 ? 20 : static_cast<int>(std::floor(image->size().width / 2));
    return image->stretchableImage(left, topCap);
}
} // namespace

std::string QVDefaultButton::buttonImageName(const std::string& colourWord)
{
    return "QVButton" + colourWord + (QVDashboardRole::current().isLargeScreen() ? "IPad" : "") + ".png";
}

Ref<QVDefaultButton> QVDefaultButton::buttonWithImages(const Rect& frame, const std::optional<std::string>& normal,
                                                       const std::optional<std::string>& hit)
{
    auto button = adoptRef(new QVDefaultButton);
    button->initWithFrame(frame, normal, hit);
    return button;
}

Ref<QVDefaultButton> QVDefaultButton::textButton(const Rect& frame) { return buttonWithImages(frame, std::nullopt, std::nullopt); }

Ref<QVDefaultButton> QVDefaultButton::greenButton(const Rect& frame)
{
    return buttonWithImages(frame, "QVButtonSmallGreen.png", "QVButtonSmallGreenHit.png");
}

Ref<QVDefaultButton> QVDefaultButton::greenBoderedButton(const Rect& frame)
{
    return buttonWithImages(frame, buttonImageName("Green"), "QVButtonGreenHit.png");
}

Ref<QVDefaultButton> QVDefaultButton::redBorderedButton(const Rect& frame)
{
    // The tablet's art on a tablet, as the green one: side by side they are one height.
    return buttonWithImages(frame, buttonImageName("Red"), "QVButtonRedHit.png");
}

bool QVDefaultButton::initWithFrame(const Rect& frame, const std::optional<std::string>& normal,
                                    const std::optional<std::string>& hit)
{
    if (!Button::initWithFrame(frame))
        return false;
    _setupBackgroundImage(normal, hit);
    _setupStandardButtonAttributes();
    return true;
}

bool QVDefaultButton::initWithCoder(const InterfaceCoder& coder)
{
    if (!Button::initWithCoder(coder))
        return false;
    setupButton();
    return true;
}

void QVDefaultButton::setupButton()
{
    _setupBackgroundImage(buttonImageName("Green"), buttonImageName("GreenHit"));
    _setupStandardButtonAttributes();
}

void QVDefaultButton::_setupBackgroundImage(const std::optional<std::string>& normal,
                                            const std::optional<std::string>& hit)
{
    if (!normal)
        return;
    Ref<ImageAsset> normalImage = stretchableHalf(*normal, false, 0);
    if (!normalImage)
        return;
    Ref<ImageAsset> hitImage = hit ? stretchableHalf(*hit, false, 0) : nullptr;
    if (!hitImage)
        hitImage = normalImage;
    Rect f = frame();
    f.size.height = normalImage->size().height;
    setFrame(f);
    setBackgroundImage(normalImage, StateNormal);
    setBackgroundImage(hitImage, StateHighlighted);
}

void QVDefaultButton::adjustTitleColours(Color shadow)
{
    titleLabel()->setShadowOffset(platform::Size(0, -1));
    if (!isPlatformDefaultTitleColour(titleColorForState(StateNormal)))
        return;
    for (unsigned state : kAllStates) {
        setTitleColor(Color::whiteColor(), state);
        setTitleShadowColor(shadow, state);
    }
}

void QVDefaultButton::_setupStandardButtonAttributes() { adjustTitleColours(Color::white(0.25f)); }

void QVDefaultButton::_setupBevelButtonAttributes() { adjustTitleColours(Color::black().withAlpha(0.5f)); }

void QVDefaultButton::setTitleForAllStates(const std::string& title)
{
    for (unsigned state : kAllStates)
        setTitle(title, state);
    adjustIcon();
}

void QVDefaultButton::setHidden(bool hidden)
{
    Button::setHidden(hidden);
    if (iconImageView_)
        iconImageView_->setHidden(hidden);
}

void QVDefaultButton::setFrame(const Rect& frame)
{
    Button::setFrame(frame);
    adjustIcon();
}

void QVDefaultButton::awakeFromNib()
{
    Button::awakeFromNib();
    adjustIcon();
}

void QVDefaultButton::layoutSubviews()
{
    Button::layoutSubviews();
    adjustIcon();
}

void QVDefaultButton::adjustIcon()
{
    if (!iconImageView_)
        return;
    float iconWidth = iconImageView_->frame().size.width;
    EdgeInsets insets = contentEdgeInsets();
    if (insets.left != iconWidth + 4)
        setContentEdgeInsets(EdgeInsets { insets.top, iconWidth + 4, insets.bottom, insets.right });
    Rect f = frame();
    iconImageView_->setCenter(platform::Point(f.origin.x + 10 + std::floor(iconWidth / 2),
                                              f.origin.y + std::floor(f.size.height / 2)));
}

void QVGreenBorderedButton::setupButton()
{
    _setupBackgroundImage(buttonImageName("Green"), buttonImageName("GreenHit"));
    _setupStandardButtonAttributes();
}

void QVRedBorderedButton::setupButton()
{
    _setupBackgroundImage(buttonImageName("Red"), buttonImageName("RedHit"));
    _setupStandardButtonAttributes();
}

void QVGreyBorderedButton::setupButton()
{
    _setupBackgroundImage("QVButtonGrey.png", "QVButtonGrey.png");
    _setupStandardButtonAttributes();
}

void QVGreenButton::setupButton()
{
    _setupBackgroundImage("QVButtonSmallGreen.png", "QVButtonSmallGreenHit.png");
    _setupStandardButtonAttributes();
}

void QVGreyButton::setupButton()
{
    _setupBackgroundImage("QVButtonSmallGrey.png", "QVButtonSmallGreyHit.png");
    _setupStandardButtonAttributes();
}

void QVTextButton::setupButton() { _setupStandardButtonAttributes(); }

void QVShadowedGreenButton::setupButton()
{
    if (auto image = stretchableHalf("QVButtonShadowGreen.png", true, 20))
        setBackgroundImage(image, StateNormal);
}

void QVShadowedGreyButton::setupButton()
{
    if (auto image = stretchableHalf("QVButtonShadowGrey.png", true, 20))
        setBackgroundImage(image, StateNormal);
}

void QVBevelButton::setupButton()
{
    auto normal = QVLoadKitImage("QVButtonBevel.png");
    auto hit = QVLoadKitImage("QVButtonBevelHit.png");
    if (normal)
        setBackgroundImage(normal->stretchableImage(0, 1), StateNormal);
    if (hit)
        setBackgroundImage(hit->stretchableImage(0, 1), StateHighlighted);
    _setupBevelButtonAttributes();
}

} // namespace quorvel
