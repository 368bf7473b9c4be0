// QVLocationTracking: the running client's tracker of the player's location
// (a QVLocation, which takes one fix). It starts one only while the player
// lets location be used and has approved the service; a fix still awaited
// when the game goes to the background is abandoned and taken again in the
// foreground.
#pragma once

#include "platform/foundation/Object.h"
#include "social/core/QVClientPart.h"

namespace platform::ui {
class Location;
}

namespace quorvel {

class QVLocation;

class QVLocationTracking final : public QVClientPart {
public:
    explicit QVLocationTracking(Quorvel& client);
    ~QVLocationTracking();

    // Not when location is off, not before approval, not without a running
    // client; otherwise a new tracker replaces the current one.
    void startLocationManagerIfAllowed();
    void setUserLocation(QVLocation* location);
    // The tracker's last fix; null without one.
    platform::ui::Location* getUserLocation();
    QVLocation* locationTracker();

    void applicationDidEnterBackground();
    void applicationWillEnterForeground();
    // The instance goes: the tracker stops.
    void release();

private:
    platform::Ref<QVLocation> mLocation;
    bool appNeedsGetLocationOnForeground { false };
};

} // namespace quorvel
