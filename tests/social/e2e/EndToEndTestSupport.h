// The end-to-end harness: the whole client, as a game starts it, against the
// stand-in service that keeps its state in SQLite under a folder of the test,
// over real loopback HTTP. The service can be killed and started again on the
// same port and folder while the client runs; the window shows what the
// central class presents, so the test can tap its screens.
#pragma once

#include "social/core/QuorvelTestSupport.h"

#include "platform/ui/TestDriver.h"
#include "platform/ui/ViewController.h"
#include "tools/standin/StandInState.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace e2e_testing {

class Game final : public quorvel::QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { calls.push_back("userLoggedIn:" + id); }
    void offlineUserLoggedIn(const std::string& id) override { calls.push_back("offlineUserLoggedIn:" + id); }
    void userLoggedOut(const std::string& id) override { calls.push_back("userLoggedOut:" + id); }
    std::vector<std::string> calls;
};

class EndToEndTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the service on the harness's port and the test's folder; kills it.
    void startService();
    void killService();
    // Starts the client as the game does, with the game's delegate.
    void launch();
    // The game quits.
    void quit();

    // The service's log of requests to one path since it last started.
    std::vector<standin::LoggedRequest> serviceRequestsTo(const std::string& path) const;
    // Runs the loop, the screens and the manual clock until done (10 s of real time at most).
    bool waitUntil(const std::function<bool()>& done);
    // Runs them for a while of real time, for what must not happen.
    void idle(double seconds);
    // Shows what the central class presents now in the window.
    void sync();
    bool tap(const std::string& buttonTitle);
    std::string screenName() const;
    std::string loggedInUser() const;

    testing_support::TempDir serviceHome;
    std::unique_ptr<standin::StandInState> state;
    std::unique_ptr<standin::StandInServer> service;
    int port { 0 };
    Game game;
    platform::Ref<quorvel::QVDelegatesContainer> delegates = quorvel::QVDelegatesContainer::create();
    std::unique_ptr<platform::ui::TestDriver> driver;
    platform::Ref<platform::ui::ViewController> shown;
    std::vector<std::string> notices;
};

} // namespace e2e_testing
