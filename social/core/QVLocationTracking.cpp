// The player's location tracker of the running client.
#include "social/core/QVLocationTracking.h"

#include "social/core/QVLifecycleTrace.h"
#include "social/core/QVLocation.h"
#include "social/core/QVUserOptions.h"

namespace quorvel {

using platform::Ref;

QVLocationTracking::QVLocationTracking(Quorvel& client)
    : QVClientPart(client)
{
}

QVLocationTracking::~QVLocationTracking() = default;

void QVLocationTracking::startLocationManagerIfAllowed()
{
    QVLifecycleTrace::step("startLocationManagerIfAllowed");
    if (!running() || options().userDistanceUnit() == QVDistanceUnit::LocationOff || !options().hasUserApprovedQuorvel())
        return;
    mLocation = nullptr; // the old tracker stops before the new one starts
    mLocation = QVLocation::create();
}

void QVLocationTracking::setUserLocation(QVLocation* location)
{
    if (running())
        mLocation = Ref<QVLocation>(location);
}

platform::ui::Location* QVLocationTracking::getUserLocation()
{
    return running() && mLocation ? mLocation->userLocation() : nullptr;
}

QVLocation* QVLocationTracking::locationTracker() { return running() ? mLocation.get() : nullptr; }

void QVLocationTracking::applicationDidEnterBackground()
{
    if (running() && mLocation && mLocation->isLocationUpdating()) {
        mLocation->stopUpdatingLocation();
        mLocation = nullptr;
        appNeedsGetLocationOnForeground = true;
    }
}

void QVLocationTracking::applicationWillEnterForeground()
{
    if (running() && appNeedsGetLocationOnForeground) {
        startLocationManagerIfAllowed();
        appNeedsGetLocationOnForeground = false;
    }
}

void QVLocationTracking::release() { mLocation = nullptr; }

} // namespace quorvel
