// QVAddOnRegistry: the add-ons that joined the client (Quorvel::registerAddOn),
// a process-wide list walked in registration order for each life-cycle event.
// A game registers its add-ons before start-up, so the list outlives every
// client instance; it does not own the add-ons. Nothing in the client
// registers an add-on itself.
#pragma once

#include "platform/foundation/Value.h"

namespace platform {
class Object;
}

namespace quorvel {

class QVAddOnSettingsRole;
class QuorvelAddOn;
struct QuorvelSettingsDictionary;

class QVAddOnRegistry {
public:
    static void registerAddOn(QuorvelAddOn* addOn);
    static void unregisterAllAddOns();

    static void initializeAddOns(const QuorvelSettingsDictionary& settings);
    static void setDefaultAddOnSettings(platform::ValueDictionary& settings);
    static void loadAddOnSettings(platform::ValueDictionary& settings, platform::Object* reader);
    static void notifyAddOnsUserLoggedIn();
    static void notifyAddOnsUserLoggedOut();
    // Asks each add-on until one handles the payload; answers whether one did.
    static bool allowAddOnsToRespondToPushNotification(const platform::Value& notification,
                                                       bool duringApplicationLaunch);
    static void shutdownAddOns();

    // The registry as the runtime's settings reach it (installed by the
    // running client): the settings defaults and the settings file's reader
    // call setDefaultAddOnSettings and loadAddOnSettings through it.
    static QVAddOnSettingsRole& settingsRole();
};

} // namespace quorvel
