// The end-to-end harness.
#include "EndToEndTestSupport.h"

#include "StandInRequestSupport.h"

#include "platform/device/Screen.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/View.h"
#include "social/runtime/QVPresenceService.h"
#include "social/ui/QVTabBarItem.h"
#include "social/ui/ScreenTestKit.h"
#include "social/dashboard/account/QVAccountClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace e2e_testing {

namespace {

using platform::ui::View;

// Whether a player could see the view: shown, not transparent, on the screen.
bool onScreen(const View* view)
{
    if (view->isHidden() || view->alpha() <= 0.01f)
        return false;
    platform::Rect r = view->convertRectTo(view->bounds(), nullptr);
    const platform::Rect screen = platform::ui::Screen::mainScreen().bounds();
    return r.maxX() > screen.minX() && r.minX() < screen.maxX() && r.maxY() > screen.minY() && r.minY() < screen.maxY();
}

bool within(const platform::Rect& r, const platform::Rect& outer)
{
    return r.minX() >= outer.minX() && r.maxX() <= outer.maxX() && r.minY() >= outer.minY() && r.maxY() <= outer.maxY();
}

// The view of the screen the client presents over the rest (the root's modal screen), once it
// stands in a window and shows.
View* modalCover()
{
    platform::ui::ViewController* root = quorvel::QuorvelInternal::presenter().getRootController();
    platform::ui::ViewController* modal = root ? root->modalViewController() : nullptr;
    if (!modal || !modal->isViewLoaded() || !modal->view()->window() || !onScreen(modal->view()))
        return nullptr;
    return modal->view();
}

} // namespace

void seenViews(View* root, std::vector<View*>& out)
{
    View* cover = modalCover();
    const platform::Rect covered = cover ? cover->convertRectTo(cover->bounds(), nullptr) : platform::Rect();
    bool pastCover = false; // the views after it in tree order are drawn over it
    std::function<void(View*)> walk = [&](View* view) {
        if (!view || !onScreen(view))
            return;
        if (view == cover)
            pastCover = true;
        else if (cover && !pastCover && !cover->isDescendantOfView(view) && !view->isDescendantOfView(cover)
                 && within(view->convertRectTo(view->bounds(), nullptr), covered))
            return;
        out.push_back(view);
        for (auto& sub : view->subviews())
            walk(sub.get());
    };
    walk(root);
}

namespace {

using platform::ui::View;

template <typename T>
void collect(View* view, std::vector<T*>& out)
{
    std::vector<View*> seen;
    seenViews(view, seen);
    for (View* v : seen)
        if (auto* match = dynamic_cast<T*>(v))
            out.push_back(match);
}

} // namespace

void EndToEndTest::SetUp()
{
    QuorvelTest::SetUp();
    // The harness's own server goes: the test's service takes a free port on the test's own loopback
    // address when it first starts, keeps it across restarts, and the settings file names it.
    server.stop();
    port = 0;
    // The client's bundle holds the art the system ships, as a game's does.
    std::error_code ignored;
    std::filesystem::copy(screen_testing::sourceDirectory() + "/resources", bundle.path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing, ignored);
    quorvel::QVRegisterAccountClasses();
    delegates->setQuorvelDelegate(&game);
    quorvel::Quorvel::setNoticeObserver([this](const quorvel::Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });
    driver = std::make_unique<platform::ui::TestDriver>();
    startService();
    writeSettingsFile(presence ? "<presence-host>" + serviceAddress() + ":" + std::to_string(channelPort) + "</presence-host>"
                               : std::string());
}

void EndToEndTest::TearDown()
{
    // Answers on their way are heard before the client goes: whatever waits
    // for one (a report, an upload, a post) then ends as it would in a game.
    settleNetwork();
    quorvel::Quorvel::setNoticeObserver(nullptr);
    quorvel::Quorvel::shutdown();
    driver.reset();
    platform::ui::TestDriver::reset();
    QuorvelTest::TearDown();
    killService();
}

void EndToEndTest::startService()
{
    state = std::make_unique<standin::StandInState>(serviceHome.path());
    ASSERT_TRUE(state->isOpen()) << state->error();
    service = std::make_unique<standin::StandInServer>();
    service->setConsumer(kProductKey, kProductSecret);
    // What the program answers from its own fixtures, this service answers too.
    service->setFixtureDirectory(screen_testing::sourceDirectory() + "/tools/standin/fixtures");
    service->installDefaultRoutes();
    service->installAccountRoutes(0);
    state->install(*service);
    const int got = service->start(port, serviceAddress());
    ASSERT_TRUE(got > 0 && (port == 0 || got == port)) << "the port " << port << " was not free again";
    port = got;
    presence = presence || service->presenceEnabled();
    if (presence) {
        service->setPresenceEnabled(true);
        channel = std::make_unique<standin::StompStandIn>();
        channel->forwardRequestsTo(*service);
        int got = channel->start(channelPort, serviceAddress());
        ASSERT_TRUE(got > 0 && (channelPort == 0 || got == channelPort))
            << "the presence channel's port was not free again";
        channelPort = got;
    }
}

void EndToEndTest::killService()
{
    const bool channelCut = channel != nullptr;
    channel.reset();
    service.reset();
    state.reset();
    // The client hears of its channel's end on the channel's own thread. The test goes on once it
    // has: a request made before would go into the cut channel and fail, as it can on a device.
    if (channelCut) {
        EXPECT_TRUE(waitFor([] {
            auto* presence = quorvel::QVPresenceService::sharedInstance();
            return !presence || !presence->carriesRequests();
        })) << "the client did not hear that its presence channel was cut";
    }
}

void EndToEndTest::launch() { startClient({}, delegates.get()); }

void EndToEndTest::quit()
{
    quorvel::Quorvel::shutdown();
    sync();
    reloadUserDefaults();
}

std::vector<standin::LoggedRequest> EndToEndTest::serviceRequestsTo(const std::string& path) const
{
    std::vector<standin::LoggedRequest> out;
    if (service)
        for (auto& r : service->requests())
            if (r.path == path)
                out.push_back(r);
    return out;
}

bool EndToEndTest::waitUntil(const std::function<bool()>& done)
{
    return waitSteppingClock(done, [this](double seconds) { driver->advance(seconds); }, [this] { sync(); });
}

void EndToEndTest::sync()
{
    // The client puts its root's view in the top window itself, as on a device: a phone's
    // dashboard fills the screen (turned with the game), a tablet's is a panel centred over the
    // game. What the player sees is laid out, as a device does before the next touch.
    platform::ui::View::layoutAllWindows();
}

bool EndToEndTest::tap(const std::string& buttonTitle)
{
    std::vector<platform::ui::Button*> buttons;
    collect(driver->window(), buttons);
    for (auto* b : buttons)
        if (b->currentTitle() == buttonTitle) {
            bool delivered = static_cast<bool>(driver->tap(b));
            settleAfterTouch();
            return delivered;
        }
    return false;
}

std::string EndToEndTest::screenName() const
{
    auto screens = quorvel::QuorvelInternal::presenter().presentedScreens();
    return screens.empty() ? std::string() : screens.back()->className();
}

std::string EndToEndTest::loggedInUser() const { return quorvel::Quorvel::lastLoggedInUserId(); }

namespace {

// The text a view shows a player, if it is a kind that shows one.
std::optional<std::string> shownText(View* view)
{
    if (auto* label = dynamic_cast<platform::ui::Label*>(view))
        return label->text();
    if (auto* button = dynamic_cast<platform::ui::Button*>(view))
        return button->currentTitle();
    if (auto* field = dynamic_cast<platform::ui::TextField*>(view))
        return field->text();
    if (auto* box = dynamic_cast<platform::ui::TextView*>(view))
        return box->text();
    return std::nullopt;
}

// The navigation bar in front: the last visible one in tree order.
platform::ui::NavigationBar* frontBar(View* root)
{
    std::vector<platform::ui::NavigationBar*> bars;
    collect(root, bars);
    return bars.empty() ? nullptr : bars.back();
}

} // namespace

std::vector<std::string> EndToEndTest::visibleTexts() const
{
    std::vector<View*> views;
    collect(driver->window(), views);
    std::vector<std::string> out;
    for (auto* v : views)
        if (auto text = shownText(v); text && !text->empty())
            out.push_back(*text);
    if (auto* bar = frontBar(driver->window()); bar && bar->topItem()) {
        auto* item = bar->topItem();
        for (auto& t : { item->title(), item->leftBarButtonItem() ? item->leftBarButtonItem()->title() : std::string(),
                         item->rightBarButtonItem() ? item->rightBarButtonItem()->title() : std::string() })
            if (!t.empty())
                out.push_back(t);
    }
    return out;
}

bool EndToEndTest::shows(const std::string& text) const
{
    for (auto& t : visibleTexts())
        if (t.find(text) != std::string::npos)
            return true;
    return false;
}

bool EndToEndTest::waitForText(const std::string& text)
{
    return waitUntil([&] { return shows(text); });
}

bool EndToEndTest::tapWhenShown(const std::string& text)
{
    // What tapText finds: a label, button or field showing exactly `text`.
    auto tappable = [&] {
        std::vector<View*> views;
        collect(driver->window(), views);
        return std::any_of(views.begin(), views.end(), [&](View* v) { return shownText(v) == text; });
    };
    if (!waitUntil(tappable))
        return false;
    return tapText(text);
}

std::string EndToEndTest::screenText() const
{
    std::string out = frontScreenName() + ":";
    for (auto& t : visibleTexts())
        out += " [" + t + "]";
    return out;
}

std::string EndToEndTest::kept(const std::string& sql) const
{
    return standin_testing::queryStore(state->databasePath(), sql);
}

bool EndToEndTest::keep(const std::string& sql) const { return standin_testing::runOnStore(state->databasePath(), sql); }

void EndToEndTest::letTimePass(double seconds)
{
    settleNetwork();
    driver->advance(seconds);
    settleNetwork();
    sync();
}

float EndToEndTest::textTop(const std::string& text) const
{
    std::vector<View*> views;
    collect(driver->window(), views);
    for (auto* v : views)
        if (shownText(v) == text)
            return v->convertRectTo(v->bounds(), nullptr).origin.y;
    return -1;
}

bool EndToEndTest::tapText(const std::string& text)
{
    std::vector<View*> views;
    collect(driver->window(), views);
    for (auto* v : views) {
        auto shown = shownText(v);
        if (!shown || *shown != text)
            continue;
        // A label is not touchable itself: the touch goes to what holds it (a row, a button).
        platform::Rect r = v->convertRectTo(v->bounds(), nullptr);
        auto result = driver->tapPoint(platform::Point(r.midX(), r.midY()));
        settleAfterTouch();
        return result.delivered;
    }
    return false;
}

bool EndToEndTest::tapRow(const std::string& text)
{
    std::vector<platform::ui::TableViewCell*> cells;
    collect(driver->window(), cells);
    for (auto* cell : cells) {
        std::vector<View*> views;
        collect(cell, views);
        for (auto* v : views)
            if (shownText(v) == text) {
                bool delivered = static_cast<bool>(driver->tap(cell));
                settleAfterTouch();
                return delivered;
            }
    }
    return false;
}

bool EndToEndTest::tapTab(const std::string& name)
{
    std::vector<quorvel::QVTabBarItem*> items;
    collect(driver->window(), items);
    for (auto* item : items)
        if (item->name() == name) {
            bool delivered = static_cast<bool>(driver->tap(item));
            settleAfterTouch();
            return delivered;
        }
    return false;
}

bool EndToEndTest::tapBack()
{
    auto* front = frontStack();
    if (!front || front->viewControllers().size() < 2)
        return false;
    bool delivered = driver->tapBack(front);
    settleAfterTouch();
    return delivered;
}

bool EndToEndTest::tapBarButton(const std::string& title)
{
    auto* bar = frontBar(driver->window());
    if (!bar || !bar->topItem())
        return false;
    for (auto* item : { bar->topItem()->leftBarButtonItem(), bar->topItem()->rightBarButtonItem() })
        if (item && item->title() == title) {
            bool delivered = driver->tapBarButton(item);
            settleAfterTouch();
            return delivered;
        }
    return false;
}

bool EndToEndTest::tapRightBarButton()
{
    auto* stack = frontStack();
    auto* top = stack ? stack->topViewController() : nullptr;
    auto* item = top ? top->navigationItem()->rightBarButtonItem() : nullptr;
    if (!item || !driver->tapBarButton(item))
        return false;
    settleAfterTouch();
    return true;
}

void EndToEndTest::scrollFrontListToEnd()
{
    std::vector<platform::ui::TableView*> lists;
    collect(driver->window(), lists);
    ASSERT_FALSE(lists.empty());
    auto* list = lists.back();
    float bottom = std::max(0.0f, list->contentSize().height - list->bounds().height());
    list->setContentOffset(platform::Point(0, bottom));
    driver->settle();
}

bool EndToEndTest::typeInto(size_t index, const std::string& text)
{
    std::vector<View*> views;
    collect(driver->window(), views);
    std::vector<View*> inputs;
    for (auto* v : views)
        if (dynamic_cast<platform::ui::TextField*>(v) || dynamic_cast<platform::ui::TextView*>(v))
            inputs.push_back(v);
    if (index >= inputs.size() || !driver->tap(inputs[index]))
        return false;
    auto current = shownText(inputs[index]).value_or("");
    for (size_t i = current.size(); i > 0; --i)
        driver->deleteBackward();
    bool typed = driver->type(text);
    driver->settle();
    return typed;
}

platform::ui::NavigationController* EndToEndTest::frontStack() const
{
    std::vector<View*> views;
    collect(driver->window(), views);
    platform::ui::NavigationController* front = nullptr;
    for (auto* v : views)
        if (auto* nav = dynamic_cast<platform::ui::NavigationController*>(v->viewController()))
            front = nav;
    return front;
}

platform::ui::ViewController* EndToEndTest::frontScreen() const
{
    // The top screen of the front navigation stack, else what is presented.
    auto* front = frontStack();
    if (front && front->visibleViewController())
        return front->visibleViewController();
    auto screens = quorvel::QuorvelInternal::presenter().presentedScreens();
    return screens.empty() ? nullptr : screens.back().get();
}

std::string EndToEndTest::frontScreenName() const
{
    auto* front = frontScreen();
    return front ? front->className() : std::string();
}

bool EndToEndTest::waitForScreen(const std::string& className)
{
    // In front and shown whole, as a player reads it: whatever brought it (a push's slide, say) has
    // ended, however many turns of the clock the answers that brought it took.
    return waitUntil([&] {
        auto* front = frontScreen();
        return front && front->className() == className
            && front->appearState() == platform::ui::ViewController::AppearState::Appeared;
    });
}

void EndToEndTest::openDashboard()
{
    quorvel::Quorvel::launchDashboard();
    ASSERT_TRUE(waitUntil([] { return quorvel::QuorvelInternal::presenter().isShowingFullScreen(); }));
    // Its first tab's lists load and it slides in, as after a touch.
    settleAfterTouch();
}

int64_t EndToEndTest::launchAndLogIn()
{
    quorvel::QuorvelInternal::options().setUserApprovedQuorvel();
    quorvel::QuorvelInternal::options().setDoneWithGetTheMost(true);
    launch();
    EXPECT_TRUE(waitUntil([] {
        return quorvel::QuorvelInternal::login().successfullyBootstrapped() && !quorvel::QuorvelInternal::login().isBootstrapInProgress();
    }));
    return loggedInUser().empty() ? 0 : std::stoll(loggedInUser());
}

void EndToEndTest::openLoginFromTheNamingScreen()
{
    launch();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("I already have an account"));
    ASSERT_TRUE(tap("I already have an account"));
    ASSERT_TRUE(waitForText("Log In To Quorvel"));
}

int64_t EndToEndTest::logInThenRelaunchWithoutTheService()
{
    int64_t player = launchAndLogIn();
    EXPECT_GT(player, 0);
    quit();
    killService();
    launch();
    EXPECT_TRUE(waitUntil([] { return !quorvel::QuorvelInternal::login().isBootstrapInProgress(); }));
    return player;
}

} // namespace e2e_testing
