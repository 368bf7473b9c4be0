// Confirming the account found for the device, or picking one of several.
#include "social/dashboard/account/QVExistingAccountController.h"

#include "social/runtime/QVProvider.h"

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

QV_REGISTER_CLASS(QVExistingAccountController);
void QVExistingAccountController::customAnimateNavigationController(NavigationController* nav, bool animateIn)
{
    if (!nav)
        return;
    NavigationBar* bar = nav->navigationBar();
    Rect frame = bar->frame();
    float height = frame.size.height;
    if (animateIn) {
        nav->setNavigationBarHidden(false, false);
        frame.origin.y = 4 - height;
        bar->setFrame(frame);
        View::beginAnimations("navBarIn");
        View::setAnimationDuration(0.5);
        frame.origin.y = 4;
        bar->setFrame(frame);
        View::commitAnimations();
    } else {
        nav->setNavigationBarHidden(true, false);
        frame.origin.y = 4;
        bar->setFrame(frame);
        View::beginAnimations("navBarOut");
        View::setAnimationDuration(0.5);
        frame.origin.y = 4 - height;
        bar->setFrame(frame);
        View::commitAnimations();
    }
}

void QVExistingAccountController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    appNameLabel_ = label(root.get(), Rect(20, 20, w - 40, 24), 16, {}, true);
    if (isMultiple()) {
        label(root.get(), Rect(20, 50, w - 100, 40), 14, "Choose the account you play with:");
        editButton_ = button(root.get(), Rect(w - 80, 56, 64, 30), "Edit", this,
                             BRISKO_SELECTOR(QVExistingAccountController, _edit), false);
        selectUserWidget_ = QVSelectUserWidget::widgetWithFrame(Rect(10, 96, w - 20, root->bounds().size.height - 170));
        selectUserWidget_->setDelegate(this);
        selectUserWidget_->setHideHeader(true);
        root->addSubview(selectUserWidget_.get());
        if (!users_.empty())
            selectUserWidget_->setUserResources(users_);
    } else {
        profileImageView_ = QVImageView::imageViewWithFrame(Rect((w - 64) / 2, 56, 64, 64));
        root->addSubview(profileImageView_.get());
        usernameLabel_ = label(root.get(), Rect(20, 128, w - 40, 24), 18, {}, true);
        scoreLabel_ = label(root.get(), Rect(20, 154, w - 40, 20), 14);
        okButton_ = button(root.get(), Rect((w - 200) / 2, 200, 200, 37), "Continue", this,
                           BRISKO_SELECTOR(QVExistingAccountController, _ok));
        okButton_->setTag(1);
    }
    notMeButton_ = button(root.get(), Rect((w - 200) / 2, root->bounds().size.height - 60, 200, 37),
                          "This isn't me", this, BRISKO_SELECTOR(QVExistingAccountController, _thisIsntMe), false);
    setView(root.get());
}

void QVExistingAccountController::setUserResources(platform::Object* answer)
{
    users_.clear();
    if (auto* series = dynamic_cast<QVPaginatedSeries*>(answer))
        for (size_t i = 0; i < series->count(); ++i)
            if (auto* user = dynamic_cast<QVUser*>(series->objectAtIndex(i)))
                users_.emplace_back(user);
    if (selectUserWidget_)
        selectUserWidget_->setUserResources(users_);
}

void QVExistingAccountController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    if (QuorvelInternal::dashboardRole().isLargeScreen())
        view()->setBackgroundColor(Color::clear());
}

void QVExistingAccountController::viewWillAppear(bool)
{
    navigationItem()->setHidesBackButton(true);
    capTagOneButton(view());
    appNameLabel_->setText(nowPlaying());
    if (!isMultiple()) {
        usernameLabel_->setText(Quorvel::lastLoggedInUserName());
        Ref<QVUser> local = QuorvelInternal::sessionRole().localUser();
        scoreLabel_->setText(platform::format("%d", local ? static_cast<int>(local->gamerScore()) : 0));
        profileImageView_->useLocalPlayerProfilePictureDefault();
        profileImageView_->setImageUrl(QuorvelInternal::records().lastLoggedInUserProfilePictureUrl());
    }
}

void QVExistingAccountController::viewDidAppear(bool)
{
    customAnimateNavigationController(navigationController(), false);
}

void QVExistingAccountController::viewDidDisappear(bool)
{
    customAnimateNavigationController(navigationController(), true);
}

void QVExistingAccountController::_edit()
{
    bool editing = editButton_->currentTitle() != "Done";
    editButton_->setTitle(editing ? "Done" : "Edit", StateNormal);
    editButton_->setTitle(editing ? "Done" : "Edit", StateHighlighted);
    if (selectUserWidget_)
        selectUserWidget_->setEditing(editing);
}

void QVExistingAccountController::selectUserWidget(QVSelectUserWidget*, QVUser* user)
{
    if (!user)
        return;
    // Kept so that a failed login does not leave the device on an account it could not open.
    previousLocalUser_ = QuorvelInternal::sessionRole().localUser();
    // Another account than the one whose token is held: the token gives way
    // (as on the switch page), so nothing the game sends meanwhile goes as the
    // player the client no longer names.
    if (!previousLocalUser_ || previousLocalUser_->resourceId() != user->resourceId())
        if (QVProvider* provider = QuorvelInternal::sessionRole().provider())
            provider->destroyLocalCredentials();
    QuorvelInternal::sessionRole().setLocalUser(user);
    chosenUserId_ = user->resourceId();
    // The choice is the player's say-so, also when the game logged the player out while the
    // chooser was up (which counts as turning the client off): the login is not refused for it.
    QuorvelInternal::options().setUserApprovedQuorvel();
    showLoadingScreen();
    QuorvelInternal::login().doBootstrap(false, user->resourceId(),
                         QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, continueFlow)),
                         QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, onBootstrapFailure)));
}

void QVExistingAccountController::continueFlow(platform::Object* outcome)
{
    hideLoadingScreen();
    // Another account's login failed: its dead end stays in front; the
    // earlier login of this device's account says nothing about this one.
    if (QVAccountSetupBaseController::isLoginFailure(outcome))
        return;
    previousLocalUser_ = nullptr;
    if (!QuorvelInternal::login().hasBootstrapCompleted()) {
        dismiss();
        return;
    }
    pushLinkNetworks(this, mOnCompletionDelegate);
}

void QVExistingAccountController::onBootstrapFailure(platform::Object*)
{
    hideLoadingScreen();
    // The player from before the choice comes back only over the chosen account:
    // a login that ended meanwhile (the game's own, say) named the player whose
    // token the client holds now, and that player stays.
    Ref<QVUser> previous = std::move(previousLocalUser_);
    Ref<QVUser> now = QuorvelInternal::sessionRole().localUser();
    if (previous && now && now->resourceId() == chosenUserId_)
        QuorvelInternal::sessionRole().setLocalUser(previous.get());
    auto error = QVDeadEndErrorController::deadEndErrorWithMessage(QVAccountSetupBaseController::kLoginFailedMessage);
    pushOn(navigationController(), Ref<ViewController>(error.get()), true);
}

void QVExistingAccountController::_thisIsntMe()
{
    pushLoginOver(this, QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, popBackToMe)),
                  QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, continueFlow)));
}

void QVExistingAccountController::popBackToMe(platform::Object*) { popBackTo(this); }

void QVExistingAccountController::dismiss()
{
    if (hasBeenDismissed_)
        return;
    Ref<QVExistingAccountController> keep(this);
    hasBeenDismissed_ = true;
    closeIntro();
    mOnCompletionDelegate.invoke(nullptr);
}

} // namespace quorvel
