// The presence channel against the STOMP stand-in over loopback: queue
// request, connection and subscription, messages to notifications, the 15 s
// reconnection after a drop, and the limit of 32 connection attempts.
#include "support/NetTestSupport.h"
#include "support/SilentNameServer.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;
using standin::Answer;

namespace {

class PresenceTest : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        server.installDefaultRoutes("token-1", "token-secret-1", "/queue/presence.17");
        ASSERT_GT(stomp.start(), 0);
        provider->setAccessToken("token-1", "token-secret-1");
        QVPresenceService::initializeService(provider.get());
        presence()->setHostAndPort("127.0.0.1", stomp.port());
        presence()->registerResourceClass(TestActivity::staticResourceClass());
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        QVPresenceService::shutdownService();
        stomp.stop();
        NetTest::TearDown();
    }
    QVPresenceService* presence() { return QVPresenceService::sharedInstance(); }
    bool subscribed(const std::string& queue)
    {
        for (auto& f : stomp.frames())
            if (f.command == "SUBSCRIBE" && f.headers.count("destination") && f.headers.at("destination") == queue)
                return true;
        return false;
    }

    standin::StompStandIn stomp;
};

TEST_F(PresenceTest, ConnectsToItsQueueAndPostsMessages)
{
    size_t received = 0;
    platform::NotificationCenter::defaultCenter().addObserver(this, "activity_discovered",
                                                              [&](const platform::Notification& n) {
        if (auto* s = dynamic_cast<QVPaginatedSeries*>(n.userObject(QVPoller::kResourcesKey)))
            received += s->count();
    });
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected() && subscribed("/queue/presence.17"); }));
    EXPECT_EQ(presence()->queue(), "/queue/presence.17");
    auto frames = stomp.frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].command, "CONNECT");
    EXPECT_EQ(frames[0].headers["login"], "token-1");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(server.requests()[0].signatureValid);

    platform::LogCapture captured;
    stomp.sendMessage("/queue/presence.17", "<resources><activity id=\"5\"/><activity id=\"6\"/></resources>");
    stomp.sendMessage("/queue/presence.17", "not a document");
    // Declared defaults would be copied to every activity: refused, said once, and the channel goes on.
    static int run = 0; // a document of this run's own: one refused again at once is logged once
    std::string copies = "<!--" + std::to_string(++run) + "--><!DOCTYPE resources [<!ATTLIST activity d CDATA \""
        + std::string(4096, 'd') + "\">]><resources>";
    for (int i = 0; i < 1000; ++i)
        copies += "<activity id=\"9\"/>";
    stomp.sendMessage("/queue/presence.17", copies + "</resources>");
    stomp.sendMessage("/queue/presence.17", "<resources><activity id=\"7\"/></resources>");
    ASSERT_TRUE(waitFor([&] { return received == 3; }));
    EXPECT_EQ(captured.texts(), std::vector<std::string> { "XML document refused: line 1: attribute declaration \"activity d\" refused" });

    presence()->disconnect();
    ASSERT_TRUE(waitFor([&] { return stomp.openConnections() == 0; }));
    advance(60);
    EXPECT_EQ(stomp.connectionCount(), 1); // a disconnect is not a drop
}

TEST_F(PresenceTest, ReconnectsFifteenSecondsAfterADrop)
{
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected(); }));
    stomp.dropConnections();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    EXPECT_FALSE(presence()->isConnected());
    advance(14.9);
    EXPECT_EQ(stomp.connectionCount(), 1);
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected() && stomp.connectionCount() == 2; }));
    EXPECT_EQ(presence()->connectAttempts(), 2);
    EXPECT_EQ(server.requestCount(), 1u); // the queue is asked for once
}

TEST_F(PresenceTest, GivesUpAfterThirtyTwoAttempts)
{
    stomp.setRefusing(true);
    presence()->connect();
    for (int i = 1; i < QVPresenceService::kMaxConnectAttempts; ++i) {
        ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); })) << i;
        EXPECT_EQ(presence()->connectAttempts(), i);
        advance(QVPresenceService::kReconnectDelay);
    }
    ASSERT_TRUE(waitFor([&] { return !presence()->isActive(); }));
    EXPECT_EQ(presence()->connectAttempts(), QVPresenceService::kMaxConnectAttempts);
    EXPECT_FALSE(presence()->isReconnectScheduled());
    stomp.setRefusing(false);
    presence()->connect();
    EXPECT_FALSE(presence()->isActive());
    advance(60);
    settleNetwork(&stomp);
    EXPECT_EQ(stomp.connectionCount(), 0);
    EXPECT_EQ(presence()->connectAttempts(), QVPresenceService::kMaxConnectAttempts);
}

// A channel that cannot be opened leaves the requests on HTTP: the log says
// why, once a launch, naming where it was looked for.
TEST_F(PresenceTest, AChannelThatCannotBeOpenedIsSaidOnceWithItsReason)
{
    platform::LogCapture log;
    auto said = [&](int port, const std::string& why) {
        return std::vector<std::string> { "Quorvel: the presence channel cannot be opened at 127.0.0.1:"
                                          + std::to_string(port) + " (" + why
                                          + "; see presence-host in the settings file): the client's requests go "
                                            "over HTTP, and the channel is tried again every 15 s" };
    };
    stomp.setRefusing(true);
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    advance(QVPresenceService::kReconnectDelay);
    ASSERT_TRUE(waitFor([&] { return presence()->connectAttempts() == 2 && presence()->isReconnectScheduled(); }));
    EXPECT_EQ(log.texts(), said(stomp.port(), "nothing accepts a connection there"));

    // The service's HTTP port answers, but not as the channel expects.
    log.clear();
    QVPresenceService::initializeService(provider.get());
    presence()->setHostAndPort("127.0.0.1", server.port());
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    EXPECT_EQ(log.texts(), said(server.port(), "it answered, but not as a presence channel does"));
}

// Without a presence-host the channel goes to the service's own host, never
// to a port any program on this machine may hold.
TEST_F(PresenceTest, TheChannelGoesToThePresenceHostElseToTheServiceHost)
{
    testing_support::TempDir dir;
    struct Row {
        const char* serverUrl;
        const char* presenceHost; // nullptr: the file names none
        const char* host;
        int port;
    };
    const Row rows[] = {
        { "http://192.0.2.7:4567/", nullptr, "192.0.2.7", QVPresenceService::kDefaultPort },
        { "https://Service.Example/", nullptr, "Service.Example", QVPresenceService::kDefaultPort },
        { "http://[2001:db8::1]:80/", nullptr, "2001:db8::1", QVPresenceService::kDefaultPort },
        { "http://192.0.2.7:4567/", "198.51.100.2", "198.51.100.2", QVPresenceService::kDefaultPort },
        { "http://192.0.2.7:4567/", "198.51.100.2:4000", "198.51.100.2", 4000 },
        { "http://192.0.2.7:4567/", "tcp://198.51.100.2", "192.0.2.7", QVPresenceService::kDefaultPort },
    };
    const std::string saved = provider->serverUrl();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.serverUrl) + " " + (row.presenceHost ? row.presenceHost : "(none)"));
        std::string config = std::string("<server-url>") + row.serverUrl + "</server-url>";
        if (row.presenceHost)
            config += std::string("<presence-host>") + row.presenceHost + "</presence-host>";
        platform::LogCapture quiet;
        QVSettings::InitializeWithFile(dir.write("settings.xml", "<quorvel_internal_settings><environment-release>"
                                                                 "<config>" + config + "</config>"
                                                                 "</environment-release></quorvel_internal_settings>"));
        provider->setServerUrl(*QVSettings::Instance()->objectForKey("server-url"));
        QVPresenceService::initializeService(provider.get());
        EXPECT_EQ(presence()->channelHost(), row.host);
        EXPECT_EQ(presence()->channelPort(), row.port);
        QVSettings::Uninitialize();
    }
    provider->setServerUrl(saved);
}

TEST_F(PresenceTest, FailedQueueRequestRetriesAfterFifteenSeconds)
{
    server.script("GET", QVPresenceService::kQueuePath, Answer::xml("<errors/>", 500));
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    advance(15);
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected(); }));
    EXPECT_EQ(server.requestCount(), 2u);
}

// A name server that does not answer holds the channel's thread, never the
// game's shutdown.
TEST_F(PresenceTest, ShutdownDoesNotWaitOnTheChannelsNameLookup)
{
    testing_support::SilentNameServer names;
    presence()->setHostAndPort("presence.example", stomp.port());
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return names.asked() == 1; }));
    QVPresenceService::shutdownService();
    EXPECT_EQ(QVPresenceService::sharedInstance(), nullptr);
    EXPECT_EQ(names.ended(), 0u); // it still waits: the shutdown did not
    EXPECT_EQ(stomp.connectionCount(), 0);
}

TEST_F(PresenceTest, StaysOffWithoutAToken)
{
    provider->setAccessToken("", "");
    presence()->connect();
    settleNetwork(&stomp);
    EXPECT_FALSE(presence()->isActive());
    EXPECT_EQ(presence()->connectAttempts(), 0);
    EXPECT_EQ(server.requestCount(), 0u);
}

// Requests inside the channel: the bootstrap turns them on, the STOMP stand-in
// hands them to the same HTTP handlers.
class PresenceRequestTest : public PresenceTest {
protected:
    void SetUp() override
    {
        PresenceTest::SetUp();
        stomp.forwardRequestsTo(server);
    }
    void enableRequestsInTheChannel()
    {
        auto answer = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(
            "<bootstrap><access_token>token-1</access_token><access_token_secret>token-secret-1</access_token_secret>"
            "<presence_enabled>true</presence_enabled></bootstrap>"));
        ASSERT_TRUE(answer);
        presence()->applyBootstrap(*answer);
    }
    Ref<QVRequestHandle> post(const std::string& path, int score, CallbackRecorder& recorder, std::string filler = {})
    {
        Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        params->io("score", score);
        if (!filler.empty())
            params->io("filler", filler);
        return provider->performAction(path, params.get(), "POST", recorder.onSuccess(), recorder.onFailure(), 0,
                                       nullptr, true);
    }
    std::vector<standin::LoggedRequest> requestsTo(const std::string& path)
    {
        std::vector<standin::LoggedRequest> found;
        for (auto& r : server.requests())
            if (r.path == path)
                found.push_back(r);
        return found;
    }
    static int status(platform::Object* loader)
    {
        auto* l = dynamic_cast<OAuthAPIRequestLoader*>(loader);
        return l && l->oauthResponse() ? l->oauthResponse()->statusCode() : -1;
    }
};

TEST_F(PresenceRequestTest, SignedRequestsTravelInsideTheChannelToTheSameHandler)
{
    server.route("POST", "scores.xml", [](const standin::LoggedRequest& r) {
        return Answer::xml("<resources><activity id=\"" + r.param("score") + "\"/></resources>", 201);
    });
    server.route("GET", "scores/top.xml", Answer::xml("<resources/>"));

    // Enabled but not yet connected: over HTTP.
    enableRequestsInTheChannel();
    auto overHttp = CallbackRecorder::create();
    post("scores.xml", 5, *overHttp);
    ASSERT_TRUE(waitFor([&] { return overHttp->total() == 1; }));

    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->carriesRequests(); }));
    auto inside = CallbackRecorder::create();
    post("scores.xml", 7, *inside);
    auto get = CallbackRecorder::create();
    Ref<QVHttpNestedQueryStringWriter> query = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string mode = "a+b c";
    query->io("mode", mode);
    provider->performAction("scores/top.xml", query.get(), "GET", get->onSuccess(), get->onFailure(), 0, nullptr, true);
    ASSERT_TRUE(waitFor([&] { return inside->total() == 1 && get->total() == 1; }));

    EXPECT_EQ(overHttp->successes, 1);
    EXPECT_EQ(inside->successes, 1);
    EXPECT_EQ(get->successes, 1);
    EXPECT_EQ(status(overHttp->successArg.get()), 201);
    EXPECT_EQ(status(inside->successArg.get()), 201);
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(inside->successArg.get());
    ASSERT_NE(loader, nullptr);
    EXPECT_EQ(std::string(loader->data().begin(), loader->data().end()), "<resources><activity id=\"7\"/></resources>");

    auto scores = requestsTo("scores.xml");
    ASSERT_EQ(scores.size(), 2u);
    EXPECT_FALSE(scores[0].viaChannel);
    EXPECT_TRUE(scores[1].viaChannel);
    EXPECT_TRUE(scores[1].signatureValid) << scores[1].signatureFailure;
    EXPECT_EQ(scores[1].param("score"), "7");
    auto top = requestsTo("scores/top.xml");
    ASSERT_EQ(top.size(), 1u);
    EXPECT_TRUE(top[0].viaChannel);
    EXPECT_TRUE(top[0].signatureValid) << top[0].signatureFailure;
    EXPECT_EQ(top[0].param("mode"), "a+b c");

    size_t sends = 0;
    for (auto& f : stomp.frames())
        if (f.command == "SEND" && f.headers["destination"] == QVPresenceService::kRequestDestination) {
            ++sends;
            EXPECT_FALSE(f.headers["correlation-id"].empty());
            EXPECT_EQ(f.headers["authorization"].rfind("OAuth ", 0), 0u);
        }
    EXPECT_EQ(sends, 2u);
}

// The most the system lets a connection hold unsent (4 MiB unless set otherwise).
size_t systemSendBuffer()
{
    size_t least = 0, initial = 0, most = 4 * 1024 * 1024;
    std::ifstream("/proc/sys/net/ipv4/tcp_wmem") >> least >> initial >> most;
    return most;
}

// Lets a stalled server go (its connections drop) when the game's thread has
// not come back within a bound: a write that waits on the peer fails the row
// instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(standin::StompStandIn& stomp)
        : thread_([this, &stomp] {
            std::unique_lock lock(mutex_);
            if (!back_.wait_for(lock, std::chrono::seconds(20), [this] { return returned_; })) {
                fired_ = true;
                lock.unlock();
                stomp.dropConnections();
            }
        })
    {
    }
    ~Watchdog() { release(); }
    // The game's thread is back: whether the server had to be let go first.
    bool release()
    {
        {
            std::lock_guard guard(mutex_);
            returned_ = true;
        }
        back_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return fired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable back_;
    bool returned_ { false };
    bool fired_ { false };
    std::thread thread_;
};

// A server that stops reading (a small receive buffer) holds no frame of the
// game: what the buffers do not take waits in the channel and goes out whole,
// each request answered once, when it reads again; when it never takes them,
// the channel ends past its backlog, each request inside fails once, and the
// requests after it go over HTTP.
TEST_F(PresenceRequestTest, AServerThatStopsReadingHoldsNoFrameAndLosesNoRequest)
{
    standin::StompStandIn::Limits limits;
    limits.receiveBuffer = 16 * 1024;
    ASSERT_EQ(stomp.start(stomp.port(), platform::kLoopbackAddress, limits), stomp.port());
    server.route("POST", "scores.xml", [](const standin::LoggedRequest& r) {
        return Answer::xml("<resources><activity id=\"" + r.param("score") + "\"/></resources>", 201);
    });
    enableRequestsInTheChannel();
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->carriesRequests(); }));
    const std::string filler(60 * 1024, 'f');
    auto heard = [](const std::vector<Ref<CallbackRecorder>>& recorders) {
        return std::all_of(recorders.begin(), recorders.end(), [](auto& r) { return r->total() >= 1; });
    };

    // Within the backlog: every request leaves the game's thread at once,
    // before the server reads a byte of it.
    stomp.setReading(false);
    std::vector<Ref<CallbackRecorder>> waited;
    {
        Watchdog watchdog(stomp);
        // More than the system's buffers take.
        for (size_t i = 0; i < (systemSendBuffer() + QVPresenceService::kWriteBacklog / 4) / filler.size(); ++i) {
            waited.push_back(CallbackRecorder::create());
            post("scores.xml", static_cast<int>(i), *waited.back(), filler);
        }
        loop().drain(); // dispatches them
        ASSERT_FALSE(watchdog.release()) << "a request waited on the server";
    }
    for (auto& f : stomp.frames())
        EXPECT_NE(f.command, "SEND");
    stomp.setReading(true);
    ASSERT_TRUE(waitFor([&] { return heard(waited); }));
    std::set<std::string> scores;
    for (auto& r : requestsTo("scores.xml")) {
        EXPECT_TRUE(r.viaChannel);
        EXPECT_TRUE(r.signatureValid) << r.signatureFailure;
        EXPECT_EQ(r.param("filler"), filler);
        scores.insert(r.param("score"));
    }
    EXPECT_EQ(scores.size(), waited.size());

    // Never taken: the channel ends and fails what it holds, once each.
    stomp.setReading(false);
    platform::LogCapture log;
    std::vector<Ref<CallbackRecorder>> cut;
    {
        Watchdog watchdog(stomp);
        for (size_t i = 0; i < (systemSendBuffer() + QVPresenceService::kWriteBacklog) / filler.size() + 32; ++i) {
            cut.push_back(CallbackRecorder::create());
            post("scores.xml", 1000 + static_cast<int>(i), *cut.back(), filler);
        }
        ASSERT_TRUE(waitFor([&] { return heard(cut); }));
        ASSERT_FALSE(watchdog.release()) << "a request waited on the server";
    }
    settleNetwork();
    int failed = 0, overHttp = 0;
    for (auto& r : cut) {
        EXPECT_EQ(r->total(), 1);
        if (r->failures) {
            ++failed;
            auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(r->failureArg.get());
            ASSERT_TRUE(loader && loader->error());
            EXPECT_EQ(loader->error()->code, OAuthAPIRequestLoader::ErrorNetworkConnectionLost);
        }
    }
    for (auto& r : requestsTo("scores.xml"))
        overHttp += !r.viaChannel;
    EXPECT_GT(failed, 0);
    EXPECT_GT(overHttp, 0);
    EXPECT_EQ(overHttp + failed, static_cast<int>(cut.size()));
    EXPECT_FALSE(presence()->isConnected());
    EXPECT_TRUE(presence()->isReconnectScheduled());
    std::vector<std::string> closed;
    for (auto& text : log.texts())
        if (text.rfind("Quorvel: the presence channel was closed: ", 0) == 0)
            closed.push_back(text);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_NE(closed[0].find("the server stopped taking its bytes ("), std::string::npos) << closed[0];
    for (auto& r : waited)
        EXPECT_EQ(r->total(), 1);
}

TEST_F(PresenceRequestTest, ADroppedChannelEndsItsRequestInFailureOnce)
{
    Answer held = Answer::xml("<resources/>");
    held.hold = true;
    server.route("POST", "slow.xml", held);
    enableRequestsInTheChannel();
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->carriesRequests(); }));
    auto recorder = CallbackRecorder::create();
    post("slow.xml", 1, *recorder);
    ASSERT_TRUE(waitFor([&] { return requestsTo("slow.xml").size() == 1; }));
    EXPECT_EQ(recorder->total(), 0);

    stomp.dropConnections();
    ASSERT_TRUE(waitFor([&] { return recorder->total() == 1; }));
    EXPECT_EQ(recorder->failures, 1);
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(recorder->failureArg.get());
    ASSERT_NE(loader, nullptr);
    ASSERT_TRUE(loader->error());
    EXPECT_EQ(loader->error()->code, OAuthAPIRequestLoader::ErrorNetworkConnectionLost);

    // The late answer, the timeout and the reconnection change nothing.
    server.releaseHeld();
    advance(OAuthAPIRequestLoader::kTimeout + QVPresenceService::kReconnectDelay);
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected(); }));
    settleNetwork(&stomp);
    EXPECT_EQ(recorder->total(), 1);
    EXPECT_EQ(provider->pendingRequestCount(), 0u);
}

// The channel is plain TCP: with the service on https it never opens, so the
// token (CONNECT) and the forms (SEND) never travel in clear; requests go by
// https, and the log says why once.
TEST_F(PresenceRequestTest, WithAnHttpsServiceNothingIsWrittenToThePlainChannel)
{
    platform::LogCapture log;
    provider->setServerUrl("https://127.0.0.1:" + std::to_string(server.port()) + "/");
    enableRequestsInTheChannel();
    presence()->connect();
    auto form = CallbackRecorder::create();
    Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string password = "old-password-7";
    params->io("user[password]", password);
    provider->performAction("users/@me.xml", params.get(), "PUT", form->onSuccess(), form->onFailure(), 0, nullptr,
                            true);
    // Over https: offered to the stand-in's plain port, the handshake fails.
    ASSERT_TRUE(waitFor([&] { return form->total() == 1; }));
    settleNetwork(&stomp);
    EXPECT_EQ(form->failures, 1);
    EXPECT_EQ(stomp.connectionCount(), 0);
    EXPECT_TRUE(stomp.frames().empty());
    EXPECT_FALSE(presence()->isActive());
    EXPECT_FALSE(presence()->carriesRequests());
    EXPECT_EQ(presence()->connectAttempts(), 0);
    EXPECT_EQ(log.texts(), (std::vector<std::string> {
                               "Quorvel: the presence channel stays closed: the service is reached over https and "
                               "the channel would carry the player's token in clear; every request goes over https",
                               "Request PUT " + provider->serverUrl()
                                   + "users/@me.xml failed: a secure connection could not be made (-1200)" }));
}

TEST_F(PresenceRequestTest, TheChannelTransportFailsRequestsWhileTheChannelIsDown)
{
    enableRequestsInTheChannel();
    platform::HttpTransport* transport = presence()->requestTransport();
    platform::HttpRequestData request;
    request.url = server.baseUrl() + "scores.xml";
    std::vector<platform::HttpError> results;
    transport->start(request, [&](platform::HttpResult&& r) { results.push_back(r.error); });
    auto silenced = transport->start(request, [&](platform::HttpResult&& r) { results.push_back(r.error); });
    transport->cancel(silenced);
    EXPECT_TRUE(results.empty()); // never inside start()
    loop().drain();
    EXPECT_EQ(results, std::vector<platform::HttpError> { platform::HttpError::CannotConnect });
    EXPECT_EQ(transport->activeCount(), 0u);
}

} // namespace
