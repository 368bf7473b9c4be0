// QVPlayedGameCell ("PlayedGame"): a game with the player's and a compared
// player's standing in it.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVPlayedGame.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableCellHelper.h"

#include <array>
#include <string>

namespace quorvel {

class QVPlayedGameCell : public QVResourceCell<QVPlayedGame> {
    QV_DECLARE_CLASS(QVPlayedGameCell)
public:
    static constexpr float kHeight = 56;

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVPlayedGame* game) override;
    bool hasConstantHeight() override { return true; }

    // The shopping cart's actions.
    void showAppStorePage();
    void showIPurchasePage();

    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* friendsWithAppLabel() const { return friendsWithAppLabel_.get(); }
    platform::ui::Label* firstGamerScoreLabel() const { return firstGamerScoreLabel_.get(); }
    platform::ui::Label* secondGamerScoreLabel() const { return secondGamerScoreLabel_.get(); }
    platform::ui::View* firstStatView() const { return firstStatView_.get(); }
    platform::ui::View* secondStatView() const { return secondStatView_.get(); }
    platform::ui::Button* shoppingCartButton() const { return shoppingCartButton_.get(); }
    platform::ui::ImageView* firstGamerScoreIcon() const { return firstGamerScoreIcon_.get(); }
    platform::ui::ImageView* secondGamerScoreIcon() const { return secondGamerScoreIcon_.get(); }
    platform::ui::ImageView* firstFavoritedIcon() const { return firstFavoritedIcon_.get(); }
    platform::ui::ImageView* secondFavoritedIcon() const { return secondFavoritedIcon_.get(); }
    platform::ui::ImageView* comparisonDividerIcon() const { return comparisonDividerIcon_.get(); }
    QVImageView* iconView() const { return iconView_.get(); }
    QVImageView* miniScreenshotOneView() const { return miniScreenshotOneView_.get(); }
    QVImageView* miniScreenshotTwoView() const { return miniScreenshotTwoView_.get(); }
    const std::string& clientApplicationId() const { return clientApplicationId_; }
    // The art names of the two score icons (the art may be missing from the bundle).
    const std::string& firstScoreIconName() const { return firstScoreIconName_; }
    const std::string& secondScoreIconName() const { return secondScoreIconName_; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPlayedGameCell() = default;

private:
    platform::Ref<platform::ui::Label> nameLabel_, friendsWithAppLabel_, firstGamerScoreLabel_, secondGamerScoreLabel_;
    platform::Ref<QVImageView> iconView_, miniScreenshotOneView_, miniScreenshotTwoView_;
    platform::Ref<platform::ui::View> firstStatView_, secondStatView_;
    platform::Ref<platform::ui::Button> shoppingCartButton_;
    platform::Ref<platform::ui::ImageView> firstGamerScoreIcon_, secondGamerScoreIcon_, firstFavoritedIcon_,
        secondFavoritedIcon_, comparisonDividerIcon_;
    std::string clientApplicationId_;
    std::string storeUrl_;
    std::string firstScoreIconName_, secondScoreIconName_;
};

} // namespace quorvel
