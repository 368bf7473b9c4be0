// The game's fan club ("FanClub"): a menu of ways to support the game —
// favourite it, invite a friend, read the developer's announcements,
// subscribe to the newsletter, suggest a feature and see more games — each
// row shown only where the game offers it. The newsletter screen
// ("NewsLetter") subscribes the player to the developer's e-mail updates,
// first sending a player without e-mail credentials to add them.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "social/dashboard/QVInboxControllers.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVViewController.h"

#include <string>
#include <vector>

namespace quorvel {

class QVGameProfilePageInfo;

class QVFanClubController : public QVTableStaticControllerHelper, public QVBannerProvider {
    QV_DECLARE_CLASS(QVFanClubController)
public:
    std::optional<Sections> buildTableSectionDescriptions() override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

    // The rows' own actions.
    platform::Ref<platform::ui::ViewController> inviteFriends();
    platform::Ref<platform::ui::ViewController> createSuggestionBrowser();
    platform::Ref<platform::ui::ViewController> createDeveloperRecommendationsBrowser();

    const std::vector<platform::Ref<QVFanClubCell>>& rows() const { return rows_; }
    QVFanClubCell* rowTitled(const std::string& title) const;
    bool registeredView() const { return registeredView_; }

    bool isBannerAvailableNow() override { return false; }
    std::string bannerCellControllerName() override { return "GameDiscoveryImageHyperlink"; }
    platform::Object* getBannerResource() override { return nullptr; }
    void onBannerClicked() override { }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFanClubController() = default;

private:
    QVGameProfilePageInfo* pageGame() const;

    std::vector<platform::Ref<QVFanClubCell>> rows_;
    std::vector<std::string> controllerNames_;
    bool registeredView_ { false };
};

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
