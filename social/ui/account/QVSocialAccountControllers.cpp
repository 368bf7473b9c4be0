// The Facebook and Twitter forms and the extended-credential overlays.
#include "social/ui/account/QVSocialAccountControllers.h"

#include "platform/device/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVSettings.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVDashboardHost.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVWebViewController.h"
#include "social/ui/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVFacebookAccountLoginController);
QV_REGISTER_CLASS(QVTwitterAccountLoginController);
QV_REGISTER_CLASS(QVFacebookExtendedCredentialController);
QV_REGISTER_CLASS(QVTwitterExtendedCredentialController);

namespace {

void setIntroFullscreen(bool fullscreen)
{
    if (QVIntroFrame* intro = QVIntroFrame::active())
        intro->setFullscreenFrame(fullscreen);
}

std::string setting(const char* key)
{
    QVSettings* settings = QVSettings::Instance();
    return settings ? settings->objectForKey(key).value_or("") : std::string();
}

void writeParam(QVHttpNestedQueryStringWriter& params, const char* name, std::string value) { params.io(name, value); }

// "Finding Friends" after a network was linked.
Ref<ViewController> connectedMessage(const char* titleLabel, const char* message)
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    auto* shown = dynamic_cast<QVShowMessageAndReturnController*>(screen.get());
    if (!shown)
        return nullptr;
    shown->setTitle("Finding Friends");
    shown->messageTitleLabel()->setText(titleLabel);
    shown->messageLabel()->setText(message);
    return screen;
}

Ref<ImageAsset> statusImage(const char* name)
{
    Ref<platform::Image> image = QVImageLoader::loadImage(name);
    return image ? ImageAsset::withImage(name, image.get()) : nullptr;
}

// Where a player sets who may read their Facebook profile.
constexpr const char* kFacebookSiteAddress = "http://www.facebook.com";

} // namespace

// ---- Facebook login (both Facebook forms)

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
    if (QVDashboardHost::current().isLargeScreen())
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
    std::string message = platform::format("Exit %s and open %s in Safari?", Quorvel::applicationDisplayName().c_str(),
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

// ---- "FacebookAccountLogin"

void QVFacebookAccountLoginController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 24), 17, "Facebook", true);
    fbLoggedInStatusImageView_ = ImageView::imageViewWithImage(nullptr);
    fbLoggedInStatusImageView_->setFrame(Rect(w - 40, 12, 20, 20));
    root->addSubview(fbLoggedInStatusImageView_.get());
    findFriendsLabel_ = label(root.get(), Rect(20, 44, w - 40, 36), 13, "Find your Facebook friends who play.");
    streamIntegrationLabel_ = label(root.get(), Rect(20, 88, w - 130, 27), 13, "Post my game news to Facebook");
    streamIntegrationSwitch_ = toggle(root.get(), Rect(w - 104, 88, 94, 27));
    streamIntegrationSwitch_->setOn(true);
    privacyDisclosure_ = label(root.get(), Rect(20, 124, w - 40, 40), 11,
                               "Quorvel never posts without asking and never shares your password.");
    button(root.get(), Rect((w - 200) / 2, 176, 200, 37), "Continue", this,
           BRISKO_SELECTOR(QVFacebookAccountLoginController, _submit));
    setView(root.get());
}

void QVFacebookAccountLoginController::viewWillAppear(bool animated)
{
    QVFacebookAccountController::viewWillAppear(animated);
    if (addingAdditionalCredential())
        return;
    streamIntegrationSwitch_->setHidden(true);
    streamIntegrationLabel_->setHidden(true);
    Rect frame = privacyDisclosure_->frame();
    frame.origin.y = findFriendsLabel_->frame().origin.y;
    privacyDisclosure_->setFrame(frame);
    findFriendsLabel_->setHidden(true);
}

std::string QVFacebookAccountLoginController::getFormSubmissionUrl()
{
    return addingAdditionalCredential() ? "users_credentials.xml" : "session.xml";
}

std::string QVFacebookAccountLoginController::singularResourceName()
{
    return addingAdditionalCredential() ? "users_credential" : "credential";
}

std::string QVFacebookAccountLoginController::getLoadingScreenText()
{
    return addingAdditionalCredential() ? "Connecting To Facebook" : "Logging In To Quorvel";
}

void QVFacebookAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVFacebookAccountController::addHiddenParameters(params);
    writeParam(params, "credential[fbuid]", platform::format("%lld", static_cast<long long>(fbuid())));
    writeParam(params, "credential[session_key]", fbSession() ? fbSession()->sessionKey() : std::string());
    if (addingAdditionalCredential()) {
        bool stream = streamIntegrationSwitch_->isOn();
        params.io("enable_stream_integration", stream);
    }
}

Ref<ViewController> QVFacebookAccountLoginController::controllerToPushOnCompletion()
{
    Quorvel::setLoggedInUserHasFbconnectCredential(true);
    if (!addingAdditionalCredential())
        return Ref<ViewController>(getStandardLoggedInController().get());
    return connectedMessage("Connected to Facebook",
                            "Your Quorvel account is now connected to Facebook. Any of your Facebook friends with "
                            "Quorvel will be added to your My Friends list.");
}

// ---- "TwitterAccountLogin"

void QVTwitterAccountLoginController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 24), 17, "Twitter", true);
    integrationInfoLabel_ = label(root.get(), Rect(20, 38, w - 40, 40), 13);
    field(root.get(), Rect(20, 84, w - 40, 31), 1, "Twitter name");
    field(root.get(), Rect(20, 124, w - 40, 31), 2, "Password", true);
    streamIntegrationLabel_ = label(root.get(), Rect(20, 166, w - 130, 27), 13, "Post my game news to Twitter");
    streamIntegrationSwitch_ = toggle(root.get(), Rect(w - 104, 166, 94, 27));
    streamIntegrationSwitch_->setOn(true);
    privacyDisclosure_ = label(root.get(), Rect(20, 200, w - 40, 40), 11,
                               "Quorvel never posts without asking and never shares your password.");
    submitButton_ = button(root.get(), Rect((w - 200) / 2, 250, 200, 37), "Continue", this,
                           BRISKO_SELECTOR(QVTwitterAccountLoginController, _submit));
    setView(root.get());
}

void QVTwitterAccountLoginController::viewWillAppear(bool)
{
    if (addingAdditionalCredential()) {
        integrationInfoLabel_->setText("Connect Twitter to find friends with Quorvel and import your profile picture.");
    } else {
        streamIntegrationSwitch_->setHidden(true);
        streamIntegrationLabel_->setHidden(true);
        float y = streamIntegrationLabel_->frame().origin.y;
        if (QVDashboardHost::current().isInLandscapeMode()) {
            Rect submit = submitButton_->frame();
            submit.origin.y = y;
            submitButton_->setFrame(submit);
        } else {
            Rect disclosure = privacyDisclosure_->frame();
            disclosure.origin.y = y;
            privacyDisclosure_->setFrame(disclosure);
            Rect submit = submitButton_->frame();
            submit.origin.y = disclosure.origin.y + disclosure.size.height;
            submitButton_->setFrame(submit);
        }
        integrationInfoLabel_->setText("Enter the Twitter credentials you used to secure your Quorvel account.");
    }
    setIntroFullscreen(true);
}

void QVTwitterAccountLoginController::viewWillDisappear(bool animated)
{
    QVAccountSetupBaseController::viewWillDisappear(animated);
    setIntroFullscreen(false);
}

std::string QVTwitterAccountLoginController::getFormSubmissionUrl()
{
    return addingAdditionalCredential() ? "users_credentials.xml" : "session.xml";
}

std::string QVTwitterAccountLoginController::getLoadingScreenText()
{
    return addingAdditionalCredential() ? "Connecting To Twitter" : "Logging In To Quorvel";
}

void QVTwitterAccountLoginController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("username", 1);
    map.addField("password", 2);
}

void QVTwitterAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    writeParam(params, "credential_type", "twitter");
    if (addingAdditionalCredential()) {
        bool stream = streamIntegrationSwitch_->isOn();
        params.io("enable_stream_integration", stream);
    }
}

Ref<ViewController> QVTwitterAccountLoginController::controllerToPushOnCompletion()
{
    Quorvel::setLoggedInUserHasTwitterCredential(true);
    if (!addingAdditionalCredential())
        return Ref<ViewController>(getStandardLoggedInController().get());
    return connectedMessage("Connected to Twitter",
                            "Your Quorvel and Twitter accounts are now connected! Everyone you're following who has an "
                            "Quorvel account will be added to your My Friends list.");
}

// ---- Extended credentials: what both overlays share

void QVExtendedCredentialState::setSocialNotificationOn(platform::Object* notification, QVImageView* image, Label* text)
{
    auto* post = dynamic_cast<QVSocialNotification*>(notification);
    if (!post)
        return;
    if (image)
        image->setImageUrl(post->imageUrl());
    if (text)
        text->setText(post->text());
}

void QVExtendedCredentialState::continueAfterSubmission()
{
    Ref<QVActionRequest> request = std::move(mRequestToSubmit);
    Ref<ViewController> next = std::move(mNextController);
    if (next) {
        Quorvel::presentModalOverlay(next);
        // A request left here (the next overlay has its own) must still end.
        if (request)
            request->abandonInLightOfASeriousError();
    } else if (request) {
        request->dispatch();
    }
}

void QVExtendedCredentialState::abandonWaitingRequest()
{
    mNextController = nullptr;
    if (Ref<QVActionRequest> request = std::move(mRequestToSubmit))
        request->abandonInLightOfASeriousError();
}

// ---- "FacebookExtendedCredential"

bool QVFacebookExtendedCredentialController::init()
{
    if (!QVFacebookAccountController::init())
        return false;
    // The login dialog opens only when the player asks.
    setSkipLoginOnAppear(true);
    return true;
}

QVFacebookExtendedCredentialController::~QVFacebookExtendedCredentialController()
{
    if (permissionDialog_)
        permissionDialog_->setDelegate(nullptr);
    state_.abandonWaitingRequest();
}

void QVFacebookExtendedCredentialController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 40), 15, "Facebook needs your permission to post this:", true);
    mNotificationImage = QVImageView::imageViewWithFrame(Rect(20, 58, 50, 50));
    root->addSubview(mNotificationImage.get());
    mNotificationText = label(root.get(), Rect(80, 58, w - 100, 60), 13);
    fbLoggedInStatusImageView_ = ImageView::imageViewWithImage(nullptr);
    fbLoggedInStatusImageView_->setFrame(Rect(w - 40, 130, 20, 20));
    root->addSubview(fbLoggedInStatusImageView_.get());
    button(root.get(), Rect((w - 200) / 2, 130, 200, 37), "Log In To Facebook", this,
           BRISKO_SELECTOR(QVFacebookExtendedCredentialController, login));
    button(root.get(), Rect((w - 200) / 2, 180, 200, 37), "Not Now", this,
           BRISKO_SELECTOR(QVFacebookExtendedCredentialController, close), false);
    setView(root.get());
    if (pendingNotification_)
        state_.setSocialNotificationOn(pendingNotification_.get(), mNotificationImage.get(), mNotificationText.get());
}

void QVFacebookExtendedCredentialController::setSocialNotification(platform::Object* notification)
{
    pendingNotification_ = notification;
    if (isViewLoaded())
        state_.setSocialNotificationOn(notification, mNotificationImage.get(), mNotificationText.get());
}

void QVFacebookExtendedCredentialController::setRequestRequiringCredential(QVActionRequest* request)
{
    state_.mRequestToSubmit = request;
}

void QVFacebookExtendedCredentialController::setNextController(ViewController* next) { state_.mNextController = next; }

void QVFacebookExtendedCredentialController::sessionDidLogin(FBSession* session, uint64_t uid)
{
    QVFacebookAccountController::sessionDidLogin(session, uid);
    showExtendedPermissionsDialog();
}

void QVFacebookExtendedCredentialController::showExtendedPermissionsDialog()
{
    permissionDialog_ = FBPermissionDialog::dialog();
    permissionDialog_->setDelegate(this);
    permissionDialog_->setPermission("publish_stream");
    permissionDialog_->show();
}

void QVFacebookExtendedCredentialController::dialogDidSucceed(FBDialog* dialog)
{
    // The login dialog's own success is the session's login; only the permission submits.
    if (!permissionDialog_ || dialog != permissionDialog_.get())
        return;
    permissionDialog_ = nullptr;
    onSubmitForm();
}

void QVFacebookExtendedCredentialController::dialogDidCancel(FBDialog* dialog)
{
    if (permissionDialog_ && dialog == permissionDialog_.get()) {
        permissionDialog_ = nullptr;
        return;
    }
    closeLoginDialog();
}

void QVFacebookExtendedCredentialController::displayError(const std::string& message)
{
    closeLoginDialog();
    AlertView::alert("Facebook Connect Error", message, nullptr, "Ok")->show();
}

void QVFacebookExtendedCredentialController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVFacebookAccountController::addHiddenParameters(params);
    writeParam(params, "credential[has_extended_credentials]", "true");
}

void QVFacebookExtendedCredentialController::dismiss()
{
    if (finished_)
        return;
    finished_ = true;
    Quorvel::dismissRootControllerOrItsModal();
}

void QVFacebookExtendedCredentialController::onFormSubmitted()
{
    Ref<QVFacebookExtendedCredentialController> keep(this);
    dismiss();
    state_.continueAfterSubmission();
}

void QVFacebookExtendedCredentialController::close()
{
    Ref<QVFacebookExtendedCredentialController> keep(this);
    closeLoginDialog();
    state_.abandonWaitingRequest();
    dismiss();
}

// ---- "TwitterExtendedCredential"

QVTwitterExtendedCredentialController::~QVTwitterExtendedCredentialController() { state_.abandonWaitingRequest(); }

void QVTwitterExtendedCredentialController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 40), 15, "Enter your Twitter password to post this:", true);
    mNotificationImage = QVImageView::imageViewWithFrame(Rect(20, 58, 50, 50));
    root->addSubview(mNotificationImage.get());
    mNotificationText = label(root.get(), Rect(80, 58, w - 100, 60), 13);
    field(root.get(), Rect(20, 128, w - 40, 31), 1, "Twitter password", true);
    button(root.get(), Rect((w - 200) / 2, 172, 200, 37), "Post", this,
           BRISKO_SELECTOR(QVTwitterExtendedCredentialController, _post));
    button(root.get(), Rect((w - 200) / 2, 220, 200, 37), "Not Now", this,
           BRISKO_SELECTOR(QVTwitterExtendedCredentialController, close), false);
    mLoadingView = View::viewWithFrame(root->bounds());
    mLoadingView->setBackgroundColor(Color::black().withAlpha(0.5f));
    mLoadingView->setHidden(true);
    root->addSubview(mLoadingView.get());
    setView(root.get());
    if (pendingNotification_)
        state_.setSocialNotificationOn(pendingNotification_.get(), mNotificationImage.get(), mNotificationText.get());
}

void QVTwitterExtendedCredentialController::setSocialNotification(platform::Object* notification)
{
    pendingNotification_ = notification;
    if (isViewLoaded())
        state_.setSocialNotificationOn(notification, mNotificationImage.get(), mNotificationText.get());
}

void QVTwitterExtendedCredentialController::setRequestRequiringCredential(QVActionRequest* request)
{
    state_.mRequestToSubmit = request;
}

void QVTwitterExtendedCredentialController::setNextController(ViewController* next) { state_.mNextController = next; }

void QVTwitterExtendedCredentialController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    writeParam(params, "credential_type", "twitter");
}

void QVTwitterExtendedCredentialController::onSubmitForm(platform::Object* sender)
{
    if (isSubmitting())
        return;
    mLoadingView->setHidden(false);
    QVFormControllerHelper::onSubmitForm(sender);
}

void QVTwitterExtendedCredentialController::onPresentingErrorDialog() { mLoadingView->setHidden(true); }

void QVTwitterExtendedCredentialController::dismiss()
{
    if (finished_)
        return;
    finished_ = true;
    Quorvel::dismissRootControllerOrItsModal();
}

void QVTwitterExtendedCredentialController::onFormSubmitted()
{
    Ref<QVTwitterExtendedCredentialController> keep(this);
    mLoadingView->setHidden(true);
    dismiss();
    state_.continueAfterSubmission();
}

void QVTwitterExtendedCredentialController::close()
{
    Ref<QVTwitterExtendedCredentialController> keep(this);
    state_.abandonWaitingRequest();
    dismiss();
}

} // namespace quorvel
