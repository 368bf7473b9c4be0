// The add-on registry: a process-wide list, walked in registration order.
#include "social/core/QVAddOnRegistry.h"

#include "social/core/QVLifecycleTrace.h"
#include "social/core/QuorvelAddOn.h"
#include "social/runtime/QVAddOnSettingsRole.h"

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

void QVAddOnRegistry::registerAddOn(QuorvelAddOn* addOn)
{
    if (addOn)
        addOns().push_back(addOn);
}

void QVAddOnRegistry::unregisterAllAddOns() { addOns().clear(); }

void QVAddOnRegistry::initializeAddOns(const QuorvelSettingsDictionary& settings)
{
    QVLifecycleTrace::step("initializeAddOns");
    forEachAddOn([&](QuorvelAddOn& a) { a.initializeAddOn(settings); });
}

void QVAddOnRegistry::setDefaultAddOnSettings(platform::ValueDictionary& settings)
{
    forEachAddOn([&](QuorvelAddOn& a) { a.defaultSettings(settings); });
}

void QVAddOnRegistry::loadAddOnSettings(platform::ValueDictionary& settings, platform::Object* reader)
{
    forEachAddOn([&](QuorvelAddOn& a) { a.loadSettings(settings, reader); });
}

QVAddOnSettingsRole& QVAddOnRegistry::settingsRole()
{
    class Forward final : public QVAddOnSettingsRole {
    public:
        void setDefaultAddOnSettings(platform::ValueDictionary& settings) override
        {
            QVAddOnRegistry::setDefaultAddOnSettings(settings);
        }
        void loadAddOnSettings(platform::ValueDictionary& settings, platform::Object* reader) override
        {
            QVAddOnRegistry::loadAddOnSettings(settings, reader);
        }
    };
    static Forward role;
    return role;
}

void QVAddOnRegistry::notifyAddOnsUserLoggedIn()
{
    QVLifecycleTrace::step("notifyAddOnsUserLoggedIn");
    forEachAddOn([](QuorvelAddOn& a) { a.userLoggedIn(); });
}

void QVAddOnRegistry::notifyAddOnsUserLoggedOut()
{
    forEachAddOn([](QuorvelAddOn& a) { a.userLoggedOut(); });
}

bool QVAddOnRegistry::allowAddOnsToRespondToPushNotification(const platform::Value& notification, bool duringApplicationLaunch)
{
    std::vector<QuorvelAddOn*> list = addOns();
    for (auto* addOn : list)
        if (addOn->respondToPushNotification(notification, duringApplicationLaunch))
            return true;
    return false;
}

void QVAddOnRegistry::shutdownAddOns()
{
    QVLifecycleTrace::step("shutdownAddOns");
    forEachAddOn([](QuorvelAddOn& a) { a.shutdownAddOn(); });
}

} // namespace quorvel
