// TextField: editing state, delegate sequence and keyboard hand-over.
#include "platform/ui/TextField.h"

#include "platform/ui/Drawing.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
constexpr float kRoundedCornerRadius = 6;
}

Ref<TextField> TextField::textFieldWithFrame(const Rect& frame)
{
    auto f = adoptRef(new TextField);
    return f->initWithFrame(frame) ? f : nullptr;
}

TextField::~TextField()
{
    if (Keyboard::shared().input() == this)
        Keyboard::shared().inputDidEnd(this);
}

bool TextField::initWithFrame(const Rect& frame)
{
    Control::initWithFrame(frame);
    font_ = Font::systemFont(12);
    return true;
}

bool TextField::initWithCoder(const InterfaceCoder& coder)
{
    Control::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    setOpaque(false);
    font_ = Font::systemFont(12);
    return true;
}

void TextField::setText(const std::string& text)
{
    text_ = text;
    selection_ = { text_.size(), 0 };
    setNeedsDisplay();
}

bool TextField::canBecomeFirstResponder() const
{
    return isEnabled() && !isHidden() && window();
}

bool TextField::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    Ref<TextField> keep = this;
    if (delegate_ && !delegate_->textFieldShouldBeginEditing(this))
        return false;
    Keyboard::shared().beginSwitch();
    bool took = takeFocus();
    Keyboard::shared().endSwitch();
    if (!took)
        return false;
    editing_ = true;
    if (clearsOnBegin_)
        text_.clear();
    selection_ = { text_.size(), 0 };
    if (delegate_)
        delegate_->textFieldDidBeginEditing(this);
    sendActionsForControlEvents(EditingDidBegin);
    NotificationCenter::defaultCenter().post(kTextFieldTextDidBeginEditingNotification, this);
    if (isFirstResponder())
        Keyboard::shared().inputDidBegin(this);
    return true;
}

bool TextField::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    Ref<TextField> keep = this;
    if (delegate_ && !delegate_->textFieldShouldEndEditing(this))
        return false;
    dropFocus();
    editing_ = false;
    if (delegate_)
        delegate_->textFieldDidEndEditing(this);
    sendActionsForControlEvents(EditingDidEnd);
    NotificationCenter::defaultCenter().post(kTextFieldTextDidEndEditingNotification, this);
    Keyboard::shared().inputDidEnd(this);
    return true;
}

bool TextField::replace(TextRange range, const std::string& replacement)
{
    if (!editing_)
        return false;
    Ref<TextField> keep = this;
    range = clampTextRange(text_, range);
    if (delegate_ && !delegate_->textFieldShouldChangeCharactersInRange(this, range, replacement))
        return false;
    range = clampTextRange(text_, range); // the delegate may have changed the text
    text_ = replaceTextRange(text_, range, replacement);
    selection_ = { range.location + replacement.size(), 0 };
    setNeedsDisplay();
    sendActionsForControlEvents(EditingChanged);
    NotificationCenter::defaultCenter().post(kTextFieldTextDidChangeNotification, this);
    return true;
}

bool TextField::insertText(const std::string& text)
{
    return replace(selection_, text);
}

bool TextField::deleteBackward()
{
    TextRange r = selection_.length ? selection_ : characterBefore(text_, selection_.location);
    if (r.length == 0)
        return false;
    return replace(r, {});
}

bool TextField::pressReturn()
{
    if (!editing_)
        return false;
    Ref<TextField> keep = this;
    bool answer = delegate_ ? delegate_->textFieldShouldReturn(this) : true;
    if (answer)
        sendActionsForControlEvents(EditingDidEndOnExit);
    return answer;
}

bool TextField::clearButtonTapped()
{
    if (delegate_ && !delegate_->textFieldShouldClear(this))
        return false;
    if (text_.empty())
        return true;
    text_.clear();
    selection_ = {};
    sendActionsForControlEvents(EditingChanged);
    NotificationCenter::defaultCenter().post(kTextFieldTextDidChangeNotification, this);
    return true;
}

void TextField::didTapInside(const Touch&)
{
    becomeFirstResponder();
}

std::string TextField::dumpText() const
{
    if (text_.empty())
        return placeholder_.empty() ? std::string() : "[" + placeholder_ + "]";
    if (traits_.secureTextEntry)
        return std::string(decodeUtf8(text_).size(), '*');
    return text_;
}

float TextField::chromeCornerRadius() const
{
    return !background() && borderStyle() == BorderStyle::RoundedRect ? kRoundedCornerRadius : 0;
}

void TextField::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    if (background()) {
        draw::asset(g, background(), b);
    } else {
        switch (borderStyle()) {
        case TextField::BorderStyle::None: break;
        case TextField::BorderStyle::Line:
            draw::setStroke(g, Color::black());
            g.strokeRect(b.insetBy(0.5f, 0.5f));
            break;
        case TextField::BorderStyle::Bezel:
            draw::setFill(g, Color::whiteColor());
            g.fillRect(b);
            draw::setStroke(g, Color::white(0.45f));
            g.strokeRect(b.insetBy(0.5f, 0.5f));
            break;
        case TextField::BorderStyle::RoundedRect:
            draw::roundedRectPath(g, b.insetBy(0.5f, 0.5f), kRoundedCornerRadius);
            draw::setFill(g, Color::whiteColor());
            g.fillPath();
            draw::roundedRectPath(g, b.insetBy(0.5f, 0.5f), kRoundedCornerRadius);
            draw::setStroke(g, Color::white(0.6f));
            g.strokePath();
            break;
        }
    }
    float inset = borderStyle() == TextField::BorderStyle::None ? 0 : 8;
    Rect r(b.minX() + inset, b.minY(), b.size.width - 2 * inset, b.size.height);
    if (text().empty()) {
        draw::text(g, placeholder(), font(), r, Color::white(0.7f), textAlignment());
        return;
    }
    std::string shown = text();
    if (isSecureTextEntry()) {
        shown.clear();
        for (size_t i = 0; i < decodeUtf8(text()).size(); ++i)
            shown += "\u2022";
    }
    draw::text(g, shown, font(), r, textColor(), textAlignment());
}

} // namespace platform::ui
