// The question asked before the client posts an event to the player's linked
// social networks: the text and picture that would be posted, the icons of
// the networks it would go to, Yes and No, and a switch that remembers the
// answer for later posts. The central class loads it as "SocialNotification"
// and shows it as an overlay.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVSocialNotificationController : public QVViewController, public QVSocialNotificationPrompt {
    QV_DECLARE_CLASS(QVSocialNotificationController)
public:
    QVSocialNotification* socialNotification() const { return socialNotification_.get(); }
    platform::ui::Label* notificationText() const { return notificationText_.get(); }
    platform::ui::Label* applicationLabel() const { return applicationLabel_.get(); }
    QVImageView* notificationImage() const { return notificationImage_.get(); }
    platform::ui::Switch* rememberSwitch() const { return rememberSwitch_.get(); }
    platform::ui::ImageView* networkIcon1() const { return networkIcon1_.get(); }
    platform::ui::ImageView* networkIcon2() const { return networkIcon2_.get(); }
    platform::ui::Button* yesButton() const { return yesButton_.get(); }
    platform::ui::Button* noButton() const { return noButton_.get(); }

    // Keeps the notification and shows the icon of each network it would go to.
    void setSocialNotification(QVSocialNotification* notification,
                               const std::vector<platform::Ref<QVUsersCredential>>& credentials) override;
    void addSocialNetworkIcon(platform::ui::ImageAsset* image);

    void yesButtonClicked(platform::Object*);
    void noButtonClicked(platform::Object*);
    void _rememberChoice(bool choice);
    void dismiss();
    void _imageUrlDownloaded(platform::Object* series);
    void _imageUrlFailed(platform::Object*) { }
    bool canReceiveCallbacksNow() override { return true; }

    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSocialNotificationController() = default;
    ~QVSocialNotificationController() override;

private:
    bool answered_ { false };
    platform::Ref<QVSocialNotification> socialNotification_;
    platform::Ref<platform::ui::Label> notificationText_;
    platform::Ref<platform::ui::Label> applicationLabel_;
    platform::Ref<QVImageView> notificationImage_;
    platform::Ref<platform::ui::Switch> rememberSwitch_;
    platform::Ref<platform::ui::ImageView> networkIcon1_;
    platform::Ref<platform::ui::ImageView> networkIcon2_;
    platform::Ref<platform::ui::Button> yesButton_;
    platform::Ref<platform::ui::Button> noButton_;
};

} // namespace quorvel
