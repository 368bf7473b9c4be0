// The Facebook session: its keys kept in the defaults, its delegates and the
// dialogs it records.
#include "support/NetTestSupport.h"

#include "social/runtime/FBSession.h"

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

} // namespace
