// The account-type choice: Facebook or Twitter, each pushing its own form.
#include "social/dashboard/account/QVSelectAccountTypeController.h"

#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVRequireCast.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using account_steps::setIntroFullscreen;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVSelectAccountTypeController);

void QVSelectAccountTypeController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Log In");
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

} // namespace quorvel
