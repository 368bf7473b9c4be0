// QVCommunityMessageBoxController: the box under a chat room or a
// conversation: a field, its button and a backdrop that fade in and out with
// the screen. It posts without a loading screen and keeps the keyboard up. The field is emptied as the post goes;
// when the post fails the typed text comes back unless the player typed on,
// so nothing they wrote is lost.
#pragma once

#include "platform/ui/ImageView.h"
#include "social/ui/QVFormControllerHelper.h"

#include <string>
#include <vector>

namespace quorvel {

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

} // namespace quorvel
