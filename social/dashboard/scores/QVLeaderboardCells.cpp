// The leaderboard and high-score rows.
#include "social/dashboard/scores/QVLeaderboardCells.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Weak.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVRowCellLayout.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::makeLabel;

QV_REGISTER_CLASS(QVLeaderboardCell);
QV_REGISTER_CLASS(QVHighScoreCell);

// The two rows' layouts.
[[maybe_unused]] static const bool qvLeaderboardCellLayoutsRegistered = [] {
    common::registerRowCellLayout<QVLeaderboardCell>("LeaderboardCellQv", 44);
    common::registerRowCellLayout<QVHighScoreCell>("HighScoreCellQv", 50);
    return true;
}();

namespace {

std::string rankAndName(int rank, const std::string& name) { return std::to_string(rank) + ". " + name; }

} // namespace

// ---- Leaderboard row

void QVLeaderboardCell::buildInterface(InterfaceBuilder& b, const char* layoutName)
{
    setSelectionStyle(CellSelectionStyle::Gray);
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    leaderboardIcon_ = QVOutlet<ImageView>(b.makeView<ImageView>(Rect(8, 8, 28, 28)).get(), layoutName, "leaderboardIcon");
    titleLabel_ = QVOutlet<Label>(makeLabel(b, Rect(44, 0, 240, 44), 17, true, Color::rgb(0.1f, 0.1f, 0.12f)).get(), layoutName, "titleLabel");
    // A taller row (a tablet's) keeps the icon and the name in its middle.
    leaderboardIcon_->setAutoresizingMask(FlexibleTopMargin | FlexibleBottomMargin);
    titleLabel_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    contentView()->addSubview(leaderboardIcon_.get());
    contentView()->addSubview(titleLabel_.get());
}

void QVLeaderboardCell::showResource(QVLeaderboard* leaderboard)
{
    titleLabel_->setText(leaderboard->name());
    // The name starts beside the icon a layout gives, or at the row's margin when there is none.
    const bool icon = leaderboardIcon_->image() != nullptr;
    leaderboardIcon_->setHidden(!icon);
    Rect t = titleLabel_->frame();
    const float left = icon ? layout::maxX(leaderboardIcon_.get()) + 8 : 12;
    t.size.width += t.origin.x - left;
    t.origin.x = left;
    titleLabel_->setFrame(t);
}

// ---- High-score row

void QVHighScoreCell::buildInterface(InterfaceBuilder& b, const char* layoutName)
{
    float width = frame().size.width;
    // The picture's frame art stays inside the row, clear of the next rows' frames.
    const Rect picture = layout::pictureInRow(32, 50);
    const float text = layout::besidePicture(picture);
    profilePictureView_ = QVOutlet<QVImageView>(b.makeView<QVImageView>(picture).get(), layoutName, "profilePictureView");
    nameLabel_ = QVOutlet<Label>(makeLabel(b, Rect(text, 4, 130, 21), 15, true, Color::rgb(0.1f, 0.1f, 0.12f)).get(), layoutName, "nameLabel");
    distLabel_ = QVOutlet<Label>(makeLabel(b, Rect(text, 28, 130, 16), 12, false, Color::white(0.45f)).get(), layoutName, "distLabel");
    scoreLabel_ = QVOutlet<Label>(makeLabel(b, Rect(150, 14, 130, 21), 15, true, Color::rgb(0.1f, 0.35f, 0.75f)).get(), layoutName, "scoreLabel");
    scoreLabel_->setTextAlignment(platform::TextAlignment::Right);
    Ref<ImageView> disclosure = b.makeView<ImageView>(Rect(width - 17, 19, 7, 11));
    disclosure->setImage(QVLoadKitImage("QuorvelNotificationDisclosureArrow.png").get());
    disclosureIndicator_ = QVOutlet<ImageView>(disclosure.get(), layoutName, "disclosureIndicator");
    Ref<Button> blob = b.makeButton(Button::Type::Custom, Rect(width - 47, 12, 26, 26));
    blob->setImage(QVLoadKitImage("QVHighScoreBlobButton.png").get(), StateNormal);
    blob->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVHighScoreCell, downloadBlobClicked)), TouchUpInside);
    downloadBlobButton_ = QVOutlet<Button>(blob.get(), layoutName, "downloadBlobButton");
    // The row is built at the dashboard's width and shown at the list's: the arrow and the data
    // button keep to its right edge.
    disclosure->setAutoresizingMask(FlexibleLeftMargin);
    blob->setAutoresizingMask(FlexibleLeftMargin);
    scoreLabel_->setAutoresizingMask(FlexibleLeftMargin);
    relationshipIndicator_ = QVOutlet<QVUserRelationshipIndicator>(
        b.makeView<QVUserRelationshipIndicator>(Rect(picture.maxX() - 9, picture.maxY() - 12, 14, 14)).get(), layoutName, "relationshipIndicator");
    layout::addSubviews(contentView(), { profilePictureView_.get(), nameLabel_.get(), distLabel_.get(),
                                         scoreLabel_.get(), disclosureIndicator_.get(), downloadBlobButton_.get(),
                                         relationshipIndicator_.get() });
    layout::keepInTheMiddle({ profilePictureView_.get(), nameLabel_.get(), distLabel_.get(), scoreLabel_.get(),
                              disclosureIndicator_.get(), downloadBlobButton_.get(), relationshipIndicator_.get() });
}

void QVHighScoreCell::awakeFromNib()
{
    QVTableCellHelper::awakeFromNib();
    if (!QuorvelInternal::sessionRole().isOnline())
        setSelectionStyle(CellSelectionStyle::None);
}

void QVHighScoreCell::setScoreLabelRightEdge(float x)
{
    Rect f = scoreLabel_->frame();
    float width = x - 10 - f.origin.x;
    if (f.size.width != width) {
        f.size.width = width;
        scoreLabel_->setFrame(f);
    }
    // The name may use the row up to the score's text, so a wider row (a tablet's) shows it whole.
    float scoreText = std::min(f.size.width, scoreLabel_->sizeThatFits(platform::Size()).width);
    float nameRight = f.maxX() - scoreText - 6;
    for (Label* label : { nameLabel_.get(), distLabel_.get() }) {
        Rect n = label->frame();
        n.size.width = std::max(130.f, nameRight - n.origin.x);
        label->setFrame(n);
    }
}

void QVHighScoreCell::centreName()
{
    Rect f = nameLabel_->frame();
    f.origin.y = (contentLayoutHeight() - f.size.height) * 0.5f;
    nameLabel_->setFrame(f);
}

void QVHighScoreCell::showResource(QVHighScore* score)
{
    if (!score->gameCenterId().empty())
        showGameCenterScore(score);
    else
        showServiceScore(score);
}

void QVHighScoreCell::showGameCenterScore(QVHighScore* score)
{
    profilePictureView_->useGameCenterProfilePicture();
    nameLabel_->setText("Loading...");
    if (!score->gameCenterName().empty()) {
        nameLabel_->setText(rankAndName(score->rank(), score->gameCenterName()));
    } else {
        platform::Weak<QVHighScoreCell> weakCell(this);
        Ref<QVHighScore> keep(score);
        QuorvelInternal::gameCenter().loadGameCenterPlayerName(score->gameCenterId(),
            [weakCell, keep](const std::optional<std::string>& alias, const platform::gamekit::OptionalError& error) {
                if (!error && alias && keep->gameCenterName().empty())
                    keep->setGameCenterName(*alias);
                Ref<QVHighScoreCell> cell = weakCell.lock();
                if (!cell || cell->resource() != keep.get())
                    return;
                if (error)
                    cell->nameLabel_->setText("Loading Error");
                else
                    cell->nameLabel_->setText(rankAndName(keep->rank(), alias.value_or(std::string())));
            });
    }
    scoreLabel_->setText(score->displayText());
    distLabel_->setText("");
    centreName();
    disclosureIndicator_->setHidden(true);
    downloadBlobButton_->setHidden(true);
    relationshipIndicator_->setHidden(true);
    setScoreLabelRightEdge(disclosureIndicator_->frame().origin.x);
    setUserInteractionEnabled(false);
}

void QVHighScoreCell::showServiceScore(QVHighScore* score)
{
    setUserInteractionEnabled(true);
    QVUser* user = score->user().get();
    profilePictureView_->useProfilePictureFromUser(user);
    bool online = QuorvelInternal::sessionRole().isOnline();
    std::string userName = user ? user->name() : std::string();
    if (online) {
        if (score->rank() != -1) {
            nameLabel_->setText(rankAndName(score->rank(), userName));
            scoreLabel_->setText(score->displayText());
        } else if (score->score() != 0) {
            nameLabel_->setText(score->toHighRankText() + " " + userName);
            scoreLabel_->setText(score->displayText());
        } else {
            nameLabel_->setText(userName);
            scoreLabel_->setText("Not Ranked");
        }
        if (score->distance() == 0.0) {
            distLabel_->setText("");
        } else {
            if (QuorvelInternal::options().userDistanceUnit() == QVDistanceUnit::LocationShared)
                distLabel_->setText(platform::format("%.2f %s away", score->distance(), "miles"));
            else
                distLabel_->setText(platform::format("%.2f %s away", score->distance() * kKilometresPerMile, "kms"));
        }
        relationshipIndicator_->setUser(user);
    } else {
        nameLabel_->setText(rankAndName(score->rank(), user ? userName : std::string("Unregistered User")));
        scoreLabel_->setText(score->displayText());
        distLabel_->setText("");
    }
    if (disclosureIndicator_)
        disclosureIndicator_->setHidden(!online);

    bool mayShowBlob = disclosureIndicator_ && downloadBlobButton_;
    if (auto* table = dynamic_cast<QVHighScoreController*>(owningTable())) {
        QVGameProfilePageInfo* info = table->gameProfileInfo();
        Ref<QVGameProfilePageInfo> localInfo = QuorvelInternal::sessionRole().localGameProfileInfo();
        // Attached data belongs to this game only.
        if (info && !info->resourceId().empty() && (!localInfo || info->resourceId() != localInfo->resourceId()))
            mayShowBlob = false;
    }
    if (mayShowBlob)
        setScoreLabelRightEdge(score->hasBlob() ? downloadBlobButton_->frame().origin.x
                                                : disclosureIndicator_->frame().origin.x);
    if (downloadBlobButton_)
        downloadBlobButton_->setHidden(!(mayShowBlob && score->hasBlob()));

    float height = contentLayoutHeight();
    if (!distLabel_->text().empty()) {
        distLabel_->setHidden(false);
        Rect n = nameLabel_->frame();
        n.origin.y = (height - n.size.height) / 3;
        nameLabel_->setFrame(n);
        Rect d = distLabel_->frame();
        d.origin.y = (height - d.size.height) * 2.5f / 3;
        distLabel_->setFrame(d);
    } else {
        distLabel_->setHidden(true);
        centreName();
    }
}

void QVHighScoreCell::downloadBlobClicked()
{
    auto* score = dynamic_cast<QVHighScore*>(resource());
    if (auto* table = dynamic_cast<QVHighScoreController*>(owningTable()); table && score)
        table->downloadBlobForHighScore(score);
}

} // namespace quorvel
