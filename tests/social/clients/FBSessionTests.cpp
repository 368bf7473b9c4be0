// Smaller pieces of the clients: the Facebook session's stored keys, delegates
// and recorded dialogs; reachability observers; a loader built without
// dispatch for the web screens.
#include "support/NetTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/clients/FBSession.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;

namespace {

class SessionWatcher : public FBSessionDelegate, public FBDialogDelegate {
public:
    void sessionDidLogin(FBSession*, uint64_t uid) override { logins.push_back(uid); }
    void sessionDidLogout(FBSession*) override { ++logouts; }
    void dialogDidSucceed(FBDialog*) override { ++granted; }
    void dialogDidCancel(FBDialog*) override { ++cancelled; }
    std::vector<uint64_t> logins;
    int logouts { 0 }, granted { 0 }, cancelled { 0 };
};

TEST_F(NetTest, FacebookSessionKeepsItsKeysInTheDefaultsAndRecordsDialogs)
{
    SessionWatcher watcher;
    auto session = FBSession::sessionForApplication("fb-key", "http://127.0.0.1/fbconnect/get_session", &watcher);
    EXPECT_EQ(FBSession::session(), session.get());
    EXPECT_FALSE(session->resume());

    auto login = FBLoginDialog::dialogWithSession(session.get());
    login->show();
    ASSERT_EQ(FBDialog::shownDialogs().size(), 1u);
    login->succeedWithSession(12345678901ULL, "sess-key", "sess-secret", 99);
    EXPECT_TRUE(FBDialog::shownDialogs().empty());
    EXPECT_EQ(watcher.logins, std::vector<uint64_t> { 12345678901ULL });
    EXPECT_EQ(platform::UserDefaults::standardUserDefaults().stringForKey("FBSessionKey"), "sess-key");

    FBSession::purgeSession();
    auto again = FBSession::sessionForApplication("fb-key", "", &watcher);
    ASSERT_TRUE(again->resume());
    EXPECT_EQ(again->uid(), 12345678901ULL);
    EXPECT_EQ(again->sessionSecret(), "sess-secret");

    auto permission = FBPermissionDialog::dialog();
    permission->setPermission("publish_stream");
    permission->setDelegate(&watcher);
    permission->show();
    permission->cancel();
    EXPECT_EQ(watcher.cancelled, 1);

    // Logging out of the client logs the session out and forgets its keys.
    provider->destroyLocalCredentials();
    EXPECT_EQ(watcher.logouts, 1);
    EXPECT_FALSE(again->isConnected());
    EXPECT_FALSE(platform::UserDefaults::standardUserDefaults().objectForKey("FBSessionKey").asBool());
    again->delegates().clear();
    FBSession::purgeSession();
}

class StatusRecorder : public platform::Object {
public:
    void changed(platform::Object* status)
    {
        if (auto* b = dynamic_cast<platform::Boxed*>(status))
            statuses.push_back(static_cast<int>(b->value().asInteger()));
    }
    std::vector<int> statuses;
};

TEST_F(NetTest, ReachabilityObserversHearEveryChangeUntilDeleted)
{
    auto recorder = platform::adoptRef(new StatusRecorder);
    {
        QVPointer<QVReachabilityObserver> observer(
            new QVReachabilityObserver(QVDelegate(recorder.get(), BRISKO_SELECTOR(StatusRecorder, changed))));
        reachability->setStatus(platform::Reachability::NotReachable);
        EXPECT_FALSE(QVReachability::isConnectedToInternet());
        reachability->setStatus(platform::Reachability::ReachableViaWWAN);
        EXPECT_TRUE(QVReachability::isConnectedToInternet());
    }
    reachability->setStatus(platform::Reachability::NotReachable);
    EXPECT_EQ(recorder->statuses, (std::vector<int> { 0, 1 }));
    QVReachability::Uninitialize();
    EXPECT_FALSE(QVReachability::isConnectedToInternet());
}

TEST_F(NetTest, LoaderForWebScreensIsSignedAndReportsThroughItsValues)
{
    provider->setAccessToken("token-1", "token-secret-1");
    server.route("GET", "web/page", standin::Answer::xml("<html/>"));
    auto recorder = CallbackRecorder::create();
    auto loader = provider->getRequestForAction("web/page", { OAuthURLRequestParameter::parameterWithName("a", "1") },
                                                "GET", recorder->onSuccess(), recorder->onFailure(), 0, nullptr, true);
    auto configured = loader->getConfiguredRequest();
    EXPECT_NE(configured.url.find("a=1"), std::string::npos);
    EXPECT_EQ(configured.header("Authorization").rfind("OAuth ", 0), 0u);
    EXPECT_EQ(server.requestCount(), 0u); // built, not sent
    loader->loadSynchronously(false);
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->successArg.get(), loader.get());
    EXPECT_TRUE(server.requests()[0].signatureValid);
    recorder->successArg = nullptr; // the loader's values lead back to the recorder
}

} // namespace
