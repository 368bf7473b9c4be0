// Lookups on detached threads: each shares with its caller only a counted
// state, so a caller that stops waiting leaves the thread nothing dangling.
#include "platform/net/NameLookup.h"

#include "platform/foundation/RunLoop.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

namespace {

std::mutex& resolverLock()
{
    static auto* lock = new std::mutex; // lives for the process: lookup threads may outlast the statics
    return *lock;
}

NameResolver& installedResolver()
{
    static auto* resolver = new NameResolver;
    return *resolver;
}

// getaddrinfo's answer as addresses; false when it answers an error.
bool addressesOf(const std::string& host, const std::string& port, const addrinfo& hints,
                 std::vector<ResolvedAddress>& out)
{
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        ResolvedAddress r;
        r.family = a->ai_family;
        r.socktype = a->ai_socktype;
        r.protocol = a->ai_protocol;
        std::memcpy(&r.address, a->ai_addr, a->ai_addrlen);
        r.length = a->ai_addrlen;
        out.push_back(r);
    }
    freeaddrinfo(found);
    return true;
}

bool systemResolve(const std::string& host, const std::string& port, int socktype, std::vector<ResolvedAddress>& out)
{
    addrinfo hints {};
    hints.ai_socktype = socktype;
    return addressesOf(host, port, hints, out) && !out.empty();
}

NameResolver currentResolver()
{
    std::lock_guard guard(resolverLock());
    return installedResolver() ? installedResolver() : NameResolver(systemResolve);
}

// Runs `work` on a detached thread; false when no thread could be made.
bool detach(std::function<void()> work)
{
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace

bool resolveNumeric(const std::string& host, const std::string& port, int socktype, std::vector<ResolvedAddress>& out)
{
    addrinfo hints {};
    hints.ai_socktype = socktype;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    return addressesOf(host, port, hints, out);
}

NameResolver setNameResolver(NameResolver resolver)
{
    std::lock_guard guard(resolverLock());
    NameResolver previous = std::move(installedResolver());
    installedResolver() = std::move(resolver);
    return previous;
}

LookupResult resolveName(const std::string& host, const std::string& port, int socktype,
                         std::vector<ResolvedAddress>& out, int cancelFd)
{
    struct Answer {
        std::mutex lock;
        bool resolved { false };
        std::vector<ResolvedAddress> addresses;
        int doneFd { -1 };
        ~Answer()
        {
            if (doneFd >= 0)
                ::close(doneFd);
        }
    };
    auto answer = std::make_shared<Answer>();
    answer->doneFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (answer->doneFd < 0)
        return LookupResult::Failed;
    bool started = detach([answer, resolver = currentResolver(), host, port, socktype] {
        std::vector<ResolvedAddress> found;
        bool resolved = resolver(host, port, socktype, found);
        {
            std::lock_guard guard(answer->lock);
            answer->resolved = resolved;
            answer->addresses = std::move(found);
        }
        uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(answer->doneFd, &one, sizeof one);
    });
    if (!started)
        return LookupResult::Failed;
    pollfd fds[2] = { { answer->doneFd, POLLIN, 0 }, { cancelFd, POLLIN, 0 } };
    for (;;) {
        int n = poll(fds, cancelFd >= 0 ? 2 : 1, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return LookupResult::Failed;
        if (cancelFd >= 0 && (fds[1].revents & POLLIN))
            return LookupResult::Cancelled;
        if (fds[0].revents & POLLIN)
            break;
    }
    std::lock_guard guard(answer->lock);
    out = std::move(answer->addresses);
    return answer->resolved ? LookupResult::Ok : LookupResult::Failed;
}

// Touched on the main thread only; the lookup thread merely carries a reference to it.
struct NameLookup::State {
    bool pending { true };
    Done done;
};

Ref<NameLookup> NameLookup::start(const std::string& host, const std::string& port, int socktype, Done done)
{
    auto lookup = adoptRef(new NameLookup);
    auto state = std::make_shared<State>();
    state->done = std::move(done);
    lookup->state_ = state;
    RunLoop* loop = &RunLoop::main();
    bool started = detach([state, loop, resolver = currentResolver(), host, port, socktype]() mutable {
        auto found = std::make_shared<std::vector<ResolvedAddress>>();
        bool resolved = resolver(host, port, socktype, *found);
        // The state goes to the main loop with the answer: this thread keeps no reference to it.
        loop->post([state = std::move(state), resolved, found] {
            if (!state->pending)
                return;
            state->pending = false;
            Done tell = std::move(state->done);
            if (tell)
                tell(resolved, *found);
        });
    });
    if (!started) {
        // Told as a name that did not resolve, on the loop as any answer.
        loop->post([state] {
            if (!state->pending)
                return;
            state->pending = false;
            Done tell = std::move(state->done);
            if (tell)
                tell(false, {});
        });
    }
    return lookup;
}

NameLookup::~NameLookup() { cancel(); }

void NameLookup::cancel()
{
    if (!state_ || !state_->pending)
        return;
    state_->pending = false;
    state_->done = nullptr;
}

bool NameLookup::isPending() const { return state_ && state_->pending; }

} // namespace platform
