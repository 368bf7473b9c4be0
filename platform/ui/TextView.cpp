// TextView: multi-line editing with the text field's delegate order.
#include "platform/ui/TextView.h"

#include "platform/ui/Drawing.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

namespace {
constexpr float kTextPadding = 8; // around the text inside the view
}

Ref<TextView> TextView::textViewWithFrame(const Rect& frame)
{
    auto v = adoptRef(new TextView);
    return v->initWithFrame(frame) ? v : nullptr;
}

TextView::~TextView()
{
    if (Keyboard::shared().input() == this)
        Keyboard::shared().inputDidEnd(this);
}

bool TextView::initWithFrame(const Rect& frame)
{
    ScrollView::initWithFrame(frame);
    font_ = Font::systemFont(12);
    setBackgroundColor(Color::whiteColor());
    updateContentSize();
    return true;
}

bool TextView::initWithCoder(const InterfaceCoder& coder)
{
    ScrollView::initWithCoder(coder);
    font_ = Font::systemFont(12);
    updateContentSize();
    return true;
}

void TextView::setText(const std::string& text)
{
    text_ = text;
    selection_ = { text_.size(), 0 };
    updateContentSize();
    setNeedsDisplay();
}

void TextView::setFont(Font* f)
{
    if (f)
        font_ = f;
    updateContentSize();
}

void TextView::setFrame(const Rect& frame)
{
    ScrollView::setFrame(frame);
    updateContentSize();
}

void TextView::updateContentSize()
{
    float width = bounds().size.width;
    float textHeight = 0;
    if (font_ && width > 2 * kTextPadding) {
        TextLayoutOptions o;
        o.width = width - 2 * kTextPadding;
        textHeight = layoutText(text_, *font_, o).size.height;
    }
    setContentSize(Size(width, textHeight + 2 * kTextPadding));
}

void TextView::setSelectedRange(TextRange r)
{
    selection_ = clampTextRange(text_, r);
    if (delegate_)
        delegate_->textViewDidChangeSelection(this);
}

bool TextView::canBecomeFirstResponder() const
{
    return editable_ && !isHidden() && window();
}

bool TextView::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    Ref<TextView> keep = this;
    if (delegate_ && !delegate_->textViewShouldBeginEditing(this))
        return false;
    Keyboard::shared().beginSwitch();
    bool took = takeFocus();
    Keyboard::shared().endSwitch();
    if (!took)
        return false;
    editing_ = true;
    selection_ = { text_.size(), 0 };
    if (delegate_)
        delegate_->textViewDidBeginEditing(this);
    NotificationCenter::defaultCenter().post(kTextViewTextDidBeginEditingNotification, this);
    if (isFirstResponder())
        Keyboard::shared().inputDidBegin(this);
    return true;
}

bool TextView::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    Ref<TextView> keep = this;
    if (delegate_ && !delegate_->textViewShouldEndEditing(this))
        return false;
    dropFocus();
    editing_ = false;
    if (delegate_)
        delegate_->textViewDidEndEditing(this);
    NotificationCenter::defaultCenter().post(kTextViewTextDidEndEditingNotification, this);
    Keyboard::shared().inputDidEnd(this);
    return true;
}

bool TextView::replace(TextRange range, const std::string& replacement)
{
    if (!editing_)
        return false;
    Ref<TextView> keep = this;
    range = clampTextRange(text_, range);
    if (delegate_ && !delegate_->textViewShouldChangeTextInRange(this, range, replacement))
        return false;
    range = clampTextRange(text_, range);
    text_ = replaceTextRange(text_, range, replacement);
    selection_ = { range.location + replacement.size(), 0 };
    updateContentSize();
    setNeedsDisplay();
    if (delegate_)
        delegate_->textViewDidChange(this);
    NotificationCenter::defaultCenter().post(kTextViewTextDidChangeNotification, this);
    return true;
}

bool TextView::insertText(const std::string& text)
{
    return replace(selection_, text);
}

bool TextView::deleteBackward()
{
    TextRange r = selection_.length ? selection_ : characterBefore(text_, selection_.location);
    if (r.length == 0)
        return false;
    return replace(r, {});
}

void TextView::touchesEnded(const Touch& t)
{
    if (t.tapCount >= 1 && pointInside(t.locationInView(this)))
        becomeFirstResponder();
}

void TextView::drawChrome(GraphicsContext& g, const Rect&)
{
    draw::text(g, text(), font(), bounds().insetBy(8, 8), textColor(), TextAlignment::Left, 0, LineBreakMode::WordWrap);
}

} // namespace platform::ui
