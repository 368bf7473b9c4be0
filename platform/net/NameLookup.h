// Host names resolved on a thread of their own. The system's resolver cannot
// be interrupted, and a name server that never answers holds its caller for
// as long as the resolver's own timeouts (10 s and more): no loop and no
// shutdown waits on it. A waiter gives up at once when cancelled; the lookup
// thread ends on its own later and its answer is dropped.
#pragma once

#include "platform/foundation/Object.h"

#include <sys/socket.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One address a name resolved to, ready for socket() and connect().
struct ResolvedAddress {
    int family { 0 };
    int socktype { 0 };
    int protocol { 0 };
    sockaddr_storage address {};
    socklen_t length { 0 };
};

// Resolves `host`:`port` for `socktype` (SOCK_STREAM, SOCK_DGRAM); true with
// the addresses in order of preference. Runs on a lookup thread, never on the
// caller's.
using NameResolver = std::function<bool(const std::string& host, const std::string& port, int socktype,
                                        std::vector<ResolvedAddress>& out)>;

// The resolver lookups started from now on use (the system's getaddrinfo when
// none is set): tests put a name server that never answers in its place.
// Answers the previous one (null for the system's).
NameResolver setNameResolver(NameResolver resolver);

// A numeric address ("127.0.0.1", "::1") resolved at once, with no name
// server asked; false for a name.
bool resolveNumeric(const std::string& host, const std::string& port, int socktype, std::vector<ResolvedAddress>& out);

enum class LookupResult { Ok, Failed, Cancelled };

// Resolves on a lookup thread and waits for its answer, or until `cancelFd`
// (an eventfd or pipe, -1 for none) becomes readable: then Cancelled at once.
LookupResult resolveName(const std::string& host, const std::string& port, int socktype,
                         std::vector<ResolvedAddress>& out, int cancelFd);

// A lookup whose answer is told on the main run loop. cancel() (or the last
// reference going) silences it: `done` is then never called.
class NameLookup final : public Object {
public:
    using Done = std::function<void(bool resolved, const std::vector<ResolvedAddress>& addresses)>;
    // From the main thread.
    [[nodiscard]] static Ref<NameLookup> start(const std::string& host, const std::string& port, int socktype,
                                               Done done);
    ~NameLookup() override;
    void cancel();
    bool isPending() const;

private:
    struct State;
    NameLookup() = default;
    std::shared_ptr<State> state_;
};

} // namespace platform
