// The achievement rows: progress for the player alone, two states when compared.
#include "social/dashboard/achievements/QVAchievementCells.h"

#include "platform/graphics/TextEngine.h"
#include "social/dashboard/achievements/QVAchievementListController.h"
#include "social/dashboard/common/QVRowCellLayout.h"
#include "social/runtime/QVImageCache.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVAchievement.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using platform::Size;
using layout::makeLabel;

QV_REGISTER_CLASS(QVAchievementProgressionList);
QV_REGISTER_CLASS(QVAchievementCompareListCell);

// The two rows' layouts.
[[maybe_unused]] static const bool qvAchievementCellLayoutsRegistered = [] {
    common::registerRowCellLayout<QVAchievementProgressionList>("AchievementProgressionListCellQv", 72);
    common::registerRowCellLayout<QVAchievementCompareListCell>("AchievementCompareListCellQv", 64);
    return true;
}();

namespace {

// The unlocked picture: the achievement's own icon over the default, or the locked image.
void showIcon(QVImageView* icon, bool unlocked, const std::string& iconUrl, const char* unlockedDefault)
{
    if (!icon)
        return;
    if (unlocked) {
        icon->setDefaultImage(QVImageLoader::loadImage(unlockedDefault).get());
        icon->setImageUrl(iconUrl.empty() ? std::nullopt : std::optional<std::string>(iconUrl));
    } else {
        icon->setImageUrl(std::nullopt);
        icon->setImage(QVImageLoader::loadImage("QVLockedAchievementIcon.png").get());
    }
}

// Only the achievement's own texts: a secret one reads "Secret" until unlocked.
void showTexts(Label* title, Label* description, const QVAchievement& a, bool hidden)
{
    title->setText(hidden ? QVAchievementListController::kSecretTitle : a.title().value_or(std::string()));
    description->setText(hidden ? QVAchievementListController::kSecretDescription
                                : a.achievementDescription().value_or(std::string()));
}

Size textSize(const Label& label, Size within)
{
    platform::TextLayoutOptions options;
    options.width = within.width;
    Size s = platform::measureText(label.text(), *label.font(), options);
    return Size(std::min(s.width, within.width), std::min(s.height, within.height));
}

} // namespace

namespace {
// The points: a deep gold that reads on the white and the grey rows.
const platform::ui::Color kPointsColour = platform::ui::Color::rgb(0.55f, 0.33f, 0.0f);
// The icon's photo frame clear of the list's edge and of the next rows; the
// row's texts start clear of it.
const Rect kIcon = layout::pictureInRow(48, 72);
const float kTextX = layout::besidePicture(kIcon);
// The progress bar ends 17 points before the points (at 272 in a 320-point row).
const float kBarEnd = 255;
} // namespace

// ---- Progression row

void QVAchievementProgressionList::buildInterface(InterfaceBuilder& b, const char* layoutName)
{
    setSelectionStyle(CellSelectionStyle::None);
    // Drawn for a 320-point row; what sits at the right keeps to the row's right edge whatever its width.
    float right = contentView()->bounds().size.width - 320;
    unlockedIcon_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(kIcon).get(), layoutName, "unlockedIcon");
    titleLabel_ = QVOutlet<Label>(makeLabel(b, Rect(kTextX, 5, 200, 19), 15, true, Color::rgb(0.1f, 0.1f, 0.12f)).get(), layoutName, "titleLabel");
    descriptionLabel_ = QVOutlet<Label>(makeLabel(b, Rect(kTextX, 50, 200, 27), 11, false, Color::white(0.35f)).get(), layoutName, "descriptionLabel");
    descriptionLabel_->setNumberOfLines(2);
    gamerScoreContainer_ = QVOutlet<View>(b.makeView<View>(Rect(272 + right, 20, 42, 30)).get(), layoutName, "gamerScoreContainer");
    gamerScoreContainer_->setBackgroundColor(std::nullopt);
    gamerScoreContainer_->setOpaque(false);
    gamerScoreLabel_ = QVOutlet<Label>(makeLabel(b, Rect(0, 0, 42, 30), 15, true, kPointsColour).get(), layoutName, "gamerScoreLabel");
    gamerScoreLabel_->setTextAlignment(platform::TextAlignment::Center);
    gamerScoreContainer_->addSubview(gamerScoreLabel_.get());
    progressBackground_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(Rect(kTextX, 33, kBarEnd - kTextX + right, 10)).get(), layoutName, "progressBackground");
    progressBar_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(Rect(kTextX, 33, kBarEnd - kTextX + right, 10)).get(), layoutName, "progressBar");
    progressionBubbleContainer_ = QVOutlet<View>(b.makeView<View>(Rect(kTextX, 18, 34, 16)).get(), layoutName, "progressionBubbleContainer");
    progressionBubbleContainer_->setBackgroundColor(Color::rgb(0.16f, 0.18f, 0.22f));
    progressAmountBubbleLabel_ = QVOutlet<Label>(makeLabel(b, Rect(0, 0, 34, 16), 10, true, Color::whiteColor()).get(), layoutName, "progressAmountBubbleLabel");
    progressAmountBubbleLabel_->setTextAlignment(platform::TextAlignment::Center);
    progressionBubbleContainer_->addSubview(progressAmountBubbleLabel_.get());
    layout::addSubviews(contentView(), { unlockedIcon_.get(), titleLabel_.get(), descriptionLabel_.get(),
                                         gamerScoreContainer_.get(), progressBackground_.get(), progressBar_.get(),
                                         progressionBubbleContainer_.get() });
    // And when the list sets the row's width.
    gamerScoreContainer_->setAutoresizingMask(FlexibleLeftMargin);
    progressBackground_->setAutoresizingMask(FlexibleWidth);
}

void QVAchievementProgressionList::showResource(QVAchievement* a)
{
    showIcon(unlockedIcon_.get(), a->isUnlocked(), a->iconUrl(), "QVUnlockedAchievementIcon.png");
    showTexts(titleLabel_.get(), descriptionLabel_.get(), *a, a->isSecret() && a->percentComplete() == 0.0);
    descriptionLabel_->setFrame(Rect(kTextX, 50, 200, 27));
    titleLabel_->setFrame(Rect(kTextX, 5, 200, 19));
    gamerScoreLabel_->setText(std::to_string(a->gamerscore()));

    double percent = a->percentComplete();
    // A percentage of 100 or more is complete: no bar, however far above 100 it is.
    bool partlyDone = percent >= 1.0 && percent < 100.0;
    if (partlyDone) {
        textNeedsRearrangement_ = false;
        for (QVImageView* bar : { progressBackground_.get(), progressBar_.get() }) {
            bar->setHidden(false);
            bar->setShouldScaleImageToFillRect(true);
            bar->setUnframed(true);
            bar->setUseSharpCorners(true);
        }
        // Pills: the rounded ends keep their size (left cap 10), the middle stretches.
        for (auto [bar, name] : { std::pair { progressBackground_.get(), "QVAchievementProgressBackground.png" },
                                  std::pair { progressBar_.get(), "QVAchievementProgressBar.png" } }) {
            Ref<platform::Image> image = QVImageLoader::loadImage(name);
            bar->setDefaultImage(image.get());
            bar->setStretchCaps(image.get(), 10, 0);
        }
        progressionBubbleContainer_->setHidden(false);
        progressAmountBubbleLabel_->setText(std::to_string(static_cast<int>(percent)) + "%");
        percentComplete_ = percent;
    } else {
        progressBackground_->setHidden(true);
        progressBar_->setHidden(true);
        progressionBubbleContainer_->setHidden(true);
        textNeedsRearrangement_ = true;
    }
    setNeedsLayout();
}

void QVAchievementProgressionList::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    if (!unlockedIcon_ || !gamerScoreContainer_)
        return;
    Rect icon = unlockedIcon_->frame();
    float w = (gamerScoreContainer_->frame().origin.x - 15) - (icon.origin.x + icon.size.width + 15);
    Rect d = descriptionLabel_->frame();
    d.size = textSize(*descriptionLabel_, Size(w, 27));
    Rect t = titleLabel_->frame();
    t.size = textSize(*titleLabel_, Size(w, 19));
    if (textNeedsRearrangement_) {
        // Without a bar the title and the description stand together level with the icon.
        t.origin.y = std::round(icon.midY() - (t.size.height + d.size.height) / 2);
        d.origin.y = t.origin.y + t.size.height;
    }
    titleLabel_->setFrame(t);
    descriptionLabel_->setFrame(d);
    if (!progressBar_->isHidden()) {
        Rect bg = progressBackground_->frame();
        Rect bar = bg;
        bar.size.width = static_cast<float>(bg.size.width * percentComplete_ / 100.0);
        progressBar_->setFrame(bar);
        if (!progressionBubbleContainer_->isHidden()) {
            Rect bubble = progressionBubbleContainer_->frame();
            bubble.origin.x = bar.origin.x + bar.size.width - bubble.size.width / 2;
            bubble.origin.y = bar.origin.y + bar.size.height / 2 - bubble.size.height;
            progressionBubbleContainer_->setFrame(bubble);
        }
    }
}

// ---- Compare row

void QVAchievementCompareListCell::buildInterface(InterfaceBuilder& b, const char* layoutName)
{
    setSelectionStyle(CellSelectionStyle::None);
    float width = frame().size.width;
    titleLabel_ = QVOutlet<Label>(makeLabel(b, Rect(8, 6, 180, 19), 15, true, Color::rgb(0.1f, 0.1f, 0.12f)).get(), layoutName, "titleLabel");
    descriptionLabel_ = QVOutlet<Label>(makeLabel(b, Rect(8, 26, 180, 30), 11, false, Color::white(0.35f)).get(), layoutName, "descriptionLabel");
    descriptionLabel_->setNumberOfLines(0);
    gamerScoreContainer_ = QVOutlet<View>(b.makeView<View>(Rect(width - 150, 20, 40, 30)).get(), layoutName, "gamerScoreContainer");
    gamerScoreContainer_->setBackgroundColor(std::nullopt);
    gamerScoreContainer_->setOpaque(false);
    gamerScoreLabel_ = QVOutlet<Label>(makeLabel(b, Rect(0, 0, 40, 30), 15, true, kPointsColour).get(), layoutName, "gamerScoreLabel");
    gamerScoreLabel_->setTextAlignment(platform::TextAlignment::Center);
    gamerScoreContainer_->addSubview(gamerScoreLabel_.get());
    // The player's icon (second) sits left of the compared user's (first), so
    // the gamerscore box always goes left of the visible container.
    firstIconContainer_ = QVOutlet<View>(b.makeView<View>(Rect(width - 56, 8, 48, 48)).get(), layoutName, "firstIconContainer");
    secondIconContainer_ = QVOutlet<View>(b.makeView<View>(Rect(width - 108, 8, 48, 48)).get(), layoutName, "secondIconContainer");
    firstUnlockedIcon_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(Rect(0, 0, 48, 48)).get(), layoutName, "firstUnlockedIcon");
    secondUnlockedIcon_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(Rect(0, 0, 48, 48)).get(), layoutName, "secondUnlockedIcon");
    firstIconContainer_->addSubview(firstUnlockedIcon_.get());
    secondIconContainer_->addSubview(secondUnlockedIcon_.get());
    for (View* container : { firstIconContainer_.get(), secondIconContainer_.get() }) {
        container->setBackgroundColor(std::nullopt);
        container->setOpaque(false);
    }
    layout::addSubviews(contentView(), { titleLabel_.get(), descriptionLabel_.get(), gamerScoreContainer_.get(),
                                         firstIconContainer_.get(), secondIconContainer_.get() });
    // The icons and the score keep to the row's right edge, the texts take the width left of them.
    for (View* v : { gamerScoreContainer_.get(), firstIconContainer_.get(), secondIconContainer_.get() })
        v->setAutoresizingMask(FlexibleLeftMargin);
    for (View* v : { titleLabel_.get(), descriptionLabel_.get() })
        v->setAutoresizingMask(FlexibleWidth);
}

void QVAchievementCompareListCell::showResource(QVAchievement* a)
{
    const std::string& compared = a->comparedToUserId();
    bool comparing = !compared.empty() && compared != QuorvelInternal::sessionRole().lastLoggedInUserId();
    QVImageView* playersIcon = firstUnlockedIcon_.get();
    View* visibleContainer = firstIconContainer_.get();
    if (comparing) {
        secondIconContainer_->setHidden(false);
        if (a->isUnlockedByComparedToUser() && a->isUnlocked()) {
            showIcon(firstUnlockedIcon_.get(), true, a->iconUrl(), "QVUnlockedAchievementIconNotSquare.png");
        } else if (a->isUnlockedByComparedToUser()) {
            // The real icon stays hidden from a player who has not unlocked it.
            firstUnlockedIcon_->setImageUrl(std::nullopt);
            firstUnlockedIcon_->setImage(QVImageLoader::loadImage("QVUnlockedAchievementIconNotSquare.png").get());
        } else {
            showIcon(firstUnlockedIcon_.get(), false, a->iconUrl(), nullptr);
        }
        playersIcon = secondUnlockedIcon_.get();
        visibleContainer = secondIconContainer_.get();
    } else {
        secondIconContainer_->setHidden(true);
    }
    showIcon(playersIcon, a->isUnlocked(), a->iconUrl(), "QVUnlockedAchievementIconNotSquare.png");

    Rect score = gamerScoreContainer_->frame();
    score.origin.x = visibleContainer->frame().origin.x - 5 - score.size.width;
    gamerScoreContainer_->setFrame(score);
    for (Label* label : { titleLabel_.get(), descriptionLabel_.get() }) {
        Rect f = label->frame();
        f.size.width = score.origin.x - 10 - f.origin.x;
        label->setFrame(f);
    }

    showTexts(titleLabel_.get(), descriptionLabel_.get(), *a, a->isSecret() && !a->isUnlocked());
    if (!descriptionLabel_->text().empty()) {
        Rect d = descriptionLabel_->frame();
        platform::TextLayoutOptions options;
        options.width = d.size.width;
        d.size.height = platform::measureText(descriptionLabel_->text(), *descriptionLabel_->font(), options).height;
        descriptionLabel_->setFrame(d);
    }
    Rect first = firstIconContainer_->frame();
    float height = std::max(descriptionLabel_->frame().origin.y + descriptionLabel_->frame().size.height + 10,
                            first.size.height + 2 * first.origin.y);
    Rect f = frame();
    f.size.height = height;
    setFrame(f);
    setNeedsLayout();
    gamerScoreLabel_->setText(std::to_string(a->gamerscore()));
}

} // namespace quorvel
