// Button: per-state content and its layout into a title label and image view.
#include "platform/ui/Button.h"

#include "platform/ui/Drawing.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {

constexpr Color kRoundedRectTitle = Color::rgb(50 / 255.f, 79 / 255.f, 133 / 255.f);

} // namespace

Ref<Button> Button::buttonWithType(Type type)
{
    auto b = adoptRef(new Button);
    if (!b->initWithFrame({}))
        return nullptr;
    b->setUpDefaults(type, false);
    return b;
}

bool Button::initWithFrame(const Rect& frame)
{
    Control::initWithFrame(frame);
    setUpDefaults(Type::Custom, false);
    return true;
}

bool Button::initWithCoder(const InterfaceCoder& coder)
{
    return initWithCoderAndType(coder, Type::Custom);
}

bool Button::initWithCoderAndType(const InterfaceCoder& coder, Type type)
{
    Control::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    setOpaque(false);
    setUpDefaults(type, true);
    return true;
}

void Button::setUpDefaults(Type type, bool fromInterface)
{
    type_ = type;
    titleColors_.clear();
    if (type == Type::RoundedRect)
        titleColors_[StateNormal] = kRoundedRectTitle;
    else
        titleColors_[StateNormal] = fromInterface ? Color::black() : Color::whiteColor();
    titleLabel()->setFont(Font::boldSystemFont(15).get());
    refreshContent();
}

Label* Button::titleLabel()
{
    if (!titleLabel_) {
        titleLabel_ = Label::labelWithFrame({});
        titleLabel_->setBackgroundColor(std::nullopt);
        titleLabel_->setOpaque(false);
        titleLabel_->setTextAlignment(TextAlignment::Center);
        titleLabel_->setLineBreakMode(LineBreakMode::MiddleTruncation);
        titleLabel_->setHidden(true);
        addSubview(titleLabel_.get());
    }
    return titleLabel_.get();
}

ImageView* Button::imageView()
{
    if (!imageView_) {
        imageView_ = ImageView::imageViewWithFrame({});
        imageView_->setHidden(true);
        addSubview(imageView_.get());
    }
    return imageView_.get();
}

void Button::setTitle(const std::string& title, unsigned state)
{
    titles_[state] = title;
    refreshContent();
}

void Button::setTitleForAllStates(const std::string& title)
{
    for (unsigned state : { unsigned(StateNormal), unsigned(StateHighlighted), unsigned(StateDisabled), unsigned(StateSelected) })
        titles_[state] = title;
    refreshContent();
}

std::string Button::titleForState(unsigned state) const
{
    auto* t = lookup(titles_, state);
    return t ? *t : std::string();
}

void Button::setTitleColor(std::optional<Color> color, unsigned state)
{
    if (color)
        titleColors_[state] = *color;
    else
        titleColors_.erase(state);
    refreshContent();
}

std::optional<Color> Button::titleColorForState(unsigned state) const
{
    auto* c = lookup(titleColors_, state);
    return c ? std::optional<Color>(*c) : std::nullopt;
}

void Button::setTitleShadowColor(std::optional<Color> color, unsigned state)
{
    if (color)
        shadowColors_[state] = *color;
    else
        shadowColors_.erase(state);
    refreshContent();
}

std::optional<Color> Button::titleShadowColorForState(unsigned state) const
{
    auto* c = lookup(shadowColors_, state);
    return c ? std::optional<Color>(*c) : std::nullopt;
}

void Button::setImage(ImageAsset* image, unsigned state)
{
    if (image)
        images_[state] = image;
    else
        images_.erase(state);
    refreshContent();
}

ImageAsset* Button::imageForState(unsigned state) const
{
    auto* i = lookup(images_, state);
    return i ? i->get() : nullptr;
}

void Button::setBackgroundImage(ImageAsset* image, unsigned state)
{
    if (image)
        backgrounds_[state] = image;
    else
        backgrounds_.erase(state);
    refreshContent();
}

ImageAsset* Button::backgroundImageForState(unsigned state) const
{
    auto* i = lookup(backgrounds_, state);
    return i ? i->get() : nullptr;
}

void Button::setEnabled(bool enabled) { Control::setEnabled(enabled); refreshContent(); }
void Button::setSelected(bool selected) { Control::setSelected(selected); refreshContent(); }
void Button::setHighlighted(bool highlighted) { Control::setHighlighted(highlighted); refreshContent(); }

void Button::refreshContent()
{
    Label* label = titleLabel();
    std::string title = currentTitle();
    label->setText(title);
    label->setHidden(title.empty());
    if (auto c = currentTitleColor())
        label->setTextColor(*c);
    label->setShadowColor(titleShadowColorForState(state()));
    ImageView* iv = imageView();
    iv->setImage(currentImage());
    iv->setHidden(!currentImage());
    setNeedsLayout();
    setNeedsDisplay();
}

// Image then title, centred together in the content rectangle.
void Button::layoutSubviews()
{
    Rect content = contentInsets_.apply(bounds());
    Size imageSize = currentImage() ? currentImage()->size() : Size();
    Label* label = titleLabel();
    Size titleSize = label->isHidden() ? Size() : label->sizeThatFits(content.size);
    float titleRoom = std::max(0.f, content.size.width - imageSize.width - titleInsets_.left - titleInsets_.right);
    titleSize.width = std::min(titleSize.width, titleRoom);
    float total = imageSize.width + titleSize.width;
    float x = content.origin.x + std::floor((content.size.width - total) / 2);
    if (imageView_)
        imageView_->setFrame(imageInsets_.apply(Rect(x, content.origin.y + std::floor((content.size.height - imageSize.height) / 2), imageSize.width, imageSize.height)));
    label->setFrame(titleInsets_.apply(Rect(x + imageSize.width, content.origin.y + std::floor((content.size.height - titleSize.height) / 2),
        titleSize.width + titleInsets_.left + titleInsets_.right, titleSize.height + titleInsets_.top + titleInsets_.bottom)));
}

Size Button::sizeThatFits(Size) const
{
    Size image = currentImage() ? currentImage()->size() : Size();
    Size title = titleLabel_ && !titleLabel_->isHidden() ? titleLabel_->sizeThatFits(Size()) : Size();
    Size bg = currentBackgroundImage() ? currentBackgroundImage()->size() : Size();
    float w = image.width + title.width + contentInsets_.left + contentInsets_.right;
    float h = std::max(image.height, title.height) + contentInsets_.top + contentInsets_.bottom;
    return Size(std::max(w, bg.width), std::max(h, bg.height));
}

std::string Button::dumpText() const
{
    std::string t = currentTitle();
    if (t.empty() && currentImage())
        return "image=" + currentImage()->name();
    return t;
}

void Button::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    if (ImageAsset* bg = currentBackgroundImage()) {
        draw::asset(g, bg, b);
        return;
    }
    if (buttonType() == Button::Type::RoundedRect) {
        draw::roundedRectPath(g, b.insetBy(0.5f, 0.5f), 9);
        draw::setFill(g, isHighlighted() ? Color::rgb(0.2f, 0.45f, 0.9f) : Color::whiteColor());
        g.fillPath();
        draw::roundedRectPath(g, b.insetBy(0.5f, 0.5f), 9);
        draw::setStroke(g, Color::white(0.55f));
        g.strokePath();
    } else if (buttonType() == Button::Type::DetailDisclosure || buttonType() == Button::Type::InfoDark
               || buttonType() == Button::Type::InfoLight || buttonType() == Button::Type::ContactAdd) {
        float d = std::min(b.size.width, b.size.height) - 2;
        g.beginPath();
        g.addArc(b.midX(), b.midY(), d / 2, 0, 2 * float(M_PI), false);
        draw::setFill(g, buttonType() == Button::Type::InfoLight ? Color::white(0.9f) : Color::rgb(0.2f, 0.45f, 0.9f));
        g.fillPath();
        auto font = draw::systemFont(d * 0.7f, true);
        const char* glyph = buttonType() == Button::Type::ContactAdd ? "+"
            : buttonType() == Button::Type::DetailDisclosure        ? ">"
                                                                             : "i";
        draw::text(g, glyph, font.get(), b, Color::whiteColor(), TextAlignment::Center);
    }
}

} // namespace platform::ui
