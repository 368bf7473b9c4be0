// The user service against the stand-in: each request's method, path and
// parameters, the local and offline answers of a user lookup, the public
// class's lookup, and the e-mail credential record.
#include "ServiceTestSupport.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVHttpBasicCredential.h"
#include "social/services/QVOfflineStore.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

class LookupDelegate : public platform::Object, public QVUserDelegate {
public:
    void didGetUser(QVUser* user) override { users.emplace_back(user); }
    void didFailGetUser() override { ++failures; }
    std::vector<Ref<QVUser>> users;
    int failures { 0 };
};

class QVUserServiceTest : public ServiceNetTest { };

TEST_F(QVUserServiceTest, EachRequestSendsItsMethodPathAndParameters)
{
    struct Case {
        ServiceCall call;
        const char* method;
        const char* path;
        Params params;
        bool signedWithToken;
    };
    const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    const Case cases[] = {
        { [](auto& s, auto& f) { QVUserService::getUser("17", s, f); }, "GET", "users/17/", {}, true },
        { [](auto& s, auto& f) { QVUserService::setUserLocation("", { 48.5, -16.25 }, false, s, f); }, "POST",
          "users/@me/set_location.xml", { { "lat", "48.500000" }, { "lng", "-16.250000" } }, true },
        { [](auto& s, auto& f) { QVUserService::setUserLocation("17", { 1, 2 }, true, s, f); }, "POST",
          "users/17/set_location.xml", { { "lat", "1.000000" }, { "lng", "2.000000" }, { "allowed", "1" } }, true },
        { [](auto& s, auto& f) { QVUserService::findUsersByName("Ann & Bo", 3, s, f); }, "GET", "users.xml",
          { { "name", "Ann & Bo" }, { "page", "3" } }, true },
        { [](auto& s, auto& f) { QVUserService::findUsersForLocalDeviceOnSuccess(s, f); }, "GET",
          "users/for_device.xml", { { "udid", udid } }, true },
        { [](auto& s, auto& f) { QVUserService::getEmailForUser("", s, f); }, "GET", "http_basic_credentials/@me.xml",
          {}, true },
        { [](auto& s, auto& f) { QVUserService::getEmailForUser("17", s, f); }, "GET", "http_basic_credentials/17.xml",
          {}, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        standin::LoggedRequest sent = sendOne(c.call);
        EXPECT_EQ(sent.method, c.method);
        EXPECT_EQ(sent.path, c.path);
        EXPECT_EQ(ownParams(sent), c.params);
        EXPECT_TRUE(sent.signatureValid);
        EXPECT_TRUE(facade.notices.empty()) << "the user service's requests are silent";
    }
}

TEST_F(QVUserServiceTest, DeviceAccountsNeedNoLogin)
{
    provider->setAccessToken("", "");
    QVUserService::findUsersForLocalDeviceOnSuccess(recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_TRUE(host.calls.empty() && facade.calls.empty()) << "no login flow";
    ASSERT_TRUE(answer());
    EXPECT_EQ(answer()->count(), 3u);
}

TEST_F(QVUserServiceTest, LocalOrEmptyIdAnswersAtOnceOnlineOrOffline)
{
    facade.local = QVUser::invalidUser();
    facade.local->setResourceId("17");
    for (bool online : { true, false }) {
        facade.onlineFlag = online;
        for (const char* id : { "", "17" }) {
            recorder = net_testing::CallbackRecorder::create();
            EXPECT_FALSE(QVUserService::getUser(id, recorder->onSuccess(), recorder->onFailure()));
            ASSERT_EQ(recorder->successes, 1) << "at once";
            ASSERT_EQ(answer()->count(), 1u);
            EXPECT_EQ(answer()->objectAtIndex(0), facade.local.get());
        }
    }
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QVUserServiceTest, OfflineLookupReadsTheStoreOnly)
{
    facade.onlineFlag = false;
    ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(home.file("offline.sqlite")));
    QVOfflineStore::setupOfflineSupport();
    {
        QVOfflineStore::Use set(QVOfflineStore::userStatements().setUser);
        set->bind("id", "42");
        set->bind("name", "Stored Sam");
        set->bind("profile_picture_url", nullptr);
        set->execute();
    }
    EXPECT_FALSE(QVUserService::getUser("42", recorder->onSuccess(), recorder->onFailure()));
    ASSERT_EQ(recorder->successes, 1);
    auto* stored = dynamic_cast<QVUser*>(answer()->objectAtIndex(0));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name(), "Stored Sam");
    EXPECT_FALSE(stored->profilePictureUrl());

    recorder = net_testing::CallbackRecorder::create();
    EXPECT_FALSE(QVUserService::getUser("43", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->failureArg, nullptr);
    QVOfflineStore::teardownOfflineDatabase();

    recorder = net_testing::CallbackRecorder::create();
    QVUserService::getUser("42", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 1) << "no store: nobody is known";
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QVUserServiceTest, PublicLookupReachesTheDelegateOrFails)
{
    auto d = platform::adoptRef(new LookupDelegate);
    QVUser::setDelegate(d.get());
    auto handle = QVUser::getUser("17");
    EXPECT_TRUE(handle);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(QVUserClass::module()), 1u);
    ASSERT_TRUE(waitFor([&] { return !d->users.empty(); }));
    EXPECT_EQ(d->users[0]->name(), "Ann & Bo");

    server.route("GET", "users/404/", standin::Answer::xml("<resources/>"));
    QVUser::getUser("404");
    ASSERT_TRUE(waitFor([&] { return d->failures > 0; })) << "an answer without user fails";

    server.route("GET", "users/500/", standin::Answer::xml("<user><id>5"));
    QVUser::getUser("500");
    ASSERT_TRUE(waitFor([&] { return d->failures > 1; })) << "an unreadable 2xx answer fails";
    EXPECT_EQ(d->users.size(), 1u);
}

TEST_F(QVUserServiceTest, PathSegmentsArriveWhole)
{
    server.route("GET", "users/a b/c/", standin::Answer::xml(fixture("user.xml")));
    QVUserService::getUser("a b/c", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(recorder->successes, 1) << "the id's slash was encoded, so it reached the route whole";
}

TEST(QVHttpBasicCredential, ReadsWritesAndArchives)
{
    QVResourceNameMap names;
    names.addResource<QVHttpBasicCredential>("http_basic_credential");
    auto doc = QVXmlDocument::xmlDocumentWithString(fixture("http_basic_credential.xml"));
    auto series = QVResource::resourcesFromXml(doc.get(), names);
    ASSERT_TRUE(series);
    auto* c = dynamic_cast<QVHttpBasicCredential*>(series->objectAtIndex(0));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->resourceId(), "55");
    EXPECT_EQ(c->userId(), "17");
    EXPECT_EQ(c->email(), "ann@example.com");
    EXPECT_TRUE(c->rememberToken());
    EXPECT_TRUE(c->verified());
    EXPECT_EQ(c->lastLoginAt(), "2026-12-06T21:12:38Z");

    std::string xml = c->toResourceArrayXml();
    EXPECT_NE(xml.find("<salt>pepper</salt><remember_token>1</remember_token><verified>1</verified>"
                       "<remember_token_expires_at>"),
              std::string::npos)
        << xml;
    auto back = QVHttpBasicCredential::credentialWithArchivedData(c->archivedData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toResourceArrayXml(), xml);
}

} // namespace
