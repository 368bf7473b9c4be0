// The location service stand-in: a list of the updating managers and the
// delivery of injected fixes and failures to them.
#include "platform/device/LocationManager.h"

#include <algorithm>

namespace platform::ui {

namespace {

std::vector<LocationManager*>& updating()
{
    static std::vector<LocationManager*> list;
    return list;
}

} // namespace

Ref<LocationManager> LocationManager::create() { return adoptRef(new LocationManager); }

LocationManager::~LocationManager() { stopUpdatingLocation(); }

void LocationManager::startUpdatingLocation()
{
    if (updating_)
        return;
    updating_ = true;
    updating().push_back(this);
}

void LocationManager::stopUpdatingLocation()
{
    if (!updating_)
        return;
    updating_ = false;
    auto& list = updating();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<LocationManager*> LocationManager::updatingManagers() { return updating(); }

int LocationManager::deliverLocation(LocationCoordinate2D coordinate)
{
    int count = 0;
    // A delegate may stop (and release) its manager: walk a copy, keeping each alive.
    std::vector<Ref<LocationManager>> managers;
    for (auto* m : updating())
        managers.emplace_back(m);
    for (auto& m : managers) {
        if (!m->updating_)
            continue;
        Ref<Location> previous = m->last_;
        m->last_ = Location::withCoordinate(coordinate);
        Ref<Location> fix = m->last_;
        if (m->delegate_) {
            m->delegate_->locationManagerDidUpdateToLocation(m.get(), fix.get(), previous.get());
            ++count;
        }
    }
    return count;
}

int LocationManager::deliverError(int errorCode)
{
    int count = 0;
    std::vector<Ref<LocationManager>> managers;
    for (auto* m : updating())
        managers.emplace_back(m);
    for (auto& m : managers) {
        if (m->updating_ && m->delegate_) {
            m->delegate_->locationManagerDidFailWithError(m.get(), errorCode);
            ++count;
        }
    }
    return count;
}

} // namespace platform::ui
