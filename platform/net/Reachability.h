// Reachability: whether the service's host can be reached, and how.
// Status 0 not reachable, 1 over the wide-area network, 2 over WiFi (this
// system reports a reachable host as 2).
//
// ManualReachability is set by tests; HostReachability checks in programs
// whether the system has a route to the host (a UDP connect, which sends
// nothing) when created and then every 30 s of the run loop, reporting changes.
// A numeric address is checked at once; a name is resolved off the main loop
// (NameLookup), so a name server that does not answer holds no frame, and the
// status stays what it was until the answer comes.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/NameLookup.h"

#include <functional>
#include <map>
#include <string>

namespace platform {

class Reachability : public Object {
public:
    enum Status { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };
    using Observer = std::function<void(int status)>;

    int status() const { return status_; }
    // Observers run on the main loop after each change; answers a token for removal.
    int addObserver(Observer observer);
    void removeObserver(int token);

protected:
    Reachability() = default;
    void setStatusAndNotify(int status);

private:
    int status_ { NotReachable };
    std::map<int, Observer> observers_;
    int nextToken_ { 1 };
};

class ManualReachability final : public Reachability {
public:
    [[nodiscard]] static Ref<ManualReachability> create(int status = ReachableViaWiFi)
    {
        auto r = adoptRef(new ManualReachability);
        r->setStatusAndNotify(status);
        return r;
    }
    void setStatus(int status) { setStatusAndNotify(status); }

private:
    ManualReachability() = default;
};

class HostReachability final : public Reachability {
public:
    // `url` or bare host name; the host part is checked.
    [[nodiscard]] static Ref<HostReachability> create(const std::string& urlOrHost);
    ~HostReachability() override;
    // Checks now (also runs every 30 s); for a name, starts its lookup unless
    // one is still on its way, and the status changes when it answers.
    void check();
    static constexpr double kInterval = 30.0;

private:
    HostReachability() = default;
    std::string host_;
    std::string port_;
    Ref<Timer> timer_;
    Ref<NameLookup> lookup_;
};

// The host and port of an "http://host:port/..." address ("80"/"443" by scheme when absent).
bool splitHostPort(const std::string& url, std::string& host, std::string& port);

} // namespace platform
