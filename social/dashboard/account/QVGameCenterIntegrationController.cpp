// The screen that ends the account set-up where Game Center is in use.
#include "social/dashboard/account/QVGameCenterIntegrationController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVGameCenterIntegrationController);

void QVGameCenterIntegrationController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    nowPlayingLabel_ = label(root.get(), Rect(20, 20, w - 40, 22), 15, {}, true);
    label(root.get(), Rect(20, 56, w - 40, 120), 14,
          "Your scores and achievements also go to Game Center. Open the Quorvel dashboard to see them with your "
          "friends.");
    continueButton_ = button(root.get(), Rect((w - 200) / 2, 200, 200, 37), "Continue", this,
                             BRISKO_SELECTOR(QVGameCenterIntegrationController, onContinue));
    setView(root.get());
}

void QVGameCenterIntegrationController::viewWillAppear(bool)
{
    nowPlayingLabel_->setText({});
    if (!QuorvelInternal::sessionRole().applicationDisplayName().empty())
        nowPlayingLabel_->setText(nowPlaying());
    navigationItem()->setHidesBackButton(true);
}

void QVGameCenterIntegrationController::viewDidAppear(bool)
{
    if (NavigationController* nav = navigationController())
        nav->setNavigationBarHidden(true, false);
}

void QVGameCenterIntegrationController::onContinue()
{
    Ref<QVGameCenterIntegrationController> keep(this);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    closeIntro();
}

} // namespace quorvel
