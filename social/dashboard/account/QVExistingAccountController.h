// "ExistingAccount" / "ExistingAccountMultiple": confirm the account found
// for the device, or pick one of several.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVSelectUserWidget.h"

#include <string>

namespace quorvel {

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
    // Clear on a large screen, where the intro frame's background shows.
    void viewDidLoad() override;
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
    std::string chosenUserId_; // the account picked, whose login runs
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

} // namespace quorvel
