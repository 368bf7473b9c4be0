// The first-launch flow end to end, against the stand-in: the approval (web,
// then native when the page fails), the device's accounts (none, one,
// several), naming a new player, the link-networks offer and the Game Center
// note. The test drives it only by taps, typing and the stand-in's answers;
// it shows what the central class presents in a window, as the root
// controller would.
#include "social/core/QuorvelTestSupport.h"

#include "platform/gamekit/GameCenter.h"
#include "platform/device/Screen.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/TextField.h"
#include "platform/ui/WebView.h"
#include "social/dashboard/account/QVExistingAccountMultipleController.h"
#include "social/dashboard/account/QVWebApprovalController.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"
#include "social/dashboard/account/QVDoBootstrapController.h"
#include "support/ClassRegistryOverride.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;
using platform::Object;
using platform::Ref;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::TextField;
using platform::ui::View;
using platform::ui::ViewController;
using Strings = std::vector<std::string>;

namespace {

class Calls final : public Object {
public:
    static Ref<Calls> create() { return platform::adoptRef(new Calls); }
    void approvedCalled(Object*) { ++approved; }
    void deniedCalled(Object*) { ++denied; }
    QVDelegate onApproved() { return QVDelegate(this, BRISKO_SELECTOR(Calls, approvedCalled)); }
    QVDelegate onDenied() { return QVDelegate(this, BRISKO_SELECTOR(Calls, deniedCalled)); }
    int approved { 0 };
    int denied { 0 };
};

class Game final : public QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { calls.push_back("userLoggedIn:" + id); }
    std::optional<bool> showCustomQuorvelApprovalScreen() override { return customApproval; }
    bool customApproval { false };
    Strings calls;
};

// Depth-first search of the shown views.
template <typename T>
void collect(View* view, std::vector<T*>& out)
{
    if (!view || view->isHidden())
        return;
    if (auto* match = dynamic_cast<T*>(view))
        out.push_back(match);
    for (auto& sub : view->subviews())
        collect(sub.get(), out);
}

class AccountFlowTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QVRegisterAccountClasses();
        delegates->setQuorvelDelegate(&game);
        driver = std::make_unique<platform::ui::TestDriver>();
    }
    void TearDown() override
    {
        QVWebApprovalController::unregisterWebApprovalLayout();
        shown = nullptr;
        driver.reset();
        platform::ui::TestDriver::reset();
        QuorvelTest::TearDown();
        platform::gamekit::GameCenter::install(nullptr);
    }

    // Starts the client without asking, then asks for approval with the test's callbacks.
    void startAndAskForApproval(int deviceAccounts, const QuorvelSettingsDictionary& settings = {})
    {
        server.installAccountRoutes(deviceAccounts);
        game.customApproval = true;
        startClient(settings, delegates.get());
        game.customApproval = false;
        QuorvelInternal::login().presentUserQuorvelApprovalModal(calls->onApproved(), calls->onDenied());
        sync();
    }
    // The next bootstrap creates a new player.
    void answerNextBootstrapAsNewPlayer()
    {
        server.addToken("token-1", "token-secret-1");
        server.script("POST", "bootstrap.xml",
                      standin::Answer::xml(standin::StandInServer::completeBootstrapAnswer("token-1", "token-secret-1")));
    }

    // Puts what the central class presents now into the window.
    void sync()
    {
        ViewController* top = QuorvelInternal::presenter().topPresentedController();
        if (top == shown.get())
            return;
        if (shown && shown->isViewLoaded()) {
            shown->notifyViewWillDisappear(false);
            shown->view()->removeFromSuperview();
            shown->notifyViewDidDisappear(false);
        }
        shown = Ref<ViewController>(top);
        if (top) {
            View* v = top->view();
            v->setFrame(platform::ui::Screen::mainScreen().applicationFrame());
            top->notifyViewWillAppear(false);
            driver->window()->addSubview(v);
            top->notifyViewDidAppear(false);
            // The page of a web screen is scripted before its load goes on.
            if (pageSetup)
                if (auto* web = shownWebView())
                    pageSetup(web->page());
        }
        driver->settle();
    }
    // Lets the loopback answers in, moves the clock, lets the answers of what
    // that started in, and follows the presentation.
    void step(double seconds = 0.6)
    {
        settleNetwork();
        driver->advance(seconds);
        settleNetwork();
        sync();
    }
    // Follows the presentation until done; the clock moves only while nothing is in flight.
    bool waitUntil(const std::function<bool()>& done)
    {
        return waitSteppingClock(done, [this](double seconds) { driver->advance(seconds); }, [this] { sync(); });
    }
    template <typename T>
    T* onScreen()
    {
        auto screens = QuorvelInternal::presenter().presentedScreens();
        if (screens.empty())
            return nullptr;
        return dynamic_cast<T*>(screens.back().get());
    }
    Button* buttonTitled(const std::string& title)
    {
        std::vector<Button*> buttons;
        collect(driver->window(), buttons);
        for (auto* b : buttons)
            if (b->currentTitle() == title)
                return b;
        return nullptr;
    }
    bool tap(const std::string& title)
    {
        Button* b = buttonTitled(title);
        if (!b)
            return false;
        bool delivered = static_cast<bool>(driver->tap(b));
        step(0.6);
        return delivered;
    }
    // Taps the list row that shows the text.
    bool tapRow(const std::string& text)
    {
        std::vector<platform::ui::TableViewCell*> cells;
        collect(driver->window(), cells);
        for (auto* cell : cells) {
            std::vector<Label*> labels;
            collect(cell, labels);
            for (auto* l : labels)
                if (l->text() == text) {
                    bool delivered = static_cast<bool>(driver->tap(cell));
                    step(0.6);
                    return delivered;
                }
        }
        return false;
    }
    bool labelShows(const std::string& text)
    {
        std::vector<Label*> labels;
        collect(driver->window(), labels);
        for (auto* l : labels)
            if (l->text() == text)
                return true;
        return false;
    }
    platform::ui::WebView* shownWebView()
    {
        std::vector<platform::ui::WebView*> views;
        collect(driver->window(), views);
        return views.empty() ? nullptr : views.front();
    }
    std::string screenName()
    {
        auto screens = QuorvelInternal::presenter().presentedScreens();
        return screens.empty() ? std::string() : screens.back()->className();
    }

    Game game;
    Ref<QVDelegatesContainer> delegates = QVDelegatesContainer::create();
    Ref<Calls> calls = Calls::create();
    std::unique_ptr<platform::ui::TestDriver> driver;
    Ref<ViewController> shown;
    std::function<void(platform::ui::WebPage&)> pageSetup;
};

TEST_F(AccountFlowTest, WebApprovalFallsBackToNativeThenANewPlayerIsNamedAndLinked)
{
    QVWebApprovalController::registerWebApprovalLayout();
    answerNextBootstrapAsNewPlayer();
    server.installAccountRoutes(0);
    pageSetup = [](platform::ui::WebPage& page) { page.setHoldsLoads(true); };
    game.customApproval = true;
    startClient({}, delegates.get());
    game.customApproval = false;
    QuorvelInternal::login().presentUserQuorvelApprovalModal(calls->onApproved(), calls->onDenied());
    sync();
    // The page never finishes: shown after 5 s, replaced by the native screen 4 s later.
    platform::ui::WebView* web = shownWebView();
    ASSERT_NE(web, nullptr);
    EXPECT_NE(web->currentURL().find("web_views/simple_intro/Brisko"), std::string::npos);
    step(5.0);
    EXPECT_EQ(screenName(), "QVWebApprovalController");
    step(3.9);
    EXPECT_EQ(screenName(), "QVWebApprovalController");
    step(0.2);
    EXPECT_EQ(screenName(), "QVUserQuorvelApprovalController");
    EXPECT_TRUE(labelShows("Brisko is Quorvel Enabled!"));

    ASSERT_TRUE(tap("Use Quorvel"));
    EXPECT_TRUE(Quorvel::hasUserApprovedQuorvel());
    // No account on this device: a new one is made and the player names it.
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVNewAccountController"; }));
    EXPECT_EQ(requestsTo("users/for_device.xml").size(), 1u);
    ASSERT_EQ(requestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].param("force_create_account"), "1");
    std::vector<TextField*> fields;
    collect(driver->window(), fields);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0]->text(), "Player");
    ASSERT_TRUE(driver->tap(fields[0]));
    for (int i = 0; i < 6; ++i)
        driver->deleteBackward();
    ASSERT_TRUE(driver->type("Zed"));
    ASSERT_TRUE(tap("Submit"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVLinkSocialNetworksController"; }));
    auto named = requestsTo("users/update_name.xml");
    ASSERT_EQ(named.size(), 1u);
    ASSERT_GE(named[0].params.size(), 2u);
    EXPECT_EQ(standin::Params(named[0].params.begin(), named[0].params.begin() + 2),
              (standin::Params { { "user[name]", "Zed" }, { "id", "me" } }));
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Zed");
    EXPECT_EQ(calls->approved, 0);

    ASSERT_TRUE(tap("Continue"));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_TRUE(QuorvelInternal::options().doneWithGetTheMost());
    EXPECT_EQ(calls->approved, 1);
    EXPECT_EQ(calls->denied, 0);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));
    step(1.0);
    EXPECT_EQ(calls->approved, 1);
}

TEST_F(AccountFlowTest, OneAccountLogsInWithoutAChoiceAndEndsOnTheGameCenterNote)
{
    auto gc = platform::gamekit::ScriptedGameCenter::create();
    platform::gamekit::GameCenter::install(gc);
    QuorvelSettingsDictionary settings;
    settings.values.set("QuorvelSettingGameCenterEnabled", true);
    startAndAskForApproval(1, settings);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountController"; }));
    auto bootstraps = requestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 1u);
    EXPECT_EQ(bootstraps[0].param("user_id"), "17");
    EXPECT_TRUE(labelShows("Player"));
    EXPECT_TRUE(labelShows("Now Playing Brisko"));

    ASSERT_TRUE(tap("Continue"));
    ASSERT_EQ(screenName(), "QVLinkSocialNetworksController");
    ASSERT_TRUE(tap("Continue"));
    // The link screen ends the player's part; the note closes the frame.
    EXPECT_EQ(calls->approved, 1);
    ASSERT_EQ(screenName(), "QVGameCenterIntegrationController");
    ASSERT_TRUE(tap("Continue"));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(calls->approved, 1);
    // Both switches untouched: no setting was sent.
    EXPECT_TRUE(requestsTo("users/@me/settings.xml").empty());
}

TEST_F(AccountFlowTest, ContinueWaitsForTheSetUpAndLeavesOnlyAfterAnError)
{
    startAndAskForApproval(1);
    standin::Answer held = standin::Answer::xml(standin::StandInServer::completeBootstrapAnswer("token-1", "token-secret-1"));
    held.hold = true;
    server.addToken("token-1", "token-secret-1");
    server.route("POST", "bootstrap.xml", held);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return !requestsTo("bootstrap.xml").empty(); }));
    auto* setUp = onScreen<QVDoBootstrapController>();
    ASSERT_NE(setUp, nullptr);
    // While the login runs there is nothing to continue to: the tap and the action do nothing.
    ASSERT_NE(buttonTitled("Continue"), nullptr);
    EXPECT_FALSE(buttonTitled("Continue")->isEnabled());
    // It looks so: drawn at half strength, not as a button that can be tapped.
    EXPECT_EQ(setUp->skipButton()->alpha(), QVDoBootstrapController::kDisabledAlpha);
    tap("Continue");
    setUp->_skip();
    EXPECT_TRUE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(calls->approved, 0);

    // The set-up goes on to its end, where the callback runs once.
    server.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVNewAccountController"; }));
    EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_EQ(calls->approved, 0);

    // A failure leaves the player a way out.
    setUp->_bootstrapFailed();
    EXPECT_TRUE(setUp->skipButton()->isEnabled());
    EXPECT_EQ(setUp->skipButton()->alpha(), 1);
    setUp->_skip();
    EXPECT_EQ(calls->approved, 1);
}

TEST_F(AccountFlowTest, AServiceErrorLookingUpTheDevicesAccountsCreatesNoAccount)
{
    startAndAskForApproval(1);
    // Error screens are off while the set-up runs: the error answer reaches the screen as an answer.
    server.route("GET", "users/for_device.xml",
                 standin::Answer::xml("<errors><error>The service is unwell</error></errors>", 500));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return labelShows("Error"); }));
    EXPECT_TRUE(labelShows(QVDoBootstrapController::kFailedMessage));
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
    EXPECT_EQ(screenName(), "QVDoBootstrapController");
}

TEST_F(AccountFlowTest, SeveralAccountsWaitForTheChoiceAndBootstrapTheChosenOne)
{
    startAndAskForApproval(2);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountMultipleController"; }));
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
    ASSERT_TRUE(waitUntil([&] { return labelShows("Player") && labelShows("Second"); }));
    ASSERT_TRUE(tapRow("Second"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVLinkSocialNetworksController"; }));
    auto bootstraps = requestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 1u);
    EXPECT_EQ(bootstraps[0].param("user_id"), "18");
    EXPECT_EQ(bootstraps[0].param("force_create_account"), "0");
    ASSERT_TRUE(tap("Continue"));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(calls->approved, 1);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));
}

TEST_F(AccountFlowTest, AFailedLoginOfTheChosenAccountRestoresThePreviousPlayer)
{
    startAndAskForApproval(2);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountMultipleController"; }));
    std::string before = Quorvel::lastLoggedInUserId();
    server.script("POST", "bootstrap.xml", standin::Answer::xml("<errors><error>down</error></errors>", 500));
    ASSERT_TRUE(waitUntil([&] { return labelShows("Second"); }));
    ASSERT_TRUE(tapRow("Second"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVDeadEndErrorController"; }));
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), before);
    EXPECT_NE(Quorvel::lastLoggedInUserId(), "18");
    EXPECT_TRUE(labelShows("Quorvel was unable to log you in at this time.  Some features will be unavailable until "
                           "the next time you are online."));
}

// The game logs a player in while the chooser is up; the chosen account's
// login, waiting behind it, fails: the player the game's login named stays.
TEST_F(AccountFlowTest, AFailedLoginOfTheChosenAccountKeepsThePlayerLoggedInMeanwhile)
{
    startAndAskForApproval(2);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountMultipleController"; }));
    ASSERT_TRUE(waitUntil([&] { return labelShows("Second"); }));
    answerNextBootstrapAsNewPlayer();
    server.script("POST", "bootstrap.xml",
                  standin::Answer::xml("<errors><error>The service cannot do that now</error></errors>"));
    QuorvelInternal::login().doBootstrap(false, "17", QVDelegate(), QVDelegate());
    ASSERT_TRUE(tapRow("Second"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVDeadEndErrorController"; }));
    ASSERT_EQ(requestsTo("bootstrap.xml").size(), 2u);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "17");
    EXPECT_TRUE(QuorvelInternal::login().isOnline());
    QuorvelInternal::login().dismissRootControllerOrItsModal();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));
}

TEST_F(AccountFlowTest, AScreenTheLoaderCannotMakeIsNeverPushed)
{
    startAndAskForApproval(1);
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountController"; }));
    testing_support::ClassRegistryOverride unknown("QVLinkSocialNetworksController", nullptr);
    ASSERT_TRUE(tap("Continue"));
    EXPECT_EQ(screenName(), "QVExistingAccountController");
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 3u); // approval, bootstrap, existing account
}

TEST_F(AccountFlowTest, DecliningTellsTheGameOnceAndLeavesTheClientUnapproved)
{
    startAndAskForApproval(1);
    ASSERT_TRUE(tap("No Thanks"));
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(calls->denied, 1);
    EXPECT_EQ(calls->approved, 0);
    step(1.0);
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
    EXPECT_EQ(calls->denied, 1);
}

TEST_F(AccountFlowTest, AWebPageThatLoadsIsShownASecondAfterItFinishesAndCanApprove)
{
    QVWebApprovalController::registerWebApprovalLayout();
    pageSetup = [](platform::ui::WebPage& page) {
        page.setScriptHandler([](const std::string& script) {
            return script == "document.body.className" ? std::string("portrait") : std::string();
        });
    };
    startAndAskForApproval(1);
    platform::ui::WebView* web = shownWebView();
    ASSERT_NE(web, nullptr);
    step(0.5);
    EXPECT_EQ(web->alpha(), 0.0f);
    step(1.0);
    EXPECT_EQ(web->alpha(), 1.0f);
    // Past the 5 s and 9 s marks the page stays.
    step(9.0);
    ASSERT_EQ(screenName(), "QVWebApprovalController");
    // The page's link is the client's action, not a page to load.
    EXPECT_FALSE(web->page().navigate("quorvel:approve"));
    // A second answer changes nothing.
    EXPECT_FALSE(web->page().navigate("quorvel:decline"));
    EXPECT_EQ(calls->denied, 0);
    step(0.1);
    EXPECT_TRUE(Quorvel::hasUserApprovedQuorvel());
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVExistingAccountController"; }));
}

TEST_F(AccountFlowTest, APageFromAnotherHostCannotAnswerForThePlayer)
{
    QVWebApprovalController::registerWebApprovalLayout();
    pageSetup = [](platform::ui::WebPage& page) {
        page.setScriptHandler([](const std::string&) { return std::string("portrait"); });
    };
    startAndAskForApproval(1);
    platform::ui::WebView* web = shownWebView();
    ASSERT_NE(web, nullptr);
    step(1.5);
    EXPECT_TRUE(web->page().navigate("http://elsewhere.test/intro"));
    step(1.5);
    EXPECT_FALSE(web->page().navigate("quorvel:approve"));
    step(0.1);
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_EQ(screenName(), "QVWebApprovalController");
}

TEST_F(AccountFlowTest, APageOfUnknownLayoutIsReplacedByTheNativeScreenAtOnce)
{
    QVWebApprovalController::registerWebApprovalLayout();
    platform::LogCapture log;
    startAndAskForApproval(1);
    step(0.1);
    EXPECT_EQ(screenName(), "QVUserQuorvelApprovalController");
    EXPECT_TRUE(log.contains("Error Loading Webview"));
    ASSERT_TRUE(tap("No Thanks"));
    EXPECT_EQ(calls->denied, 1);
}

} // namespace
