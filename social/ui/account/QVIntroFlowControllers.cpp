// The account set-up sequence: bootstrap, existing and new account, the
// social-network offer and the Game Center note.
#include "social/ui/account/QVIntroFlowControllers.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDashboardHost.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/account/QVAccountSetupBaseController.h"
#include "social/ui/account/QVIntroNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVDoBootstrapController);
QV_REGISTER_CLASS(QVExistingAccountController);
QV_REGISTER_CLASS(QVExistingAccountMultipleController);
QV_REGISTER_CLASS(QVNewAccountController);
QV_REGISTER_CLASS(QVLinkSocialNetworksController);
QV_REGISTER_CLASS(QVGameCenterIntegrationController);

namespace {

void setIntroFullscreen(bool fullscreen)
{
    if (QVIntroFrame* intro = QVIntroFrame::active())
        intro->setFullscreenFrame(fullscreen);
}

// Pushes a screen made by name; a name that made nothing pushes nothing.
void pushOn(NavigationController* nav, const Ref<ViewController>& screen, bool animated)
{
    if (nav && screen)
        nav->pushViewController(screen.get(), animated);
}

// Offers the sign-in screen over `from`: cancelling it comes back to `from`
// (through onCancel), signing in calls onDone.
void pushLoginOver(ViewController* from, const QVDelegate& onCancel, const QVDelegate& onDone)
{
    Ref<ViewController> screen = QVControllerLoader::load("QuorvelAccountLogin");
    if (auto* login = dynamic_cast<QVAccountSetupBaseController*>(screen.get())) {
        login->setCancelDelegate(onCancel);
        login->setCompletionDelegate(onDone);
    }
    pushOn(from->navigationController(), screen, true);
}

// The last step of the sequence over `from`: offering to link the social
// networks, which ends the sequence through onDone.
void pushLinkNetworks(ViewController* from, const QVDelegate& onDone)
{
    Ref<ViewController> screen = QVControllerLoader::load("LinkSocialNetworks");
    if (auto* link = dynamic_cast<QVLinkSocialNetworksController*>(screen.get()))
        link->setCompleteDelegate(onDone);
    pushOn(from->navigationController(), screen, true);
}

void popBackTo(ViewController* screen)
{
    if (NavigationController* nav = screen->navigationController())
        nav->popToViewController(screen, true);
}

// Ends the sequence: error screens back on, the intro frame closed.
void closeIntro()
{
    Quorvel::allowErrorScreens(true);
    Quorvel::dismissRootControllerOrItsModal();
}

bool gSessionSawLinkNetworks = false;

} // namespace

// ---- "DoBootstrap"

void QVDoBootstrapController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    titleLabel_ = label(root.get(), Rect(20, 40, w - 40, 30), 20, "Setting Up Quorvel", true);
    messageLabel_ = label(root.get(), Rect(20, 80, w - 40, 160), 14);
    messageLabel_->setHidden(true);
    activityIndicator_ = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    activityIndicator_->setFrame(Rect((w - 37) / 2, 120, 37, 37));
    activityIndicator_->startAnimating();
    root->addSubview(activityIndicator_.get());
    skipButton_ = button(root.get(), Rect((w - 200) / 2, 260, 200, 37), "Continue", this,
                         BRISKO_SELECTOR(QVDoBootstrapController, _skip));
    setView(root.get());
}

void QVDoBootstrapController::viewWillAppear(bool)
{
    Quorvel::allowErrorScreens(false);
    navigationItem()->setHidesBackButton(true);
}

void QVDoBootstrapController::viewDidAppear(bool)
{
    if (NavigationController* nav = navigationController())
        nav->setNavigationBarHidden(true, true);
    setIntroFullscreen(false);
    if (lookupStarted_)
        return; // coming back to this screen starts nothing again
    lookupStarted_ = true;
    if (QVReachability::isConnectedToInternet())
        QVUserService::findUsersForLocalDeviceOnSuccess(
            QVDelegate(this, BRISKO_SELECTOR(QVDoBootstrapController, _findUsersSucceeded)),
            QVDelegate(this, BRISKO_SELECTOR(QVDoBootstrapController, _findUsersFailed)));
    else
        _showMessageAndHideLoading(kOfflineMessage);
}

void QVDoBootstrapController::_findUsersSucceeded(platform::Object* answer)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    size_t count = series ? series->count() : 0;
    QVDelegate succeeded(this, BRISKO_SELECTOR(QVDoBootstrapController, _bootstrapSucceded));
    QVDelegate failed(this, BRISKO_SELECTOR(QVDoBootstrapController, _bootstrapFailed));
    if (count == 0) {
        Quorvel::doBootstrap(true, {}, succeeded, failed);
        return;
    }
    if (count == 1) {
        auto* user = dynamic_cast<QVUser*>(series->objectAtIndex(0));
        Quorvel::doBootstrap(false, user ? user->resourceId() : std::string(), succeeded, failed);
        return;
    }
    Ref<ViewController> screen = QVControllerLoader::load("ExistingAccountMultiple");
    if (auto* choice = dynamic_cast<QVExistingAccountController*>(screen.get())) {
        choice->setUserResources(series);
        choice->setCompleteDelegate(mCompleteDelegate);
    }
    pushScreen(screen, true);
}

void QVDoBootstrapController::_findUsersFailed(platform::Object*) { _showMessageAndHideLoading(kFailedMessage); }

void QVDoBootstrapController::_bootstrapSucceded(platform::Object*)
{
    Ref<ViewController> screen;
    if (Quorvel::loggedInUserIsNewUser()) {
        screen = QVControllerLoader::load("NewAccount");
        if (auto* naming = dynamic_cast<QVNewAccountController*>(screen.get())) {
            naming->setHideNavigationBar(true);
            naming->setCloseDashboardOnCompletion(true);
            naming->setCompleteDelegate(mCompleteDelegate);
            if (QVDashboardHost::current().isLargeScreen())
                naming->hideContentFrame();
        }
    } else {
        screen = QVControllerLoader::load("ExistingAccount");
        if (auto* existing = dynamic_cast<QVExistingAccountController*>(screen.get()))
            existing->setCompleteDelegate(mCompleteDelegate);
    }
    pushScreen(screen, false);
}

void QVDoBootstrapController::_bootstrapFailed(platform::Object*) { _showMessageAndHideLoading(kFailedMessage); }

void QVDoBootstrapController::_showMessageAndHideLoading(const std::string& text)
{
    view();
    activityIndicator_->stopAnimating();
    activityIndicator_->setHidden(true);
    titleLabel_->setText("Error");
    messageLabel_->setText(text);
    messageLabel_->setHidden(false);
}

void QVDoBootstrapController::_skip()
{
    Ref<QVDoBootstrapController> keep(this);
    closeIntro();
    QVDelegate complete = mCompleteDelegate;
    mCompleteDelegate = QVDelegate(); // once
    complete.invoke(nullptr);
}

void QVDoBootstrapController::pushScreen(Ref<ViewController> screen, bool animated)
{
    pushOn(navigationController(), screen, animated);
}

// ---- "ExistingAccount" / "ExistingAccountMultiple"

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

void QVExistingAccountController::viewWillAppear(bool)
{
    navigationItem()->setHidesBackButton(true);
    appNameLabel_->setText(nowPlaying());
    if (!isMultiple()) {
        usernameLabel_->setText(Quorvel::lastLoggedInUserName());
        Ref<QVUser> local = Quorvel::localUser();
        scoreLabel_->setText(platform::format("%d", local ? static_cast<int>(local->gamerScore()) : 0));
        profileImageView_->useLocalPlayerProfilePictureDefault();
        profileImageView_->setImageUrl(Quorvel::lastLoggedInUserProfilePictureUrl());
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
    previousLocalUser_ = Quorvel::localUser();
    Quorvel::setLocalUser(user);
    showLoadingScreen();
    Quorvel::doBootstrap(false, user->resourceId(),
                         QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, continueFlow)),
                         QVDelegate(this, BRISKO_SELECTOR(QVExistingAccountController, onBootstrapFailure)));
}

void QVExistingAccountController::continueFlow(platform::Object*)
{
    hideLoadingScreen();
    previousLocalUser_ = nullptr;
    if (!Quorvel::hasBootstrapCompleted()) {
        dismiss();
        return;
    }
    pushLinkNetworks(this, mOnCompletionDelegate);
}

void QVExistingAccountController::onBootstrapFailure(platform::Object*)
{
    hideLoadingScreen();
    if (previousLocalUser_) {
        Ref<QVUser> previous = std::move(previousLocalUser_);
        Quorvel::setLocalUser(previous.get());
    }
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

// ---- "NewAccount"

void QVNewAccountController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    contentView_ = View::viewWithFrame(root->bounds());
    contentView_->setBackgroundColor(std::nullopt);
    contentView_->setOpaque(false);
    root->addSubview(contentView_.get());
    View* content = contentView_.get();
    logoView_ = label(content, Rect(20, 8, w - 40, 30), 24, "Quorvel", true).get();
    logoView_->setTag(101);
    appNameLabel_ = label(content, Rect(20, 44, w - 40, 22), 15, {}, true);
    appNameLabel_->setTag(103);
    auto prompt = label(content, Rect(20, 72, w - 40, 36), 13, "Choose the name other players will see:");
    prompt->setTag(104);
    profileImageView_ = QVImageView::imageViewWithFrame(Rect(20, 116, 44, 44));
    content->addSubview(profileImageView_.get());
    nameEntryField_ = field(content, Rect(72, 122, w - 92, 31), 1, {});
    acceptNameButton_ = button(content, Rect((w - 200) / 2, 176, 200, 37), "Continue", this,
                               BRISKO_SELECTOR(QVNewAccountController, _acceptName));
    acceptNameButton_->setTag(1001);
    useDefaultNameButton_ = button(content, Rect((w - 200) / 2, 222, 200, 37), "Use", this,
                                   BRISKO_SELECTOR(QVNewAccountController, _useDefaultName), false);
    useDefaultNameButton_->setHidden(true);
    alreadyHaveAccountButton_ = button(content, Rect((w - 240) / 2, 276, 240, 37), "I already have an account", this,
                                       BRISKO_SELECTOR(QVNewAccountController, _alreadyCreatedAccount), false);
    auto spacer = View::viewWithFrame(Rect(0, 320, w, 10));
    spacer->setTag(102);
    spacer->setBackgroundColor(std::nullopt);
    content->addSubview(spacer.get());
    setView(root.get());
}

void QVNewAccountController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    std::string me = "me";
    params.io("id", me);
}

void QVNewAccountController::viewWillAppear(bool)
{
    setTitle("Creating New Account");
    appNameLabel_->setText(nowPlaying());
    profileImageView_->useLocalPlayerProfilePictureDefault();
    hideNameLoadingView();
    std::string name = Quorvel::lastLoggedInUserName();
    useDefaultNameButton_->setTitleForAllStates(platform::format("Use %s", name.c_str()));
    nameEntryField_->setText(name);
    nameEntryField_->setPlaceholder(name);
    navigationItem()->setHidesBackButton(hideNavigationBar_ || !allowNavigatingBack_);
    setIntroFullscreen(false);
    hasBeenDismissed_ = false;
}

void QVNewAccountController::viewWillDisappear(bool animated)
{
    QVFormControllerHelper::viewWillDisappear(animated);
    setIntroFullscreen(false);
}

void QVNewAccountController::viewDidAppear(bool)
{
    if (hideNavigationBar_)
        QVExistingAccountController::customAnimateNavigationController(navigationController(), false);
}

void QVNewAccountController::viewDidDisappear(bool)
{
    if (hideNavigationBar_)
        QVExistingAccountController::customAnimateNavigationController(navigationController(), true);
}

void QVNewAccountController::textFieldDidBeginEditing(TextField*)
{
    acceptNameButton_->setTitleForAllStates("Submit");
    useDefaultNameButton_->setHidden(false);
}

void QVNewAccountController::onSubmitForm(platform::Object* sender)
{
    if (isSubmitting())
        return;
    if (nameEntryField_->text().empty())
        nameEntryField_->setText(nameEntryField_->placeholder());
    desiredName_ = nameEntryField_->text();
    hideNameLoadingView();
    if (desiredName_ == Quorvel::lastLoggedInUserName()) {
        continueFlow();
        return;
    }
    acceptNameButton_->setEnabled(false);
    alreadyHaveAccountButton_->setEnabled(false);
    showNameLoadingView("Submitting name...");
    QVFormControllerHelper::onSubmitForm(sender);
}

void QVNewAccountController::onFormSubmitted()
{
    hideNameLoadingView();
    Quorvel::loggedInUserChangedNameTo(desiredName_);
    nameEntryField_->setText(desiredName_);
    desiredName_.clear();
    continueFlow();
}

void QVNewAccountController::onPresentingErrorDialog()
{
    hideNameLoadingView();
    acceptNameButton_->setEnabled(true);
    alreadyHaveAccountButton_->setEnabled(true);
}

void QVNewAccountController::continueFlow(platform::Object*)
{
    // Without a completed bootstrap there is nothing to link: the sequence ends here.
    if (!closeDashboardOnCompletion_ || !Quorvel::hasBootstrapCompleted()) {
        dismiss();
        return;
    }
    pushLinkNetworks(this, mOnCompletionDelegate);
}

void QVNewAccountController::dismiss(platform::Object*)
{
    if (hasBeenDismissed_)
        return;
    Ref<QVNewAccountController> keep(this);
    hasBeenDismissed_ = true;
    Quorvel::allowErrorScreens(true);
    if (closeDashboardOnCompletion_)
        Quorvel::dismissRootControllerOrItsModal();
    mOnCompletionDelegate.invoke(nullptr);
}

void QVNewAccountController::cancelled()
{
    if (!mOnCancelDelegate.isEmpty())
        mOnCancelDelegate.invoke(nullptr);
}

void QVNewAccountController::_alreadyCreatedAccount()
{
    pushLoginOver(this, QVDelegate(this, BRISKO_SELECTOR(QVNewAccountController, popBackToMe)),
                  QVDelegate(this, BRISKO_SELECTOR(QVNewAccountController, dismiss)));
}

void QVNewAccountController::popBackToMe(platform::Object*) { popBackTo(this); }

void QVNewAccountController::showNameLoadingView(const std::string& text)
{
    hideNameLoadingView();
    Rect frame = nameEntryField_->frame();
    loadingView_ = View::viewWithFrame(frame);
    loadingView_->setBackgroundColor(Color::black().withAlpha(0.5f));
    auto spinner = ActivityIndicator::withStyle(ActivityIndicator::Style::White);
    spinner->startAnimating();
    auto text_ = Label::labelWithFrame(Rect(0, 0, frame.size.width - 28, frame.size.height));
    text_->setText(text);
    text_->setTextColor(Color::whiteColor());
    text_->setBackgroundColor(std::nullopt);
    text_->setFont(platform::Font::systemFont(13));
    platform::Size textSize = text_->sizeThatFits(frame.size);
    float spinnerSide = spinner->frame().size.width;
    float total = spinnerSide + 4 + textSize.width;
    float x = (frame.size.width - total) / 2;
    spinner->setFrame(Rect(x, (frame.size.height - spinnerSide) / 2, spinnerSide, spinnerSide));
    text_->setFrame(Rect(x + spinnerSide + 4, 0, textSize.width, frame.size.height));
    loadingView_->addSubview(spinner.get());
    loadingView_->addSubview(text_.get());
    nameEntryField_->superview()->addSubview(loadingView_.get());
}

void QVNewAccountController::hideNameLoadingView()
{
    if (loadingView_)
        loadingView_->removeFromSuperview();
    loadingView_ = nullptr;
}

void QVNewAccountController::hideContentFrame()
{
    view();
    if (View* frame = view()->viewWithTag(101))
        frame->setHidden(true);
    for (auto& sub : contentView_->subviews())
        if (sub.get() != logoView_.get()) {
            Rect f = sub->frame();
            f.origin.y -= 5;
            sub->setFrame(f);
        }
}

void QVNewAccountController::hideIntroFlowViews()
{
    view();
    for (int tag : { 101, 103, 104 })
        if (View* v = view()->viewWithTag(tag))
            v->setHidden(true);
    float shift = QVIntroFrame::active() ? 42 : 32;
    for (auto& sub : contentView_->subviews()) {
        Rect f = sub->frame();
        f.origin.y -= shift;
        sub->setFrame(f);
    }
    if (View* filler = view()->viewWithTag(102); filler && filler->superview()) {
        Rect f = filler->frame();
        f.size.height = filler->superview()->bounds().size.height - f.origin.y;
        filler->setFrame(f);
    }
    setIntroFullscreen(true);
    setView(contentView_.get());
}

// ---- "LinkSocialNetworks"

bool QVLinkSocialNetworksController::hasSessionSeenLinkSocialNetworksScreen() { return gSessionSawLinkNetworks; }
void QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen() { gSessionSawLinkNetworks = false; }

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
    mShareLocationOriginalState = Quorvel::userDistanceUnit() != 1;
    mShareOnlineStatusOriginalState = Quorvel::loggedInUserSharesOnlineStatus();
    mAppNameLabel->setText(nowPlaying());
    mBtnConnectTwitter->setEnabled(!Quorvel::loggedInUserHasTwitterCredential());
    mBtnConnectFacebook->setEnabled(!Quorvel::loggedInUserHasFbconnectCredential());
    mShareLocationSwitch->setOn(mShareLocationOriginalState);
    mShareOnlineStatusSwitch->setOn(mShareOnlineStatusOriginalState);
}

void QVLinkSocialNetworksController::viewDidAppear(bool)
{
    gSessionSawLinkNetworks = true;
    QVExistingAccountController::customAnimateNavigationController(navigationController(), false);
}

void QVLinkSocialNetworksController::viewDidDisappear(bool)
{
    QVExistingAccountController::customAnimateNavigationController(navigationController(), true);
}

void QVLinkSocialNetworksController::importFrom(const std::string& network)
{
    // Linking a network adds a credential to the account that is logged in.
    Ref<ViewController> screen = QVControllerLoader::loadWithParams(
        network + "AccountLogin", { { "addingAdditionalCredential", platform::Boxed::box(platform::Value(true)) } });
    pushOn(navigationController(), screen, true);
}

void QVLinkSocialNetworksController::onImportFromFacebook() { importFrom("Facebook"); }
void QVLinkSocialNetworksController::onImportFromTwitter() { importFrom("Twitter"); }

void QVLinkSocialNetworksController::onSkip()
{
    Ref<QVLinkSocialNetworksController> keep(this);
    bool location = mShareLocationSwitch->isOn();
    if (location != mShareLocationOriginalState) {
        QVUserSettingService::setUserSettingWithKey("location", location, QVDelegate(), QVDelegate());
        Quorvel::setUserDistanceUnit(location ? 0 : 1);
    }
    bool online = mShareOnlineStatusSwitch->isOn();
    if (online != mShareOnlineStatusOriginalState) {
        QVUserSettingService::setUserSettingWithKey("presence", online, QVDelegate(), QVDelegate());
        if (!online)
            if (QVPresenceService* presence = QVPresenceService::sharedInstance())
                presence->disconnect();
    }
    Quorvel::setDoneWithGetTheMost(true);
    if (Quorvel::isUsingGameCenter()) {
        pushOn(navigationController(), QVControllerLoader::load("GameCenterIntegration"), true);
    } else {
        Quorvel::startLocationManagerIfAllowed();
        closeIntro();
    }
    QVDelegate complete = mOnCompletionDelegate;
    mOnCompletionDelegate = QVDelegate();
    complete.invoke(nullptr);
}

// ---- "GameCenterIntegration"

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
    if (!Quorvel::applicationDisplayName().empty())
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
    Quorvel::startLocationManagerIfAllowed();
    closeIntro();
}

} // namespace quorvel
