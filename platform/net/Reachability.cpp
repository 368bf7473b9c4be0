// Reachability sources: the settable one for tests and the route check for programs.
#include "platform/net/Reachability.h"

#include "platform/foundation/Weak.h"

#include <netdb.h>
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
}

void HostReachability::check()
{
    int status = NotReachable;
    addrinfo hints {};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (!host_.empty() && getaddrinfo(host_.c_str(), port_.c_str(), &hints, &found) == 0) {
        for (addrinfo* a = found; a && status == NotReachable; a = a->ai_next) {
            int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0)
                continue;
            if (connect(fd, a->ai_addr, a->ai_addrlen) == 0)
                status = ReachableViaWiFi;
            close(fd);
        }
        freeaddrinfo(found);
    }
    setStatusAndNotify(status);
}

} // namespace platform
