// QVPlayedGameController: the one list of games of the dashboard. By scope it
// shows the games of the page's player (all of them or the favourites, chosen
// by the header's segments), the games the local player's friends play, or a
// page of the discovery catalogue (categories, news items, banners and games).
// A catalogue page's "banner_frame_content" section becomes the stack's
// banner. On the page "quorvel_five" shaking the device (samples from the
// shared accelerometer) reshuffles the games.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/device/Accelerometer.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <array>
#include <string>

namespace quorvel {

class QVResource;

class QVPlayedGameController : public QVTableSequenceControllerHelper,
                               public QVBannerProvider,
                               public QVProfileFrame,
                               public platform::ui::AccelerometerDelegate {
    QV_DECLARE_CLASS(QVPlayedGameController)
public:
    enum Scope { kScopeUser = 0, kScopeFriends = 1, kScopeDiscovery = 2 };
    static constexpr const char* kShakePageName = "quorvel_five";
    static constexpr const char* kBannerSectionIdentifier = "banner_frame_content";
    static constexpr double kShakeUpdateInterval = 0.1;
    static constexpr double kShakeRestDelay = 1.0;
    static constexpr int kSampleCount = 10;
    static constexpr int kGamesPerPage = 10;

    int scope() const { return scope_; }
    void setScope(int scope) { scope_ = scope; }
    const std::string& targetDiscoveryPageName() const { return targetDiscoveryPageName_; }
    // Also makes the list a discovery page.
    void setTargetDiscoveryPageName(const std::string& name);
    bool inFavoriteTab() const { return inFavoriteTab_; }
    bool reloadWhenShownNext() const { return reloadWhenShownNext_; }
    bool enableShake() const { return enableShake_; }
    QVResource* headerBannerResource() const { return headerBannerResource_.get(); }

    // Segments of the header.
    void onAllGamesSelected();
    void onFavoriteGamesSelected();
    // Reshuffles the "quorvel_five" page (the "Shuffle" button and a shake).
    void quorvelFiveShuffle();
    void enableShakeAgain() { enableShake_ = true; }
    bool isShakePage() const { return targetDiscoveryPageName_ == kShakePageName; }

    // The placement text of a row of this list.
    std::string placementForRow(int row) const;

    // --- List hooks ---
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    QVService* getService() override;
    std::optional<std::string> getTableHeaderControllerName() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    std::optional<std::string> getLeadingCellControllerNameForSection(int section) override;
    void onLeadingCellWasLoaded(platform::ui::TableViewCell* cell, int section) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::string getNoDataFoundMessage() override;
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    void hideLoadingScreen() override;

    // --- Banner ---
    bool isBannerAvailableNow() override { return headerBannerResource_ != nullptr; }
    std::string bannerCellControllerName() override { return "GameDiscoveryImageHyperlink"; }
    platform::Object* getBannerResource() override;
    void onBannerClicked() override;

    void profileUsersChanged(QVUser*, QVUser*) override { reloadDataFromServer(); }

    // --- Shake ---
    void accelerometer(platform::ui::Accelerometer* accelerometer, platform::ui::Acceleration* acceleration) override;
    static bool checkShakeOnAxis(const std::array<float, kSampleCount>& samples);

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPlayedGameController() = default;
    ~QVPlayedGameController() override;

    void _clearSamples();

    int scope_ { kScopeUser };
    std::string targetDiscoveryPageName_;
    platform::Ref<QVResource> headerBannerResource_;
    bool inFavoriteTab_ { false };
    bool reloadWhenShownNext_ { false };
    double defaultUpdateInterval_ { 0 };
    platform::WeakLink<platform::ui::AccelerometerDelegate> defaultDelegate_; // the game's, given back after
    bool tookAccelerometer_ { false };
    bool enableShake_ { false };
    std::array<float, kSampleCount> previousX_ {}, previousY_ {}, previousZ_ {};
    platform::Ref<platform::Timer> shakeRestTimer_;
};

} // namespace quorvel
