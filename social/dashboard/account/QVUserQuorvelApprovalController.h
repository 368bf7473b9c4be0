// QVUserQuorvelApprovalController ("UserQuorvelApproval"): the player accepts
// or declines the social client on this device. It is the native screen,
// unless a layout of that name gives the web screen (QVWebApprovalController).
// A player who declined can accept later from inside the dashboard
// (QVEnableQuorvelInDashboardController).
#pragma once

#include "social/core/QuorvelLoginScreens.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVUserQuorvelApprovalController : public QVViewController, public QVApprovalScreen {
    QV_DECLARE_CLASS(QVUserQuorvelApprovalController)
public:
    // "<the game> is Quorvel Enabled!", the line the approval screens show once the player accepts.
    static std::string enabledText();

    void setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied) override;
    void clickedUseQuorvel();
    void clickedDontUseQuorvel();
    void dismiss();

    platform::ui::Label* appNameLabel() { view(); return appNameLabel_.get(); }
    platform::ui::Button* useButton() { view(); return useButton_.get(); }
    platform::ui::Button* dontUseButton() { view(); return dontUseButton_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVUserQuorvelApprovalController() = default;

private:
    QVDelegate mApprovedDelegate;
    QVDelegate mDeniedDelegate;
    bool answered_ { false };
    platform::Ref<platform::ui::Label> appNameLabel_;
    platform::Ref<platform::ui::Button> useButton_;
    platform::Ref<platform::ui::Button> dontUseButton_;
};

} // namespace quorvel
