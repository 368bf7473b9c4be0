// The presence channel: queue request and reconnection policy on the main
// loop; the STOMP conversation on the channel thread, which shares only the
// atomically counted Channel with the main thread and reports through posts.
#include "social/runtime/QVPresenceService.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Weak.h"
#include "platform/net/TcpSocket.h"
#include "social/clients/OAuthAPIRequestLoader.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVRuntimeHost.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVStompFrame.h"
#include "social/runtime/QVXmlDocument.h"

#include <atomic>
#include <map>

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
    QVDelegate onConnected;
    QVDelegate onMessage;
    QVDelegate onEnded;

    void run();

private:
    bool readFrame(std::string& buffer, QVStompFrame& frame);
};

namespace {
Ref<QVPresenceService>& shared()
{
    static Ref<QVPresenceService> s;
    return s;
}

constexpr size_t kMaxFrame = 1024 * 1024;
constexpr double kConnectTimeout = 10.0;
} // namespace

bool QVPresenceService::Channel::readFrame(std::string& buffer, QVStompFrame& frame)
{
    for (;;) {
        if (QVStompTakeFrame(buffer, frame))
            return true;
        if (buffer.size() > kMaxFrame)
            return false; // a frame larger than any presence message: give up on the channel
        if (socket->receive(buffer, 16 * 1024, -1) != TcpSocket::Result::Ok)
            return false;
    }
}

void QVPresenceService::Channel::run()
{
    Ref<Channel> keep(this);
    bool ok = socket && socket->connect(host, port, kConnectTimeout) == TcpSocket::Result::Ok
        && socket->sendAll(QVStompMakeFrame("CONNECT", { { "login", login }, { "passcode", "" } }))
            == TcpSocket::Result::Ok;
    std::string buffer;
    QVStompFrame frame;
    if (ok)
        ok = readFrame(buffer, frame) && frame.command == "CONNECTED";
    if (ok)
        ok = socket->sendAll(QVStompMakeFrame("SUBSCRIBE", { { "destination", queue }, { "ack", "auto" } }))
            == TcpSocket::Result::Ok;
    if (ok) {
        onConnected.invoke(this);
        while (readFrame(buffer, frame)) {
            if (frame.command == "MESSAGE")
                onMessage.invoke(platform::Boxed::box(platform::Value(frame.body)).get());
            else if (frame.command == "ERROR")
                break;
        }
    }
    if (socket) {
        if (!socket->isCancelled())
            socket->sendAll(QVStompMakeFrame("DISCONNECT", {}));
        socket->close();
    }
    finished = true;
    onEnded.invoke(this);
}

void QVPresenceService::initializeService(QVProvider* provider)
{
    shutdownService();
    auto s = platform::adoptRef(new QVPresenceService);
    s->provider_ = Ref<QVProvider>(provider);
    s->readHostSetting();
    shared() = s;
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

QVProvider* QVPresenceService::provider() const
{
    // The client starts its services before its provider: it is then found through the host.
    return provider_ ? provider_.get() : QVRuntimeHost::current().provider();
}

void QVPresenceService::shutdownService()
{
    if (auto s = shared()) {
        s->disconnect();
        if (s->retry_)
            s->retry_->invalidate();
        if (s->thread_.joinable())
            s->thread_.join();
        s->channel_ = nullptr; // its callback values hold the service
        shared() = nullptr;
    }
}

QVPresenceService* QVPresenceService::sharedInstance() { return shared().get(); }

QVPresenceService::~QVPresenceService()
{
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
    channel->host = host_;
    channel->port = port_;
    channel->queue = queue_;
    channel->login = provider() ? provider()->accessTokenForPresence() : std::string();
    channel->onConnected = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelConnected));
    channel->onMessage = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelMessage));
    channel->onEnded = QVDelegate(this, BRISKO_SELECTOR(QVPresenceService, channelEnded));
    channel_ = channel;
    thread_ = std::thread([channel] { channel->run(); });
}

void QVPresenceService::queueAnswered(Object* loaderObject)
{
    queueRequested_ = false;
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
    int status = loader && loader->oauthResponse() ? loader->oauthResponse()->statusCode() : 0;
    auto document = loader && status < 400 ? QVXmlDocument::xmlDocumentWithData(loader->data()) : nullptr;
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

void QVPresenceService::channelEnded(Object* channel)
{
    if (channel != channel_.get())
        return;
    if (thread_.joinable())
        thread_.join();
    connected_ = false;
    if (!active_)
        return; // we disconnected
    active_ = false;
    scheduleConnect(kReconnectDelay);
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
}

} // namespace quorvel
