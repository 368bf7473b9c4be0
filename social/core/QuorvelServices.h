// The services the central class starts and stops, in their fixed orders.
//
// Each entry names a service class and the two class methods that make and
// release its singleton. A service that has not been built yet keeps null
// methods: its place in both orders is already fixed, and it is started and
// stopped from here as soon as its entry is filled in.
#pragma once

#include "platform/foundation/Value.h"

#include <vector>

namespace quorvel {

class QVPoller;
struct QuorvelSettingsDictionary;

struct QuorvelServiceEntry {
    const char* name;
    void (*initializeService)();
    void (*shutdownService)();
};

// The 28 services in start-up order.
const std::vector<QuorvelServiceEntry>& QuorvelServicesInStartupOrder();
// The same services in shut-down order.
const std::vector<QuorvelServiceEntry>& QuorvelServicesInShutdownOrder();

// The other steps of start-up and shut-down that reach into the services and
// the UI kit, each in one place.

// The controller loader's default asset-file suffix "Qv" and class-name prefix "QV".
void QuorvelSetControllerLoaderDefaults();
// Its overriding suffix and prefix from the settings (nil clears them).
void QuorvelSetControllerLoaderOverrides(const platform::Value& suffix, const platform::Value& classNamePrefix);
// The cloud-storage service's compression switches.
void QuorvelConfigureCloudStorage(const QuorvelSettingsDictionary& settings);
// The compressed-blob format's compression and verbosity switches.
void QuorvelConfigureCompressableData(const QuorvelSettingsDictionary& settings);
// The high-score and chat-message services register their polled resources.
void QuorvelRegisterPolledResources(QVPoller* poller);
// Whether the achievement service prompts to post unlocks.
void QuorvelConfigureAchievements(const QuorvelSettingsDictionary& settings);
// Releases the Game Center bridge at shut-down.
void QuorvelReleaseGameCenter();

} // namespace quorvel
