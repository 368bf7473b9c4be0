// A multi-line, scrolling text view. Editing follows the same order as the
// text field (should-begin, did-begin, keyboard; should-change before every
// edit, then did-change; should-end, did-end, keyboard); Return inserts a
// newline through should-change. The text lies in the content from its top,
// 8 points from the left and right; the content size follows the text's
// height and the content inset (8 points above and below by default) holds the
// space around it. At rest the view shows the content's top; while editing,
// the caret's line scrolls into view.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/ScrollView.h"

namespace platform::ui {

class TextView;

class TextViewDelegate : public ScrollViewDelegate {
public:
    virtual bool textViewShouldBeginEditing(TextView* /*view*/) { return true; }
    virtual void textViewDidBeginEditing(TextView* /*view*/) { }
    virtual bool textViewShouldEndEditing(TextView* /*view*/) { return true; }
    virtual void textViewDidEndEditing(TextView* /*view*/) { }
    virtual bool textViewShouldChangeTextInRange(TextView* /*view*/, TextRange /*range*/, const std::string& /*text*/) { return true; }
    virtual void textViewDidChange(TextView* /*view*/) { }
    virtual void textViewDidChangeSelection(TextView* /*view*/) { }
};

inline constexpr const char* kTextViewTextDidBeginEditingNotification = "UITextViewTextDidBeginEditingNotification";
inline constexpr const char* kTextViewTextDidEndEditingNotification = "UITextViewTextDidEndEditingNotification";
inline constexpr const char* kTextViewTextDidChangeNotification = "UITextViewTextDidChangeNotification";

class TextView : public ScrollView {
public:
    static Ref<TextView> textViewWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    const std::string& text() const { return text_; }
    virtual void setText(const std::string& text);
    Font* font() const { return font_.get(); }
    virtual void setFont(Font* f);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& c) { textColor_ = c; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment a) { alignment_ = a; }
    bool isEditable() const { return editable_; }
    void setEditable(bool e) { editable_ = e; }
    TextInputTraits& traits() { return traits_; }
    const TextInputTraits& traits() const { return traits_; }
    ReturnKeyType returnKeyType() const { return traits_.returnKeyType; }
    void setReturnKeyType(ReturnKeyType t) { traits_.returnKeyType = t; }

    TextViewDelegate* delegate() const { return delegate_; }
    // Also the scroll delegate.
    void setDelegate(TextViewDelegate* d) { delegate_ = d; setScrollDelegate(d); }

    bool isEditing() const { return editing_; }
    TextRange selectedRange() const { return selection_; }
    void setSelectedRange(TextRange r);

    bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    bool insertText(const std::string& text);
    bool deleteBackward();
    // Inserts "\n".
    bool pressReturn() { return insertText("\n"); }

    void touchesEnded(const Touch& t) override;
    void setFrame(const Rect& frame) override;
    void setContentInset(EdgeInsets insets) override;
    std::string dumpText() const override { return text_; }

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    TextView() = default;
    ~TextView() override;
    friend class InterfaceBuilder;

private:
    bool replace(TextRange range, const std::string& replacement);
    void setUpContent();
    void updateContentSize();
    void keepOffsetInRange();

    std::string text_;
    Ref<Font> font_;
    Color textColor_ { Color::black() };
    TextAlignment alignment_ { TextAlignment::Left };
    TextInputTraits traits_;
    TextViewDelegate* delegate_ { nullptr };
    TextRange selection_;
    bool editable_ { true };
    bool editing_ { false };
};

} // namespace platform::ui
