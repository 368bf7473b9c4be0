// The new-player form: the name chosen, the account created and the set-up
// flow continued or closed.
#include "social/dashboard/account/QVNewAccountController.h"

#include "platform/foundation/Boxed.h"
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
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVNewAccountController);

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
    // The flow decides whether going back makes sense; the bar's own visibility does not.
    navigationItem()->setHidesBackButton(!allowNavigatingBack_);
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
    QuorvelInternal::records().loggedInUserChangedNameTo(desiredName_);
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
    if (!closeDashboardOnCompletion_ || !QuorvelInternal::login().hasBootstrapCompleted()) {
        dismiss();
        return;
    }
    pushLinkNetworks(this, mOnCompletionDelegate);
}

void QVNewAccountController::dismiss(platform::Object* outcome)
{
    // The login of an existing account failed: its dead end stays in front,
    // and the sequence goes on from there.
    if (hasBeenDismissed_ || QVAccountSetupBaseController::isLoginFailure(outcome))
        return;
    Ref<QVNewAccountController> keep(this);
    hasBeenDismissed_ = true;
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    if (closeDashboardOnCompletion_)
        QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
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
    float shift = QuorvelInternal::dashboardRole().activeIntroFrame() ? 42 : 32;
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
    // Shown already (pushed on a stack), the content takes the place of the view that held it: the
    // stack lets go of the screen's view when the next screen comes, and would leave the old one.
    Ref<View> holder(view());
    if (View* parent = holder->superview(); parent && contentView_->superview() == holder.get()) {
        Ref<View> content = contentView_;
        content->removeFromSuperview();
        content->setFrame(holder->frame());
        content->setAutoresizingMask(holder->autoresizingMask());
        parent->insertSubviewBelow(content.get(), holder.get());
        holder->removeFromSuperview();
    }
    setView(contentView_.get());
}

} // namespace quorvel
