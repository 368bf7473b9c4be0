// The button panel's slots and grid layout.
#include "social/ui/QVButtonPanel.h"

#include "platform/foundation/Log.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

Ref<QVButtonPanelEntry> QVButtonPanelEntry::entryWithButton(Button* button)
{
    auto entry = adoptRef(new QVButtonPanelEntry);
    Rect frame = button ? button->frame() : Rect();
    entry->initWithFrame(frame);
    entry->setBackgroundColor(std::nullopt);
    entry->setOpaque(false);
    if (button) {
        button->setEnabled(true);
        button->setHidden(false);
        entry->button_ = button;
        button->setFrame(Rect(0, 0, frame.size.width, frame.size.height));
        entry->addSubview(button);
    }
    return entry;
}

void QVButtonPanelEntry::replaceDecoration(ImageAsset* image)
{
    if (decoration_) {
        decoration_->removeFromSuperview();
        decoration_ = nullptr;
    }
    if (!image)
        return;
    decoration_ = ImageView::imageViewWithFrame(button_ ? button_->frame() : bounds());
    decoration_->setImage(image);
    decoration_->setContentMode(ContentMode::Center);
    addSubview(decoration_);
    bringSubviewToFront(decoration_);
}

Ref<QVButtonPanel> QVButtonPanel::panelWithFrame(const Rect& frame, int maxButtonCount, platform::Size buttonSize,
                                                 platform::Size buttonSpacing, ImageAsset* emptyImage)
{
    auto panel = adoptRef(new QVButtonPanel);
    panel->initWithFrame(frame, maxButtonCount, buttonSize, buttonSpacing, emptyImage);
    return panel;
}

bool QVButtonPanel::initWithFrame(const Rect& frame, int maxButtonCount, platform::Size buttonSize,
                                  platform::Size buttonSpacing, ImageAsset* emptyImage)
{
    if (!View::initWithFrame(frame))
        return false;
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    configureMaxButtonCount(maxButtonCount, buttonSize, buttonSpacing, emptyImage);
    return true;
}

void QVButtonPanel::configureMaxButtonCount(int maxButtonCount, platform::Size buttonSize,
                                            platform::Size buttonSpacing, ImageAsset* emptyImage)
{
    maxButtonCount_ = std::max(0, maxButtonCount);
    buttonSize_ = buttonSize;
    buttonSpacing_ = buttonSpacing;
    emptyButtonSlotImage_ = emptyImage;
    removeAllButtons();
}

void QVButtonPanel::addPlaceholderButtons()
{
    while (static_cast<int>(buttons_.size()) < maxButtonCount_) {
        Ref<View> slot;
        Rect frame(0, 0, buttonSize_.width, buttonSize_.height);
        if (emptyButtonSlotImage_) {
            auto image = ImageView::imageViewWithFrame(frame);
            image->setImage(emptyButtonSlotImage_);
            image->setContentMode(ContentMode::Center);
            slot = image.get();
        } else {
            slot = View::viewWithFrame(frame);
        }
        buttons_.push_back(slot);
        addSubview(slot);
    }
    setNeedsLayout();
}

void QVButtonPanel::setButton(Button* button, int position)
{
    if (position < 0 || position >= static_cast<int>(buttons_.size())) {
        platform::logWarning("QVButtonPanel: no slot %d (the panel has %zu)", position, buttons_.size());
        return;
    }
    if (!button)
        return;
    buttons_[static_cast<size_t>(position)]->removeFromSuperview();
    auto entry = QVButtonPanelEntry::entryWithButton(button);
    addSubview(entry);
    buttons_[static_cast<size_t>(position)] = entry.get();
    setNeedsLayout();
}

void QVButtonPanel::removeAllButtons()
{
    for (auto& slot : buttons_)
        slot->removeFromSuperview();
    buttons_.clear();
    addPlaceholderButtons();
}

void QVButtonPanel::setMaxButtons(int count)
{
    bool grew = count > maxButtonCount_;
    maxButtonCount_ = std::max(0, count);
    if (grew)
        addPlaceholderButtons();
}

void QVButtonPanel::setHeaderView(View* header)
{
    if (headerView_)
        headerView_->removeFromSuperview();
    headerView_ = header;
    if (headerView_)
        addSubview(headerView_);
    setNeedsLayout();
}

void QVButtonPanel::disableButton(Button* button, ImageAsset* decorationImage)
{
    for (auto& slot : buttons_) {
        auto* entry = dynamic_cast<QVButtonPanelEntry*>(slot.get());
        if (entry && entry->button() == button) {
            button->setEnabled(false);
            entry->replaceDecoration(decorationImage);
            return;
        }
    }
}

void QVButtonPanel::setFrame(const Rect& frame)
{
    View::setFrame(frame);
    setNeedsLayout();
}

void QVButtonPanel::layoutSubviews()
{
    if (!headerView_ && buttons_.empty())
        return;
    const float width = bounds().size.width, height = bounds().size.height;
    float headerHeight = 0;
    if (headerView_) {
        Rect h = headerView_->frame();
        headerView_->setFrame(Rect(std::round((width - h.size.width) / 2), 0, h.size.width, h.size.height));
        headerHeight = h.size.height;
    }
    const float sw = buttonSpacing_.width, sh = buttonSpacing_.height;
    const bool fill = fillsBounds_ && fixedNumColumns_ > 0 && maxButtonCount_ > 0;
    if (fill) {
        const int needed = (maxButtonCount_ + fixedNumColumns_ - 1) / fixedNumColumns_;
        buttonSize_ = platform::Size(std::floor((width - (fixedNumColumns_ - 1) * sw) / fixedNumColumns_),
                                     std::floor((height - headerHeight - (needed - 1) * sh) / needed));
    }
    const float bw = buttonSize_.width, bh = buttonSize_.height;
    if (bw + sw <= 0 || bh + sh <= 0)
        return;
    int rows = static_cast<int>(std::floor((sh + height - headerHeight) / (sh + bh)));
    int columns = fixedNumColumns_ ? fixedNumColumns_ : static_cast<int>(std::floor((sw + width) / (sw + bw)));
    if (fill)
        rows = std::min(rows, (maxButtonCount_ + fixedNumColumns_ - 1) / fixedNumColumns_);
    rows = std::max(0, rows);
    columns = std::max(0, columns);
    float firstX = std::round((width - ((columns - 1) * sw + columns * bw)) / 2);
    float y = 0;
    if (centeredVertically_)
        y = std::round(headerHeight + (height - headerHeight - ((rows - 1) * sh + rows * bh)) / 2);
    size_t index = 0;
    for (int row = 0; row < rows; ++row) {
        float rowY = y;
        if (row == 0 && maxButtonCount_ > 3 && withNavBar_ && !fill)
            rowY -= kNavBarRaise;
        float x = firstX;
        for (int column = 0; column < columns && index < buttons_.size(); ++column, ++index) {
            View* slot = buttons_[index].get();
            Rect f = slot->frame();
            if (fill) {
                f.size = buttonSize_;
                // The slot's button and the decoration over it take its new size.
                if (auto* entry = dynamic_cast<QVButtonPanelEntry*>(slot)) {
                    for (View* part : { static_cast<View*>(entry->button()), static_cast<View*>(entry->decoration()) })
                        if (part)
                            part->setFrame(Rect(platform::Point(0, 0), buttonSize_));
                }
            }
            slot->setFrame(Rect(x, rowY, f.size.width, f.size.height));
            slot->setHidden(false);
            x += bw + sw;
        }
        y += bh + sh;
    }
    for (; index < buttons_.size(); ++index)
        buttons_[index]->setHidden(true);
}

} // namespace quorvel
