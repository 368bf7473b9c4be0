// QVSettings: the client's internal settings — the service addresses and keys
// it was built with, overridden by the bundle's "quorvel_internal_settings"
// XML resource, and the client's bundle version.
//
// The file's top element holds one section per environment; the client reads
// "environment-release", whose <config> element holds one child per setting:
//     <quorvel_internal_settings><environment-release><config>
//         <server-url>http://127.0.0.1:8080/</server-url>
//         <debug-override-key>...</debug-override-key>
//     </config></environment-release></quorvel_internal_settings>
// Each value is taken without the white space around it. A missing or
// malformed file, one without a server-url, or one whose server-url is no
// http:// or https:// address (the scheme in any case), leaves the built-in
// address and logs why; so does a presence-host that is no host or
// host:port (the channel then goes to the server-url's host, as without one). A setting it does not know (a misspelled key), a key given twice
// (the last counts) and a second release section (ignored) are logged too.
// The add-ons are offered the defaults, then the read file once the file's
// values are in place (QVAddOnSettingsRole), so they see the address the
// client will use; a server-url an add-on sets is kept when it is an address.
// Instance() is null before Initialize() and after Uninitialize().
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace quorvel {

class QVSettings : public platform::Object {
public:
    static void Initialize();
    // Initialize() from an explicit settings file instead of the bundle's.
    static void InitializeWithFile(const std::string& path);
    static QVSettings* Instance();
    static void Uninitialize();

    // The setting's text, or nullopt when there is none.
    std::optional<std::string> objectForKey(const std::string& key) const;
    const platform::ValueDictionary& dictionary() const { return dictionary_; }
    const std::string& clientBundleVersion() const { return bundleVersion_; }

    static constexpr const char* kEnvironment = "release";
    // None: the presence channel then goes to the server-url's host.
    static constexpr const char* kBuiltInPresenceHost = "";
    // The settings the client reads.
    static constexpr const char* kKnownKeys[] = { "server-url", "presence-host", "facebook-application-key",
                                                  "facebook-callback-url", "debug-override-key",
                                                  "debug-override-secret", "apns-environment" };
    static bool isKnownKey(const std::string& key);

private:
    QVSettings() = default;
    void loadBuiltIns();
    void loadFile(const std::string& path);

    platform::ValueDictionary dictionary_;
    std::string bundleVersion_;
};

} // namespace quorvel
