// The discovery catalogue's rows: a category ("GameDiscoveryCategory") and a
// news item ("GameDiscoveryNewsItem").
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableCellHelper.h"

#include <array>
#include <string>

namespace quorvel {

class QVGameDiscoveryCategoryCell : public QVResourceCell<QVGameDiscoveryCategory> {
    QV_DECLARE_CLASS(QVGameDiscoveryCategoryCell)
public:
    static constexpr float kHeight = 64;

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVGameDiscoveryCategory* category) override;
    bool wantsToConfigureSelf() override { return true; }
    void layoutSubviews() override;

    QVImageView* iconView() const { return iconView_.get(); }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* subtextLabel() const { return subtextLabel_.get(); }
    platform::ui::Label* secondaryTextLabel() const { return secondaryTextLabel_.get(); }
    platform::ui::ImageView* disclosureView() const { return disclosureView_.get(); }
    platform::ui::View* patternView() const { return patternView_.get(); }
    // The divider images above and below the row.
    platform::ui::View* topDividerView() const { return topDividerView_.get(); }
    platform::ui::View* bottomDividerView() const { return bottomDividerView_.get(); }
    platform::ui::View* selectedPatternView() const { return selectedPatternView_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryCategoryCell() = default;

private:
    platform::Ref<QVImageView> iconView_;
    platform::Ref<platform::ui::ImageView> iconFrame_, disclosureView_;
    platform::Ref<platform::ui::View> textContentView_, topDividerView_, bottomDividerView_;
    // The grey pattern behind the row, and its darker twin while selected.
    platform::Ref<platform::ui::View> patternView_, selectedPatternView_;
    platform::Ref<platform::ui::Label> nameLabel_, subtextLabel_, secondaryTextLabel_;
};

class QVGameDiscoveryNewsItemCell : public QVResourceCell<QVGameDiscoveryNewsItem> {
    QV_DECLARE_CLASS(QVGameDiscoveryNewsItemCell)
public:
    static constexpr float kHeight = 60;

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVGameDiscoveryNewsItem* item) override;

    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* subtitleLabel() const { return subtitleLabel_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryNewsItemCell() = default;

private:
    platform::Ref<platform::ui::ImageView> iconFrame_;
    platform::Ref<QVImageView> iconView_;
    platform::Ref<platform::ui::Label> titleLabel_, subtitleLabel_;
};

} // namespace quorvel
