// The text controls of the client's forms and message boxes: a text field
// that can close the keyboard on return and keep itself visible above the
// keyboard inside a scrolling form; a framed text view; a text view that
// scrolls by whole lines; a multi-line field over a rounded field background;
// and the message box that grows a line at a time up to its limit.
// None of them limits the length of the text.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/ui/QVClassRegistry.h"

namespace quorvel {

class QVDefaultTextField;

// Made by the text field the first time one of its features is switched on;
// it becomes the field's delegate and follows the keyboard notifications.
class QVDefaultTextFieldDelegate : public platform::Object, public platform::ui::TextFieldDelegate {
public:
    static constexpr double kResizeDuration = 0.3;
    static platform::Ref<QVDefaultTextFieldDelegate> delegateForOwner(QVDefaultTextField* owner);
    ~QVDefaultTextFieldDelegate() override;

    bool closeKeyboardOnReturn() const { return closeKeyboardOnReturn_; }
    void setCloseKeyboardOnReturn(bool c) { closeKeyboardOnReturn_ = c; }
    bool manageScrollViewOnFocus() const { return manageScrollViewOnFocus_; }
    void setManageScrollViewOnFocus(bool m) { manageScrollViewOnFocus_ = m; }
    bool isKeyboardShown() const { return mIsKeyboardShown; }

    // The owner's superview, or its superview, when that is a scroll view.
    platform::ui::ScrollView* getScrollView() const;

    bool textFieldShouldReturn(platform::ui::TextField* field) override;
    void textFieldDidBeginEditing(platform::ui::TextField* field) override;

private:
    QVDefaultTextFieldDelegate() = default;
    void _KeyboardDidShow(const platform::Value& userInfo);
    void _KeyboardDidHide();
    void scrollOwnerIntoView(platform::ui::ScrollView* scroll);

    QVDefaultTextField* owner_ { nullptr }; // the field owns this delegate
    bool closeKeyboardOnReturn_ { false };
    bool manageScrollViewOnFocus_ { false };
    float mViewHeightWithoutKeyboard { 0 };
    bool mIsKeyboardShown { false };
};

class QVDefaultTextField : public platform::ui::TextField {
    QV_DECLARE_CLASS(QVDefaultTextField)
public:
    static platform::Ref<QVDefaultTextField> fieldWithFrame(const platform::Rect& frame);

    void setCloseKeyboardOnReturn(bool close);
    void setManageScrollViewOnFocus(bool manage);
    bool closeKeyboardOnReturn() const { return intermediateDelegate_ && intermediateDelegate_->closeKeyboardOnReturn(); }
    bool manageScrollViewOnFocus() const
    {
        return intermediateDelegate_ && intermediateDelegate_->manageScrollViewOnFocus();
    }
    QVDefaultTextFieldDelegate* intermediateDelegate() const { return intermediateDelegate_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVDefaultTextField() = default;

private:
    void createIntermediateDelegate();
    platform::Ref<QVDefaultTextFieldDelegate> intermediateDelegate_;
};

// A text view with the stretched frame image just below it in its superview.
class QVDefaultTextView : public platform::ui::TextView {
    QV_DECLARE_CLASS(QVDefaultTextView)
public:
    static platform::Ref<QVDefaultTextView> textViewWithFrame(const platform::Rect& frame);
    platform::ui::ImageView* backgroundImageView() const { return bgView_.get(); }
    void didMoveToSuperview() override;
    void setFrame(const platform::Rect& frame) override;
    void removeFromSuperview() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVDefaultTextView() = default;

private:
    platform::Ref<platform::ui::ImageView> bgView_;
};

// A text view whose content height is a whole number of lines.
class QVTextView : public platform::ui::TextView {
    QV_DECLARE_CLASS(QVTextView)
public:
    static platform::Ref<QVTextView> textViewWithFrame(const platform::Rect& frame);
    float lineHeight() const { return lineHeight_; }
    void setLineHeight(float h) { lineHeight_ = h; }
    void setContentSize(platform::Size size) override;
    // The inset is fixed: (0, 0, 3, 0) on large screens, (3, 0, 3, 0) otherwise.
    void setContentInset(platform::ui::EdgeInsets insets) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTextView() = default;

private:
    float lineHeight_ { 0 };
};

class QVMultilineTextField : public platform::ui::TextView {
    QV_DECLARE_CLASS(QVMultilineTextField)
public:
    // One made in code, with its rounded field behind the text.
    static platform::Ref<QVMultilineTextField> fieldWithFrame(const platform::Rect& frame);
    platform::ui::TextField* backgroundTextField() const { return backgroundTextField_.get(); }
    void awakeFromNib() override;
    void setContentInset(platform::ui::EdgeInsets insets) override;
    void setContentOffset(platform::Point offset, bool animated = false) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVMultilineTextField() = default;

private:
    platform::Ref<platform::ui::TextField> backgroundTextField_;
};

class QVExpandableSinglelineTextField;

class QVExpandableSinglelineTextFieldDelegate {
public:
    virtual ~QVExpandableSinglelineTextFieldDelegate() = default;
    virtual void multilineTextFieldDidResize(QVExpandableSinglelineTextField* field) = 0;
};

// The growing message box: one line high at first, a line taller per wrapped
// line up to maxLines, then the text scrolls inside it.
class QVExpandableSinglelineTextField : public platform::ui::View, public platform::ui::TextViewDelegate {
    QV_DECLARE_CLASS(QVExpandableSinglelineTextField)
public:
    static constexpr float kTextInsetWidth = 14;
    static constexpr float kExtraHeightLarge = 15;
    static constexpr float kExtraHeightSmall = 7;

    void awakeFromNib() override;

    const std::string& text() const;
    void setText(const std::string& text);
    int minLines() const { return minLines_; }
    void setMinLines(int n) { minLines_ = n; }
    int maxLines() const { return maxLines_; }
    void setMaxLines(int n) { maxLines_ = n; }
    bool shouldModifySize() const { return shouldModifySize_; }
    void setShouldModifySize(bool s) { shouldModifySize_ = s; }
    float lineHeight() const { return lineHeight_; }
    QVExpandableSinglelineTextFieldDelegate* multilineTextFieldDelegate() const { return delegate_.get(); }
    // Not retained.
    void setMultilineTextFieldDelegate(QVExpandableSinglelineTextFieldDelegate* d) { delegate_ = d; }
    QVTextView* internalTextView() const { return internalTextView_.get(); }
    platform::ui::TextField* internalTextField() const { return internalTextField_.get(); }

    bool isFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool canBecomeFirstResponder() const override;
    bool resignFirstResponder() override;
    bool canResignFirstResponder() const override;

    bool textViewShouldChangeTextInRange(platform::ui::TextView* view, platform::ui::TextRange range,
                                         const std::string& text) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVExpandableSinglelineTextField() = default;

private:
    void resizeForProposedText(const std::string& proposed);

    platform::Ref<platform::ui::TextField> internalTextField_;
    platform::Ref<QVTextView> internalTextView_;
    platform::Ref<platform::Font> font_;
    float lineHeight_ { 0 };
    int minLines_ { 0 };
    int maxLines_ { 0 };
    bool shouldModifySize_ { false };
    platform::WeakLink<QVExpandableSinglelineTextFieldDelegate> delegate_;
};

} // namespace quorvel
