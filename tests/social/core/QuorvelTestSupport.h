// The harness of the central class's tests, for every test that starts the
// whole client: the main loop on a manual clock, a private home (user
// defaults, keychain, Documents) and bundle, the stand-in service on a
// loopback port with its default routes, and a settings file in the bundle
// that points "server-url" at it. startClient() initialises the client the way
// a game does; the fixture shuts it down again at the end.
#pragma once

#include "support/SavedControllerLoaderNames.h"
#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVScreensRole.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInServer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace core_testing {

class QuorvelTest : public testing_support::ManualClockTest {
protected:
    static constexpr const char* kProductKey = "product-key";
    static constexpr const char* kProductSecret = "product-secret";
    static constexpr const char* kDisplayName = "Brisko";

    void SetUp() override;
    void TearDown() override;

    // (Re)writes the bundle's settings file: "server-url" at the stand-in, plus `extraConfig` elements.
    void writeSettingsFile(const std::string& extraConfig = {});
    // The service the settings file names: the harness's own, unless a fixture runs another.
    virtual std::string serviceBaseUrl() const { return server.baseUrl(); }
    // Initialises the client as the game does.
    void startClient(const quorvel::QuorvelSettingsDictionary& settings = {},
                     quorvel::QVDelegatesContainer* delegates = nullptr);
    // The user defaults as a new process reads them (from the file).
    void reloadUserDefaults() { platform::UserDefaults::resetStandardUserDefaults(); }
    // Runs the loop on real loopback I/O until done; the clock stays where it is.
    bool waitFor(const std::function<bool()>& done) { return loop().runUntil(done, testing_support::kHungAfterSeconds); }
    // Runs the loop until the client and the stand-in are done with each other
    // (answers the test holds aside); a hung one fails the test, naming what is in flight.
    bool settleNetwork();
    // Who a settle waits for: the harness's service.
    virtual standin::NetworkParties networkParties() const { return { { &server }, nullptr, channelRequests, clientWork }; }
    // The client's requests inside the presence channel still unanswered.
    static size_t channelRequests();
    // What else the client is doing that decides what it sends or shows next.
    static size_t clientWork();
    // Runs the loop until done holds, with `turn` after each turn (a test that
    // shows the client's screens syncs them there); the clock moves through
    // `step` only while nothing is in flight (standin::waitSteppingClock).
    // False after two minutes of the clock's time or a hung network.
    bool waitSteppingClock(const std::function<bool()>& done, const std::function<void(double)>& step,
                           const std::function<void()>& turn);
    // The stand-in's log of requests to one path.
    std::vector<standin::LoggedRequest> requestsTo(const std::string& path) const;
    // Waits for the start-up's bootstrap request to reach the stand-in.
    bool waitForBootstrapRequests(size_t count = 1);

    testing_support::TempDir home;
    testing_support::TempDir bundle;
    standin::StandInServer server;
    platform::Ref<platform::CurlHttpTransport> transport;

private:
    std::string oldHome_;
    std::string oldResources_;
    // Start-up sets the controller loader's names from the settings.
    testing_support::SavedControllerLoaderNames loaderNames_;
};

// Stands in for the running client's screens role while it lives and records
// the dashboard launches (tab and screens) instead of opening the dashboard;
// a received challenge's detail is still made by the client's own part. The
// client's part (or none) is installed again when it goes.
class DashboardLaunches : public quorvel::QVScreensRole {
public:
    DashboardLaunches() { quorvel::QVScreensRole::setCurrent(this); }
    ~DashboardLaunches() override
    {
        if (&quorvel::QVScreensRole::current() == this)
            quorvel::QVScreensRole::setCurrent(quorvel::QuorvelInternal::sharedInstance()
                                                   ? &quorvel::QuorvelInternal::serviceScreens()
                                                   : nullptr);
    }
    DashboardLaunches(const DashboardLaunches&) = delete;
    DashboardLaunches& operator=(const DashboardLaunches&) = delete;

    void showChallengeDetail(const std::string& challengeId) override
    {
        quorvel::QuorvelInternal::serviceScreens().showChallengeDetail(challengeId);
    }
    void launchDashboard(const std::string& tab,
                         const std::vector<platform::Ref<platform::ui::ViewController>>& controllers) override
    {
        launches.emplace_back(tab, controllers);
    }

    std::vector<std::pair<std::string, std::vector<platform::Ref<platform::ui::ViewController>>>> launches;
};

// Records notification names (and their user info) posted on the default centre.
class NotificationRecorder {
public:
    explicit NotificationRecorder(std::vector<std::string> names);
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    struct Posted {
        std::string name;
        platform::Value userInfo;
        std::vector<std::pair<std::string, platform::Ref<platform::Object>>> userObjects;
        bool hadSender;
    };
    std::vector<Posted> posted;
    std::vector<std::string> names() const;
};

} // namespace core_testing
