// The base of the client's plain screens.
#include "social/ui/QVViewController.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScrollView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVViewHelper.h"

namespace quorvel {

using namespace platform::ui;

QV_REGISTER_CLASS(QVViewController);

QVNavigationController* QVViewController::qvNavigationController() const
{
    return dynamic_cast<QVNavigationController*>(navigationController());
}

void QVViewController::showLoadingScreen() { loadingOverlay_.show(qvNavigationController(), this); }

void QVViewController::hideLoadingScreen() { loadingOverlay_.hide(qvNavigationController()); }

void QVViewController::showLoadingScreenWithMessage(const std::string& message)
{
    if (loadingScreen_ && loadingScreen_->isViewLoaded())
        loadingScreen_->view()->removeFromSuperview();
    auto loading = QVLoadingController::loadingControllerWithText(message);
    loadingScreen_ = loading.get();
    if (loading)
        view()->addSubview(loading->view());
}

void QVViewController::setBadgeValue(const std::optional<std::string>& value)
{
    badgeValue_ = value;
    QVShowBadgeOnOwningTab(this, qvNavigationController(), value);
}

platform::Object* QVViewController::getPageContextUser() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->currentUser() : nullptr;
}

bool QVViewController::isCurrentlyInIntroFlow() const
{
    QVIntroFrame* intro = QVDashboardRole::current().activeIntroFrame();
    return intro && navigationController() && intro->navController() == navigationController();
}

bool QVViewController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

void QVViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    if (ScrollView* scroll = QVViewHelper::findFirstScrollView(view())) {
        platform::Size extent = QVViewHelper::subviewsExtent(scroll);
        extent.height += kScrollContentPadding;
        scroll->setContentSize(extent);
    }
}

void QVViewController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    hideLoadingScreen();
}

} // namespace quorvel
