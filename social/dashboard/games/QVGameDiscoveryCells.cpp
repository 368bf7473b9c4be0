// The discovery catalogue's rows: a category ("GameDiscoveryCategory") and a
// news item ("GameDiscoveryNewsItem").
#include "social/dashboard/games/QVGameDiscoveryCells.h"

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVPatternedGradientView.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVGameDiscoveryCategoryCell);
QV_REGISTER_CLASS(QVGameDiscoveryNewsItemCell);

bool QVGameDiscoveryCategoryCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    View* content = contentView();
    content->setAutoresizesSubviews(true);
    patternView_ = QVPatternedGradientView::viewWithFrame(Rect(0, 0, width, kHeight), std::nullopt,
                                                          "QVGameDiscoveryGreyBG.png");
    selectedPatternView_ = QVPatternedGradientView::viewWithFrame(Rect(0, 0, width, kHeight), std::nullopt,
                                                                  "QVGameDiscoveryGreyBGSelected.png");
    content->insertSubviewAt(selectedPatternView_.get(), 0);
    content->insertSubviewAt(patternView_.get(), 0);
    // The row lies between the catalogue's divider images.
    for (auto& [divider, y, name] : { std::tuple { &topDividerView_, 0.0f, "QVGameDiscoveryDividerTop.png" },
                                      std::tuple { &bottomDividerView_, kHeight - 2.0f, "QVGameDiscoveryDividerBottom.png" } }) {
        Ref<ImageView> image = ImageView::imageViewWithFrame(Rect(0, y, width, 2));
        image->setImage(QVLoadKitImage(name).get());
        image->setContentMode(ContentMode::ScaleToFill);
        *divider = image.get();
    }
    iconFrame_ = ImageView::imageViewWithFrame(Rect(6, 6, 52, 52));
    iconView_ = QVImageView::imageViewWithFrame(Rect(10, 10, 44, 44));
    // Not stretched to fill, but an icon larger than the row shows it whole, keeping its shape.
    iconView_->setContentMode(ContentMode::ScaleAspectFit);
    textContentView_ = View::viewWithFrame(Rect(66, 4, width - 100, kHeight - 8));
    textContentView_->setBackgroundColor(std::nullopt);
    nameLabel_ = layout::makeLabel(Rect(0, 0, width - 100, 20), 16, true);
    subtextLabel_ = layout::makeLabel(Rect(0, 20, width - 100, 18), 12, false);
    secondaryTextLabel_ = layout::makeLabel(Rect(0, 38, width - 100, 16), 11, false);
    for (Label* l : { nameLabel_.get(), subtextLabel_.get(), secondaryTextLabel_.get() }) {
        l->setTextColor(Color::whiteColor());
        l->setAutoresizingMask(FlexibleWidth);
        textContentView_->addSubview(l);
    }
    disclosureView_ = ImageView::imageViewWithFrame(Rect(width - 26, (kHeight - 20) / 2, 14, 20));
    layout::addSubviews(content, { topDividerView_.get(), bottomDividerView_.get(), iconFrame_.get(), iconView_.get(),
                                   textContentView_.get(), disclosureView_.get() });
    return true;
}

void QVGameDiscoveryCategoryCell::showResource(QVGameDiscoveryCategory* category)
{
    if (auto frame = QVLoadKitImage("QVGameDiscoveryIconFrame.png"))
        iconFrame_->setImage(frame->stretchableImage(21, 19).get());
    iconView_->setUnframed(true);
    // A category without its own icon shows the kit's game icon, as a game's row does.
    if (auto icon = QVLoadKitImage("QVDefaultApplicationIcon.png"))
        iconView_->setDefaultImage(icon->image());
    iconView_->setImageUrl(category->iconUrl.empty() ? std::nullopt : std::optional<std::string>(category->iconUrl));
    iconView_->setShouldScaleImageToFillRect(false);
    nameLabel_->setText(category->name);
    subtextLabel_->setText(category->subtext);
    secondaryTextLabel_->setText(category->secondaryText);
}

void QVGameDiscoveryCategoryCell::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    const bool large = QuorvelInternal::dashboardRole().isLargeScreen();
    disclosureView_->setImage(QVLoadKitImage(large ? "QVCustomDisclosureIPad.png" : "QVCustomDisclosure.png").get());
    if (dynamic_cast<QVTableCellBackgroundView*>(backgroundView()))
        setBackgroundView(nullptr);
    // The grey catalogue rows between their dividers; darker while selected.
    contentView()->setBackgroundColor(Color::rgb(0.36f, 0.37f, 0.39f));
    patternView_->setFrame(contentView()->bounds());
    selectedPatternView_->setFrame(contentView()->bounds());
    patternView_->setHidden(isSelected());
    selectedPatternView_->setHidden(!isSelected());
    float width = bounds().size.width;
    topDividerView_->setFrame(Rect(0, 0, contentView()->bounds().size.width, 2));
    bottomDividerView_->setFrame(Rect(0, contentView()->bounds().size.height - 2, contentView()->bounds().size.width, 2));
    disclosureView_->setFrame(Rect(width - 26, (bounds().size.height - 20) / 2, 14, 20));
    // The lines that have text, as a block level with the icon.
    float lines = nameLabel_->frame().maxY();
    if (!subtextLabel_->text().empty())
        lines = subtextLabel_->frame().maxY();
    if (!secondaryTextLabel_->text().empty())
        lines = secondaryTextLabel_->frame().maxY();
    float height = bounds().size.height;
    textContentView_->setFrame(Rect(66, std::max(4.0f, std::round((height - lines) / 2)), width - 100, lines));
}

bool QVGameDiscoveryNewsItemCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, kHeight));
    iconFrame_ = ImageView::imageViewWithFrame(Rect(6, 4, 52, 52));
    iconView_ = QVImageView::imageViewWithFrame(Rect(10, 8, 44, 44));
    iconView_->setShouldScaleImageToFillRect(true);
    titleLabel_ = layout::makeLabel(Rect(66, 8, width - 80, 22), 16, true);
    subtitleLabel_ = layout::makeLabel(Rect(66, 32, width - 80, 18), 12, false);
    titleLabel_->setAutoresizingMask(FlexibleWidth); // the row is narrower than the dashboard
    subtitleLabel_->setAutoresizingMask(FlexibleWidth);
    layout::addSubviews(contentView(), { iconFrame_.get(), iconView_.get(), titleLabel_.get(), subtitleLabel_.get() });
    return true;
}

void QVGameDiscoveryNewsItemCell::showResource(QVGameDiscoveryNewsItem* item)
{
    if (auto frame = QVLoadKitImage("QVGameDiscoveryIconFrame.png"))
        iconFrame_->setImage(frame->stretchableImage(21, 19).get());
    iconView_->setImageUrl(item->iconUrl.empty() ? std::nullopt : std::optional<std::string>(item->iconUrl));
    titleLabel_->setText(item->title);
    subtitleLabel_->setText(item->subtitle);
}

} // namespace quorvel
