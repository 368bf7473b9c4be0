// The confirm-account screen: the device's accounts looked up, the one found
// logged in or the player sent on to pick or create one.
#include "social/dashboard/account/QVDoBootstrapController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVNewAccountController.h"
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVDoBootstrapController);

void QVDoBootstrapController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    titleLabel_ = label(root.get(), Rect(20, 40, w - 40, 30), 20, "Setting Up Quorvel", true);
    messageLabel_ = label(root.get(), Rect(20, 80, w - 40, 160), 14);
    messageLabel_->setHidden(true);
    activityIndicator_ = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    activityIndicator_->setFrame(Rect((w - 37) / 2, 120, 37, 37));
    activityIndicator_->startAnimating();
    root->addSubview(activityIndicator_.get());
    skipButton_ = button(root.get(), Rect((w - 200) / 2, 260, 200, 37), "Continue", this,
                         BRISKO_SELECTOR(QVDoBootstrapController, _skip));
    // Until the set-up stops with a message, leaving would skip the login unseen; meanwhile the
    // button looks as it is, drawn at half strength.
    skipButton_->setEnabled(false);
    skipButton_->setAlpha(kDisabledAlpha);
    setView(root.get());
}

void QVDoBootstrapController::viewWillAppear(bool)
{
    QuorvelInternal::dashboardRole().allowErrorScreens(false);
    navigationItem()->setHidesBackButton(true);
}

void QVDoBootstrapController::viewDidAppear(bool)
{
    if (NavigationController* nav = navigationController())
        nav->setNavigationBarHidden(true, true);
    setIntroFullscreen(false);
    if (lookupStarted_)
        return; // coming back to this screen starts nothing again
    lookupStarted_ = true;
    if (!QVReachability::isConnectedToInternet()) {
        _showMessageAndHideLoading(kOfflineMessage);
        return;
    }
    // The game turned the client off as this frame came up (a logout, or a decline, in
    // dashboardWillAppear): the client sends nothing now, so no lookup would ever answer.
    QVProvider* provider = QuorvelInternal::sessionRole().provider();
    if (!provider || provider->isDropping()) {
        _findUsersFailed();
        return;
    }
    QVUserService::findUsersForLocalDeviceOnSuccess(
        QVDelegate(this, BRISKO_SELECTOR(QVDoBootstrapController, _findUsersSucceeded)),
        QVDelegate(this, BRISKO_SELECTOR(QVDoBootstrapController, _findUsersFailed)));
}

void QVDoBootstrapController::_findUsersSucceeded(platform::Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    // With error screens off, an error answer arrives here too: its body is
    // no list of accounts, and reading it as none would force a new account.
    if (series->httpResponseStatusCode() >= 400) {
        _findUsersFailed(answer);
        return;
    }
    size_t count = series->count();
    QVDelegate succeeded(this, BRISKO_SELECTOR(QVDoBootstrapController, _bootstrapSucceded));
    QVDelegate failed(this, BRISKO_SELECTOR(QVDoBootstrapController, _bootstrapFailed));
    if (count == 0) {
        QuorvelInternal::login().doBootstrap(true, {}, succeeded, failed);
        return;
    }
    if (count == 1) {
        auto* user = dynamic_cast<QVUser*>(series->objectAtIndex(0));
        QuorvelInternal::login().doBootstrap(false, user ? user->resourceId() : std::string(), succeeded, failed);
        return;
    }
    Ref<ViewController> screen = QVControllerLoader::load("ExistingAccountMultiple");
    if (screen) {
        auto* choice = requireCast<QVExistingAccountController>(screen, "The account choice must take the accounts");
        choice->setUserResources(series);
        choice->setCompleteDelegate(mCompleteDelegate);
    }
    pushScreen(screen, true);
}

void QVDoBootstrapController::_findUsersFailed(platform::Object*) { _showMessageAndHideLoading(kFailedMessage); }

void QVDoBootstrapController::_bootstrapSucceded(platform::Object*)
{
    Ref<ViewController> screen;
    if (QuorvelInternal::options().loggedInUserIsNewUser()) {
        screen = QVControllerLoader::load("NewAccount");
        if (screen) {
            auto* naming = requireCast<QVNewAccountController>(screen, "The naming screen must take the flow's delegates");
            naming->setHideNavigationBar(true);
            naming->setCloseDashboardOnCompletion(true);
            naming->setCompleteDelegate(mCompleteDelegate);
            if (QuorvelInternal::dashboardRole().isLargeScreen())
                naming->hideContentFrame();
        }
    } else {
        screen = QVControllerLoader::load("ExistingAccount");
        if (screen)
            requireCast<QVExistingAccountController>(screen, "The account screen must take the flow's delegate")
                ->setCompleteDelegate(mCompleteDelegate);
    }
    pushScreen(screen, false);
}

void QVDoBootstrapController::_bootstrapFailed(platform::Object*) { _showMessageAndHideLoading(kFailedMessage); }

void QVDoBootstrapController::_showMessageAndHideLoading(const std::string& text)
{
    view();
    activityIndicator_->stopAnimating();
    activityIndicator_->setHidden(true);
    titleLabel_->setText("Error");
    messageLabel_->setText(text);
    messageLabel_->setHidden(false);
    skipButton_->setEnabled(true);
    skipButton_->setAlpha(1);
}

void QVDoBootstrapController::_skip()
{
    if (!skipButton()->isEnabled())
        return; // the set-up is still running and goes on by itself
    Ref<QVDoBootstrapController> keep(this);
    closeIntro();
    QVDelegate complete = mCompleteDelegate;
    mCompleteDelegate = QVDelegate(); // once
    complete.invoke(nullptr);
}

void QVDoBootstrapController::pushScreen(Ref<ViewController> screen, bool animated)
{
    pushOn(navigationController(), screen, animated);
}

} // namespace quorvel
