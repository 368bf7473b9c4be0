// QVPresenceService: the presence channel — a STOMP 1.0 connection to the
// "presence-host" setting ("host:port"; port 61613 when absent; the
// "server-url"'s host when the setting names none), subscribed to
// the player's queue, run by a thread of its own that only posts to the main
// loop. It connects only while the provider holds an access token, asks the
// server for its queue first, connects again 15 s after the connection drops
// or the queue request fails, 5 s after a connect that found the previous
// channel thread still winding down, and makes at most 32 connection attempts
// in its life. Messages are answers in the usual envelope: their resources of
// registered classes are posted under the classes' discovered notifications.
//
// The channel is plain TCP: with an https server-url it is never opened, so
// neither the token (CONNECT) nor a request travels weaker than the service's
// own address; every request then goes over https.
//
// When the bootstrap enables it and the channel is connected, signed requests
// travel inside the channel (requestTransport(): a SEND frame out, a MESSAGE
// with the same correlation id back; docs/wire-format.md). A request whose
// channel ends before its answer fails with the connection-lost error, once.
// A frame the channel cannot take (a content-length that is no plain decimal
// number or is over 1 MiB, or a frame grown past 1 MiB) ends it at once, as a
// cut does. The channel's thread writes the requests, frame after whole
// frame: a peer that does not take them (kWriteStallTimeout, kWriteBacklog)
// ends the channel as a cut does, and never holds the game's frame.
#pragma once

#include "platform/net/HttpTransport.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVResourceNameMap.h"

#include <memory>
#include <thread>

namespace quorvel {

class QVBootstrap;
class QVProvider;

class QVPresenceService : public platform::Object, public QVCallbackable {
public:
    // Without a provider the service uses the session role's.
    static void initializeService(QVProvider* provider);
    static void shutdownService();
    static QVPresenceService* sharedInstance();
    ~QVPresenceService() override;

    void connect();
    void disconnect();
    void applyBootstrap(const QVBootstrap& answer);
    void registerResourceClass(const QVResourceClass& cls) { names_.addResource(cls.resourceName(), cls); }

    // Overrides the "presence-host" setting (tests).
    void setHostAndPort(std::string host, int port);
    // Where the channel connects: the presence-host, else the service's host.
    std::string channelHost() const;
    int channelPort() const { return port_; }
    bool isActive() const { return active_; }
    bool isConnected() const { return connected_; }
    // A connection is being made: the channel's thread connects and subscribes.
    bool isConnecting() const;
    // The channel was let go and its thread has not ended yet (the end is heard on the main thread).
    bool isWindingDown() const { return !active_ && thread_.joinable(); }
    bool isReconnectScheduled() const { return retry_ && retry_->isValid(); }
    int connectAttempts() const { return attempts_; }
    const std::string& queue() const { return queue_; }
    bool routesRequests() const { return routesRequests_; }
    // Requests go inside the channel now: the bootstrap enabled it and the channel is connected.
    bool carriesRequests() const;
    // The transport of requests inside the channel (it fails requests when the channel is down).
    platform::HttpTransport* requestTransport();

    bool canReceiveCallbacksNow() override { return true; }

    static constexpr int kMaxConnectAttempts = 32;
    static constexpr double kReconnectDelay = 15.0;
    static constexpr double kThreadBusyDelay = 5.0;
    static constexpr int kDefaultPort = 61613;
    // A peer that takes none of the channel's bytes this long, or leaves this
    // many waiting, ends the channel (its requests fail as after a cut).
    static constexpr double kWriteStallTimeout = 30.0;
    static constexpr size_t kWriteBacklog = 4 * 1024 * 1024;
    static constexpr const char* kQueuePath = "users/@me/presence_queue.xml";
    // Where requests inside the channel are sent.
    static constexpr const char* kRequestDestination = "/service/requests";

    class Channel; // the state shared with the channel thread
    class RequestTransport;

private:
    QVPresenceService() = default;
    void readHostSetting();
    QVProvider* provider() const;
    std::string serverUrl() const;
    // The service is addressed over TLS (an https server-url).
    bool serviceIsSecure() const;
    void startChannel();
    void scheduleConnect(double delay);
    void queueAnswered(platform::Object* loader);
    void queueFailed(platform::Object* loader);
    // From the channel thread, through the main loop.
    void channelConnected(platform::Object* channel);
    void channelMessage(platform::Object* message);
    void channelAnswer(platform::Object* frame);
    void channelEnded(platform::Object* channel);
    // Logs, once, why a channel ended before it was connected.
    void reportUnreachable(const Channel& channel);

    platform::Ref<QVProvider> provider_;
    QVResourceNameMap names_;
    std::string host_;
    int port_ { 0 };
    bool hostOverridden_ { false };
    std::string queue_;
    bool routesRequests_ { false };
    bool active_ { false };
    bool connected_ { false };
    bool queueRequested_ { false };
    bool unreachableSaid_ { false };
    bool secureSaid_ { false };
    int attempts_ { 0 };
    platform::Ref<platform::Timer> retry_;
    platform::Ref<Channel> channel_;
    platform::Ref<RequestTransport> requests_;
    std::thread thread_;
};

} // namespace quorvel
