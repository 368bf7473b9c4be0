// The social-post question.
#include "social/dashboard/inbox/QVSocialNotificationController.h"

#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVImageUrl.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVSocialNotificationController);

void QVSocialNotificationController::loadView()
{
    platform::Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    auto root = View::viewWithFrame(bounds);
    root->setBackgroundColor(Color::white(0, 0.5f));
    float width = std::min(bounds.size.width - 20, 300.0f);
    float x = (bounds.size.width - width) / 2;
    auto panel = View::viewWithFrame(Rect(x, 60, width, 290));
    panel->setBackgroundColor(Color::rgb(0.12f, 0.16f, 0.3f));
    applicationLabel_ = makeLabel(Rect(12, 8, width - 24, 20), 14, true);
    applicationLabel_->setTextColor(Color::whiteColor());
    applicationLabel_->setText("Post to your social networks?");
    notificationImage_ = QVImageView::imageViewWithFrame(Rect(12, 36, 60, 60));
    notificationText_ = makeLabel(Rect(80, 36, width - 92, 80), 13, false);
    notificationText_->setNumberOfLines(0);
    notificationText_->setTextColor(Color::whiteColor());
    networkIcon1_ = ImageView::imageViewWithFrame(Rect(12, 124, 24, 24));
    networkIcon2_ = ImageView::imageViewWithFrame(Rect(42, 124, 24, 24));
    networkIcon1_->setHidden(true);
    networkIcon2_->setHidden(true);
    auto rememberLabel = makeLabel(Rect(12, 164, width - 120, 27), 13, false);
    rememberLabel->setTextColor(Color::whiteColor());
    rememberLabel->setText("Remember my choice");
    rememberSwitch_ = Switch::switchWithFrame(Rect(width - 106, 164, 94, 27));
    yesButton_ = Button::buttonWithType(Button::Type::RoundedRect);
    yesButton_->setTitle("Yes", StateNormal);
    yesButton_->setFrame(Rect(12, 220, (width - 36) / 2, 44));
    yesButton_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVSocialNotificationController, yesButtonClicked)),
                          TouchUpInside);
    noButton_ = Button::buttonWithType(Button::Type::RoundedRect);
    noButton_->setTitle("No", StateNormal);
    noButton_->setFrame(Rect(24 + (width - 36) / 2, 220, (width - 36) / 2, 44));
    noButton_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVSocialNotificationController, noButtonClicked)),
                         TouchUpInside);
    layout::addSubviews(panel, { applicationLabel_.get(), notificationImage_.get(), notificationText_.get(),
                                 networkIcon1_.get(), networkIcon2_.get(), rememberLabel.get(), rememberSwitch_.get(),
                                 yesButton_.get(), noButton_.get() });
    root->addSubview(panel.get());
    setView(root.get());
}

void QVSocialNotificationController::setSocialNotification(QVSocialNotification* notification,
                                                           const std::vector<Ref<QVUsersCredential>>& credentials)
{
    socialNotification_ = notification;
    view();
    for (const auto& credential : credentials) {
        if (!credential)
            continue;
        if (credential->isFacebook())
            addSocialNetworkIcon(QVLoadKitImage("QVFacebookIcon.png").get());
        else if (credential->isTwitter())
            addSocialNetworkIcon(QVLoadKitImage("QVTwitterIcon.png").get());
    }
}

void QVSocialNotificationController::addSocialNetworkIcon(ImageAsset* image)
{
    view();
    for (ImageView* icon : { networkIcon1_.get(), networkIcon2_.get() }) {
        if (icon->isHidden()) {
            icon->setImage(image);
            icon->setHidden(false);
            return;
        }
    }
}

void QVSocialNotificationController::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    notificationImage_->setUnframed(false);
    if (!socialNotification_)
        return;
    if (socialNotification_->imageUrl()) {
        notificationImage_->setImageUrl(socialNotification_->imageUrl());
    } else {
        notificationImage_->showLoadingIndicator();
        QVSocialNotificationService::getImageUrlForNotificationImageNamed(
            socialNotification_->imageIdentifier().value_or(""),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSocialNotificationController, _imageUrlDownloaded))),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSocialNotificationController, _imageUrlFailed))));
    }
    notificationText_->setText(socialNotification_->text());
}

void QVSocialNotificationController::_imageUrlDownloaded(Object* answer)
{
    // An answer without a picture address changes nothing.
    auto* image = dynamic_cast<QVImageUrl*>(requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objectAtIndex(0));
    if (!image || !image->url() || image->url()->empty())
        return;
    notificationImage_->setImageUrl(image->url());
    if (socialNotification_)
        socialNotification_->setImageUrl(image->url());
}

QVSocialNotificationController::~QVSocialNotificationController()
{
    // Closed without an answer (the game shut the dashboard): the post waits for nobody.
    if (socialNotification_ && !answered_)
        QVSocialNotificationApi::sendFailure();
}

void QVSocialNotificationController::yesButtonClicked(Object*)
{
    Ref<QVSocialNotificationController> keep(this);
    if (answered_)
        return; // a second tap while closing posts nothing more
    answered_ = true;
    if (socialNotification_)
        QVSocialNotificationService::sendWithoutRequestingPermissionWithSocialNotification(socialNotification_.get());
    _rememberChoice(true);
    dismiss();
}

void QVSocialNotificationController::noButtonClicked(Object*)
{
    Ref<QVSocialNotificationController> keep(this);
    if (answered_)
        return;
    answered_ = true;
    _rememberChoice(false);
    // The game waiting for the post hears that nothing was posted.
    if (socialNotification_)
        QVSocialNotificationApi::sendFailure();
    dismiss();
}

void QVSocialNotificationController::_rememberChoice(bool choice)
{
    if (!rememberSwitch_ || !rememberSwitch_->isOn())
        return;
    QuorvelInternal::options().setUserHasRememberedChoiceForNotifications(true);
    QuorvelInternal::options().setUserAllowsNotifications(choice);
}

void QVSocialNotificationController::dismiss() { QuorvelInternal::dashboardRole().dismissDashboard(); }

} // namespace quorvel
