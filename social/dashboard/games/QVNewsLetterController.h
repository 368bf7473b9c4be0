// QVNewsLetterController ("NewsLetter"): subscribes the player to the game
// developer's e-mail updates, first sending a player without e-mail
// credentials to add them.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "social/ui/QVViewController.h"

#include <string>

namespace quorvel {

class QVGameProfilePageInfo;

class QVNewsLetterController : public QVViewController, public platform::ui::ActionSheetDelegate {
    QV_DECLARE_CLASS(QVNewsLetterController)
public:
    static constexpr const char* kSecureTitle =
        "To subscribe you must first enable account retrieval with an e-mail and password.";

    platform::ui::Label* summaryLabel() { view(); return summaryLabel_.get(); }
    platform::ui::Label* descriptionLabel() { view(); return descriptionLabel_.get(); }
    platform::ui::Switch* subscriptionSwitch() { view(); return subscriptionSwitch_.get(); }
    bool securingAccount() const { return securingAccount_; }

    void subscriptionChanged();
    void setSubscriptionState(bool on);
    void doServerAction();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }
    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet* sheet, int index) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVNewsLetterController() = default;

private:
    std::string gameId() const;
    void onRetrievedSetting(platform::Object* series);
    void onFailedRetrievingSetting(platform::Object*) { hideLoadingScreen(); }
    void onSubscriptionChanged(platform::Object*) { hideLoadingScreen(); }
    void onSubscriptionFailedToChange(platform::Object*);

    platform::Ref<platform::ui::Label> summaryLabel_, descriptionLabel_;
    platform::Ref<platform::ui::Switch> subscriptionSwitch_;
    platform::Ref<platform::ui::ActionSheet> sheet_;
    bool securingAccount_ { false };
    bool requestedState_ { false };
};

} // namespace quorvel
