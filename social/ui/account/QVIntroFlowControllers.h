// The screens of the account set-up sequence that follows the approval:
// "DoBootstrap" looks up the device's accounts and logs the right one in (or
// creates one), "ExistingAccount" / "ExistingAccountMultiple" confirm or pick
// the account, "NewAccount" names a new player, "LinkSocialNetworks" offers
// Facebook, Twitter, location and online status, "GameCenterIntegration"
// closes the sequence where Game Center is in use. The completion callback
// the central class gives the first screen travels along and is invoked once,
// with nil, where the sequence ends.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/services/QVUser.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVSelectUserWidget.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/account/QVAccountViews.h"

namespace quorvel {

class QVDoBootstrapController : public QVViewController, public QVConfirmAccountScreen {
    QV_DECLARE_CLASS(QVDoBootstrapController)
public:
    static constexpr const char* kOfflineMessage
        = "You're offline! Quorvel needs to connect to the internet one time to look up or create your account. "
          "Please connect to the internet and restart this application to enable Quorvel.";
    static constexpr const char* kFailedMessage
        = "Quorvel failed to initialize. Restarting this application while connected to the internet, or "
          "reinstalling it, may fix this error. If it does not, please write to support@quorvel.com.";

    void setCompleteDelegate(const QVDelegate& d) override { mCompleteDelegate = d; }
    void _skip();
    void _findUsersSucceeded(platform::Object* series);
    void _findUsersFailed(platform::Object* = nullptr);
    void _bootstrapSucceded(platform::Object* = nullptr);
    void _bootstrapFailed(platform::Object* = nullptr);

    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    platform::ui::Label* messageLabel() { view(); return messageLabel_.get(); }
    platform::ui::ActivityIndicator* activityIndicator() { view(); return activityIndicator_.get(); }
    platform::ui::Button* skipButton() { view(); return skipButton_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVDoBootstrapController() = default;

private:
    void _showMessageAndHideLoading(const std::string& text);
    void pushScreen(platform::Ref<platform::ui::ViewController> screen, bool animated);
    QVDelegate mCompleteDelegate;
    bool lookupStarted_ { false };
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> messageLabel_;
    platform::Ref<platform::ui::ActivityIndicator> activityIndicator_;
    platform::Ref<platform::ui::Button> skipButton_;
};

class QVExistingAccountController : public QVViewController, public QVSelectUserWidgetDelegate {
    QV_DECLARE_CLASS(QVExistingAccountController)
public:
    // Slides the navigation bar in (down from above) or out, over 0.5 s.
    static void customAnimateNavigationController(platform::ui::NavigationController* nav, bool animateIn);

    void setCompleteDelegate(const QVDelegate& d) { mOnCompletionDelegate = d; }
    // The accounts to choose from (the "ExistingAccountMultiple" layout only).
    void setUserResources(platform::Object* series);
    void selectUserWidget(QVSelectUserWidget* widget, QVUser* user) override;
    void _edit();
    void _ok() { continueFlow(); }
    void _thisIsntMe();
    void continueFlow(platform::Object* = nullptr);
    void onBootstrapFailure(platform::Object* = nullptr);
    void popBackToMe(platform::Object* = nullptr);
    void dismiss();
    bool hasBeenDismissed() const { return hasBeenDismissed_; }

    platform::ui::Label* appNameLabel() { view(); return appNameLabel_.get(); }
    platform::ui::Label* usernameLabel() { view(); return usernameLabel_.get(); }
    platform::ui::Label* scoreLabel() { view(); return scoreLabel_.get(); }
    platform::ui::Button* okButton() { view(); return okButton_.get(); }
    platform::ui::Button* notMeButton() { view(); return notMeButton_.get(); }
    platform::ui::Button* editButton() { view(); return editButton_.get(); }
    // The list of accounts to choose from ("ExistingAccountMultiple" only, else null).
    QVSelectUserWidget* selectUserWidget() { view(); return selectUserWidget_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVExistingAccountController() = default;
    virtual bool isMultiple() const { return false; }

private:
    QVDelegate mOnCompletionDelegate;
    bool hasBeenDismissed_ { false };
    platform::Ref<QVUser> previousLocalUser_;
    std::vector<platform::Ref<QVUser>> users_;
    platform::Ref<QVSelectUserWidget> selectUserWidget_;
    platform::Ref<platform::ui::Label> appNameLabel_;
    platform::Ref<platform::ui::Label> usernameLabel_;
    platform::Ref<platform::ui::Label> scoreLabel_;
    platform::Ref<QVImageView> profileImageView_;
    platform::Ref<platform::ui::Button> okButton_;
    platform::Ref<platform::ui::Button> notMeButton_;
    platform::Ref<platform::ui::Button> editButton_;
};

// "ExistingAccountMultiple": the same screen with the list of accounts.
class QVExistingAccountMultipleController : public QVExistingAccountController {
    QV_DECLARE_CLASS(QVExistingAccountMultipleController)
protected:
    QVExistingAccountMultipleController() = default;
    bool isMultiple() const override { return true; }
};

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

class QVLinkSocialNetworksController : public QVViewController {
    QV_DECLARE_CLASS(QVLinkSocialNetworksController)
public:
    static bool hasSessionSeenLinkSocialNetworksScreen();
    static void invalidateSessionSeenLinkSocialNetworksScreen();
    void setCompleteDelegate(const QVDelegate& d) { mOnCompletionDelegate = d; }
    void onImportFromFacebook();
    void onImportFromTwitter();
    void onSkip();

    platform::ui::Button* connectTwitterButton() { view(); return mBtnConnectTwitter.get(); }
    platform::ui::Button* connectFacebookButton() { view(); return mBtnConnectFacebook.get(); }
    platform::ui::Switch* shareLocationSwitch() { view(); return mShareLocationSwitch.get(); }
    platform::ui::Switch* shareOnlineStatusSwitch() { view(); return mShareOnlineStatusSwitch.get(); }
    platform::ui::Button* continueButton() { view(); return continueButton_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    QVLinkSocialNetworksController() = default;

private:
    void importFrom(const std::string& network);
    QVDelegate mOnCompletionDelegate;
    bool mShareLocationOriginalState { false };
    bool mShareOnlineStatusOriginalState { false };
    platform::Ref<platform::ui::Label> mAppNameLabel;
    platform::Ref<platform::ui::Button> mBtnConnectTwitter;
    platform::Ref<platform::ui::Button> mBtnConnectFacebook;
    platform::Ref<platform::ui::Switch> mShareLocationSwitch;
    platform::Ref<platform::ui::Switch> mShareOnlineStatusSwitch;
    platform::Ref<platform::ui::Button> continueButton_;
};

class QVGameCenterIntegrationController : public QVViewController {
    QV_DECLARE_CLASS(QVGameCenterIntegrationController)
public:
    void onContinue();
    platform::ui::Label* nowPlayingLabel() { view(); return nowPlayingLabel_.get(); }
    platform::ui::Button* continueButton() { view(); return continueButton_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

protected:
    QVGameCenterIntegrationController() = default;

private:
    platform::Ref<platform::ui::Label> nowPlayingLabel_;
    platform::Ref<platform::ui::Button> continueButton_;
};

} // namespace quorvel
