// Alerts and action sheets as recorders: they hold their title, message and
// buttons, appear in a list of shown panels when shown (which keeps them
// alive), and are answered by a test through clickButton.
//
// Button indexes follow the platform: an alert's cancel button is index 0
// and the other buttons follow in order; an action sheet puts the destructive
// button first, then the others, the cancel button last. Answering a button
// tells the delegate clicked, will-dismiss and did-dismiss, in that order.
// Delegates are held weakly: a panel can outlive the screen that showed it
// (the screen closed while the panel is up), and a delegate destroyed since is
// no longer told anything, so no screen has to detach itself as it goes. A
// delegate that is no platform::Object cannot be watched; its owner keeps it
// alive while the panel is up.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/View.h"

#include <string>
#include <vector>

namespace platform::ui {

class AlertView;
class ActionSheet;
class BarButtonItem;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView* /*alert*/, int /*index*/) { }
    virtual void willPresentAlertView(AlertView* /*alert*/) { }
    virtual void didPresentAlertView(AlertView* /*alert*/) { }
    virtual void alertViewWillDismissWithButtonIndex(AlertView* /*alert*/, int /*index*/) { }
    virtual void alertViewDidDismissWithButtonIndex(AlertView* /*alert*/, int /*index*/) { }
    virtual void alertViewCancel(AlertView* /*alert*/) { }
};

class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(ActionSheet* /*sheet*/, int /*index*/) { }
    virtual void willPresentActionSheet(ActionSheet* /*sheet*/) { }
    virtual void didPresentActionSheet(ActionSheet* /*sheet*/) { }
    virtual void actionSheetWillDismissWithButtonIndex(ActionSheet* /*sheet*/, int /*index*/) { }
    virtual void actionSheetDidDismissWithButtonIndex(ActionSheet* /*sheet*/, int /*index*/) { }
    virtual void actionSheetCancel(ActionSheet* /*sheet*/) { }
};

// What alerts and sheets share: a title and an ordered list of buttons.
class ButtonPanel : public View {
public:
    const std::string& title() const { return title_; }
    void setTitle(const std::string& t) { title_ = t; }
    // Appends a button; answers its index.
    int addButtonWithTitle(const std::string& title);
    int numberOfButtons() const { return static_cast<int>(buttons_.size()); }
    // "" for an index out of range.
    std::string buttonTitleAtIndex(int index) const;
    // -1 when there is none.
    int indexOfButtonWithTitle(const std::string& title) const;
    const std::vector<std::string>& buttonTitles() const { return buttons_; }
    int cancelButtonIndex() const { return cancelIndex_; }
    void setCancelButtonIndex(int i) { cancelIndex_ = i; }
    bool isVisible() const { return visible_; }

    // Answers a button as the user would; false (and nothing happens) when the
    // panel is not shown or the index is out of range.
    bool clickButton(int index);
    bool clickButton(const std::string& title) { return clickButton(indexOfButtonWithTitle(title)); }
    // Dismisses as if the button had been chosen, without the clicked call.
    void dismissWithClickedButtonIndex(int index, bool animated);

    std::string dumpText() const override;
    // Drops every shown alert and sheet without telling their delegates (between tests).
    static void forgetAllShown();

protected:
    ButtonPanel() = default;
    void present();
    virtual void tellWillPresent() = 0;
    virtual void tellDidPresent() = 0;
    virtual void tellClicked(int index) = 0;
    virtual void tellWillDismiss(int index) = 0;
    virtual void tellDidDismiss(int index) = 0;

    std::string title_;
    std::vector<std::string> buttons_;
    int cancelIndex_ { -1 };
    bool visible_ { false };
};

class AlertView final : public ButtonPanel {
public:
    // An empty cancel title means no cancel button.
    static Ref<AlertView> alert(const std::string& title, const std::string& message, AlertViewDelegate* delegate,
                                const std::string& cancelButtonTitle, const std::vector<std::string>& otherButtonTitles = {});
    const std::string& message() const { return message_; }
    void setMessage(const std::string& m) { message_ = m; }
    AlertViewDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(AlertViewDelegate* d) { delegate_ = d; }
    // -1 without other buttons.
    int firstOtherButtonIndex() const { return firstOther_; }

    void show();
    // Alerts shown and not yet dismissed, oldest first.
    static std::vector<Ref<AlertView>> visibleAlerts();
    static void dismissAll();

private:
    AlertView() = default;
    // Each call keeps the delegate alive for its length.
    void tellWillPresent() override { if (auto d = delegate_.lock()) d->willPresentAlertView(this); }
    void tellDidPresent() override { if (auto d = delegate_.lock()) d->didPresentAlertView(this); }
    void tellClicked(int i) override { if (auto d = delegate_.lock()) d->alertViewClickedButtonAtIndex(this, i); }
    void tellWillDismiss(int i) override { if (auto d = delegate_.lock()) d->alertViewWillDismissWithButtonIndex(this, i); }
    void tellDidDismiss(int i) override { if (auto d = delegate_.lock()) d->alertViewDidDismissWithButtonIndex(this, i); }

    std::string message_;
    WeakLink<AlertViewDelegate> delegate_;
    int firstOther_ { -1 };
};

class ActionSheet final : public ButtonPanel {
public:
    enum class Style { Automatic = -1, Default = 0, BlackTranslucent = 1, BlackOpaque = 2 };
    // Empty titles mean no such button.
    static Ref<ActionSheet> sheet(const std::string& title, ActionSheetDelegate* delegate, const std::string& cancelButtonTitle,
                                  const std::string& destructiveButtonTitle, const std::vector<std::string>& otherButtonTitles = {});
    ActionSheetDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(ActionSheetDelegate* d) { delegate_ = d; }
    int destructiveButtonIndex() const { return destructiveIndex_; }
    int firstOtherButtonIndex() const { return firstOther_; }
    Style actionSheetStyle() const { return style_; }
    void setActionSheetStyle(Style s) { style_ = s; }

    void showInView(View* view);
    void showFromRect(const Rect& rect, View* view, bool animated);
    void showFromBarButtonItem(BarButtonItem* item, bool animated);
    // Where it was shown (null for a bar button item).
    View* shownInView() const { return shownIn_.get(); }

    static std::vector<Ref<ActionSheet>> visibleSheets();
    static void dismissAll();

private:
    ActionSheet() = default;
    void tellWillPresent() override { if (auto d = delegate_.lock()) d->willPresentActionSheet(this); }
    void tellDidPresent() override { if (auto d = delegate_.lock()) d->didPresentActionSheet(this); }
    void tellClicked(int i) override { if (auto d = delegate_.lock()) d->actionSheetClickedButtonAtIndex(this, i); }
    void tellWillDismiss(int i) override { if (auto d = delegate_.lock()) d->actionSheetWillDismissWithButtonIndex(this, i); }
    void tellDidDismiss(int i) override { if (auto d = delegate_.lock()) d->actionSheetDidDismissWithButtonIndex(this, i); }

    WeakLink<ActionSheetDelegate> delegate_;
    Ref<View> shownIn_;
    int destructiveIndex_ { -1 };
    int firstOther_ { -1 };
    Style style_ { Style::Automatic };
};

} // namespace platform::ui
