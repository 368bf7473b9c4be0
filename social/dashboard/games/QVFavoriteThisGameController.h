// QVFavoriteThisGameController ("FavoriteThisGame"): a star that marks the
// page's game as the player's favourite and, while it is one, a comment sent
// with it ("Submit").
#pragma once

#include "platform/ui/Label.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVTextControls.h"

#include <string>

namespace quorvel {

class QVGameProfilePageInfo;

class QVFavoriteThisGameController : public QVFormControllerHelper {
    QV_DECLARE_CLASS(QVFavoriteThisGameController)
public:
    static constexpr double kReviewAreaDuration = 0.325;
    static constexpr const char* kNotFavoriteText
        = "Love the game? Press the star below to make it a Favorite. You'll help support the developer and share your "
          "Favorites with your friends.";

    platform::ui::Button* favoriteButton() { view(); return favoriteButton_.get(); }
    platform::ui::Label* descriptionLabel() { view(); return descriptionLabel_.get(); }
    QVMultilineTextField* reviewTextField() { view(); return reviewTextField_.get(); }
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
    static const char* notFavoriteImage();
    // Shows or hides the comment area: the star slides aside ("slidingIn")
    // while the area fades ("fadingIn"), each over 0.325 s when animated.
    void setReviewAreaAvailable(bool shown, bool animate);

    platform::Ref<platform::ui::Button> favoriteButton_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<QVMultilineTextField> reviewTextField_;
    platform::Ref<platform::ui::View> reviewArea_;
    std::string starImageName_;
    bool isFavorite_ { false };
};

} // namespace quorvel
