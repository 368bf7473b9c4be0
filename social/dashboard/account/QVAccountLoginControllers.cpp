// Login, secure account, account type and the credential cell.
#include "social/dashboard/account/QVAccountLoginControllers.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/FBSession.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/dashboard/account/QVNewAccountController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVQuorvelAccountLoginController);
QV_REGISTER_CLASS(QVHttpCredentialsCreateController);
QV_REGISTER_CLASS(QVSelectAccountTypeController);

namespace {

void setIntroFullscreen(bool fullscreen)
{
    if (QVIntroFrame* intro = QuorvelInternal::dashboardRole().activeIntroFrame())
        intro->setFullscreenFrame(fullscreen);
}

std::string credentialType(const char* type) { return type; }

} // namespace

// ---- "QuorvelAccountLogin"

void QVQuorvelAccountLoginController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    introFlowSpacer_ = View::viewWithFrame(Rect(0, 0, w, 36));
    introFlowSpacer_->setBackgroundColor(std::nullopt);
    root->addSubview(introFlowSpacer_.get());
    contentView_ = View::viewWithFrame(Rect(0, 36, w, root->bounds().size.height - 36));
    contentView_->setBackgroundColor(std::nullopt);
    root->addSubview(contentView_.get());
    View* c = contentView_.get();
    label(c, Rect(20, 4, w - 40, 24), 17, "Log In To Quorvel", true);
    field(c, Rect(20, 40, w - 40, 31), 1, "E-mail");
    field(c, Rect(20, 80, w - 40, 31), 2, "Password", true);
    button(c, Rect((w - 200) / 2, 124, 200, 37), "Log In", this,
           BRISKO_SELECTOR(QVQuorvelAccountLoginController, _login));
    button(c, Rect((w - 240) / 2, 172, 240, 37), "Use Facebook or Twitter", this,
           BRISKO_SELECTOR(QVQuorvelAccountLoginController, usedOtherAccountType), false);
    button(c, Rect((w - 240) / 2, 216, 240, 37), "Create a new account", this,
           BRISKO_SELECTOR(QVQuorvelAccountLoginController, createNewAccount), false);
    button(c, Rect((w - 200) / 2, 260, 200, 37), "Cancel", this,
           BRISKO_SELECTOR(QVQuorvelAccountLoginController, _cancel), false);
    setView(root.get());
    setHideIntroFlowSpacer(hideIntroFlowSpacer_);
}

void QVQuorvelAccountLoginController::setHideIntroFlowSpacer(bool hide)
{
    hideIntroFlowSpacer_ = hide;
    if (!isViewLoaded())
        return;
    introFlowSpacer_->setHidden(hide);
    Rect frame = contentView_->frame();
    frame.origin.y = hide ? 0 : introFlowSpacer_->frame().size.height;
    contentView_->setFrame(frame);
}

void QVQuorvelAccountLoginController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("email", 1);
    map.addField("password", 2);
}

void QVQuorvelAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    std::string type = credentialType("http_basic");
    params.io("credential_type", type);
}

Ref<ViewController> QVQuorvelAccountLoginController::controllerToPushOnCompletion()
{
    return Ref<ViewController>(getStandardLoggedInController().get());
}

void QVQuorvelAccountLoginController::viewWillAppear(bool) { setIntroFullscreen(true); }

void QVQuorvelAccountLoginController::viewWillDisappear(bool animated)
{
    QVAccountSetupBaseController::viewWillDisappear(animated);
    setIntroFullscreen(false);
}

void QVQuorvelAccountLoginController::createNewAccount()
{
    showLoadingScreen();
    navigationItem()->setHidesBackButton(true);
    QuorvelInternal::login().doBootstrap(true, {}, QVDelegate(this, BRISKO_SELECTOR(QVQuorvelAccountLoginController, _bootstrapSucceeded)),
                         QVDelegate(this, BRISKO_SELECTOR(QVQuorvelAccountLoginController, _bootstrapFailed)));
}

void QVQuorvelAccountLoginController::_bootstrapSucceeded(platform::Object*)
{
    hideLoadingScreen();
    if (FBSession* session = FBSession::session())
        session->logout();
    Ref<ViewController> screen = QVControllerLoader::load("NewAccount");
    if (!screen)
        return;
    auto* naming = requireCast<QVNewAccountController>(screen, "The naming screen must take the flow's delegates");
    naming->setCompleteDelegate(!completionDelegate().isEmpty()
                                    ? completionDelegate()
                                    : QVDelegate(this, BRISKO_SELECTOR(QVQuorvelAccountLoginController, _popOut)));
    naming->setCancelDelegate(cancelDelegate());
    pushScreen(screen);
    if (QuorvelInternal::presenter().isShowingFullScreen())
        naming->hideIntroFlowViews();
}

void QVQuorvelAccountLoginController::_bootstrapFailed(platform::Object*)
{
    hideLoadingScreen();
    AlertView::alert("Error", kCreateFailedMessage, nullptr, "Ok")->show();
    navigationItem()->setHidesBackButton(false);
}

void QVQuorvelAccountLoginController::usedOtherAccountType()
{
    Ref<ViewController> screen = QVControllerLoader::load("SelectAccountType");
    if (screen) {
        auto* type = requireCast<QVAccountSetupBaseController>(screen, "The account type screen must take the flow's delegates");
        type->setCancelDelegate(cancelDelegate());
        type->setCompletionDelegate(completionDelegate());
    }
    pushScreen(screen);
}

void QVQuorvelAccountLoginController::cancelSetup()
{
    hideLoadingScreen();
    QVAccountSetupBaseController::cancelSetup();
}

// ---- "HttpCredentialsCreate"

void QVHttpCredentialsCreateController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 44), 15, "Secure your account to log in from any device.", true);
    field(root.get(), Rect(20, 64, w - 40, 31), 2, "E-mail");
    field(root.get(), Rect(20, 104, w - 40, 31), 3, "Password", true);
    field(root.get(), Rect(20, 144, w - 40, 31), 4, "Confirm password", true);
    button(root.get(), Rect((w - 200) / 2, 190, 200, 37), "Secure Account", this,
           BRISKO_SELECTOR(QVHttpCredentialsCreateController, _secure));
    setView(root.get());
}

void QVHttpCredentialsCreateController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("email", 2);
    map.addField("password", 3);
    map.addField("password_confirmation", 4);
}

void QVHttpCredentialsCreateController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    std::string type = credentialType("http_basic");
    params.io("credential_type", type);
}

void QVHttpCredentialsCreateController::onFormSubmitted()
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    QVAccountSetupBaseController::onFormSubmitted();
}

Ref<ViewController> QVHttpCredentialsCreateController::controllerToPushOnCompletion()
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    if (!screen)
        return nullptr;
    auto* message = requireCast<QVShowMessageAndReturnController>(screen, "The message screen must show its message");
    message->setTitle("Account Secured");
    message->messageTitleLabel()->setText("Secure Account");
    message->messageLabel()->setText("Your account is secured! You may now login from any device.");
    return screen;
}

// ---- "SelectAccountType"

void QVSelectAccountTypeController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 60), 14,
          "Log in with the Facebook or Twitter account you linked to your Quorvel account.");
    facebookButton_ = button(root.get(), Rect((w - 220) / 2, 84, 220, 37), "Facebook", nullptr, {});
    facebookButton_->setTag(1);
    twitterButton_ = button(root.get(), Rect((w - 220) / 2, 132, 220, 37), "Twitter", nullptr, {});
    twitterButton_->setTag(2);
    setView(root.get());
}

void QVSelectAccountTypeController::registerActionsNow()
{
    view();
    twitterButton_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVSelectAccountTypeController, _onPressedTwitter)),
                              TouchUpInside);
    facebookButton_->addTarget(
        this, Control::SenderAction(BRISKO_SELECTOR(QVSelectAccountTypeController, _onPressedFacebook)), TouchUpInside);
}

void QVSelectAccountTypeController::viewWillAppear(bool) { setIntroFullscreen(true); }

void QVSelectAccountTypeController::viewWillDisappear(bool animated)
{
    QVAccountSetupBaseController::viewWillDisappear(animated);
    setIntroFullscreen(false);
}

void QVSelectAccountTypeController::_pushAccountSetupControllerFor(const std::string& accountType)
{
    Ref<ViewController> screen = QVControllerLoader::load(accountType + "AccountLogin");
    if (screen) {
        auto* form = requireCast<QVAccountSetupBaseController>(screen, "An account type's login screen must take the flow's delegates");
        form->setCancelDelegate(cancelDelegate());
        form->setCompletionDelegate(completionDelegate());
    }
    pushScreen(screen);
}

// ---- The credential cell

const QVUsersCredentialCell::KnownCredential* QVUsersCredentialCell::getKnownCredential(const std::string& type)
{
    static const KnownCredential known[] = {
        { "twitter", "QuorvelAccountSetupTwitterConnectButton.png", "TwitterAccountLogin", nullptr },
        { "fbconnect", "QuorvelAccountSetupFBConnectButton.png", "FacebookAccountLogin", nullptr },
        // The secure-account form is the screen that creates this credential.
        { "http_basic", nullptr, "HttpCredentialsCreate", "Create New Password" },
    };
    for (auto& row : known)
        if (type == row.type)
            return &row;
    return nullptr;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialImage(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row && row->image ? std::optional<std::string>(row->image) : std::nullopt;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialControllerName(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row ? std::optional<std::string>(row->controllerName) : std::nullopt;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialCellText(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row && row->cellText ? std::optional<std::string>(row->cellText) : std::nullopt;
}

bool QVUsersCredentialCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    auto image = ImageView::imageViewWithImage(nullptr);
    image->setFrame(Rect(10, 6, 200, 32));
    image->setTag(1);
    contentView()->addSubview(image.get());
    auto text = Label::labelWithFrame(Rect(10, 6, 280, 32));
    text->setTag(2);
    contentView()->addSubview(text.get());
    return true;
}

void QVUsersCredentialCell::onResourceChanged(platform::Object* resource)
{
    auto* credential = dynamic_cast<QVUsersCredential*>(resource);
    std::string type = credential ? credential->credentialType() : std::string();
    if (auto* image = dynamic_cast<ImageView*>(contentView()->viewWithTag(1))) {
        auto name = getCredentialImage(type);
        Ref<platform::Image> picture = name ? QVImageLoader::loadImage(*name) : nullptr;
        image->setImage(picture ? ImageAsset::withImage(*name, picture.get()).get() : nullptr);
    }
    if (auto* text = dynamic_cast<Label*>(contentView()->viewWithTag(2))) {
        auto cellText = getCredentialCellText(type);
        text->setText(cellText.value_or(""));
        text->setHidden(!cellText);
    }
}

} // namespace quorvel
