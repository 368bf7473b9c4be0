// The achievement rows. QVAchievementProgressionList shows the player's own
// state: the icon (the real one once unlocked), the texts, the gamerscore and,
// for an achievement partly done, a progress bar with a percentage bubble.
// QVAchievementCompareListCell shows the compared user's state beside the
// player's; a real icon is only shown to a player who has unlocked it too.
#pragma once

#include "platform/ui/Label.h"
#include "social/services/QVAchievement.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableCellHelper.h"

namespace quorvel {

class QVAchievementProgressionList : public QVResourceCell<QVAchievement> {
    QV_DECLARE_CLASS(QVAchievementProgressionList)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* descriptionLabel() const { return descriptionLabel_.get(); }
    platform::ui::Label* gamerScoreLabel() const { return gamerScoreLabel_.get(); }
    platform::ui::Label* progressAmountBubbleLabel() const { return progressAmountBubbleLabel_.get(); }
    QVImageView* unlockedIcon() const { return unlockedIcon_.get(); }
    QVImageView* progressBackground() const { return progressBackground_.get(); }
    QVImageView* progressBar() const { return progressBar_.get(); }
    platform::ui::View* gamerScoreContainer() const { return gamerScoreContainer_.get(); }
    platform::ui::View* progressionBubbleContainer() const { return progressionBubbleContainer_.get(); }
    bool textNeedsRearrangement() const { return textNeedsRearrangement_; }
    double percentComplete() const { return percentComplete_; }

    void showResource(QVAchievement* a) override;
    void layoutSubviews() override;

    void buildInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAchievementProgressionList() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<platform::ui::Label> gamerScoreLabel_;
    platform::Ref<platform::ui::Label> progressAmountBubbleLabel_;
    platform::Ref<QVImageView> unlockedIcon_;
    platform::Ref<QVImageView> progressBackground_;
    platform::Ref<QVImageView> progressBar_;
    platform::Ref<platform::ui::View> gamerScoreContainer_;
    platform::Ref<platform::ui::View> progressionBubbleContainer_;
    bool textNeedsRearrangement_ { false };
    double percentComplete_ { 0 };
};

class QVAchievementCompareListCell : public QVResourceCell<QVAchievement> {
    QV_DECLARE_CLASS(QVAchievementCompareListCell)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* descriptionLabel() const { return descriptionLabel_.get(); }
    platform::ui::Label* gamerScoreLabel() const { return gamerScoreLabel_.get(); }
    platform::ui::View* firstIconContainer() const { return firstIconContainer_.get(); }
    platform::ui::View* secondIconContainer() const { return secondIconContainer_.get(); }
    platform::ui::View* gamerScoreContainer() const { return gamerScoreContainer_.get(); }
    QVImageView* firstUnlockedIcon() const { return firstUnlockedIcon_.get(); }
    QVImageView* secondUnlockedIcon() const { return secondUnlockedIcon_.get(); }

    void showResource(QVAchievement* a) override;

    void buildInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAchievementCompareListCell() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<platform::ui::Label> gamerScoreLabel_;
    platform::Ref<platform::ui::View> firstIconContainer_;
    platform::Ref<platform::ui::View> secondIconContainer_;
    platform::Ref<platform::ui::View> gamerScoreContainer_;
    platform::Ref<QVImageView> firstUnlockedIcon_;
    platform::Ref<QVImageView> secondUnlockedIcon_;
};

} // namespace quorvel
