// The Facebook forms' shared part: the Facebook session, its login dialog and
// the session sent to the service.
#include "social/dashboard/account/QVFacebookAccountController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVSettings.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QVFacebookAccountController::~QVFacebookAccountController()
{
    // No session may keep telling a screen that is gone.
    auto forget = [this](FBSession* session) {
        if (session)
            std::erase(session->delegates(), static_cast<FBSessionDelegate*>(this));
    };
    if (loginDialog_) {
        loginDialog_->setDelegate(nullptr);
        forget(loginDialog_->session());
    }
    forget(fbSession_.get());
    forget(FBSession::session());
    if (openLinkAlert_)
        openLinkAlert_->setDelegate(nullptr);
}

void QVFacebookAccountController::setStatusImage(const char* name)
{
    if (fbLoggedInStatusImageView_)
        fbLoggedInStatusImageView_->setImage(statusImage(name).get());
}

void QVFacebookAccountController::viewDidLoad()
{
    QVAccountSetupBaseController::viewDidLoad();
    navigationItem()->setHidesBackButton(true);
}

void QVFacebookAccountController::viewWillAppear(bool)
{
    setStatusImage(kStatusFailureImage);
    setIntroFullscreen(true);
}

void QVFacebookAccountController::viewDidAppear(bool animated)
{
    QVAccountSetupBaseController::viewDidAppear(animated);
    if (!skipLoginOnAppear_)
        promptToLogin();
}

void QVFacebookAccountController::viewWillDisappear(bool animated)
{
    QVAccountSetupBaseController::viewWillDisappear(animated);
    closeLoginDialog();
    setIntroFullscreen(false);
}

void QVFacebookAccountController::promptToLogin()
{
    if (loginDialog_)
        return;
    logoutFromFacebook();
    Ref<FBSession> session = FBSession::sessionForApplication(
        setting("facebook-application-key"),
        platform::format("%sfbconnect/get_session", setting("facebook-callback-url").c_str()), this);
    if (!session)
        return;
    loginDialog_ = QVFBDialog::dialogWithSession(session.get());
    if (!loginDialog_)
        return;
    loginDialog_->setDelegate(this);
    if (QuorvelInternal::dashboardRole().isLargeScreen())
        loginDialog_->showInView(view());
    else
        loginDialog_->show();
}

void QVFacebookAccountController::sessionDidLogin(FBSession* session, uint64_t uid)
{
    closeLoginDialog();
    fbuid_ = uid;
    fbSession_ = session;
    setStatusImage(kStatusSuccessImage);
}

void QVFacebookAccountController::closeLoginDialog()
{
    if (!loginDialog_)
        return;
    Ref<QVFBDialog> dialog = std::move(loginDialog_);
    if (FBSession* session = dialog->session())
        std::erase(session->delegates(), static_cast<FBSessionDelegate*>(this));
    dialog->setDelegate(nullptr);
    dialog->dismissWithSuccess(false, true);
}

void QVFacebookAccountController::logoutFromFacebook()
{
    if (fbSession_)
        fbSession_->logout();
    fbuid_ = 0;
    fbSession_ = nullptr;
}

void QVFacebookAccountController::dialogDidCancel(FBDialog*)
{
    Ref<QVFacebookAccountController> keep(this);
    closeLoginDialog();
    if (NavigationController* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

void QVFacebookAccountController::dialogDidFailWithError(FBDialog*, const FBError& error)
{
    displayError(error.localizedDescription);
}

void QVFacebookAccountController::requestDidFailWithError(FBRequest*, const FBError& error)
{
    displayError(error.localizedDescription);
}

void QVFacebookAccountController::requestWasCancelled(FBRequest*)
{
    displayError(platform::format("Unable to get your name from Facebook. Please make sure the proper permissions "
                                  "are set on your profile at %s",
                                  kFacebookSiteAddress));
}

bool QVFacebookAccountController::dialogShouldOpenURLInExternalBrowser(FBDialog*, const std::string& url)
{
    urlToLaunch_ = url;
    // One question at a time: a newer link replaces the one still asked about.
    if (openLinkAlert_) {
        openLinkAlert_->setDelegate(nullptr);
        openLinkAlert_->dismissWithClickedButtonIndex(openLinkAlert_->cancelButtonIndex(), false);
    }
    std::string message = platform::format("Exit %s and open %s in Safari?", QuorvelInternal::sessionRole().applicationDisplayName().c_str(),
                                           QVWebURL::parse(url).host.c_str());
    openLinkAlert_ = AlertView::alert("Open Link In Safari", message, this, "Cancel", { "Open Link" });
    openLinkAlert_->show();
    return false;
}

void QVFacebookAccountController::alertViewClickedButtonAtIndex(AlertView* alert, int index)
{
    if (alert != openLinkAlert_.get())
        return;
    openLinkAlert_ = nullptr;
    if (index == 1 && !urlToLaunch_.empty())
        Application::sharedApplication().openURL(urlToLaunch_);
}

void QVFacebookAccountController::displayError(const std::string& message)
{
    Ref<QVFacebookAccountController> keep(this);
    closeLoginDialog();
    AlertView::alert("Facebook Connect Error", message, nullptr, "Ok")->show();
    if (NavigationController* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

void QVFacebookAccountController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    writeParam(params, "credential_type", "fbconnect");
}

} // namespace quorvel
