// Banner cells of the game catalogue. QVGameDiscoveryImageHyperlinkCell shows
// one catalogue image linking to a game's store description or to another
// catalogue page. QVFeaturedGameCell ("FeaturedGame", the game page's banner)
// downloads the featured images and cycles through them, each for its own
// seconds, cross-fading; its timer only runs while the banner is on screen,
// and offline it shows the fixed offline banner and downloads nothing.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVImageView.h"

#include <vector>

namespace quorvel {

class QVGameDiscoveryImageHyperlinkCell : public QVBannerCell {
    QV_DECLARE_CLASS(QVGameDiscoveryImageHyperlinkCell)
public:
    static constexpr float kHeight = 42;
    static constexpr float kLargeScreenHeight = 62;

    bool initQVTableCellHelper(const std::string& name) override;
    using QVBannerCell::onResourceChanged;
    void onResourceChanged(platform::Object* resource) override;
    void layoutSubviews() override;
    void touchesEnded(const platform::ui::Touch& t) override;
    // Opens what the hyperlink links to on the navigation controller.
    void onCellWasClicked(platform::ui::NavigationController* nav);

    QVImageView* imageView() const { return imageView_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryImageHyperlinkCell() = default;

    platform::Ref<QVImageView> imageView_;
};

class QVFeaturedGameCell : public QVGameDiscoveryImageHyperlinkCell {
    QV_DECLARE_CLASS(QVFeaturedGameCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    // The cell picks its own resource.
    void onResourceChanged(platform::Object*) override { }
    void viewDidAppear() override;
    void viewDidDisappear() override;

    void onFeaturedGamesDownloaded(platform::Object* series);
    void _fadeToNextFeaturedGame();
    void _scheduleNextHyperlinkTransitionIn(float seconds);
    void _stopCyclingHyperlinks();
    void _changeBannerToOnline();
    void _changeBannerToOffline();
    static std::string _bannerSuffix();

    QVGameDiscoveryImageHyperlink* currentHyperlink() const;
    uint32_t currentHyperlinkIndex() const { return currentHyperlinkIndex_; }
    size_t hyperlinkCount() const { return imageHyperlinks_.size(); }
    bool isCycling() const { return cyclingTimer_ && cyclingTimer_->isValid(); }
    platform::ui::ImageView* bgImageView() const { return bgImageView_.get(); }
    const std::string& bannerImageName() const { return bannerImageName_; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFeaturedGameCell() = default;
    ~QVFeaturedGameCell() override;

private:
    platform::Ref<platform::ui::ImageView> bgImageView_;
    std::string bannerImageName_;
    std::vector<platform::Ref<QVGameDiscoveryImageHyperlink>> imageHyperlinks_;
    uint32_t currentHyperlinkIndex_ { 0 };
    platform::Ref<platform::Timer> cyclingTimer_;
    float inProgressTransitionRemainingSeconds_ { 0 };
    bool viewIsAppeared_ { false };
    bool hasDownloadedLinks_ { false };
};

} // namespace quorvel
