// TextView: multi-line editing with the text field's delegate order.
#include "platform/ui/TextView.h"

#include "platform/ui/Drawing.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

namespace {
constexpr float kTextPadding = 8; // left and right of the text; also the default insets above and below it

// The height of text laid out to width; a text ending with a new line counts
// the empty line the caret stands on.
float textHeight(const std::string& text, const Font& font, float width)
{
    TextLayoutOptions o;
    o.width = width;
    bool newLine = text.empty() || text.back() == '\n';
    return layoutText(newLine ? text + "X" : text, font, o).size.height;
}
} // namespace

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
    setUpContent();
    return true;
}

bool TextView::initWithCoder(const InterfaceCoder& coder)
{
    ScrollView::initWithCoder(coder);
    font_ = Font::systemFont(12);
    setUpContent();
    return true;
}

// The text starts at the top of the content; the space above and below it is
// the content inset, so the view rests at the inset's top.
void TextView::setUpContent()
{
    setContentInset(EdgeInsets { kTextPadding, 0, kTextPadding, 0 });
    updateContentSize();
    setContentOffset(minimumOffset());
}

void TextView::setContentInset(EdgeInsets insets)
{
    bool atTop = contentOffset().y <= minimumOffset().y;
    ScrollView::setContentInset(insets);
    if (atTop)
        setContentOffset(Point(contentOffset().x, minimumOffset().y));
    keepOffsetInRange();
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
    float height = 0;
    if (font_ && width > 2 * kTextPadding && !text_.empty())
        height = textHeight(text_, *font_, width - 2 * kTextPadding);
    setContentSize(Size(width, height));
    keepOffsetInRange();
}

// After a change of text, size or inset: the offset stays within the content,
// and while editing the caret's line stays in view.
void TextView::keepOffsetInRange()
{
    auto clamp = [this](Point p) {
        Point lo = minimumOffset(), hi = maximumOffset();
        return Point(std::clamp(p.x, lo.x, hi.x), std::clamp(p.y, lo.y, hi.y));
    };
    Point offset = clamp(contentOffset());
    if (editing_ && font_ && bounds().size.width > 2 * kTextPadding) {
        float lineHeight = textHeight({}, *font_, 1);
        float caretBottom = textHeight(text_.substr(0, std::min(selection_.location, text_.size())), *font_,
                                       bounds().size.width - 2 * kTextPadding);
        float height = bounds().size.height;
        if (caretBottom + contentInset().bottom > offset.y + height)
            offset.y = caretBottom + contentInset().bottom - height;
        if (caretBottom - lineHeight - contentInset().top < offset.y)
            offset.y = caretBottom - lineHeight - contentInset().top;
        offset = clamp(offset);
    }
    if (!(offset == contentOffset()))
        setContentOffset(offset);
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
    keepOffsetInRange();
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

// The text lies in the content from its top, so the content offset scrolls it
// and the content inset holds the space above it.
void TextView::drawChrome(GraphicsContext& g, const Rect& b)
{
    if (text_.empty() || !font_ || b.size.width <= 2 * kTextPadding)
        return;
    TextLayoutOptions o;
    o.width = b.size.width - 2 * kTextPadding;
    o.alignment = alignment_;
    TextLayout layout = layoutText(text_, *font_, o);
    draw::setFill(g, textColor_);
    drawTextLayout(g, layout, *font_, Point(kTextPadding, 0));
}

} // namespace platform::ui
