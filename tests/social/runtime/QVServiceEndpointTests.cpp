// Request paths from endpoint formats; a service refusing an empty id, or a
// request with no provider to send it; the shared instance of a service class
// and the screens' overridables.
#include "social/runtime/QVService.h"
#include "social/runtime/QVSessionRole.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;

namespace {

TEST(ServicePath, EncodesEachSegmentButKeepsTheLocalPlayer)
{
    EXPECT_EQ(QVServicePath::build("users/%@/following.xml", { "17" }), "users/17/following.xml");
    EXPECT_EQ(QVServicePath::build("users/%@/", { "a/b?c d#é" }), "users/a%2Fb%3Fc%20d%23%C3%A9/");
    EXPECT_EQ(QVServicePath::build("users/%@/settings/%@.xml", { "@me", "me" }), "users/@me/settings/me.xml");
    EXPECT_EQ(QVServicePath::build("users/%@/", { "..%2F" }), "users/..%252F/");
    EXPECT_EQ(QVServicePath::build("users/%@/x", { ".." }), "users/%2E%2E/x");
    EXPECT_EQ(QVServicePath::build("users.xml", {}), "users.xml");
}

TEST(ServicePath, RefusesEmptyOrMissingSegments)
{
    EXPECT_FALSE(QVServicePath::build("users/%@/", { "" }));
    EXPECT_FALSE(QVServicePath::build("users/%@/%@", { "1" }));
    EXPECT_FALSE(QVServicePath::build("users.xml", { "1" }));
}

class Recorder : public platform::Object {
public:
    void succeeded(platform::Object*) { ++successes; }
    void failed(platform::Object* arg)
    {
        ++failures;
        failureArg = arg;
    }
    int successes { 0 }, failures { 0 };
    platform::Object* failureArg { reinterpret_cast<platform::Object*>(1) };
};

class PatternService : public QVSharedService<PatternService> {
public:
    PatternService() = default;
};

TEST(ServiceBase, EmptyIdFailsAtOnceWithoutRequest)
{
    auto r = platform::adoptRef(new Recorder);
    const QVServiceEndpoint follow { "POST", "users/%@/following.xml", 2, "Followed" };
    auto handle = PatternService::service().send(follow, { "" }, nullptr,
                                                 QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, succeeded)),
                                                 QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, failed)));
    EXPECT_FALSE(handle);
    EXPECT_EQ(r->failures, 1);
    EXPECT_EQ(r->failureArg, nullptr);
    EXPECT_EQ(r->successes, 0);
    PatternService::shutdownService();
}

TEST(ServiceBase, WithoutAProviderFailsAtOnceWithoutRequest)
{
    // No client running: the session has no provider to send through.
    ASSERT_EQ(QVSessionRole::current().provider(), nullptr);
    auto r = platform::adoptRef(new Recorder);
    const QVServiceEndpoint users { "GET", "users/%@.xml", 0 };
    auto handle = PatternService::service().send(users, { "17" }, nullptr,
                                                 QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, succeeded)),
                                                 QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, failed)));
    EXPECT_FALSE(handle);
    EXPECT_EQ(r->failures, 1) << "the caller must not wait for an answer that never comes";
    EXPECT_EQ(r->failureArg, nullptr);
    EXPECT_EQ(r->successes, 0);
    PatternService::shutdownService();
}

TEST(ServiceBase, SharedInstanceAndOverridables)
{
    EXPECT_EQ(PatternService::sharedService(), nullptr);
    PatternService::initializeService();
    PatternService* shared = PatternService::sharedService();
    ASSERT_NE(shared, nullptr);
    PatternService::initializeService();
    EXPECT_EQ(PatternService::sharedService(), shared) << "made once";
    QVService* asBase = shared;
    EXPECT_EQ(asBase->sharedInstance(), shared);
    EXPECT_FALSE(asBase->getIndexOnSuccess(QVDelegate(), QVDelegate()));
    auto r = platform::adoptRef(new Recorder);
    EXPECT_FALSE(asBase->getShowWithId("1", QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, succeeded)),
                                       QVDelegate(r.get(), BRISKO_SELECTOR(Recorder, failed))));
    EXPECT_EQ(r->failures, 1) << "a record screen on a service that reads no record must not wait forever";
    EXPECT_EQ(r->successes, 0);
    PatternService::shutdownService();
    EXPECT_EQ(PatternService::sharedService(), nullptr);
}

} // namespace
