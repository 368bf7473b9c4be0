// The player's location: one fix through the platform's location service,
// capped at a minute, and its upload through the user service.
#include "social/core/QVLocation.h"

#include "platform/foundation/Weak.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVUserService.h"

namespace quorvel {

using platform::Ref;

namespace {

int& retries()
{
    static int count = 0; // process-wide
    return count;
}

} // namespace

int QVLocation::offlineRetryCount() { return retries(); }

void QVLocation::resetOfflineRetryCount() { retries() = 0; }

Ref<QVLocation> QVLocation::create()
{
    auto location = platform::adoptRef(new QVLocation);
    location->start();
    return location;
}

QVLocation::~QVLocation() { stopUpdatingLocation(); }

void QVLocation::start()
{
    locationManager_ = platform::ui::LocationManager::create();
    locationManager_->setDelegate(this);
    locationManager_->setDesiredAccuracy(platform::ui::kLocationAccuracyBest);
    locationManager_->startUpdatingLocation();
    locationUpdating_ = true;
    // At most a minute is spent waiting for a fix.
    platform::Weak<QVLocation> weak(this);
    fixTimeout_ = platform::RunLoop::main().performAfter(kFixTimeout, [weak] {
        if (auto self = weak.lock())
            self->stopUpdatingLocation();
    });
}

void QVLocation::stopUpdatingLocation()
{
    if (fixTimeout_) {
        fixTimeout_->invalidate();
        fixTimeout_ = nullptr;
    }
    if (locationManager_) {
        locationManager_->stopUpdatingLocation();
        locationManager_->setDelegate(nullptr);
        locationManager_ = nullptr;
    }
    locationUpdating_ = false;
}

void QVLocation::locationManagerDidUpdateToLocation(platform::ui::LocationManager*, platform::ui::Location* newLocation,
                                                    platform::ui::Location*)
{
    userLocation_ = Ref<platform::ui::Location>(newLocation);
    if (QuorvelInternal::options().userDistanceUnit() == QVDistanceUnit::Undecided) {
        userAllowed_ = true;
        QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationShared);
    }
    stopUpdatingLocation();
    Ref<QVLocation> self(this);
    platform::RunLoop::main().performAfter(0, [self] { self->updateUserLocation(); });
}

void QVLocation::locationManagerDidFailWithError(platform::ui::LocationManager*, int errorCode)
{
    if (errorCode == platform::ui::kLocationErrorDenied)
        QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationOff);
    stopUpdatingLocation();
}

void QVLocation::updateUserLocation()
{
    if (Quorvel::isOnline()) {
        if (!userLocation_)
            return;
        QVUserService::setUserLocation({}, userLocation_->coordinate(), userAllowed_, QVDelegate(),
                                       QVDelegate(this, BRISKO_SELECTOR(QVLocation, _onSetLocationFailed)));
        return;
    }
    int before = retries()++;
    if (before < kMaxOfflineRetries) {
        Ref<QVLocation> self(this); // a pending try keeps the tracker, as a delayed call would
        platform::RunLoop::main().performAfter(kOfflineRetryDelay, [self] { self->updateUserLocation(); });
    }
}

void QVLocation::_onSetLocationFailed(platform::Object*)
{
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationOff);
    QuorvelInternal::location().setUserLocation(nullptr);
}

} // namespace quorvel
