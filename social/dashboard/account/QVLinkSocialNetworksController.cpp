// The last account set-up screen: linking Facebook and Twitter (importing
// their friends), sharing the location and the online status.
#include "social/dashboard/account/QVLinkSocialNetworksController.h"

#include "platform/foundation/Boxed.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVLinkSocialNetworksController);

bool QVLinkSocialNetworksController::hasSessionSeenLinkSocialNetworksScreen() { return QVLinkSocialNetworksSeen::get(); }
void QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen() { QVLinkSocialNetworksSeen::set(false); }

QVLinkSocialNetworksController::QVLinkSocialNetworksController()
    : mImporter(QVFriendImporter::friendImporterWithController(this))
{
}

// The importer's link to this screen expires with it.
QVLinkSocialNetworksController::~QVLinkSocialNetworksController() = default;

void QVLinkSocialNetworksController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    mAppNameLabel = label(root.get(), Rect(20, 16, w - 40, 22), 15, {}, true);
    label(root.get(), Rect(20, 44, w - 40, 36), 13, "Find your friends and share your games:");
    mBtnConnectFacebook = button(root.get(), Rect((w - 220) / 2, 88, 220, 37), "Connect Facebook", this,
                                 BRISKO_SELECTOR(QVLinkSocialNetworksController, onImportFromFacebook));
    mBtnConnectTwitter = button(root.get(), Rect((w - 220) / 2, 134, 220, 37), "Connect Twitter", this,
                                BRISKO_SELECTOR(QVLinkSocialNetworksController, onImportFromTwitter));
    label(root.get(), Rect(20, 190, w - 130, 27), 14, "Share my location");
    mShareLocationSwitch = toggle(root.get(), Rect(w - 104, 190, 94, 27));
    label(root.get(), Rect(20, 228, w - 130, 27), 14, "Share my online status");
    mShareOnlineStatusSwitch = toggle(root.get(), Rect(w - 104, 228, 94, 27));
    continueButton_ = button(root.get(), Rect((w - 200) / 2, 280, 200, 37), "Continue", this,
                             BRISKO_SELECTOR(QVLinkSocialNetworksController, onSkip));
    setView(root.get());
}

void QVLinkSocialNetworksController::viewWillAppear(bool)
{
    mShareLocationOriginalState = QuorvelInternal::options().userDistanceUnit() != QVDistanceUnit::LocationOff;
    mShareOnlineStatusOriginalState = QuorvelInternal::options().loggedInUserSharesOnlineStatus();
    mAppNameLabel->setText(nowPlaying());
    mBtnConnectTwitter->setEnabled(!QuorvelInternal::options().loggedInUserHasTwitterCredential());
    mBtnConnectFacebook->setEnabled(!QuorvelInternal::options().loggedInUserHasFbconnectCredential());
    mShareLocationSwitch->setOn(mShareLocationOriginalState);
    mShareOnlineStatusSwitch->setOn(mShareOnlineStatusOriginalState);
}

void QVLinkSocialNetworksController::viewDidAppear(bool)
{
    QVLinkSocialNetworksSeen::set(true);
    QVExistingAccountController::customAnimateNavigationController(navigationController(), false);
    // On a phone the screen fills the whole screen, turned with the dashboard; in the intro
    // frame its whole screen is the frame's stack, which already holds it inside the border
    // (the main screen's size would spill over the border and past the screen's edges).
    QVDashboardRole& dashboard = QuorvelInternal::dashboardRole();
    QVIntroFrame* intro = dashboard.activeIntroFrame();
    const bool framed = intro && navigationController() && intro->navController() == navigationController();
    if (!dashboard.isLargeScreen() && !framed) {
        Rect bounds = Screen::mainScreen().bounds();
        if (isLandscape(dashboard.getDashboardOrientation()))
            bounds = Rect(0, 0, bounds.size.height, bounds.size.width);
        view()->setBounds(bounds);
    }
}

void QVLinkSocialNetworksController::viewDidDisappear(bool)
{
    QVExistingAccountController::customAnimateNavigationController(navigationController(), true);
}

// The importer imports the friends of a linked network, or has the player link it first.
void QVLinkSocialNetworksController::onImportFromFacebook() { mImporter->importFromFacebook(); }
void QVLinkSocialNetworksController::onImportFromTwitter() { mImporter->importFromTwitter(); }

void QVLinkSocialNetworksController::onSkip()
{
    Ref<QVLinkSocialNetworksController> keep(this);
    bool location = mShareLocationSwitch->isOn();
    if (location != mShareLocationOriginalState) {
        QVUserSettingService::setUserSettingWithKey("location", location, QVDelegate(), QVDelegate());
        QuorvelInternal::options().setUserDistanceUnit(location ? QVDistanceUnit::Undecided : QVDistanceUnit::LocationOff);
    }
    bool online = mShareOnlineStatusSwitch->isOn();
    if (online != mShareOnlineStatusOriginalState) {
        QVUserSettingService::setUserSettingWithKey("presence", online, QVDelegate(), QVDelegate());
        if (!online)
            if (QVPresenceService* presence = QVPresenceService::sharedInstance())
                presence->disconnect();
    }
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    if (QuorvelInternal::sessionRole().isUsingGameCenter()) {
        pushOn(navigationController(), QVControllerLoader::load("GameCenterIntegration"), true);
    } else {
        QuorvelInternal::location().startLocationManagerIfAllowed();
        closeIntro();
    }
    QVDelegate complete = mOnCompletionDelegate;
    mOnCompletionDelegate = QVDelegate();
    complete.invoke(nullptr);
}

} // namespace quorvel
