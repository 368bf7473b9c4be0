// The location service: a manager asks for fixes, its delegate (not retained)
// receives each one or the failure. Nothing measures anything here: tests and
// programs deliver fixes and failures to every manager that is updating,
// at once on the calling thread.
//
// Managers that are updating are listed process-wide, so a caller can check
// that nothing was left running.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/ui/MapView.h"

#include <vector>

namespace platform::ui {

class LocationManager;

class LocationManagerDelegate {
public:
    virtual void locationManagerDidUpdateToLocation(LocationManager* manager, Location* newLocation,
                                                    Location* oldLocation) = 0;
    virtual void locationManagerDidFailWithError(LocationManager* manager, int errorCode) = 0;

protected:
    ~LocationManagerDelegate() = default;
};

// The best accuracy the service offers, as a desired accuracy in metres.
inline constexpr double kLocationAccuracyBest = -1;
// The failure code of a player who refused access.
inline constexpr int kLocationErrorDenied = 1;
inline constexpr int kLocationErrorUnknown = 0;

class LocationManager final : public Object {
public:
    static Ref<LocationManager> create();
    ~LocationManager() override;

    LocationManagerDelegate* delegate() const { return delegate_; }
    // Not retained: the delegate clears itself before it goes away.
    void setDelegate(LocationManagerDelegate* delegate) { delegate_ = delegate; }
    double desiredAccuracy() const { return desiredAccuracy_; }
    void setDesiredAccuracy(double metres) { desiredAccuracy_ = metres; }

    void startUpdatingLocation();
    void stopUpdatingLocation();
    bool isUpdating() const { return updating_; }
    // The last fix this manager received, or null.
    Location* location() const { return last_.get(); }
    std::string className() const override { return "LocationManager"; }

    // The managers updating right now, oldest first.
    static std::vector<LocationManager*> updatingManagers();
    // Hands a fix to every updating manager's delegate; answers how many got it.
    static int deliverLocation(LocationCoordinate2D coordinate);
    // Hands a failure to every updating manager's delegate; answers how many got it.
    static int deliverError(int errorCode);

private:
    LocationManager() = default;
    LocationManagerDelegate* delegate_ { nullptr };
    double desiredAccuracy_ { 0 };
    bool updating_ { false };
    Ref<Location> last_;
};

} // namespace platform::ui
