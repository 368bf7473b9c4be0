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
#include "social/dashboard/common/QVFanClubCell.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableStaticControllerHelper.h"
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

// "FavoriteThisGame": a star that marks the page's game as the player's
// favourite and, while it is one, a comment sent with it ("Submit").
class QVFavoriteThisGameController : public QVFormControllerHelper {
    QV_DECLARE_CLASS(QVFavoriteThisGameController)
public:
    static constexpr const char* kNotFavoriteText
        = "Love the game? Press the star below to make it a Favorite. You'll help support the developer and share your "
          "Favorites with your friends.";

    platform::ui::Button* favoriteButton() { view(); return favoriteButton_.get(); }
    platform::ui::Label* descriptionLabel() { view(); return descriptionLabel_.get(); }
    platform::ui::TextView* reviewTextField() { view(); return reviewTextField_.get(); }
    platform::ui::View* reviewArea() { view(); return reviewArea_.get(); }
    bool isFavorite() const { return isFavorite_; }
    const std::string& starImageName() const { return starImageName_; }

    void onFavoritePressed();
    void onSubmitReviewPressed();

    std::string singularResourceName() override { return ""; }
    std::string getFormSubmissionUrl() override { return "client_applications/" + getClientApplicationId() + "/users/review.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void onFormSubmitted() override;
    bool canReceiveCallbacksNow() override { return true; }
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFavoriteThisGameController() = default;

private:
    std::string getClientApplicationId() const;
    std::string getClientApplicationName() const;
    void updateState(const std::optional<std::string>& comment, bool makeFavorite, void (QVFavoriteThisGameController::*success)(platform::Object*));
    void onReviewLoaded(platform::Object* series);
    void onRequestFailed(platform::Object*) { hideLoadingScreen(); }
    void onIsFavoriteChanged(platform::Object*);
    void onReviewSubmitted(platform::Object*);
    void onGameIsNotFavorite();
    void onGameIsFavorite(const std::string& comment);
    void setButtonImage(const std::string& name);
    void setReviewAreaAvailable(bool shown, bool animate);

    platform::Ref<platform::ui::Button> favoriteButton_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<platform::ui::TextView> reviewTextField_;
    platform::Ref<platform::ui::View> reviewArea_;
    std::string starImageName_;
    bool isFavorite_ { false };
};

} // namespace quorvel
