// The secure-account form: the e-mail and password sent for the account logged
// in, then the screen that follows.
#include "social/dashboard/account/QVHttpCredentialsCreateController.h"

#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVHttpCredentialsCreateController);

void QVHttpCredentialsCreateController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Secure Account");
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
    std::string type = "http_basic";
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

} // namespace quorvel
