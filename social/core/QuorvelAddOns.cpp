// The add-on registry: a process-wide list, walked in registration order for
// each life-cycle event. Nothing in the client registers an add-on itself.
#include "social/core/QuorvelInternal.h"
#include "social/core/QuorvelAddOn.h"

#include <vector>

namespace quorvel {

namespace {

std::vector<QuorvelAddOn*>& addOns()
{
    static std::vector<QuorvelAddOn*> list;
    return list;
}

// An add-on may register another while it is called: walk a copy.
template <typename F>
void forEachAddOn(F&& f)
{
    std::vector<QuorvelAddOn*> list = addOns();
    for (auto* addOn : list)
        f(*addOn);
}

} // namespace

void Quorvel::registerAddOn(QuorvelAddOn* addOn)
{
    if (addOn)
        addOns().push_back(addOn);
}

void QuorvelInternal::unregisterAllAddOns() { addOns().clear(); }

void QuorvelInternal::initializeAddOns(const QuorvelSettingsDictionary& settings)
{
    QuorvelInternal::traceStep("initializeAddOns");
    forEachAddOn([&](QuorvelAddOn& a) { a.initializeAddOn(settings); });
}

void QuorvelInternal::setDefaultAddOnSettings(platform::ValueDictionary& settings)
{
    forEachAddOn([&](QuorvelAddOn& a) { a.defaultSettings(settings); });
}

void QuorvelInternal::loadAddOnSettings(platform::ValueDictionary& settings, platform::Object* reader)
{
    forEachAddOn([&](QuorvelAddOn& a) { a.loadSettings(settings, reader); });
}

void QuorvelInternal::notifyAddOnsUserLoggedIn()
{
    QuorvelInternal::traceStep("notifyAddOnsUserLoggedIn");
    forEachAddOn([](QuorvelAddOn& a) { a.userLoggedIn(); });
}

void QuorvelInternal::notifyAddOnsUserLoggedOut()
{
    forEachAddOn([](QuorvelAddOn& a) { a.userLoggedOut(); });
}

bool QuorvelInternal::allowAddOnsToRespondToPushNotification(const platform::Value& notification, bool duringApplicationLaunch)
{
    std::vector<QuorvelAddOn*> list = addOns();
    for (auto* addOn : list)
        if (addOn->respondToPushNotification(notification, duringApplicationLaunch))
            return true;
    return false;
}

void QuorvelInternal::shutdownAddOns()
{
    QuorvelInternal::traceStep("shutdownAddOns");
    forEachAddOn([](QuorvelAddOn& a) { a.shutdownAddOn(); });
}

} // namespace quorvel
