// A one-line text field. Editing goes through the delegate in the platform's
// order: should-begin, (the previous input resigns), did-begin, then the
// keyboard shows; typing asks should-change-characters before the text
// changes; Return asks should-return and then sends editing-did-end-on-exit;
// resigning asks should-end, then did-end, then the keyboard hides unless
// another input takes over. Each step also sends its control event and posts
// the text-field notification with the field as object.
//
// Text edits are in UTF-8 bytes; ranges are clamped to character boundaries.
// A field must be in a window, enabled and shown to take the focus.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageAsset.h"

namespace platform::ui {

class TextField;

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField* /*field*/) { return true; }
    virtual void textFieldDidBeginEditing(TextField* /*field*/) { }
    virtual bool textFieldShouldEndEditing(TextField* /*field*/) { return true; }
    virtual void textFieldDidEndEditing(TextField* /*field*/) { }
    virtual bool textFieldShouldChangeCharactersInRange(TextField* /*field*/, TextRange /*range*/, const std::string& /*replacement*/) { return true; }
    virtual bool textFieldShouldClear(TextField* /*field*/) { return true; }
    virtual bool textFieldShouldReturn(TextField* /*field*/) { return true; }
};

inline constexpr const char* kTextFieldTextDidBeginEditingNotification = "UITextFieldTextDidBeginEditingNotification";
inline constexpr const char* kTextFieldTextDidEndEditingNotification = "UITextFieldTextDidEndEditingNotification";
inline constexpr const char* kTextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";

class TextField : public Control {
public:
    enum class BorderStyle { None = 0, Line, Bezel, RoundedRect };
    enum class ViewMode { Never = 0, WhileEditing, UnlessEditing, Always };

    static Ref<TextField> textFieldWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    const std::string& text() const { return text_; }
    // Sets the text without delegate calls or events.
    virtual void setText(const std::string& text);
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(const std::string& p) { placeholder_ = p; setNeedsDisplay(); }
    Font* font() const { return font_.get(); }
    void setFont(Font* f) { if (f) font_ = f; setNeedsDisplay(); }
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& c) { textColor_ = c; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment a) { alignment_ = a; }
    BorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(BorderStyle b) { borderStyle_ = b; setNeedsDisplay(); }
    ViewMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(ViewMode m) { clearButtonMode_ = m; }
    bool clearsOnBeginEditing() const { return clearsOnBegin_; }
    void setClearsOnBeginEditing(bool c) { clearsOnBegin_ = c; }
    ImageAsset* background() const { return background_.get(); }
    void setBackground(ImageAsset* image) { background_ = image; }
    TextInputTraits& traits() { return traits_; }
    const TextInputTraits& traits() const { return traits_; }
    ReturnKeyType returnKeyType() const { return traits_.returnKeyType; }
    void setReturnKeyType(ReturnKeyType t) { traits_.returnKeyType = t; }
    bool isSecureTextEntry() const { return traits_.secureTextEntry; }
    void setSecureTextEntry(bool s) { traits_.secureTextEntry = s; }

    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* d) { delegate_ = d; }

    bool isEditing() const { return editing_; }
    TextRange selectedRange() const { return selection_; }
    void setSelectedRange(TextRange r) { selection_ = clampTextRange(text_, r); }

    bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    // Keyboard input while editing; each answers whether the text changed.
    bool insertText(const std::string& text);
    bool deleteBackward();
    // The Return key: answers the delegate's should-return.
    bool pressReturn();
    // The clear button: asks should-clear, then empties the text.
    bool clearButtonTapped();

    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;
    float chromeCornerRadius() const override;

protected:
    TextField() = default;
    ~TextField() override;
    void didTapInside(const Touch& t) override;
    friend class InterfaceBuilder;

private:
    bool replace(TextRange range, const std::string& replacement);

    std::string text_;
    std::string placeholder_;
    Ref<Font> font_;
    Ref<ImageAsset> background_;
    Color textColor_ { Color::black() };
    TextAlignment alignment_ { TextAlignment::Left };
    BorderStyle borderStyle_ { BorderStyle::None };
    ViewMode clearButtonMode_ { ViewMode::Never };
    TextInputTraits traits_;
    TextFieldDelegate* delegate_ { nullptr };
    TextRange selection_;
    bool clearsOnBegin_ { false };
    bool editing_ { false };
};

} // namespace platform::ui
