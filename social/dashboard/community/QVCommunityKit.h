// Small pieces the community screens (chat, conversations, forums, inbox,
// announcements) share: labels and text sizes for rows built in code, the
// dead-end and alert screens they show, and the way they steer the client's
// activity poller.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVRowLayout.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvel {

namespace community {

// The row layout helpers, for the screens that use the community namespace.
using layout::addSubviews;
using layout::makeLabel;
using layout::maxX;
using layout::maxY;
using layout::rowWidth;

// The size of the text in the label's font: as wide as it is on one line when
// width <= 0, else wrapped at that width (height unbounded).
platform::Size textSize(const platform::ui::Label* label, const std::string& text, float width = 0);
// Resizes the label to the height of its text at its width (at least minHeight).
float fitLabelHeight(platform::ui::Label* label, float minHeight = 0, float maxHeight = 0);

// Pushes a "DeadEndError" screen with the message on the stack (animated).
void pushDeadEnd(platform::ui::NavigationController* nav, const std::string& message);
void showAlert(const std::string& title, const std::string& message, const std::string& button);
// The central class's check that an error screen is already shown in the stack.
bool isShowingErrorScreen(platform::ui::NavigationController* nav);

} // namespace community

// The box under a chat room or a conversation: a field, its button and a
// backdrop that fade in and out with the screen. It posts without a loading
// screen and keeps the keyboard up. The field is emptied as the post goes;
// when the post fails the typed text comes back unless the player typed on,
// so nothing they wrote is lost.
class QVCommunityMessageBoxController : public QVFormControllerHelper {
public:
    platform::ui::ImageView* backgroundView() const { return backgroundView_.get(); }

    bool shouldShowLoadingScreenWhileSubmitting() override { return false; }
    bool shouldDismissKeyboardWhenSubmitting() override { return false; }
    bool canReceiveCallbacksNow() override { return true; }
    void onBeforeFormSubmitted() override;
    void onFormSubmitted() override { pendingText_.clear(); }
    void onPresentingErrorDialog() override;

    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    QVCommunityMessageBoxController() = default;

    // The field's text (empty without a field) and setting it (nothing without one).
    virtual std::string enteredText() const = 0;
    virtual void setEnteredText(const std::string& text) = 0;
    // The views that fade with the screen.
    virtual std::vector<platform::ui::View*> fadingViews() const = 0;

    platform::Ref<platform::ui::ImageView> backgroundView_;

private:
    void fade(float alpha, bool animated);

    std::string pendingText_;
};

// A message box whose field is a `Field` (anything with text() and
// setText()) beside one button: the field's text is what is entered, and the
// field, the button and the backdrop fade.
template <class Field>
class QVFieldMessageBoxController : public QVCommunityMessageBoxController {
protected:
    std::string enteredText() const override { return field_ ? field_->text() : std::string(); }
    void setEnteredText(const std::string& text) override
    {
        if (field_)
            field_->setText(text);
    }
    std::vector<platform::ui::View*> fadingViews() const override
    {
        return { field_.get(), button_.get(), backgroundView_.get() };
    }

    platform::Ref<Field> field_;
    platform::Ref<platform::ui::Button> button_;
};

// How the chat screens steer the client's activity poller: the chat interval
// while a room shows, the client's default interval when it goes. Tests
// install their own; by default the central class's poller is used.
struct QVCommunityPolling {
    std::function<void()> setChatFrequency;
    std::function<void()> restoreDefaultFrequency;
    // The interval a screen's own poller runs at while a conversation shows.
    std::function<double()> chatFrequency;

    static QVCommunityPolling& shared();
    static void resetToDefault();
};

} // namespace quorvel
