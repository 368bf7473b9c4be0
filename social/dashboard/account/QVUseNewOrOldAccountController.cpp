// Switching to another account used on this device.
#include "social/dashboard/account/QVUseNewOrOldAccountController.h"

#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/dashboard/account/QVQuorvelAccountLoginController.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/dashboard/common/QVScreenKit.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVUseNewOrOldAccountController);

bool QVUseNewOrOldAccountController::init()
{
    if (!QVTableSequenceControllerHelper::init())
        return false;
    setTitle("Choose Account");
    return true;
}

QVService* QVUseNewOrOldAccountController::getService() { return &QVUserService::service(); }

void QVUseNewOrOldAccountController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersForLocalDeviceOnSuccess(onSuccess, onFailure);
}

void QVUseNewOrOldAccountController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("User"); }

void QVUseNewOrOldAccountController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    // Made once the screen's view has its place (a framed stack wraps it after
    // it loads): the header and footer show before the list arrives, and stay
    // when it fails.
    const float w = QVFramedContentWrapperView::contentOf(view())->bounds().size.width;
    if (!footerButton_ || headerWidth_ != w)
        _createAndDisplayTableHeader();
}

void QVUseNewOrOldAccountController::_createAndDisplayTableHeader()
{
    TableView* table = tableView();
    if (!table)
        return;
    // In a framed stack the screen's view is the frame's wrapper: the table is
    // as wide as the wrapped view, inside the frame's insets.
    const float w = QVFramedContentWrapperView::contentOf(view())->bounds().size.width;
    headerWidth_ = w;
    // The header is as high as its text needs (on a phone on its side the text takes one line,
    // and the two lines' room it left pushed the footer's button past the list).
    Ref<View> header = View::viewWithFrame(Rect(0, 0, w, 50));
    header->setBackgroundColor(std::nullopt);
    Ref<Label> text = account_views::label(header.get(), Rect(10, 6, w - 20, 38), 13,
                                           "Choose the account to play with on this device:");
    if (text && text->font()) {
        Rect t = text->frame();
        t.size.height = std::ceil(common::textSize(text.get(), text->text(), t.size.width).height);
        text->setFrame(t);
        Rect h = header->frame();
        h.size.height = t.origin.y * 2 + t.size.height;
        header->setFrame(h);
    }
    Ref<View> footer = View::viewWithFrame(Rect(0, 0, w, 60));
    footer->setBackgroundColor(std::nullopt);
    footerButton_ = account_views::button(footer.get(), Rect((w - 240) / 2, 12, 240, 37), "Log in to another account",
                                          this, BRISKO_SELECTOR(QVUseNewOrOldAccountController, clickedUseOld));
    account_views::capButtonBackground(footerButton_.get());
    table->setTableHeaderView(header.get());
    table->setTableFooterView(footer.get());
}

void QVUseNewOrOldAccountController::onCellWasClicked(platform::Object* resource, IndexPath)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    if (!user)
        return;
    showLoadingScreen();
    errorScreens_.take();
    if (QVProvider* provider = QuorvelInternal::sessionRole().provider())
        provider->destroyLocalCredentials();
    QuorvelInternal::login().doBootstrap(false, user->resourceId(),
                         QVDelegate(this, BRISKO_SELECTOR(QVUseNewOrOldAccountController, _bootstrapSuccess)),
                         QVDelegate(this, BRISKO_SELECTOR(QVUseNewOrOldAccountController, _bootstrapFailed)));
}

void QVUseNewOrOldAccountController::_bootstrapSuccess(platform::Object* outcome)
{
    errorScreens_.giveBack();
    hideLoadingScreen();
    // The login form failed: it shows the dead end already.
    if (QVAccountSetupBaseController::isLoginFailure(outcome))
        return;
    QuorvelInternal::hub().reloadInactiveTabBars();
    NavigationController* nav = navigationController();
    Ref<QVShowMessageAndReturnController> message = QVAccountSetupBaseController::getStandardLoggedInController();
    if (!nav || !message)
        return;
    message->setControllerToPopTo(nav->viewControllers().front().get());
    nav->pushViewController(message.get(), true);
}

void QVUseNewOrOldAccountController::_bootstrapFailed(platform::Object*)
{
    // Not logged in: the player must not read that the switch worked.
    errorScreens_.giveBack();
    hideLoadingScreen();
    if (NavigationController* nav = navigationController()) {
        auto error = QVDeadEndErrorController::deadEndErrorWithMessage(QVAccountSetupBaseController::kLoginFailedMessage);
        nav->pushViewController(error.get(), true);
    }
}

void QVUseNewOrOldAccountController::_popBackToRoot(platform::Object*)
{
    QuorvelInternal::hub().reloadInactiveTabBars();
    if (NavigationController* nav = navigationController())
        nav->popToRootViewControllerAnimated(true);
}

void QVUseNewOrOldAccountController::clickedUseOld()
{
    Ref<ViewController> screen = QVControllerLoader::load("QuorvelAccountLogin");
    NavigationController* nav = navigationController();
    if (!screen || !nav)
        return;
    auto* login = requireCast<QVQuorvelAccountLoginController>(screen, "The sign-in screen must take the flow's delegates");
    login->setHideIntroFlowSpacer(true);
    login->setCompletionDelegate(QVDelegate(this, BRISKO_SELECTOR(QVUseNewOrOldAccountController, _bootstrapSuccess)));
    login->setCancelDelegate(QVDelegate(this, BRISKO_SELECTOR(QVUseNewOrOldAccountController, _popBackToRoot)));
    nav->pushViewController(screen.get(), true);
}

} // namespace quorvel
