// Reachability sources: the settable one for tests and the route check for programs.
#include "platform/net/Reachability.h"

#include "platform/foundation/Weak.h"

#include <optional>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace platform {

int Reachability::addObserver(Observer observer)
{
    int token = nextToken_++;
    observers_[token] = std::move(observer);
    return token;
}

void Reachability::removeObserver(int token) { observers_.erase(token); }

void Reachability::setStatusAndNotify(int status)
{
    if (status == status_)
        return;
    status_ = status;
    // Copy: an observer may remove itself or others while being told.
    std::vector<int> tokens;
    for (auto& [token, fn] : observers_)
        tokens.push_back(token);
    Ref<Reachability> keep(this);
    for (int token : tokens) {
        auto it = observers_.find(token);
        if (it != observers_.end()) {
            Observer fn = it->second;
            fn(status);
        }
    }
}

bool splitHostPort(const std::string& url, std::string& host, std::string& port)
{
    std::string rest = url;
    std::string scheme;
    if (auto p = rest.find("://"); p != std::string::npos) {
        scheme = rest.substr(0, p);
        rest = rest.substr(p + 3);
    }
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (auto at = rest.rfind('@'); at != std::string::npos)
        rest = rest.substr(at + 1);
    port = scheme == "https" ? "443" : "80";
    if (!rest.empty() && rest[0] == '[') {
        auto close = rest.find(']');
        if (close == std::string::npos)
            return false;
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size() && rest[close + 1] == ':')
            port = rest.substr(close + 2);
    } else if (auto colon = rest.rfind(':'); colon != std::string::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    } else {
        host = rest;
    }
    return !host.empty() && !port.empty();
}

Ref<HostReachability> HostReachability::create(const std::string& urlOrHost)
{
    auto r = adoptRef(new HostReachability);
    if (!splitHostPort(urlOrHost, r->host_, r->port_))
        r->host_.clear();
    r->check();
    Weak<HostReachability> weak(r.get());
    r->timer_ = RunLoop::main().scheduleTimer(kInterval, true, [weak](Timer&) {
        if (auto self = weak.lock())
            self->check();
    });
    return r;
}

HostReachability::~HostReachability()
{
    if (timer_)
        timer_->invalidate();
    if (lookup_)
        lookup_->cancel();
}

namespace {

// Whether the system has a route to one of the addresses: a UDP connect, which sends nothing.
int routeStatus(const std::vector<ResolvedAddress>& addresses)
{
    for (const ResolvedAddress& a : addresses) {
        int fd = socket(a.family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        bool routed = connect(fd, reinterpret_cast<const sockaddr*>(&a.address), a.length) == 0;
        close(fd);
        if (routed)
            return Reachability::ReachableViaWiFi;
    }
    return Reachability::NotReachable;
}

// A numeric address, resolved without asking a name server; nullopt for a name.
std::optional<std::vector<ResolvedAddress>> numericAddress(const std::string& host, const std::string& port)
{
    std::vector<ResolvedAddress> addresses;
    if (!resolveNumeric(host, port, SOCK_DGRAM, addresses))
        return std::nullopt;
    return addresses;
}

} // namespace

void HostReachability::check()
{
    if (host_.empty()) {
        setStatusAndNotify(NotReachable);
        return;
    }
    if (auto addresses = numericAddress(host_, port_)) {
        setStatusAndNotify(routeStatus(*addresses));
        return;
    }
    // A name goes to the name server off the loop; one that does not answer
    // holds no frame, and its lookups do not pile up while it stays silent.
    if (lookup_ && lookup_->isPending())
        return;
    Weak<HostReachability> weak(this);
    lookup_ = NameLookup::start(host_, port_, SOCK_DGRAM,
                                [weak](bool resolved, const std::vector<ResolvedAddress>& addresses) {
        if (auto self = weak.lock())
            self->setStatusAndNotify(resolved ? routeStatus(addresses) : NotReachable);
    });
}

} // namespace platform
