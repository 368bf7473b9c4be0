// A search bar: a 44-point bar holding a rounded search field (Return key
// "Search") and, when shown, a "Cancel" button at its right end.
//
// The field is a TextField, so TestDriver types into it, presses its Return
// key and taps it through real hit testing like any field. The bar turns the
// field's events into its delegate's calls: should-begin and did-begin
// editing, did-change with the new text after each edit by the user (setText
// in code tells nothing), did-end editing, the search button (the Return key)
// and the cancel button (a tap on it). The delegate is not retained.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

#include <string>

namespace platform::ui {

class SearchBar;

class SearchBarDelegate {
public:
    virtual ~SearchBarDelegate() = default;
    virtual bool searchBarShouldBeginEditing(SearchBar* /*searchBar*/) { return true; }
    virtual void searchBarTextDidBeginEditing(SearchBar* /*searchBar*/) { }
    virtual void searchBarTextDidEndEditing(SearchBar* /*searchBar*/) { }
    virtual void searchBarTextDidChange(SearchBar* /*searchBar*/, const std::string& /*searchText*/) { }
    virtual void searchBarSearchButtonClicked(SearchBar* /*searchBar*/) { }
    virtual void searchBarCancelButtonClicked(SearchBar* /*searchBar*/) { }
};

class SearchBar : public View, private TextFieldDelegate {
public:
    static constexpr float kHeight = 44;

    static Ref<SearchBar> searchBarWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    const std::string& text() const { return field_->text(); }
    void setText(const std::string& text) { field_->setText(text); }
    const std::string& placeholder() const { return field_->placeholder(); }
    void setPlaceholder(const std::string& placeholder) { field_->setPlaceholder(placeholder); }
    bool showsCancelButton() const { return showsCancel_; }
    void setShowsCancelButton(bool shows);

    SearchBarDelegate* delegate() const { return delegate_; }
    void setDelegate(SearchBarDelegate* delegate) { delegate_ = delegate; }

    // The parts, for tests and for screens that style them.
    TextField* searchField() const { return field_.get(); }
    Button* cancelButton() const { return cancel_.get(); }

    bool becomeFirstResponder() override { return field_->becomeFirstResponder(); }
    bool resignFirstResponder() override { return field_->resignFirstResponder(); }

    void layoutSubviews() override;
    Size sizeThatFits(Size size) const override { return Size(size.width, kHeight); }
    std::string dumpText() const override { return field_->dumpText(); }
    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    SearchBar() = default;
    ~SearchBar() override;

private:
    void build();
    void cancelTapped();
    void textChanged();

    bool textFieldShouldBeginEditing(TextField* field) override;
    void textFieldDidBeginEditing(TextField* field) override;
    void textFieldDidEndEditing(TextField* field) override;
    bool textFieldShouldReturn(TextField* field) override;

    Ref<TextField> field_;
    Ref<Button> cancel_;
    SearchBarDelegate* delegate_ { nullptr };
    bool showsCancel_ { false };
};

} // namespace platform::ui
