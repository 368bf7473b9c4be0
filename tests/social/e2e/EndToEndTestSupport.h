// The end-to-end harness: the whole client, as a game starts it, against the
// stand-in service that keeps its state in SQLite under a folder of the test,
// over real loopback HTTP. The service can be killed and started again on the
// same port and folder while the client runs; the window shows what the
// central class presents, so the test can tap its screens.
#pragma once

#include "social/core/QuorvelTestSupport.h"

#include "platform/ui/TestDriver.h"
#include "platform/ui/ViewController.h"
#include "tools/standin/PrivateLoopback.h"
#include "tools/standin/StandInState.h"

#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e_testing {

// The views a player can see under `root`, in tree order: shown, not transparent, on the screen,
// and not under the screen the client presents over the rest (the root's modal screen: over the
// window on a phone, inside the dashboard's panel on a tablet).
void seenViews(platform::ui::View* root, std::vector<platform::ui::View*>& out);

class Game final : public quorvel::QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override
    {
        calls.push_back("userLoggedIn:" + id);
        if (whenLoggedIn)
            whenLoggedIn(id);
    }
    void offlineUserLoggedIn(const std::string& id) override { calls.push_back("offlineUserLoggedIn:" + id); }
    void userLoggedOut(const std::string& id) override { calls.push_back("userLoggedOut:" + id); }
    std::vector<std::string> calls;
    // What the game does when told of a login (logging the player out, say).
    std::function<void(const std::string& id)> whenLoggedIn;
};

class EndToEndTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the service on the test's folder (on a free port the first time,
    // then on the same one again); kills it.
    void startService();
    void killService();
    // Starts the client as the game does, with the game's delegate.
    void launch();
    // The game quits.
    void quit();

    // The service's log of requests to one path since it last started.
    std::vector<standin::LoggedRequest> serviceRequestsTo(const std::string& path) const;
    // Runs the loop and the screens until done; the clock moves only while
    // nothing is in flight (waitSteppingClock).
    bool waitUntil(const std::function<bool()>& done);
    // The settings file names the test's service.
    std::string serviceBaseUrl() const override { return "http://" + serviceAddress() + ":" + std::to_string(port) + "/"; }
    // The loopback address the test's services listen on, the test's alone.
    const std::string& serviceAddress() const { return loopback.address(); }
    // Who a settle waits for: the test's service, whichever runs now, and its presence channel.
    standin::NetworkParties networkParties() const override
    {
        return { { service.get() }, channel.get(), channelRequests, clientWork };
    }
    // Shows what the central class presents now in the window.
    void sync();
    // The player waits `seconds` of the clock: the answers on their way come
    // in, the clock moves, the answers of what it started come in, the
    // screens settle. For what must not happen, as for what must.
    void letTimePass(double seconds);
    // After a touch: its answers, its animations and what they start.
    void settleAfterTouch() { letTimePass(0.6); }
    bool tap(const std::string& buttonTitle);
    std::string screenName() const;
    std::string loggedInUser() const;

    // A player's moves on whatever the window shows now. Each settles the
    // screens afterwards and answers whether the touch reached what it named.
    //
    // The texts a player can read: labels, button titles, fields' and text
    // views' texts, the top navigation bar's title and buttons; in tree order.
    std::vector<std::string> visibleTexts() const;
    // Whether some visible text contains `text`.
    bool shows(const std::string& text) const;
    bool waitForText(const std::string& text);
    // Where the first visible text that reads exactly `text` begins, as a y in
    // the window (down the screen as it grows); -1 when none shows.
    float textTop(const std::string& text) const;
    // Taps the centre of the first visible label, button or field whose text is
    // exactly `text` (a list row through its label, a button by its title).
    bool tapText(const std::string& text);
    // Taps the first visible list row that shows `text` in one of its labels
    // (where the same text also shows outside the list, e.g. in a banner).
    bool tapRow(const std::string& text);
    // Taps the dashboard's tab named `name` ("Game", "Player", "Social", ...).
    bool tapTab(const std::string& name);
    // The back button, or a bar button by title, of the front navigation bar.
    bool tapBack();
    bool tapBarButton(const std::string& title);
    // The right button of the front screen's bar, whatever draws it (an
    // image or a system item: the compose button has no title).
    bool tapRightBarButton();
    // The player swipes the front list to its end.
    void scrollFrontListToEnd();
    // Focuses the visible text field or text view number `index` (tree order),
    // clears it and types `text`.
    bool typeInto(size_t index, const std::string& text);
    // The screen in front: the deepest visible controller that is not a stack
    // or tab container ("" when only the game shows).
    platform::ui::ViewController* frontScreen() const;
    std::string frontScreenName() const;
    // The last visible navigation stack in tree order.
    platform::ui::NavigationController* frontStack() const;
    bool waitForScreen(const std::string& className);
    // Waits for a text and taps it (a row that loads, a button that appears).
    bool tapWhenShown(const std::string& text);
    // The front screen's name and the visible texts, one line, for failure messages.
    std::string screenText() const;

    // What the service keeps: the first column of the first row a query on
    // its store answers (or ""), and SQL run on it as its operator would.
    std::string kept(const std::string& sql) const;
    bool keep(const std::string& sql) const;

    // The game opens the dashboard on its first tab and waits until it shows.
    void openDashboard();
    // Approves, launches and waits for the online login; answers the player's id.
    int64_t launchAndLogIn();
    // Launches on a device that has no account yet, accepts the client and,
    // from the new player's naming screen, opens the e-mail login ("I already
    // have an account").
    void openLoginFromTheNamingScreen();
    // The player logged in on an earlier launch; this one finds the service
    // gone and has ended its login attempt. Answers the player's id.
    int64_t logInThenRelaunchWithoutTheService();

    // Held for the whole test: while the service is down between a kill and
    // a restart, no other program can take its port or answer its client.
    standin::PrivateLoopback loopback;
    testing_support::TempDir serviceHome;
    std::unique_ptr<standin::StandInState> state;
    std::unique_ptr<standin::StandInServer> service;
    int port { 0 };
    // Whether the service enables presence: BRISKO_STANDIN_PRESENCE=1 turns it
    // on for every test; a fixture may set it before SetUp. The presence
    // channel then lives and dies with the service, on a port of its own.
    bool presence { false };
    std::unique_ptr<standin::StompStandIn> channel;
    int channelPort { 0 };
    Game game;
    platform::Ref<quorvel::QVDelegatesContainer> delegates = quorvel::QVDelegatesContainer::create();
    std::unique_ptr<platform::ui::TestDriver> driver;
    std::vector<std::string> notices;
};

} // namespace e2e_testing
