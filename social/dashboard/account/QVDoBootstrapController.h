// "DoBootstrap", the first screen of the account set-up sequence that follows
// the approval: looks up the device's accounts and logs the right one in (or
// creates one). The completion callback the central class gives it travels
// along the sequence and is invoked once, with nil, where the sequence ends.
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

class QVDoBootstrapController : public QVViewController, public QVConfirmAccountScreen {
    QV_DECLARE_CLASS(QVDoBootstrapController)
public:
    static constexpr const char* kOfflineMessage
        = "You're offline! Quorvel needs to connect to the internet one time to look up or create your account. "
          "Please connect to the internet and restart this application to enable Quorvel.";
    static constexpr const char* kFailedMessage
        = "Quorvel failed to initialize. Restarting this application while connected to the internet, or "
          "reinstalling it, may fix this error. If it does not, please write to support@quorvel.com.";

    // How strongly "Continue" is drawn while the set-up runs and it cannot be used.
    static constexpr float kDisabledAlpha = 0.5f;

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

} // namespace quorvel
