// Shared fixture of the network tests of the client: the main loop on a manual
// clock, a fresh libcurl transport, a private home folder (keychain, defaults),
// the stand-in service on a loopback port, a recording runtime roles double and a
// provider pointed at the stand-in.
#pragma once

#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/Reachability.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/TestRuntimeRoles.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInServer.h"

#include <string>
#include <vector>

namespace net_testing {

// A polled record of the tests: <activity id="..."><text>...</text></activity>.
class TestActivity : public quorvel::QVResource {
    QV_DECLARE_RESOURCE(TestActivity)
public:
    static std::string getResourceName() { return "activity"; }
    static std::string getResourceDiscoveredNotification() { return "activity_discovered"; }
    static void getDataMap(quorvel::QVResourceDataMap& map) { map.addField("text", &TestActivity::setText, &TestActivity::text); }
    const std::string& text() const { return text_; }
    void setText(const std::string& t) { text_ = t; }

private:
    std::string text_;
};

// Records what the runtime asks of the facade.
class RecordingHost : public quorvel::TestRuntimeRoles {
public:
    bool approved { true };
    bool disabled { false };
    bool errorScreens { true };
    std::string session { "session-42" };
    quorvel::QVProvider* providerLink { nullptr };
    std::vector<std::string> messages;
    std::vector<std::string> calls;

    bool hasUserApprovedQuorvel() override { return approved; }
    bool isQuorvelDisabled() override { return disabled; }
    bool areErrorScreensAllowed() override { return errorScreens; }
    std::string sessionId() override { return session; }
    quorvel::QVProvider* provider() override { return providerLink; }
    void displayErrorMessage(const std::string& m) override { messages.push_back(m); }
    void displayUpgradeRequiredErrorMessage(const platform::Bytes&) override { calls.push_back("upgrade"); }
    void displayServerMaintenanceNotice(const platform::Bytes&) override { calls.push_back("maintenance"); }
    void launchLoginFlowForRequest(quorvel::QVActionRequest& r) override
    {
        calls.push_back("login");
        TestRuntimeRoles::launchLoginFlowForRequest(r);
    }
    void launchGetExtendedCredentialsFlowForRequest(quorvel::QVActionRequest& r, const platform::Bytes& b,
                                                    platform::Object* n) override
    {
        calls.push_back("credentials");
        TestRuntimeRoles::launchGetExtendedCredentialsFlowForRequest(r, b, n);
    }
    void notifyAddOnsUserLoggedIn() override { calls.push_back("addons-in"); }
    void notifyAddOnsUserLoggedOut() override { calls.push_back("addons-out"); }
};

// Counts the callbacks a request reaches and keeps their arguments.
class CallbackRecorder : public platform::Object {
public:
    static platform::Ref<CallbackRecorder> create() { return platform::adoptRef(new CallbackRecorder); }
    void succeeded(platform::Object* arg) { ++successes; successArg = platform::Ref<platform::Object>(arg); }
    void failed(platform::Object* arg) { ++failures; failureArg = platform::Ref<platform::Object>(arg); }
    quorvel::QVDelegate onSuccess() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(CallbackRecorder, succeeded)); }
    quorvel::QVDelegate onFailure() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(CallbackRecorder, failed)); }
    int total() const { return successes + failures; }

    int successes { 0 };
    int failures { 0 };
    platform::Ref<platform::Object> successArg;
    platform::Ref<platform::Object> failureArg;
};

class NetTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        oldHome = platform::Bundle::main().homeDirectory();
        platform::Bundle::main().setHomeDirectory(home.path());
        platform::UserDefaults::resetStandardUserDefaults();
        transport = platform::CurlHttpTransport::create();
        platform::HttpTransport::setShared(platform::Ref<platform::HttpTransport>(transport.get()));
        ASSERT_GT(server.start(), 0);
        server.setConsumer("product-key", "product-secret");
        server.addToken("token-1", "token-secret-1");
        provider = quorvel::QVProvider::providerWithProductKey("product-key", "product-secret");
        provider->setServerUrl(server.baseUrl());
        host.providerLink = provider.get();
        quorvel::TestRuntimeRoles::setCurrent(&host);
        reachability = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
        quorvel::QVReachability::InitializeWithSource(platform::Ref<platform::Reachability>(reachability.get()));
    }

    void TearDown() override
    {
        provider->destroyAllPendingRequests();
        quorvel::QVReachability::Uninitialize();
        quorvel::TestRuntimeRoles::setCurrent(nullptr);
        quorvel::QVRequestHandlesForModule::reset();
        // The client's connections close first, so the server's workers end at once.
        platform::HttpTransport::setShared(nullptr);
        transport = nullptr;
        server.stop();
        provider = nullptr;
        platform::Bundle::main().setHomeDirectory(oldHome);
        platform::UserDefaults::resetStandardUserDefaults();
        ManualClockTest::TearDown();
    }

    // Runs the loop on real loopback I/O until done; the clock stays where it is.
    bool waitFor(const std::function<bool()>& done) { return loop().runUntil(done, testing_support::kHungAfterSeconds); }
    // Runs the loop until the client and the stand-in are done with each other
    // (answers the test holds aside); a hung one fails the test, naming what is in flight.
    bool settleNetwork(const standin::StompStandIn* channel = nullptr)
    {
        standin::Settled settled = standin::settleNetwork({ { &server }, channel }, testing_support::kHungAfterSeconds);
        if (!settled)
            ADD_FAILURE() << "the network did not settle: " << settled.inFlight;
        return settled.quiet;
    }

    testing_support::TempDir home;
    std::string oldHome;
    standin::StandInServer server;
    RecordingHost host;
    platform::Ref<platform::CurlHttpTransport> transport;
    platform::Ref<quorvel::QVProvider> provider;
    platform::Ref<platform::ManualReachability> reachability;
};

} // namespace net_testing
