// Signed service requests over real loopback HTTP against the stand-in:
// success paths, the HTTP status policy, transport failures, damaged answers,
// the drop rules and the login flow. Every request must end in exactly one
// callback.
#include "support/NetTestSupport.h"
#include "support/StepMemory.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/net/TcpSocket.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;
using standin::Answer;

namespace {

class ActivityService : public QVService {
public:
    static Ref<ActivityService> create()
    {
        auto s = platform::adoptRef(new ActivityService);
        s->init();
        return s;
    }
    void populateKnownResources(QVResourceNameMap& map) override { map.addResource<TestActivity>("activity"); }
};

const char* kTwoActivities = "<resources><activity id=\"7\"><text>hello</text></activity>"
                             "<activity><id>9</id><text>there</text></activity></resources>";

class ServiceRequestTest : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        provider->setAccessToken("token-1", "token-secret-1");
        service = ActivityService::create();
        recorder = CallbackRecorder::create();
    }

    Ref<QVRequestHandle> get(const std::string& path)
    {
        return service->send(QVServiceEndpoint { "GET", path.c_str() }, {}, nullptr, recorder->onSuccess(),
                             recorder->onFailure());
    }
    bool waitForEnd() { return waitFor([&] { return recorder->total() > 0; }); }
    QVPaginatedSeries* series() const { return dynamic_cast<QVPaginatedSeries*>(recorder->successArg.get()); }
    OAuthAPIRequestLoader* failedLoader() const
    {
        return dynamic_cast<OAuthAPIRequestLoader*>(recorder->failureArg.get());
    }
    // After the end, the network's quiet and a minute must not bring a second callback.
    void expectOneCallback()
    {
        settleNetwork();
        advance(60);
        settleNetwork();
        EXPECT_EQ(recorder->total(), 1);
    }

    Ref<ActivityService> service;
    Ref<CallbackRecorder> recorder;
};

TEST_F(ServiceRequestTest, GetReachesSuccessWithParsedSeriesAndStatus)
{
    server.route("GET", "users/@me/activities.xml", Answer::xml(kTwoActivities));
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string page = "2";
    params->io("page", page);
    ASSERT_TRUE(service->send(QVServiceEndpoint { "GET", "users/@me/activities.xml" }, {}, params.get(),
                              recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(recorder->successes, 1);
    ASSERT_NE(series(), nullptr);
    EXPECT_EQ(series()->httpResponseStatusCode(), 200);
    ASSERT_EQ(series()->count(), 2u);
    auto* first = dynamic_cast<TestActivity*>(series()->objectAtIndex(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->resourceId(), "7");
    EXPECT_EQ(first->text(), "hello");

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_TRUE(log[0].signatureValid);
    EXPECT_EQ(log[0].oauthToken, "token-1");
    EXPECT_EQ(log[0].param("page"), "2");
    EXPECT_EQ(log[0].param("session_id"), "session-42");
    for (const char* field : { "info_client_application_version", "info_client_application_bundle_id",
                               "info_client_quorvel_version", "info_client_device_locale" })
        EXPECT_TRUE(log[0].hasParam(field)) << field;
    expectOneCallback();
}

TEST_F(ServiceRequestTest, PostSendsFormBodyThatVerifies)
{
    server.route("POST", "users/@me/activities.xml", Answer::xml("<activity id=\"3\"><text>posted</text></activity>", 201));
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string text = "a b&c=d/é";
    {
        QVISerializer::Scope scope(*params, "activity", false);
        params->io("text", text);
    }
    service->send(QVServiceEndpoint { "POST", "users/@me/activities.xml" }, {}, params.get(), recorder->onSuccess(),
                  recorder->onFailure());
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(recorder->successes, 1);
    EXPECT_EQ(series()->httpResponseStatusCode(), 201);
    ASSERT_EQ(series()->count(), 1u);
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(log[0].param("activity[text]"), text);
    EXPECT_TRUE(log[0].signatureValid);
}

TEST_F(ServiceRequestTest, MultipartBodyWithBlobVerifies)
{
    server.route("PUT", "blobs/1.xml", Answer::xml("<resources/>"));
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::optional<platform::Bytes> blob = platform::Bytes { 0, 1, 2, 255, '\r', '\n', '-', '-' };
    std::string key = "slot";
    params->io("key", key);
    params->io("blob", blob);
    service->send(QVServiceEndpoint { "PUT", "blobs/1.xml" }, {}, params.get(), recorder->onSuccess(),
                  recorder->onFailure());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->successes, 1);
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].contentType.rfind("multipart/form-data", 0), 0u);
    EXPECT_TRUE(log[0].signatureValid);
    EXPECT_EQ(log[0].param("key"), "slot");
    EXPECT_EQ(log[0].param("blob"), std::string("\0\1\2\xff\r\n--", 8));
}

TEST_F(ServiceRequestTest, StatusPolicyShowsTheDocumentedScreensAndEndsOnce)
{
    struct Case {
        int status;
        bool requiresAuth;
        const char* call;    // host call expected, or ""
        const char* message; // error message expected, or ""
        bool success;
    };
    const Case cases[] = {
        { 426, true, "upgrade", "", false },
        { 450, true, "maintenance", "", false },
        { 401, true, "", QVActionRequest::kUnknownErrorMessage, false },
        // The game's key refused: the log says so; trying again later would not mend it.
        { 401, false, "", "", false },
        { 500, true, "", QVActionRequest::kTryAgainMessage, false },
        { 503, true, "", QVActionRequest::kTryAgainMessage, false },
        { 404, true, "", QVActionRequest::kTryAgainMessage, false },
        { 430, true, "credentials", "", false },
        // Passed on without a screen (the forms read the service's reasons),
        // and still a service caller's failure, as any answer that is not 2xx.
        { 403, true, "", "", false },
        { 406, true, "", "", false },
        { 302, true, "", "", false },
        { 204, true, "", "", false },
        { 201, true, "", "", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        host.calls.clear();
        host.messages.clear();
        recorder = CallbackRecorder::create();
        server.script("GET", "status.xml",
                      Answer::xml(c.success ? "<resources/>" : "<errors><error>nope</error></errors>", c.status));
        service->_performAction("status.xml", nullptr, "GET", recorder->onSuccess(), recorder->onFailure(), 0, nullptr,
                                c.requiresAuth);
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(recorder->successes, c.success ? 1 : 0);
        EXPECT_EQ(recorder->failures, c.success ? 0 : 1);
        EXPECT_EQ(host.calls, *c.call ? std::vector<std::string> { c.call } : std::vector<std::string> {});
        EXPECT_EQ(host.messages, *c.message ? std::vector<std::string> { c.message } : std::vector<std::string> {});
        if (c.success)
            EXPECT_EQ(series()->httpResponseStatusCode(), c.status);
        else
            ASSERT_NE(failedLoader(), nullptr);
        expectOneCallback();
    }
}

TEST_F(ServiceRequestTest, WithoutErrorScreensAnErrorShowsNoScreenAndIsStillAFailure)
{
    host.errorScreens = false;
    server.route("GET", "down.xml", Answer::xml("<resources/>", 500));
    get("down.xml");
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->failures, 1);
    ASSERT_NE(failedLoader(), nullptr);
    EXPECT_EQ(failedLoader()->oauthResponse()->statusCode(), 500);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.calls.empty());
    expectOneCallback();
}

TEST_F(ServiceRequestTest, RefusedConnectionReachesFailure)
{
    auto probe = platform::TcpSocket::create();
    int port = probe->listenLoopback(0);
    probe->close(); // nothing listens there now
    provider->setServerUrl("http://127.0.0.1:" + std::to_string(port) + "/");
    get("users/@me/activities.xml");
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->failures, 1);
    ASSERT_NE(failedLoader(), nullptr);
    ASSERT_TRUE(failedLoader()->error());
    EXPECT_EQ(failedLoader()->error()->code, OAuthAPIRequestLoader::ErrorCannotConnectToHost);
    EXPECT_EQ(failedLoader()->oauthResponse(), nullptr);
    expectOneCallback();
}

TEST_F(ServiceRequestTest, HeldAnswerTimesOutAfterThirtySeconds)
{
    Answer held = Answer::xml(kTwoActivities);
    held.hold = true;
    server.route("GET", "slow.xml", held);
    get("slow.xml");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    advance(29.9);
    EXPECT_EQ(recorder->total(), 0);
    advance(0.1);
    ASSERT_EQ(recorder->failures, 1);
    ASSERT_TRUE(failedLoader()->error());
    EXPECT_EQ(failedLoader()->error()->code, OAuthAPIRequestLoader::ErrorTimedOut);
    server.releaseHeld(); // the late answer finds nobody
    expectOneCallback();
}

TEST_F(ServiceRequestTest, DamagedAnswersFailCleanly)
{
    Answer truncated = Answer::xml(kTwoActivities);
    truncated.truncateAfter = 20;
    Answer huge = Answer::xml("");
    huge.hugeBodyBytes = OAuthAPIRequestLoader::kMaxAnswerSize + 1024 * 1024;
    struct Case {
        const char* name;
        Answer answer;
        int errorCode; // 0: an answer arrived but is not a document of ours
    };
    const Case cases[] = {
        { "truncated", truncated, OAuthAPIRequestLoader::ErrorNetworkConnectionLost },
        { "huge", huge, OAuthAPIRequestLoader::ErrorDataLengthExceedsMaximum },
        { "not xml", Answer::xml("{\"json\": true}"), 0 },
        { "html", Answer::xml("<html><body><p>oops</body></html>"), 0 },
        { "entity bomb", Answer::xml("<!DOCTYPE r [<!ENTITY a \"aaaa\">]><resources>&a;</resources>"), 0 },
        { "attribute defaults", Answer::xml("<!DOCTYPE r [<!ATTLIST a d CDATA \"dddd\">]><resources><a/><a/></resources>"), 0 },
        { "attribute defaults in a refusal",
          Answer::xml("<!DOCTYPE errors [<!ATTLIST error d CDATA \"dddd\">]><errors><error>no</error></errors>", 403), 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder = CallbackRecorder::create();
        server.script("GET", "bad.xml", c.answer);
        get("bad.xml");
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(recorder->failures, 1);
        ASSERT_NE(failedLoader(), nullptr);
        if (c.errorCode) {
            ASSERT_TRUE(failedLoader()->error());
            EXPECT_EQ(failedLoader()->error()->code, c.errorCode);
        } else {
            EXPECT_FALSE(failedLoader()->error());
        }
        expectOneCallback();
    }
}

TEST_F(ServiceRequestTest, AnErrorListIsReadOnceForItsMessagesWhateverItHolds)
{
    // Seven MiB of empty elements: a tree of them would take some 250 MiB.
    std::string empty = "<errors>";
    while (empty.size() < 7 * 1024 * 1024)
        empty += "<e/>";
    empty += "</errors>";
    struct Case {
        const char* name;
        std::string body;
        const char* told;
    } cases[] = {
        { "messages", "<errors><error><field>name</field><reason>is taken</reason></error><error>Try later</error></errors>",
          "/messages.xml (HTTP 200): the service answered with errors: - name: is taken; Try later" },
        { "empty", empty, "/empty.xml (HTTP 200): the service answered with errors: (no message)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::LogCapture log;
        recorder = CallbackRecorder::create();
        const std::string path = std::string(c.name) + ".xml";
        server.script("GET", path, Answer::xml(c.body));
        testing_support::StepMemory step;
        get(path);
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(recorder->failures, 1);
        EXPECT_TRUE(log.contains(c.told));
        EXPECT_LT(step.peakGrowthMiB(), 100) << "MiB more at the peak: the list was built as a tree";
    }
}

TEST_F(ServiceRequestTest, DroppedWhenNotApprovedOrDisabled)
{
    server.route("GET", "a.xml", Answer::xml("<resources/>"));
    host.approved = false;
    EXPECT_FALSE(get("a.xml"));
    host.approved = true;
    host.disabled = true;
    EXPECT_FALSE(get("a.xml"));
    settleNetwork();
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(ServiceRequestTest, RequestNeedingLoginWithoutTokenStartsLoginFlowInstead)
{
    provider->setAccessToken("", "");
    server.route("GET", "a.xml", Answer::xml("<resources/>"));
    ASSERT_TRUE(get("a.xml"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(host.calls, std::vector<std::string> { "login" });
    EXPECT_EQ(recorder->failures, 1); // abandoned: told once, never sent
    EXPECT_EQ(server.requestCount(), 0u);

    // Offline, the request goes out unauthenticated and the server decides.
    reachability->setStatus(platform::Reachability::NotReachable);
    recorder = CallbackRecorder::create();
    service->_performAction("a.xml", nullptr, "GET", recorder->onSuccess(), recorder->onFailure(), 0, nullptr, true);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(server.requests()[0].signatureValid);
}

TEST_F(ServiceRequestTest, CancelledRequestsCallNothing)
{
    Answer held = Answer::xml("<resources/>");
    held.hold = true;
    server.route("GET", "slow.xml", held);
    auto handle = get("slow.xml");
    get("slow.xml");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 2; }));
    handle->cancel();
    provider->destroyAllPendingRequests();
    server.releaseHeld();
    settleNetwork();
    advance(60);
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(provider->pendingRequestCount(), 0u);
}

TEST_F(ServiceRequestTest, ModuleHandlesAreForgottenButRequestsRunOn)
{
    server.route("GET", "a.xml", Answer::xml("<resources/>"));
    static const int module = 0;
    QVRequestHandlesForModule::addHandle(get("a.xml").get(), &module);
    QVRequestHandlesForModule::addHandle(get("a.xml").get(), &module);
    QVRequestHandlesForModule::addHandle(nullptr, &module);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&module), 2u);
    QVRequestHandlesForModule::cancelAllRequestsForModule(&module);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&module), 0u);
    ASSERT_TRUE(waitFor([&] { return recorder->total() == 2; }));
    EXPECT_EQ(recorder->successes, 2);

    QVRequestHandlesForModule::addHandle(get("a.xml").get(), &module);
    ASSERT_TRUE(waitFor([&] { return recorder->total() == 3; }));
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&module), 0u); // completed requests leave the registry
}

TEST_F(ServiceRequestTest, NoSecretReachesTheLog)
{
    platform::LogCapture capture;
    provider->setAccessToken("token-1", "token-secret-1");
    auto probe = platform::TcpSocket::create();
    int port = probe->listenLoopback(0);
    probe->close();
    server.route("GET", "a.xml", Answer::xml("not xml"));
    get("a.xml");
    ASSERT_TRUE(waitForEnd());
    provider->setServerUrl("http://127.0.0.1:" + std::to_string(port) + "/");
    recorder = CallbackRecorder::create();
    get("a.xml");
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(capture.texts().empty());
    for (auto& line : capture.texts()) {
        EXPECT_EQ(line.find("token-secret-1"), std::string::npos) << line;
        EXPECT_EQ(line.find("product-secret"), std::string::npos) << line;
        EXPECT_EQ(line.find("token-1"), std::string::npos) << line;
        EXPECT_EQ(line.find("oauth_signature"), std::string::npos) << line;
    }
    std::string defaults = *platform::writePropertyList(
        platform::Value(platform::UserDefaults::standardUserDefaults().persistentDomain()));
    EXPECT_EQ(defaults.find("token-secret-1"), std::string::npos);
}

} // namespace
