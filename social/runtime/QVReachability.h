// QVReachability: the client's view of whether the service's host (the
// "server-url" setting) can be reached — 0 not reachable, 1 WWAN, 2 WiFi —
// over a platform reachability source: a real route check in programs, a
// settable one in tests. QVReachabilityObserver invokes its value with a
// Boxed number of the status on every change, until it is deleted.
#pragma once

#include "platform/net/Reachability.h"
#include "social/runtime/QVDelegate.h"
#include "platform/foundation/Object.h"

namespace quorvel {

class QVReachability {
public:
    // Watches the "server-url" host, or the source set by setDefaultSource.
    static void Initialize();
    // The source Initialize uses instead of a host check (a settable one in
    // tests, or the application's own monitor); null restores the host check.
    static void setDefaultSource(platform::Ref<platform::Reachability> source);
    static void InitializeWithSource(platform::Ref<platform::Reachability> source);
    static QVReachability* Instance();
    static void Uninitialize();
    // Status not 0; false without an instance.
    static bool isConnectedToInternet();

    int status() const { return source_->status(); }
    platform::Reachability& source() const { return *source_; }

private:
    explicit QVReachability(platform::Ref<platform::Reachability> source) : source_(std::move(source)) { }
    platform::Ref<platform::Reachability> source_;
};

class QVReachabilityObserver : public platform::Object {
public:
    explicit QVReachabilityObserver(const QVDelegate& delegate);
    ~QVReachabilityObserver() override;

private:
    QVDelegate delegate_;
    platform::Ref<platform::Reachability> source_;
    int token_ { 0 };
};

} // namespace quorvel
