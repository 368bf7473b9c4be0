// The newsletter subscription: the switch, the request and the missing e-mail.
#include "social/dashboard/games/QVNewsLetterController.h"
#include "social/dashboard/common/QVAccountFormScreen.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVNewsLetterController);

void QVNewsLetterController::loadView()
{
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    float width = bounds.size.width;
    // Made at the dashboard's size, the page follows the frame it is shown in: the texts take its
    // width, the switch keeps to its right edge.
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.13f, 0.15f, 0.18f));
    summaryLabel_ = layout::makeLabel(Rect(10, 12, width - 20, 24), 18, true);
    summaryLabel_->setText("Newsletter");
    descriptionLabel_ = layout::makeLabel(Rect(10, 44, width - 20, 90), 14, false);
    descriptionLabel_->setNumberOfLines(0);
    for (Label* l : { summaryLabel_.get(), descriptionLabel_.get() }) {
        l->setTextColor(Color::whiteColor());
        l->setAutoresizingMask(FlexibleWidth);
        root->addSubview(l);
    }
    subscriptionSwitch_ = Switch::switchWithFrame(Rect(width - 104, 146, 94, 27));
    subscriptionSwitch_->setAutoresizingMask(FlexibleLeftMargin);
    subscriptionSwitch_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVNewsLetterController, subscriptionChanged)),
                                   ValueChanged);
    root->addSubview(subscriptionSwitch_.get());
    setView(root.get());
}

std::string QVNewsLetterController::gameId() const
{
    auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController());
    auto* game = framed ? dynamic_cast<QVGameProfilePageInfo*>(framed->currentGameContext()) : nullptr;
    return game ? game->resourceId() : QuorvelInternal::sessionRole().clientApplicationId();
}

void QVNewsLetterController::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    if (title().empty())
        setTitle("Newsletter");
    if (!QuorvelInternal::dashboardRole().isInLandscapeMode())
        summaryLabel()->setText("Subscribe to new updates!");
    descriptionLabel()->setText("Subscribe to email updates from the developer of " + QuorvelInternal::sessionRole().applicationDisplayName()
                                + ".  Don't worry, your email address is stored securely and won't be shared with any third parties.");
}

void QVNewsLetterController::viewDidAppear(bool animated)
{
    QVViewController::viewDidAppear(animated);
    if (securingAccount_) {
        if (QuorvelInternal::options().loggedInUserHasHttpBasicCredential())
            setSubscriptionState(true);
    } else {
        showLoadingScreen();
        doServerAction();
    }
    securingAccount_ = false;
}

void QVNewsLetterController::doServerAction()
{
    QVUserSettingService::getSubscribingToDeveloperNewsLetter(
        gameId(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onRetrievedSetting))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onFailedRetrievingSetting))));
}

void QVNewsLetterController::onRetrievedSetting(Object* answer)
{
    subscriptionSwitch()->setOn(requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->count() > 0);
    hideLoadingScreen();
}

void QVNewsLetterController::subscriptionChanged()
{
    Switch* toggle = subscriptionSwitch();
    if (toggle->isOn() && !QuorvelInternal::options().loggedInUserHasHttpBasicCredential()) {
        toggle->setOn(false);
        sheet_ = ActionSheet::sheet(kSecureTitle, this, "Cancel", "Enable Account Retrieval");
        sheet_->showInView(view());
        return;
    }
    setSubscriptionState(toggle->isOn());
}

void QVNewsLetterController::actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index)
{
    if (sheet != sheet_.get())
        return;
    sheet_ = nullptr;
    if (index != sheet->destructiveButtonIndex()) {
        securingAccount_ = false;
        return;
    }
    securingAccount_ = true;
    Ref<ViewController> credentials = QVControllerLoader::load("HttpCredentialsCreate");
    if (credentials)
        requireCast<QVAccountFormScreen>(credentials, "The password form must add its credential to the account")
            ->setAddingAdditionalCredential(true);
    if (credentials && navigationController())
        navigationController()->pushViewController(credentials.get(), true);
}

void QVNewsLetterController::setSubscriptionState(bool on)
{
    showLoadingScreen();
    subscriptionSwitch()->setOn(on);
    requestedState_ = on;
    QVUserSettingService::setSubscribeToDeveloperNewsLetter(
        on, gameId(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onSubscriptionChanged))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVNewsLetterController, onSubscriptionFailedToChange))));
}

void QVNewsLetterController::onSubscriptionFailedToChange(Object*)
{
    // The server kept the old state: the switch shows it again.
    subscriptionSwitch()->setOn(!requestedState_);
    hideLoadingScreen();
}

} // namespace quorvel
