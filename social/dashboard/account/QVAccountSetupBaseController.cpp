// The base of the account forms: device identifier, completion routing.
#include "social/dashboard/account/QVAccountSetupBaseController.h"

#include "platform/device/Device.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVShowMessageAndReturnController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

void QVAccountSetupBaseController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    std::string udid = Device::currentDevice().uniqueIdentifier();
    params.io("udid", udid);
}

bool QVAccountSetupBaseController::performSetter(const std::string& setterName, platform::Object* value)
{
    if (setterName == "setAddingAdditionalCredential") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        mAddingAdditionalCredential = boxed && boxed->value().asBool();
        return true;
    }
    return QVFormControllerHelper::performSetter(setterName, value);
}

void QVAccountSetupBaseController::onFormSubmitted()
{
    if (mAddingAdditionalCredential) {
        QuorvelInternal::options().setLoggedInUserHasNonDeviceCredential(true);
        pushCompletionControllerOrPopOut();
        return;
    }
    // A login: the device's credentials give way to the account just named.
    showLoadingScreen();
    errorScreens_.take();
    if (QVProvider* provider = QuorvelInternal::sessionRole().provider())
        provider->destroyLocalCredentials();
    QuorvelInternal::login().loginFromAccountForm(
        false, QVDelegate(this, BRISKO_SELECTOR(QVAccountSetupBaseController, onBootstrapDone)),
        QVDelegate(this, BRISKO_SELECTOR(QVAccountSetupBaseController, onBootstrapFailed)));
}

void QVAccountSetupBaseController::viewDidDisappear(bool animated)
{
    QVFormControllerHelper::viewDidDisappear(animated);
    if (!navigationController())
        errorScreens_.giveBack();
}

void QVAccountSetupBaseController::onBootstrapDone(platform::Object*)
{
    errorScreens_.giveBack();
    hideLoadingScreen();
    QuorvelInternal::hub().reloadInactiveTabBars();
    pushCompletionControllerOrPopOut();
}

void QVAccountSetupBaseController::onBootstrapFailed(platform::Object*)
{
    // The player is not logged in: say so rather than naming the old account,
    // and tell whoever waits for the form that it failed.
    Ref<QVAccountSetupBaseController> keep(this);
    errorScreens_.giveBack();
    hideLoadingScreen();
    if (NavigationController* nav = navigationController()) {
        auto error = QVDeadEndErrorController::deadEndErrorWithMessage(kLoginFailedMessage);
        nav->pushViewController(error.get(), true);
    }
    if (!mCompletionDelegate.isEmpty())
        mCompletionDelegate.invoke(loginFailure());
}

namespace {

// The one value a failed login's completion carries.
class QVLoginFailure final : public platform::Object {
public:
    std::string className() const override { return "QVLoginFailure"; }
};

} // namespace

platform::Object* QVAccountSetupBaseController::loginFailure()
{
    static platform::Object* failure = platform::adoptRef(new QVLoginFailure).leak(); // never released
    return failure;
}

bool QVAccountSetupBaseController::isLoginFailure(platform::Object* completionArgument)
{
    return completionArgument && completionArgument == loginFailure();
}

void QVAccountSetupBaseController::pushCompletionControllerOrPopOut()
{
    if (!mCompletionDelegate.isEmpty()) {
        mCompletionDelegate.invoke(nullptr);
        return;
    }
    Ref<ViewController> next = controllerToPushOnCompletion();
    if (!next) {
        popOutOfAccountFlow();
        return;
    }
    next->navigationItem()->setHidesBackButton(true);
    if (auto* message = dynamic_cast<QVShowMessageAndReturnController*>(next.get()))
        message->setControllerToPopTo(getControllerToPopTo());
    pushScreen(next);
}

ViewController* QVAccountSetupBaseController::getControllerToPopTo()
{
    NavigationController* nav = navigationController();
    if (!mAddingAdditionalCredential || !nav)
        return nullptr;
    auto& stack = nav->viewControllers();
    for (size_t i = stack.size(); i-- > 1;)
        if (!dynamic_cast<QVAccountSetupBaseController*>(stack[i].get()))
            return stack[i].get();
    return nullptr;
}

bool QVAccountSetupBaseController::isInModalController()
{
    NavigationController* nav = navigationController();
    ViewController* parent = nav ? nav->parentViewController() : nullptr;
    return parent && parent->modalViewController();
}

void QVAccountSetupBaseController::popOutOfAccountFlow()
{
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    if (isInModalController()) {
        nav->dismissModalViewControllerAnimated(true);
        return;
    }
    if (ViewController* target = getControllerToPopTo())
        nav->popToViewController(target, true);
    else
        nav->popToRootViewControllerAnimated(true);
}

void QVAccountSetupBaseController::cancelSetup()
{
    if (!mCancelDelegate.isEmpty()) {
        mCancelDelegate.invoke(nullptr);
        return;
    }
    if (isInModalController())
        navigationController()->dismissModalViewControllerAnimated(true);
}

Ref<QVShowMessageAndReturnController> QVAccountSetupBaseController::getStandardLoggedInController()
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    if (!screen)
        return nullptr;
    Ref<QVShowMessageAndReturnController> message(requireCast<QVShowMessageAndReturnController>(screen, "The message screen must show its message"));
    message->messageLabel()->setText(
        platform::format("You are now logged into Quorvel as:\n %s", Quorvel::lastLoggedInUserName().c_str()));
    message->messageTitleLabel()->setText("Switch Accounts");
    message->navigationItem()->setHidesBackButton(true);
    return message;
}

void QVAccountSetupBaseController::pushScreen(Ref<ViewController> screen)
{
    NavigationController* nav = navigationController();
    if (screen && nav)
        nav->pushViewController(screen.get(), true);
}

} // namespace quorvel
