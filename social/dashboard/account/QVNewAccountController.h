// "NewAccount": names a new player.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVSelectUserWidget.h"

namespace quorvel {

class QVNewAccountController : public QVFormControllerHelper {
    QV_DECLARE_CLASS(QVNewAccountController)
public:
    void setCompleteDelegate(const QVDelegate& d) { mOnCompletionDelegate = d; }
    void setCancelDelegate(const QVDelegate& d) { mOnCancelDelegate = d; }
    void setHideNavigationBar(bool hide) { hideNavigationBar_ = hide; }
    void setAllowNavigatingBack(bool allow) { allowNavigatingBack_ = allow; }
    void setCloseDashboardOnCompletion(bool close) { closeDashboardOnCompletion_ = close; }
    bool closeDashboardOnCompletion() const { return closeDashboardOnCompletion_; }
    void hideContentFrame();
    void hideIntroFlowViews();
    void showNameLoadingView(const std::string& text);
    void hideNameLoadingView();
    void cancelled();
    void _useDefaultName() { continueFlow(); }
    void _alreadyCreatedAccount();
    void continueFlow(platform::Object* = nullptr);
    void dismiss(platform::Object* = nullptr);
    void popBackToMe(platform::Object* = nullptr);
    bool hasBeenDismissed() const { return hasBeenDismissed_; }

    platform::ui::TextField* nameEntryField() { view(); return nameEntryField_.get(); }
    platform::ui::Button* acceptNameButton() { view(); return acceptNameButton_.get(); }
    platform::ui::Button* useDefaultNameButton() { view(); return useDefaultNameButton_.get(); }
    platform::ui::Button* alreadyHaveAccountButton() { view(); return alreadyHaveAccountButton_.get(); }
    platform::ui::View* nameLoadingView() const { return loadingView_.get(); }

    // Form hooks.
    std::string getFormSubmissionUrl() override { return "users/update_name.xml"; }
    std::string singularResourceName() override { return "user"; }
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("name", 1); }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool shouldShowLoadingScreenWhileSubmitting() override { return false; }
    void onSubmitForm(platform::Object* sender = nullptr) override;
    void onFormSubmitted() override;
    void onPresentingErrorDialog() override;
    void textFieldDidBeginEditing(platform::ui::TextField* field) override;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVNewAccountController() = default;

private:
    void _acceptName() { onSubmitForm(); }
    QVDelegate mOnCompletionDelegate;
    QVDelegate mOnCancelDelegate;
    bool hideNavigationBar_ { false };
    bool allowNavigatingBack_ { false };
    bool closeDashboardOnCompletion_ { false };
    bool hasBeenDismissed_ { false };
    std::string desiredName_;
    platform::Ref<platform::ui::View> loadingView_;
    platform::Ref<platform::ui::View> contentView_;
    platform::Ref<platform::ui::View> logoView_;
    platform::Ref<platform::ui::Label> appNameLabel_;
    platform::Ref<platform::ui::TextField> nameEntryField_;
    platform::Ref<QVImageView> profileImageView_;
    platform::Ref<platform::ui::Button> acceptNameButton_;
    platform::Ref<platform::ui::Button> useDefaultNameButton_;
    platform::Ref<platform::ui::Button> alreadyHaveAccountButton_;
};

} // namespace quorvel
