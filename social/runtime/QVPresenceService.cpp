// The presence channel: queue request and reconnection policy on the main
// loop; the STOMP conversation on the channel thread, which shares only the
// atomically counted Channel with the main thread and reports through posts.
// Requests inside the channel are queued by the main thread (under the
// channel's lock) and written whole, one frame after another, by the channel
// thread, which reads meanwhile: no frame of the game waits on the peer. A
// peer that takes no byte for kWriteStallTimeout, or lets kWriteBacklog
// bytes pile up, ends the channel as a cut does.
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVSharedInstance.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Weak.h"
#include "platform/net/Reachability.h"
#include "platform/net/TcpSocket.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVStompFrame.h"
#include "social/runtime/QVXmlDocument.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::TcpSocket;

class QVPresenceService::Channel final : public Object {
public:
    Ref<TcpSocket> socket { TcpSocket::create() };
    std::string host;
    int port { 0 };
    std::string queue;
    std::string login;
    std::atomic<bool> finished { false };
    // How far the channel got, for the log when it ends before connecting.
    enum class Reach { Trying, Refused, TimedOut, Reached, Connected };
    std::atomic<Reach> reach { Reach::Trying };
    QVDelegate onConnected;
    QVDelegate onMessage;
    QVDelegate onAnswer;
    QVDelegate onEnded;

    void run();
    // Queues a frame for the channel thread to write, from any thread, never
    // waiting on the peer; false once the channel is closing, or when the
    // frame would pass the backlog, which ends the channel.
    bool send(std::string frame);
    // Frames are still taken (the channel is not closing).
    bool takesFrames();
    // Why the channel ended itself (a frame it could not take, a peer that
    // stopped taking bytes), empty otherwise.
    std::string endedBecause();

private:
    bool readFrame(std::string& buffer, QVStompFrame& frame);
    // Writes what is queued until bytes come to read; false when the channel ends.
    bool pump(std::string& buffer);
    void setEndedBecause(std::string why);
    void close();

    std::mutex lock_;
    bool closed_ { false };             // guarded by lock_
    std::deque<std::string> outgoing_;  // guarded by lock_
    size_t unsent_ { 0 };               // bytes queued and not yet taken by the socket; guarded by lock_
    std::string writing_;               // the channel thread's own: the frame being written
    size_t written_ { 0 };              //   and how much of it went
    std::chrono::steady_clock::time_point lastTaken_; // when the socket last took bytes of it
    std::mutex endedLock_;
    std::string endedBecause_;
};

namespace {
using Shared = QVSharedInstance<QVPresenceService>;

constexpr double kConnectTimeout = 10.0;

// A frame handed from the channel thread to the main loop.
class FrameObject final : public Object {
public:
    explicit FrameObject(QVStompFrame f) : frame(std::move(f)) { }
    QVStompFrame frame;
};
} // namespace

// Requests inside the channel: each request is one SEND frame carrying a
// correlation id; its answer is the MESSAGE with the same id. Completions
// run on the main loop, never inside start(), exactly once.
class QVPresenceService::RequestTransport final : public platform::HttpTransport {
public:
    explicit RequestTransport(QVPresenceService* service) : service_(service) { }

    RequestId start(platform::HttpRequestData request, Completion completion) override;
    void cancel(RequestId id) override { pending_.erase(id); }
    size_t activeCount() const override { return pending_.size(); }

    void answered(const QVStompFrame& frame);
    // Fails every request sent on `channel` (all of them for null).
    void channelEnded(const Channel* channel);
    void serviceGone() { service_ = nullptr; }

private:
    struct Pending {
        Completion completion;
        Ref<platform::Timer> timeout;
        const Channel* channel { nullptr };
        size_t maxBodySize { 0 };
    };
    void finish(RequestId id, platform::HttpResult&& result);
    RequestId failLater(platform::HttpError error, Completion completion);

    QVPresenceService* service_; // cleared when the service goes
    std::map<RequestId, Pending> pending_;
    RequestId nextId_ { 1 };
};

platform::HttpTransport::RequestId QVPresenceService::RequestTransport::failLater(platform::HttpError error,
                                                                                  Completion completion)
{
    RequestId id = nextId_++;
    Ref<RequestTransport> self(this);
    // Registered so that cancel() still silences it.
    pending_[id].completion = std::move(completion);
    platform::RunLoop::main().post([self, id, error] {
        self->finish(id, platform::HttpResult::failure(error, platform::httpErrorName(error)));
    });
    return id;
}

platform::HttpTransport::RequestId QVPresenceService::RequestTransport::start(platform::HttpRequestData request,
                                                                              Completion completion)
{
    Channel* channel = service_ && service_->carriesRequests() ? service_->channel_.get() : nullptr;
    // The provider is found now: the service may have started before it existed.
    QVProvider* provider = service_ ? service_->provider() : nullptr;
    const std::string base = provider ? provider->serverUrl() : std::string();
    if (!channel)
        return failLater(platform::HttpError::CannotConnect, std::move(completion));
    if (base.empty() || request.url.compare(0, base.size(), base) != 0)
        return failLater(platform::HttpError::BadURL, std::move(completion));
    RequestId id = nextId_++;
    std::vector<std::pair<std::string, std::string>> headers = {
        { "destination", kRequestDestination },
        { "correlation-id", std::to_string(id) },
        { "method", request.method },
        { "path", request.url.substr(base.size()) },
    };
    if (auto authorization = request.header("Authorization"); !authorization.empty())
        headers.emplace_back("authorization", authorization);
    if (auto type = request.header("Content-Type"); !type.empty())
        headers.emplace_back("content-type", type);
    std::string body(request.body.begin(), request.body.end());
    if (!channel->send(QVStompMakeFrame("SEND", headers, body)))
        return failLater(platform::HttpError::ConnectionLost, std::move(completion));
    Pending& p = pending_[id];
    p.completion = std::move(completion);
    p.channel = channel;
    p.maxBodySize = request.maxBodySize;
    if (request.timeout > 0) {
        platform::Weak<RequestTransport> weak(this);
        p.timeout = platform::RunLoop::main().performAfter(request.timeout, [weak, id] {
            if (auto self = weak.lock())
                self->finish(id, platform::HttpResult::failure(platform::HttpError::TimedOut,
                                                               platform::httpErrorName(platform::HttpError::TimedOut)));
        });
    }
    return id;
}

void QVPresenceService::RequestTransport::finish(RequestId id, platform::HttpResult&& result)
{
    auto it = pending_.find(id);
    if (it == pending_.end())
        return;
    Pending p = std::move(it->second);
    pending_.erase(it);
    if (p.timeout)
        p.timeout->invalidate();
    if (p.completion)
        p.completion(std::move(result));
}

void QVPresenceService::RequestTransport::answered(const QVStompFrame& frame)
{
    char* end = nullptr;
    std::string idText = frame.header("correlation-id");
    RequestId id = std::strtoull(idText.c_str(), &end, 10);
    auto it = pending_.find(id);
    if (idText.empty() || *end || it == pending_.end())
        return; // cancelled, timed out, or not ours
    int status = std::atoi(frame.header("status").c_str());
    if (status < 100 || status > 999) {
        finish(id, platform::HttpResult::failure(platform::HttpError::Other, "an answer without status"));
        return;
    }
    if (frame.body.size() > it->second.maxBodySize) {
        finish(id, platform::HttpResult::failure(platform::HttpError::TooLarge,
                                                 platform::httpErrorName(platform::HttpError::TooLarge)));
        return;
    }
    platform::HttpHeaders headers;
    if (auto type = frame.header("content-type"); !type.empty())
        headers.emplace_back("Content-Type", type);
    // Which check refused a signed request, as over HTTP.
    if (auto challenge = frame.header("www-authenticate"); !challenge.empty())
        headers.emplace_back("WWW-Authenticate", challenge);
    finish(id, platform::HttpResult::answer(status, platform::Bytes(frame.body.begin(), frame.body.end()),
                                            std::move(headers)));
}

void QVPresenceService::RequestTransport::channelEnded(const Channel* channel)
{
    std::vector<RequestId> lost;
    for (auto& [id, p] : pending_)
        if (!channel || p.channel == channel)
            lost.push_back(id);
    Ref<RequestTransport> keep(this);
    for (RequestId id : lost)
        finish(id, platform::HttpResult::failure(platform::HttpError::ConnectionLost,
                                                 platform::httpErrorName(platform::HttpError::ConnectionLost)));
}

bool QVPresenceService::Channel::readFrame(std::string& buffer, QVStompFrame& frame)
{
    for (;;) {
        std::string refusal;
        switch (QVStompTakeFrame(buffer, frame, &refusal)) {
        case QVStompTake::Frame:
            return true;
        case QVStompTake::Refused:
            // Nothing after such a frame can be read: the channel ends now, as after a cut.
            setEndedBecause(refusal);
            return false;
        case QVStompTake::NeedMore:
            break;
        }
        if (buffer.size() > kQVStompFrameLimit) {
            setEndedBecause("a frame grew past " + std::to_string(kQVStompFrameLimit) + " bytes");
            return false;
        }
        if (!pump(buffer))
            return false;
    }
}

bool QVPresenceService::Channel::pump(std::string& buffer)
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        if (written_ == writing_.size()) {
            // A frame goes out whole before the next one starts.
            std::lock_guard guard(lock_);
            writing_.clear();
            written_ = 0;
            if (!outgoing_.empty()) {
                writing_ = std::move(outgoing_.front());
                outgoing_.pop_front();
                lastTaken_ = Clock::now();
            }
        }
        if (written_ < writing_.size()) {
            size_t sent = 0;
            if (socket->sendAvailable(std::string_view(writing_).substr(written_), sent) != TcpSocket::Result::Ok)
                return false;
            if (sent > 0) {
                written_ += sent;
                lastTaken_ = Clock::now();
                std::lock_guard guard(lock_);
                unsent_ -= sent;
                continue;
            }
        }
        const bool writing = written_ < writing_.size();
        double timeout = -1;
        if (writing) {
            timeout = kWriteStallTimeout - std::chrono::duration<double>(Clock::now() - lastTaken_).count();
            if (timeout <= 0) {
                char why[96];
                std::snprintf(why, sizeof why, "the server took none of its bytes for %g s", kWriteStallTimeout);
                setEndedBecause(why);
                return false;
            }
        }
        TcpSocket::Ready ready;
        switch (socket->waitReady(writing, timeout, ready)) {
        case TcpSocket::Result::Ok:
        case TcpSocket::Result::TimedOut:
            break;
        default:
            return false;
        }
        if (ready.readable) {
            TcpSocket::Result r = socket->receive(buffer, 16 * 1024, 0);
            if (r == TcpSocket::Result::Ok)
                return true;
            if (r != TcpSocket::Result::TimedOut)
                return false;
        }
    }
}

void QVPresenceService::Channel::setEndedBecause(std::string why)
{
    std::lock_guard guard(endedLock_);
    endedBecause_ = std::move(why);
}

std::string QVPresenceService::Channel::endedBecause()
{
    std::lock_guard guard(endedLock_);
    return endedBecause_;
}

bool QVPresenceService::Channel::send(std::string frame)
{
    if (!socket)
        return false;
    size_t backlog = 0;
    {
        std::lock_guard guard(lock_);
        if (closed_)
            return false;
        // One frame, however large, may always wait; past the backlog the
        // peer is not taking what it is sent.
        if (unsent_ == 0 || unsent_ + frame.size() <= kWriteBacklog) {
            unsent_ += frame.size();
            outgoing_.push_back(std::move(frame));
        } else {
            backlog = unsent_;
            closed_ = true;
        }
    }
    if (backlog) {
        setEndedBecause("the server stopped taking its bytes (" + std::to_string(backlog / 1024)
                        + " KiB waited for it)");
        socket->cancel();
        return false;
    }
    socket->wake();
    return true;
}

bool QVPresenceService::Channel::takesFrames()
{
    std::lock_guard guard(lock_);
    return !closed_;
}

void QVPresenceService::Channel::close()
{
    {
        std::lock_guard guard(lock_);
        closed_ = true;
        outgoing_.clear();
        unsent_ = 0;
    }
    if (socket) {
        // Said only between frames, and only when the socket takes it at once.
        if (!socket->isCancelled() && written_ == writing_.size()) {
            size_t sent = 0;
            socket->sendAvailable(QVStompMakeFrame("DISCONNECT", {}), sent);
        }
        socket->close();
    }
}

void QVPresenceService::Channel::run()
{
    Ref<Channel> keep(this);
    TcpSocket::Result connected = socket ? socket->connect(host, port, kConnectTimeout) : TcpSocket::Result::Failed;
    reach = connected == TcpSocket::Result::Ok         ? Reach::Reached
        : connected == TcpSocket::Result::TimedOut     ? Reach::TimedOut
        : connected == TcpSocket::Result::Failed       ? Reach::Refused
                                                       : Reach::Trying;
    bool ok = connected == TcpSocket::Result::Ok
        && send(QVStompMakeFrame("CONNECT", { { "login", login }, { "passcode", "" } }));
    std::string buffer;
    QVStompFrame frame;
    if (ok)
        ok = readFrame(buffer, frame) && frame.command == "CONNECTED";
    if (ok)
        ok = send(QVStompMakeFrame("SUBSCRIBE", { { "destination", queue }, { "ack", "auto" } }));
    if (ok) {
        reach = Reach::Connected;
        onConnected.invoke(this);
        while (readFrame(buffer, frame)) {
            if (frame.command == "MESSAGE" && frame.headers.count("correlation-id"))
                onAnswer.invoke(platform::adoptRef(new FrameObject(std::move(frame))).get());
            else if (frame.command == "MESSAGE")
                onMessage.invoke(platform::Boxed::box(platform::Value(frame.body)).get());
            else if (frame.command == "ERROR")
                break;
            frame = QVStompFrame {};
        }
    }
    close();
    finished = true;
    onEnded.invoke(this);
}

void QVPresenceService::initializeService(QVProvider* provider)
{
    shutdownService();
    auto s = platform::adoptRef(new QVPresenceService);
    s->provider_ = Ref<QVProvider>(provider);
    s->readHostSetting();
    Shared::set(s);
}

void QVPresenceService::readHostSetting()
{
    std::string setting;
    if (auto* settings = QVSettings::Instance())
        setting = settings->objectForKey("presence-host").value_or("");
    host_ = setting;
    port_ = kDefaultPort;
    if (auto colon = setting.rfind(':'); colon != std::string::npos) {
        host_ = setting.substr(0, colon);
        port_ = std::atoi(setting.c_str() + colon + 1);
    }
}

std::string QVPresenceService::serverUrl() const
{
    if (QVProvider* provider = this->provider(); provider && !provider->serverUrl().empty())
        return provider->serverUrl();
    auto* settings = QVSettings::Instance();
    return settings ? settings->objectForKey("server-url").value_or("") : std::string();
}

std::string QVPresenceService::channelHost() const
{
    if (!host_.empty())
        return host_;
    // Without a presence-host the channel goes where the service is, never to
    // whatever program holds a port on this machine.
    std::string host, port;
    return platform::splitHostPort(serverUrl(), host, port) ? host : std::string();
}

bool QVPresenceService::serviceIsSecure() const
{
    const std::string url = serverUrl();
    constexpr std::string_view https = "https://";
    return url.size() >= https.size() && platform::equalsIgnoringAsciiCase(std::string_view(url).substr(0, https.size()), https);
}

QVProvider* QVPresenceService::provider() const
{
    // The client starts its services before its provider: it is then found through the session role.
    return provider_ ? provider_.get() : QVSessionRole::current().provider();
}

void QVPresenceService::shutdownService()
{
    if (Ref<QVPresenceService> s = Ref<QVPresenceService>(Shared::shared())) {
        s->disconnect();
        if (s->retry_)
            s->retry_->invalidate();
        if (s->thread_.joinable())
            s->thread_.join();
        s->channel_ = nullptr; // its callback values hold the service
        if (s->requests_) {
            s->requests_->channelEnded(nullptr);
            s->requests_->serviceGone();
        }
        Shared::purge();
    }
}

QVPresenceService* QVPresenceService::sharedInstance() { return Shared::shared(); }

bool QVPresenceService::carriesRequests() const
{
    return routesRequests_ && active_ && connected_ && channel_ && !channel_->finished && channel_->takesFrames()
        && !serviceIsSecure();
}

bool QVPresenceService::isConnecting() const { return active_ && !connected_ && channel_ && !channel_->finished; }

platform::HttpTransport* QVPresenceService::requestTransport()
{
    if (!requests_)
        requests_ = platform::adoptRef(new RequestTransport(this));
    return requests_.get();
}

QVPresenceService::~QVPresenceService()
{
    if (requests_)
        requests_->serviceGone();
    if (channel_ && channel_->socket)
        channel_->socket->cancel();
    if (thread_.joinable())
        thread_.join();
}

void QVPresenceService::setHostAndPort(std::string host, int port)
{
    host_ = std::move(host);
    port_ = port;
    hostOverridden_ = true;
}

void QVPresenceService::applyBootstrap(const QVBootstrap& answer)
{
    routesRequests_ = answer.presenceEnabled;
    if (!answer.presenceQueue.empty())
        queue_ = answer.presenceQueue;
    // The channel is open while the service enables it (the answer's token is held by now).
    if (routesRequests_)
        connect();
    else
        disconnect();
}

void QVPresenceService::scheduleConnect(double delay)
{
    if (retry_)
        retry_->invalidate();
    if (attempts_ >= kMaxConnectAttempts)
        return;
    platform::Weak<QVPresenceService> weak(this);
    retry_ = platform::RunLoop::main().performAfter(delay, [weak] {
        if (auto self = weak.lock())
            self->connect();
    });
}

void QVPresenceService::connect()
{
    QVProvider* provider = this->provider();
    if (active_ || !provider || !provider->isAuthenticated())
        return;
    if (serviceIsSecure()) {
        // The channel speaks plain TCP: its CONNECT would carry the token, and
        // the requests inside it the forms' passwords, in clear where the
        // service is reached over TLS. It stays closed; requests go by HTTPS.
        if (!secureSaid_)
            platform::log("Quorvel: the presence channel stays closed: the service is reached over https and the "
                          "channel would carry the player's token in clear; every request goes over https");
        secureSaid_ = true;
        return;
    }
    if (attempts_ >= kMaxConnectAttempts) {
        platform::logWarning("Quorvel: presence gave up after %d connection attempts", attempts_);
        return;
    }
    if (retry_)
        retry_->invalidate();
    ++attempts_;
    active_ = true;
    if (queue_.empty()) {
        if (queueRequested_)
            return;
        queueRequested_ = true;
        auto handle = provider->performAction(kQueuePath, nullptr, "GET",
                                               QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, queueAnswered)),
                                               QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, queueFailed)), 0,
                                               nullptr, true);
        if (!handle)
            queueFailed(nullptr);
        return;
    }
    startChannel();
}

void QVPresenceService::startChannel()
{
    if (channel_ && !channel_->finished) {
        // The previous thread is still winding down: try again shortly.
        active_ = false;
        scheduleConnect(kThreadBusyDelay);
        return;
    }
    if (thread_.joinable())
        thread_.join();
    if (!hostOverridden_ && host_.empty())
        readHostSetting(); // the settings were not loaded yet when the service started
    auto channel = platform::adoptRef(new Channel);
    channel->host = channelHost();
    channel->port = port_;
    channel->queue = queue_;
    channel->login = provider() ? provider()->accessTokenForPresence() : std::string();
    channel->onConnected = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelConnected));
    channel->onMessage = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelMessage));
    channel->onAnswer = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelAnswer));
    channel->onEnded = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelEnded));
    channel_ = channel;
    thread_ = std::thread([channel] { channel->run(); });
}

void QVPresenceService::queueAnswered(Object* loaderObject)
{
    queueRequested_ = false;
    auto document = QVAnswer::document(loaderObject);
    const QVXmlElement* top = document ? document->topElement() : nullptr;
    std::string queue = top && top->name == "presence_queue" ? top->childText("name") : std::string();
    if (queue.empty()) {
        queueFailed(loaderObject);
        return;
    }
    queue_ = queue;
    if (active_)
        startChannel();
}

void QVPresenceService::queueFailed(Object*)
{
    queueRequested_ = false;
    if (!active_)
        return;
    active_ = false;
    scheduleConnect(kReconnectDelay);
}

void QVPresenceService::channelConnected(Object* channel)
{
    if (channel == channel_.get() && active_)
        connected_ = true;
}

void QVPresenceService::channelMessage(Object* message)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(message);
    if (!boxed)
        return;
    std::string body = boxed->value().asString();
    auto document = QVXmlDocument::xmlDocumentWithString(body);
    auto series = document ? QVResource::resourcesFromXml(document.get(), names_) : nullptr;
    if (!series)
        return;
    std::map<std::string, std::vector<Ref<Object>>> byNotification;
    for (auto& object : series->objects())
        if (auto* resource = dynamic_cast<QVResource*>(object.get()))
            byNotification[resource->resourceClass().resourceDiscoveredNotification()].push_back(object);
    for (auto& [name, objects] : byNotification) {
        if (name.empty())
            continue;
        platform::Notification n;
        n.name = name;
        n.sender = this;
        n.userObjects.emplace_back(QVPoller::kResourcesKey, QVPaginatedSeries::paginatedSeriesFromArray(objects));
        platform::NotificationCenter::defaultCenter().post(n);
    }
}

void QVPresenceService::channelAnswer(Object* frame)
{
    if (auto* answer = dynamic_cast<FrameObject*>(frame); answer && requests_)
        requests_->answered(answer->frame);
}

void QVPresenceService::channelEnded(Object* channel)
{
    // Requests still waiting on this channel get no answer any more.
    if (requests_)
        requests_->channelEnded(static_cast<Channel*>(channel));
    if (channel != channel_.get())
        return;
    if (thread_.joinable())
        thread_.join();
    if (std::string why = channel_->endedBecause(); !why.empty())
        platform::logWarning("Quorvel: the presence channel was closed: %s; requests go over HTTP meanwhile, and "
                             "the channel is opened again in %g s",
                             why.c_str(), kReconnectDelay);
    connected_ = false;
    if (!active_)
        return; // we disconnected
    active_ = false;
    reportUnreachable(*channel_);
    scheduleConnect(kReconnectDelay);
}

void QVPresenceService::reportUnreachable(const Channel& channel)
{
    const Channel::Reach reach = channel.reach;
    // Said once a launch: the client works on without the channel, so a
    // presence-host that names the wrong port would go unnoticed.
    const char* why = reach == Channel::Reach::Refused ? "nothing accepts a connection there"
        : reach == Channel::Reach::TimedOut            ? "it did not answer within 10 s"
        : reach == Channel::Reach::Reached             ? "it answered, but not as a presence channel does"
                                                       : nullptr;
    if (!why || unreachableSaid_)
        return;
    unreachableSaid_ = true;
    platform::logWarning("Quorvel: the presence channel cannot be opened at %s:%d (%s; see presence-host in the "
                         "settings file): the client's requests go over HTTP, and the channel is tried again every "
                         "%g s",
                         channel.host.c_str(), channel.port, why, kReconnectDelay);
}

void QVPresenceService::disconnect()
{
    if (retry_)
        retry_->invalidate();
    if (!active_)
        return;
    active_ = false;
    connected_ = false;
    if (channel_ && channel_->socket)
        channel_->socket->cancel();
    if (requests_)
        requests_->channelEnded(channel_.get());
}

} // namespace quorvel
