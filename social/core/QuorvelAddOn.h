// QuorvelAddOn: an optional module that joins the client without the central
// class knowing it. It registers itself (Quorvel::registerAddOn) and then
// hears the client's life-cycle events; every method has an empty default.
// The registry does not own add-ons: each lives for the whole process.
#pragma once

#include "platform/foundation/Value.h"

namespace platform {
class Object;
}

namespace quorvel {

struct QuorvelSettingsDictionary;

class QuorvelAddOn {
public:
    virtual ~QuorvelAddOn() = default;

    virtual void initializeAddOn(const QuorvelSettingsDictionary&) { }
    virtual void defaultSettings(platform::ValueDictionary&) { }
    virtual void loadSettings(platform::ValueDictionary&, platform::Object* /*reader*/) { }
    virtual void userLoggedIn() { }
    virtual void userLoggedOut() { }
    // Answers whether the add-on handled the notification.
    virtual bool respondToPushNotification(const platform::Value&, bool /*duringApplicationLaunch*/) { return false; }
    virtual void shutdownAddOn() { }
};

} // namespace quorvel
