// The rows of the leaderboard list and the high-score list. QVLeaderboardCell
// names one leaderboard. QVHighScoreCell shows one score: the player's picture,
// "rank. name", the score, the distance when there is one, the relationship
// indicator, and a button that downloads the score's attached data (only for
// scores of this game). A Game Center score shows the Game Center picture, the
// alias once it has loaded, and takes no touches.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVToggleControl.h"

namespace quorvel {

class QVLeaderboardCell : public QVResourceCell<QVLeaderboard> {
    QV_DECLARE_CLASS(QVLeaderboardCell)
public:
    platform::ui::ImageView* leaderboardIcon() const { return leaderboardIcon_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }

    void showResource(QVLeaderboard* leaderboard) override;
    bool hasConstantHeight() override { return true; }

    void buildInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVLeaderboardCell() = default;

private:
    platform::Ref<platform::ui::ImageView> leaderboardIcon_;
    platform::Ref<platform::ui::Label> titleLabel_;
};

class QVHighScoreCell : public QVResourceCell<QVHighScore> {
    QV_DECLARE_CLASS(QVHighScoreCell)
public:
    static constexpr double kKilometresPerMile = 1.6093444978925633;

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* distLabel() const { return distLabel_.get(); }
    platform::ui::Label* scoreLabel() const { return scoreLabel_.get(); }
    platform::ui::ImageView* disclosureIndicator() const { return disclosureIndicator_.get(); }
    platform::ui::Button* downloadBlobButton() const { return downloadBlobButton_.get(); }
    QVUserRelationshipIndicator* relationshipIndicator() const { return relationshipIndicator_.get(); }

    void showResource(QVHighScore* score) override;
    bool hasConstantHeight() override { return true; }
    void downloadBlobClicked();
    void awakeFromNib() override;

    void buildInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVHighScoreCell() = default;

private:
    void showGameCenterScore(QVHighScore* score);
    void showServiceScore(QVHighScore* score);
    void setScoreLabelRightEdge(float x);
    void centreName();

    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Label> nameLabel_;
    platform::Ref<platform::ui::Label> distLabel_;
    platform::Ref<platform::ui::Label> scoreLabel_;
    platform::Ref<platform::ui::ImageView> disclosureIndicator_;
    platform::Ref<platform::ui::Button> downloadBlobButton_;
    platform::Ref<QVUserRelationshipIndicator> relationshipIndicator_;
};

} // namespace quorvel
