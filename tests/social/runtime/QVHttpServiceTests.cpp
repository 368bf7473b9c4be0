// Unsigned transfers on the scripted transport: success range, failures,
// the 10 s timeout, cancelling, the multipart header and the blob observer;
// on loopback, the length of an empty PUT and the cap on every answer.
#include "platform/foundation/Boxed.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/FakeHttpTransport.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVRequestHandle.h"
#include "support/TestSupport.h"
#include "tools/standin/StandInServer.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::HttpResult;
using platform::Ref;

namespace {

class CountingObserver : public QVHttpServiceObserver {
public:
    void requestFinished(QVHttpRequest* r) override { finished.push_back(r->statusCode()); }
    void requestFailed(QVHttpRequest* r) override { failed.push_back(r->statusCode()); }
    std::vector<int> finished, failed;
};

class Recorder : public platform::Object {
public:
    void ok(platform::Object* a) { okArgs.emplace_back(a); }
    void bad(platform::Object* a) { badArgs.emplace_back(a); }
    std::vector<Ref<platform::Object>> okArgs, badArgs;
};

class HttpServiceTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        fake = platform::FakeHttpTransport::create();
        platform::HttpTransport::setShared(Ref<platform::HttpTransport>(fake.get()));
        service = platform::adoptRef(new QVHttpService("http://127.0.0.1:1/", false));
    }
    void TearDown() override
    {
        service = nullptr;
        platform::HttpTransport::setShared(nullptr);
        ManualClockTest::TearDown();
    }
    Ref<platform::FakeHttpTransport> fake;
    platform::Ref<QVHttpService> service;
};

TEST_F(HttpServiceTest, OnlyTwoHundredsFinish)
{
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    for (int status : { 200, 299, 300, 404, 500 }) {
        fake->script(HttpResult::answer(status, { 'x' }));
        service->startRequest("images/1.png", "GET", std::nullopt, observer.get());
    }
    fake->script(HttpResult::failure(platform::HttpError::CannotConnect));
    service->startRequest("images/2.png", "GET", std::nullopt, observer.get());
    loop().drain();
    EXPECT_EQ(observer->finished, (std::vector<int> { 200, 299 }));
    EXPECT_EQ(observer->failed, (std::vector<int> { 300, 404, 500, 0 }));
    EXPECT_EQ(service->pendingCount(), 0u);
    EXPECT_EQ(fake->requests()[0].request.url, "http://127.0.0.1:1/images/1.png");
}

TEST_F(HttpServiceTest, TimesOutAfterTenSeconds)
{
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    auto request = service->startRequest("slow", "GET", std::nullopt, observer.get());
    advance(9.9);
    EXPECT_TRUE(observer->failed.empty());
    advance(0.1);
    EXPECT_EQ(observer->failed, std::vector<int> { 0 });
    EXPECT_EQ(request->error(), platform::HttpError::TimedOut);
}

TEST_F(HttpServiceTest, CancellingCallsNoObserverAndTheServiceKeepsObserversAlive)
{
    platform::Ref<CountingObserver> kept = platform::adoptRef(new CountingObserver);
    {
        platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
        service->startRequest("a", "GET", std::nullopt, observer.get());
    } // the caller let go; the running request keeps it
    service->startRequest("b", "GET", std::nullopt, kept.get());
    auto c = service->startRequest("c", "GET", std::nullopt, kept.get());
    c->cancelImmediately();
    EXPECT_EQ(service->pendingCount(), 2u);
    fake->complete(HttpResult::answer(200, {}));
    EXPECT_EQ(service->pendingCount(), 1u);
    service = nullptr; // destroying the service cancels the rest
    advance(20);
    EXPECT_TRUE(kept->finished.empty());
    EXPECT_TRUE(kept->failed.empty());
    EXPECT_EQ(fake->activeCount(), 0u);
}

TEST_F(HttpServiceTest, UploadSetsBoundaryAndCredentials)
{
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    std::string user = "u", password = "p", boundary = "XyZ";
    service->startRequest("upload", "POST", platform::Bytes { 1, 2 }, &user, &password, nullptr, &boundary,
                          observer.get());
    auto& r = fake->lastRequest();
    EXPECT_EQ(r.header("Content-Type"), "multipart/form-data;boundary=XyZ");
    EXPECT_EQ(r.header("Authorization"), "Basic dTpw");
    EXPECT_EQ(r.body, (platform::Bytes { 1, 2 }));
}

TEST_F(HttpServiceTest, BlobObserverWrapsOrPassesTheBody)
{
    auto recorder = platform::adoptRef(new Recorder);
    QVDelegate ok(recorder.get(), BRISKO_SELECTOR(Recorder, ok));
    QVDelegate bad(recorder.get(), BRISKO_SELECTOR(Recorder, bad));
    auto pass = platform::Boxed::number(7);
    platform::Ref<QVBlobDownloadObserver> wrapping = platform::adoptRef(new QVBlobDownloadObserver(ok, bad, true));
    platform::Ref<QVBlobDownloadObserver> plain = platform::adoptRef(new QVBlobDownloadObserver(ok, bad, false));
    fake->script(HttpResult::answer(200, { 9 }));
    fake->script(HttpResult::answer(403, { 9 }));
    fake->script(HttpResult::answer(200, { 4, 5 }));
    fake->script(HttpResult::failure(platform::HttpError::TimedOut));
    service->startRequest("a", "GET", std::nullopt, nullptr, nullptr, pass.get(), nullptr, wrapping.get());
    service->startRequest("b", "GET", std::nullopt, nullptr, nullptr, pass.get(), nullptr, wrapping.get());
    service->startRequest("c", "GET", std::nullopt, plain.get());
    service->startRequest("d", "GET", std::nullopt, plain.get());
    loop().drain();
    ASSERT_EQ(recorder->okArgs.size(), 2u);
    ASSERT_EQ(recorder->badArgs.size(), 2u);
    auto* wrapped = dynamic_cast<QVS3Response*>(recorder->okArgs[0].get());
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->statusCode(), 200);
    EXPECT_EQ(wrapped->passThroughObject(), pass.get());
    auto* refused = dynamic_cast<QVS3Response*>(recorder->badArgs[0].get());
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->statusCode(), 403);
    EXPECT_FALSE(refused->data());
    auto* body = dynamic_cast<platform::Boxed*>(recorder->okArgs[1].get());
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->value().data(), (platform::Bytes { 4, 5 }));
    EXPECT_EQ(recorder->badArgs[1], nullptr);
}

TEST_F(HttpServiceTest, BlobObserverExpandsStoredBlobsAndFailsOnesThatDoNotExpand)
{
    auto recorder = platform::adoptRef(new Recorder);
    QVDelegate ok(recorder.get(), BRISKO_SELECTOR(Recorder, ok));
    QVDelegate bad(recorder.get(), BRISKO_SELECTOR(Recorder, bad));
    platform::Ref<QVBlobDownloadObserver> plain = platform::adoptRef(new QVBlobDownloadObserver(ok, bad, false));
    platform::Bytes blob(600, 'b');
    platform::Bytes stored = QVCompressableData::serializedDataFromData(blob);
    ASSERT_LT(stored.size(), blob.size());
    platform::Bytes broken = stored;
    broken.resize(stored.size() - 4);
    fake->script(HttpResult::answer(200, stored));
    fake->script(HttpResult::answer(200, broken));
    service->startRequest("good", "GET", std::nullopt, plain.get());
    service->startRequest("broken", "GET", std::nullopt, plain.get());
    loop().drain();
    ASSERT_EQ(recorder->okArgs.size(), 1u);
    EXPECT_EQ(dynamic_cast<platform::Boxed*>(recorder->okArgs[0].get())->value().data(), blob);
    ASSERT_EQ(recorder->badArgs.size(), 1u);
    EXPECT_EQ(recorder->badArgs[0], nullptr);
}

TEST_F(HttpServiceTest, AnEndedRequestLeavesItsModule)
{
    static const int module = 0;
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    fake->script(HttpResult::answer(200, platform::Bytes(1024, 'x')));
    fake->script(HttpResult::answer(500, {}));
    for (const char* path : { "ok", "refused", "cancelled" }) {
        auto request = service->startRequest(path, "GET", std::nullopt, observer.get());
        QVRequestHandlesForModule::addHandle(QVRequestHandle::requestHandle(request.get()).get(), &module);
        if (std::string(path) == "cancelled")
            request->cancelImmediately();
    }
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&module), 2u);
    loop().drain();
    // Neither the finished nor the failed request (nor its body) stays filed under the module.
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&module), 0u);
    EXPECT_EQ(observer->finished.size() + observer->failed.size(), 2u);
    QVRequestHandlesForModule::reset();
}

// The same service over libcurl to the stand-in on loopback.
class HttpServiceLoopbackTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        transport = platform::CurlHttpTransport::create();
        platform::HttpTransport::setShared(Ref<platform::HttpTransport>(transport.get()));
        ASSERT_GT(server.start(), 0);
        service = platform::adoptRef(new QVHttpService(server.baseUrl(), false));
    }
    void TearDown() override
    {
        service = nullptr;
        platform::HttpTransport::setShared(nullptr);
        transport = nullptr;
        server.stop();
        ManualClockTest::TearDown();
    }
    Ref<platform::CurlHttpTransport> transport;
    standin::StandInServer server;
    platform::Ref<QVHttpService> service;
};

TEST_F(HttpServiceLoopbackTest, AnEmptyPutSaysItsLengthIsZero)
{
    server.route("PUT", "blobs/1", standin::Answer::xml("<ok/>"));
    server.route("PUT", "blobs/2", standin::Answer::xml("<ok/>"));
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    service->startRequest("blobs/1", "PUT", std::nullopt, observer.get());
    service->startRequest("blobs/2", "PUT", platform::Bytes { 'a', 'b' }, observer.get());
    ASSERT_TRUE(loop().runUntil([&] { return observer->finished.size() + observer->failed.size() == 2; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(observer->finished, (std::vector<int> { 200, 200 }));
    auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    for (auto& r : log) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.header("Content-Length"), r.path == "blobs/1" ? "0" : "2");
    }
}

// One cap on every answer: a storage host's 12 MiB answer to a blob's upload
// is refused as a signed request's would be, never taken as an upload done.
TEST_F(HttpServiceLoopbackTest, AnAnswerAboveTheCapOfEveryAnswerFailsAsTooLarge)
{
    standin::Answer huge = standin::Answer::xml("");
    huge.hugeBodyBytes = QVAnswer::kMaxSize + 4 * 1024 * 1024;
    server.route("POST", "upload", huge);
    platform::Ref<CountingObserver> observer = platform::adoptRef(new CountingObserver);
    auto request = service->startRequest("upload", "POST", platform::Bytes { 'x' }, observer.get());
    ASSERT_TRUE(loop().runUntil([&] { return !observer->failed.empty() || !observer->finished.empty(); },
                                testing_support::kHungAfterSeconds));
    EXPECT_TRUE(observer->finished.empty());
    EXPECT_EQ(request->error(), platform::HttpError::TooLarge);
}

} // namespace

// A server path written with its leading "/" (a picture's "/banners/a.png", the
// cloud store's "/cloud_stores") is the same path as without it: a doubled
// slash would name a different resource on the server.
TEST(HttpServiceUrl, ServerPathsJoinTheServerAddressWithOneSlash)
{
    EXPECT_EQ(QVJoinUrl("http://h:1/", "/banners/a.png"), "http://h:1/banners/a.png");
    EXPECT_EQ(QVJoinUrl("http://h:1/", "users.xml"), "http://h:1/users.xml");
    EXPECT_EQ(QVJoinUrl("http://h:1/api", "users.xml"), "http://h:1/api/users.xml");
    EXPECT_EQ(QVJoinUrl("http://h:1/api", "/users.xml"), "http://h:1/api/users.xml");
    EXPECT_EQ(QVJoinUrl("", "http://elsewhere/a.png"), "http://elsewhere/a.png");
}
