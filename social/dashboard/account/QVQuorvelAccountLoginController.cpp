// The e-mail-and-password login: the form, a new account instead, another
// account type, and leaving the account flow.
#include "social/dashboard/account/QVQuorvelAccountLoginController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/runtime/FBSession.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/dashboard/account/QVNewAccountController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVShowMessageAndReturnController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using account_steps::setIntroFullscreen;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVQuorvelAccountLoginController);

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

bool QVQuorvelAccountLoginController::performSetter(const std::string& setterName, platform::Object* value)
{
    if (setterName == "setHideIntroFlowSpacer") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        setHideIntroFlowSpacer(boxed && boxed->value().asBool());
        return true;
    }
    return QVAccountSetupBaseController::performSetter(setterName, value);
}

void QVQuorvelAccountLoginController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("email", 1);
    map.addField("password", 2);
}

void QVQuorvelAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    std::string type = "http_basic";
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
    QuorvelInternal::login().loginFromAccountForm(true, QVDelegate(this, BRISKO_SELECTOR(QVQuorvelAccountLoginController, _bootstrapSucceeded)),
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
    if (QuorvelInternal::requestUIRole().isShowingFullScreen())
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

} // namespace quorvel
