// QVLocation: the player's location, taken once. Making one starts the
// platform's location service; the first fix (or a failure, or 60 s without
// either) stops it again. A fix is sent to the server once the client is
// online; while it is offline the upload is tried again every 10 s, at most
// ten times in the life of the process.
//
// The player's distance-unit option records whether location may be used:
// 0 not yet decided, 1 not to be used (access denied or a failed upload),
// 2 set by the first fix of the player's life. Releasing the object stops the
// location service first.
#pragma once

#include "platform/device/LocationManager.h"
#include "platform/foundation/RunLoop.h"
#include "social/runtime/QVDelegate.h"

namespace quorvel {

class QVLocation final : public platform::Object, public QVCallbackable, public platform::ui::LocationManagerDelegate {
public:
    // Starts the location service (the init of the tracker).
    static platform::Ref<QVLocation> create();
    ~QVLocation() override;

    platform::ui::LocationManager* locationManager() const { return locationManager_.get(); }
    platform::ui::Location* userLocation() const { return userLocation_.get(); }
    platform::ui::Location* getUserLocation() const { return userLocation_.get(); }
    bool isLocationUpdating() const { return locationUpdating_; }
    // Set when this run obtained the first fix of the player's life.
    bool userAllowed() const { return userAllowed_; }

    void stopUpdatingLocation();
    // Sends the stored fix (online), or schedules another try (offline).
    void updateUserLocation();

    void locationManagerDidUpdateToLocation(platform::ui::LocationManager* manager, platform::ui::Location* newLocation,
                                            platform::ui::Location* oldLocation) override;
    void locationManagerDidFailWithError(platform::ui::LocationManager* manager, int errorCode) override;
    void _onSetLocationFailed(platform::Object* response);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVLocation"; }

    // The uploads retried while offline in this process.
    static int offlineRetryCount();
    // Starts the count again (for a test that plays a fresh process).
    static void resetOfflineRetryCount();

    static constexpr double kFixTimeout = 60.0;
    static constexpr double kOfflineRetryDelay = 10.0;
    static constexpr int kMaxOfflineRetries = 10;

private:
    QVLocation() = default;
    void start();

    platform::Ref<platform::ui::LocationManager> locationManager_;
    platform::Ref<platform::ui::Location> userLocation_;
    bool userAllowed_ { false };
    bool locationUpdating_ { false };
    platform::Ref<platform::Timer> fixTimeout_;
};

} // namespace quorvel
