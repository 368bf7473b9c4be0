// A name server that does not answer, for the scope of a test: every lookup
// waits until the test lets the server answer (with a loopback address) or
// the guard goes. A lookup asked on the main thread is never held (it fails
// at once and is counted), so a test of code that should not resolve there
// fails instead of hanging; one held past kHungAfter gives up and fails.
#pragma once

#include "support/TestSupport.h"

#include "platform/foundation/RunLoop.h"
#include "platform/net/NameLookup.h"

#include <netinet/in.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

namespace testing_support {

class SilentNameServer {
public:
    SilentNameServer()
    {
        platform::RunLoop::main(); // made here, on the test's thread, never by a lookup thread
        previous_ = platform::setNameResolver(
            [state = state_](const std::string&, const std::string& port, int socktype,
                             std::vector<platform::ResolvedAddress>& out) { return state->ask(port, socktype, out); });
    }
    ~SilentNameServer()
    {
        answer();
        platform::setNameResolver(std::move(previous_));
        // Every lookup has left the resolver before the next test runs.
        std::unique_lock lock(state_->mutex);
        state_->changed.wait_for(lock, kHungAfter, [&] { return state_->inside == 0; });
    }
    SilentNameServer(const SilentNameServer&) = delete;
    SilentNameServer& operator=(const SilentNameServer&) = delete;

    // From now on every lookup, and those waiting, answer 127.0.0.1.
    void answer()
    {
        std::lock_guard lock(state_->mutex);
        state_->answering = true;
        state_->changed.notify_all();
    }
    // Lookups from now on wait again.
    void silence()
    {
        std::lock_guard lock(state_->mutex);
        state_->answering = false;
    }
    // Waits until `count` lookups in all were asked off the main thread.
    bool waitAsked(size_t count)
    {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, kHungAfter, [&] { return state_->asked >= count; });
    }
    // Lookups asked so far (off the main thread).
    size_t asked() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->asked;
    }
    // Lookups that came back (answered or given up) so far.
    size_t ended() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->ended;
    }
    size_t askedOnMainThread() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->onMainThread;
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        bool answering { false };
        size_t asked { 0 };
        size_t inside { 0 };
        size_t ended { 0 };
        size_t onMainThread { 0 };

        bool ask(const std::string& port, int socktype, std::vector<platform::ResolvedAddress>& out)
        {
            std::unique_lock lock(mutex);
            if (platform::RunLoop::isMainThread()) {
                ++onMainThread;
                return false;
            }
            ++asked;
            ++inside;
            changed.notify_all();
            bool answered = changed.wait_for(lock, kHungAfter, [&] { return answering; });
            --inside;
            ++ended;
            changed.notify_all();
            if (!answered)
                return false;
            platform::ResolvedAddress a;
            auto* in = reinterpret_cast<sockaddr_in*>(&a.address);
            in->sin_family = AF_INET;
            in->sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
            in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.family = AF_INET;
            a.socktype = socktype;
            a.length = sizeof(sockaddr_in);
            out.push_back(a);
            return true;
        }
    };
    std::shared_ptr<State> state_ { std::make_shared<State>() };
    platform::NameResolver previous_;
};

} // namespace testing_support
