// The menu row: its layout and the title size its menu shares.
#include "social/dashboard/common/QVFanClubCell.h"

#include "platform/ui/TableView.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <vector>

namespace quorvel {

using namespace platform::ui;
using namespace layout;
using platform::Rect;

QV_REGISTER_CLASS(QVFanClubCell);

bool QVFanClubCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 50));
    iconView_ = ImageView::imageViewWithFrame(Rect(8, 9, 32, 32));
    // The title shrinks a little rather than being cut.
    titleLabel_ = makeLabel(Rect(50, 0, width - 90, 50), kTitleFontSize, true);
    titleLabel_->setAdjustsFontSizeToFitWidth(true);
    titleLabel_->setMinimumFontSize(kMinimumTitleFontSize);
    badgeView_ = QVBadgeView::redBadge();
    badgeView_->setFrame(Rect(width - 70, 10, 29, 29));
    // Laid out for the dashboard's width; the row is narrower (the list's inset, the disclosure arrow).
    titleLabel_->setAutoresizingMask(FlexibleWidth);
    badgeView_->setAutoresizingMask(FlexibleLeftMargin);
    addSubviews(contentView(), { iconView_.get(), titleLabel_.get(), badgeView_.get() });
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVFanClubCell::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    // The badge keeps to the row's right edge; the title takes the room left of it.
    float right = contentView()->bounds().size.width - 4;
    Rect badge = badgeView_->frame();
    badge.origin.x = right - badge.size.width;
    badgeView_->setFrame(badge);
    Rect title = titleLabel_->frame();
    title.size.width = std::max(0.0f, (badgeView_->isHidden() ? right : badge.origin.x - 4) - title.origin.x);
    titleLabel_->setFrame(title);
    // One title size for the menu, so that a long title is not the one row drawn smaller.
    std::vector<QVFanClubCell*> rows { this };
    View* table = superview();
    while (table && !dynamic_cast<TableView*>(table))
        table = table->superview();
    if (auto* list = dynamic_cast<TableView*>(table))
        for (TableViewCell* cell : list->visibleCells())
            if (auto* row = dynamic_cast<QVFanClubCell*>(cell); row && row != this)
                rows.push_back(row);
    float size = kTitleFontSize;
    for (QVFanClubCell* row : rows)
        size = std::min(size, row->fittingTitleSize(right));
    // The rows laid out before this one take the size too.
    for (QVFanClubCell* row : rows)
        if (row->titleLabel_->font()->pointSize() != size)
            row->titleLabel_->setFont(platform::Font::boldSystemFont(size).get());
}

float QVFanClubCell::fittingTitleSize(float right) const
{
    const float room = (badgeView_->isHidden() ? right : right - badgeView_->frame().size.width - 4) - titleLabel_->frame().minX();
    for (float size = kTitleFontSize; size > kMinimumTitleFontSize; size -= 0.5f)
        if (platform::measureText(titleLabel_->text(), *platform::Font::boldSystemFont(size)).width <= room)
            return size;
    return kMinimumTitleFontSize;
}

} // namespace quorvel
