// The social part of the showcase: a game that uses the social client the way
// a game does, against the stand-in service keeping its state in a folder of
// the output, in the community the gallery shows (tools/standin/StandInWorld).
// First launch and login; a score sent online; the service goes
// down, the game starts again offline and keeps a score and an achievement;
// the service comes back on its folder and gets them once; the player follows
// a rival and challenges them. Then the player uses the dashboard by tapping
// it: each tab, the leaderboard, the rival's profile, the rival's challenge,
// a forum thread written and read, a chat message posted and seen, each
// saved as a PNG; a cloud save goes up and comes back whole; the player logs
// out. One line per step; a failed step or an error a screen logs fails the
// showcase.
#include "Showcase.h"

#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/Reachability.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/graphics/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/chat/QVChatRoomController.h"
#include "social/dashboard/chat/QVChatRoomMessageBoxController.h"
#include "social/dashboard/forums/QVPostNewMessage.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/QVRootFrame.h"
#include "social/ui/QVTableControllerHelper.h"
#include "tools/standin/PrivateLoopback.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInWorld.h"
#include "tools/standin/StandInXml.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace platform;
using quorvel::Quorvel;
using quorvel::QuorvelInternal;
using standin::StandInState;

namespace {

const char* kProductKey = "showcase-key";
const char* kProductSecret = "showcase-secret";
// How long a wait may take: the clock's bound is far beyond any wait of the
// client's own; the real one only ends a run whose client or service hangs.
constexpr double kClockBound = 60;
constexpr double kHungAfterSeconds = 120;

class GameDelegate final : public quorvel::QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { calls.push_back("online " + id); }
    void offlineUserLoggedIn(const std::string& id) override { calls.push_back("offline " + id); }
    void userLoggedOut(const std::string& id) override { calls.push_back("logged out " + id); }
    std::vector<std::string> calls;
};

// Whether a request's callback came, and which.
class Callbacks : public Object {
public:
    void succeeded(Object* v)
    {
        done = true;
        value = Ref<Boxed>(dynamic_cast<Boxed*>(v));
    }
    void failedCall(Object*) { done = failed = true; }
    quorvel::QVDelegate success() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(Callbacks, succeeded)); }
    quorvel::QVDelegate failure() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(Callbacks, failedCall)); }
    bool done { false }, failed { false };
    Ref<Boxed> value; // a success's value, when it is one
};

// The service: its kept state and its server, on one port for the whole run,
// on a loopback address of its own (no other program takes the port while the
// service is down).
struct Service {
    std::string folder;
    standin::PrivateLoopback loopback;
    int port { 0 };
    std::unique_ptr<StandInState> state;
    std::unique_ptr<standin::StandInServer> server;
    size_t requests { 0 }, verified { 0 };

    bool start()
    {
        state = std::make_unique<StandInState>(folder);
        if (!state->isOpen())
            return false;
        server = std::make_unique<standin::StandInServer>();
        server->setConsumer(kProductKey, kProductSecret);
        server->installDefaultRoutes();
        server->installAccountRoutes(0);
        server->setRejectsBadSignatures(true);
        state->install(*server);
        // What the service does not keep comes from the program's fixtures.
        server->setFixtureDirectory(BRISKO_STANDIN_FIXTURES);
        // The pictures of the world the gallery shows too: its games' icons and featured banners.
        if (!standin::world::installArt(*server))
            return false;
        // Over the running game the service features the first banner alone, so
        // the page shows the same art however long the showcase takes.
        server->route("GET", "game_discovery_categories/now_playing_featured_placement.xml",
                      standin::Answer::xml("<resources>" + standin::xml::pageHeader(1)
                                           + "<game_discovery_image_hyperlink><id>1</id>"
                                             "<seconds_to_display>6</seconds_to_display>"
                                             "<image_url>/banners/featured-1.png</image_url>"
                                             "<app_banner_placement>nowPlaying</app_banner_placement>"
                                             "</game_discovery_image_hyperlink></resources>"));
        int got = server->start(port, loopback.address());
        if (got <= 0)
            return false;
        port = got;
        return true;
    }
    void stop()
    {
        if (server) {
            for (auto& r : server->requests()) {
                // Pictures (games' icons, players' own) are fetched as plain downloads, not signed calls of the service.
                if (r.path.size() > 4
                    && (r.path.compare(r.path.size() - 4, 4, ".png") == 0 || r.path.compare(r.path.size() - 4, 4, ".jpg") == 0))
                    continue;
                ++requests;
                verified += r.signatureValid;
            }
        }
        server.reset();
        state.reset();
    }
    std::vector<int64_t> scores(int64_t user) const
    {
        std::vector<int64_t> out;
        for (auto& s : state->scores())
            if (s.userId == user && s.leaderboardId == StandInState::kNormalLeaderboard)
                out.push_back(s.score);
        return out;
    }
};

std::string joined(const std::vector<int64_t>& values)
{
    std::string out;
    for (int64_t v : values)
        out += (out.empty() ? "" : ", ") + std::to_string(v);
    return out;
}

} // namespace

namespace showcase {

std::string runSocialScene(Showcase& showcase)
{
    namespace fs = std::filesystem;
    // A private home (keychain, defaults), bundle and service folder inside the output, new each run.
    std::string home = showcase.outputDir() + "/social-home";
    std::string bundle = showcase.outputDir() + "/social-bundle";
    Service service;
    service.folder = showcase.outputDir() + "/social-service";
    std::error_code ignored;
    for (auto* dir : { &home, &bundle, &service.folder })
        fs::remove_all(*dir, ignored);
    fs::create_directories(home, ignored);
    fs::create_directories(bundle, ignored);
    std::string oldHome = Bundle::main().homeDirectory();
    std::string oldResources = Bundle::main().resourcePath();
    Bundle::main().setHomeDirectory(home);
    Bundle::main().replaceResourcePath(bundle);
    ui::Device::currentDevice().setInstallationDirectory(home + "/install");
    UserDefaults::resetStandardUserDefaults();

    auto transport = CurlHttpTransport::create();
    HttpTransport::setShared(Ref<HttpTransport>(transport.get()));
    GameDelegate game;
    auto delegates = quorvel::QVDelegatesContainer::create();
    delegates->setQuorvelDelegate(&game);
    std::vector<std::string> notices;
    Quorvel::setNoticeObserver([&](const Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });

    // Loopback answers come in real time; the client's timers run on the
    // showcase's clock, which moves only while nothing is in flight, so every
    // step happens at the same clock time however long the service takes.
    auto parties = [&] { return standin::NetworkParties { { service.server.get() }, nullptr }; };
    auto waitStepping = [&](const std::string& what, const std::function<bool()>& done,
                            const std::function<void(double)>& step) {
        if (standin::waitSteppingClock(parties(), done, { step, nullptr, kClockBound, kHungAfterSeconds }))
            return true;
        showcase.fail("social: " + what);
        return false;
    };
    auto wait = [&](const std::string& what, const std::function<bool()>& done) {
        return waitStepping(what, done, nullptr);
    };
    auto say = [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    auto launch = [&] { Quorvel::initializeWithProductKey(kProductKey, kProductSecret, "Brisko", {}, delegates.get()); };
    auto quit = [&] {
        Quorvel::shutdown();
        UserDefaults::resetStandardUserDefaults();
    };
    // A render shows running animations where they are, and the ticker scrolls
    // its messages all the time, from when they came in. So the frames stay
    // the same from run to run: wait for the ticker's message, let the running
    // animations end (the next scroll begins at that clock time) and render a
    // second into what follows.
    auto settleAnimations = [&](ui::ViewController* root) {
        auto* rootFrame = dynamic_cast<quorvel::QVRootFrame*>(root);
        auto* tabs = rootFrame ? dynamic_cast<quorvel::QVTabbedDashboardController*>(rootFrame->contentController()) : nullptr;
        if (tabs && tabs->tickerView())
            standin::waitSteppingClock(parties(), [&] { return tabs->tickerView()->scrollInProgress(); },
                                       { nullptr, nullptr, kClockBound, kHungAfterSeconds });
        double end = RunLoop::main().now();
        for (const auto& animation : ui::View::runningAnimations())
            end = std::max(end, animation.endTime);
        RunLoop::main().advance(end - RunLoop::main().now());
        RunLoop::main().advance(1.0);
    };
    auto renderTop = [&](const std::string& file) {
        ui::ViewController* root = QuorvelInternal::presenter().getRootController();
        if (!root)
            return false;
        RunLoop::main().drain();
        settleAnimations(root);
        root = QuorvelInternal::presenter().getRootController();
        if (!root)
            return false;
        root->view()->layoutIfNeeded();
        return ui::ViewRenderer::writePNG(root->view(), showcase.outputDir() + "/" + file);
    };

    std::string line = "social: done";
    auto finish = [&] {
        Quorvel::setNoticeObserver(nullptr);
        Quorvel::shutdown();
        HttpTransport::setShared(nullptr);
        transport = nullptr;
        service.stop();
        Bundle::main().setHomeDirectory(oldHome);
        Bundle::main().replaceResourcePath(oldResources);
        UserDefaults::resetStandardUserDefaults();
        return line;
    };

    if (!service.start())
        return line = showcase.failed("social: cannot start the stand-in service"), finish();
    // The game's bundle, as a game ships it: the system's resources (the kit's
    // art among them), then the game's own settings.
    if (oldResources.empty() || !fs::is_directory(oldResources))
        return line = showcase.failed("social: no resources folder to make the game's bundle from"), finish();
    std::error_code copyError;
    fs::copy(oldResources, bundle, fs::copy_options::recursive | fs::copy_options::overwrite_existing, copyError);
    if (copyError)
        return line = showcase.failed("social: cannot copy the resources into the game's bundle: " + copyError.message()),
               finish();
    std::ofstream(bundle + "/quorvel_internal_settings.xml")
        << "<quorvel_internal_settings><environment-release><config><server-url>" << service.server->baseUrl()
        << "</server-url></config></environment-release></quorvel_internal_settings>\n";
    say("social: service on " + service.loopback.address() + " keeping its state in social-service/standin.sqlite");

    // First launch: the player approves the client and gets a new account.
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    launch();
    if (!wait("the first login did not finish", [] { return Quorvel::isOnline(); }))
        return finish();
    std::string id = Quorvel::lastLoggedInUserId();
    int64_t player = std::atoll(id.c_str());
    say("social: first launch approved; logged in as " + Quorvel::lastLoggedInUserName() + " (" + id + ")");
    // The community the player joins: the gallery's world (friends, their scores, games, threads,
    // a conversation, an invitation, chat). Rival the player follows below, as a player does.
    standin::world::seed(*service.state, player, false);

    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    quorvel::QVHighScoreService::setHighScore(1000, normal, {}, {});
    if (!wait("the online score was not kept", [&] { return service.scores(player).size() == 1; }))
        return finish();
    say("social: score 1000 on Normal sent online; the service keeps " + joined(service.scores(player)));

    // The service goes down; the game starts again without it.
    quit();
    service.stop();
    notices.clear();
    game.calls.clear();
    launch();
    wait("the offline login did not finish", [] { return !QuorvelInternal::login().isBootstrapInProgress(); });
    say("social: service down; game started again: " + (game.calls.empty() ? std::string("no login") : game.calls[0])
        + (notices.empty() ? std::string() : " (\"" + notices[0] + "\")"));
    notices.clear();
    quorvel::QVHighScoreService::setHighScore(1500, normal, {}, {});
    if (auto achievement = quorvel::QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement)))
        achievement->unlock();
    say("social: score 1500 and achievement First Steps taken offline"
        + (notices.empty() ? std::string() : " (\"" + notices[0] + "\")"));

    // Back on its folder: what the client kept goes out once.
    if (!service.start())
        return line = showcase.failed("social: the service did not start again on its port"), finish();
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    auto progress = [&] {
        for (auto& u : service.state->unlocks())
            if (u.userId == player && u.achievementId == StandInState::kFirstStepsAchievement)
                return u.percentComplete;
        return 0.0;
    };
    if (!wait("the kept score and achievement did not reach the service",
              [&] { return service.scores(player).size() == 2 && progress() >= 100; }))
        return finish();
    say(format("social: service back; sent once: it keeps %s and First Steps at %.0f%%", joined(service.scores(player)).c_str(),
               progress()));

    // The player follows the rival and challenges them.
    auto followed = makeRef<Callbacks>();
    quorvel::QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), followed->success(),
                                                   followed->failure());
    wait("following the rival did not finish", [&] { return followed->done; });
    auto challenged = makeRef<Callbacks>();
    quorvel::QVChallengeService::sendChallenge("51", "Beat my lap", Bytes { 1, 2, 3 }, std::string("Try this"), "lap=70",
                                               { std::to_string(StandInState::kRivalUser) }, std::nullopt,
                                               challenged->success(), challenged->failure());
    wait("the challenge was not sent", [&] { return challenged->done; });
    auto friends = service.state->followedBy(player);
    auto challenges = service.state->challengesTo(StandInState::kRivalUser);
    const bool followsRival = std::find(friends.begin(), friends.end(), StandInState::kRivalUser) != friends.end();
    bool social = followsRival && challenges.size() == 1 && !followed->failed && !challenged->failed;
    say(format("social: following Rival and challenged them to Fastest Lap; the service keeps %zu friends, Rival "
               "among them, and %zu challenge to Rival",
               friends.size(), challenges.size()));
    if (!social)
        showcase.fail("social: the friend or the challenge was not kept");

    // The rival answers with a challenge of their own (their doing, kept by the service).
    service.state->addChallenge(StandInState::kRivalUser, 51, "Lap under 70 s", "Your move!", player);

    // From here the player uses the dashboard: its screens go into a window
    // the player taps, and any error a screen logs fails the step.
    QuorvelInternal::session().stopPolling();
    QuorvelInternal::options().setInitialDashboardScreen("");
    QuorvelInternal::options().setInitialDashboardModalContentURL(Value());
    ui::TestDriver driver;
    LogCapture log;
    size_t errorsSeen = 0;
    auto newErrors = [&] {
        std::vector<std::string> out;
        auto lines = log.lines();
        for (size_t i = errorsSeen; i < lines.size(); ++i)
            if (lines[i].level == LogLevel::Error)
                out.push_back(lines[i].text);
        errorsSeen = lines.size();
        return out;
    };
    // Runs the loop and the clock until the client and the service are at rest.
    auto advance = [&](double seconds) { driver.advance(seconds); };
    auto settleNetwork = [&] {
        standin::Settled settled = standin::settleAtRest(parties(), advance, 4, kHungAfterSeconds);
        if (!settled)
            showcase.fail("social: the network did not settle: " + settled.inFlight);
    };
    auto topScreen = []() -> ui::ViewController* {
        ui::NavigationController* nav = QuorvelInternal::presenter().getActiveNavigationController();
        return nav ? nav->topViewController() : nullptr;
    };
    auto topName = [&] {
        ui::ViewController* top = topScreen();
        return top ? top->className() : std::string("nothing");
    };
    // Waits for the list on top to load its rows.
    auto listLoaded = [&] {
        return waitStepping("the list on " + topName() + " did not load", [&] {
            auto* list = dynamic_cast<quorvel::QVTableControllerHelper*>(topScreen());
            return list && (list->sections().has_value() || list->emptyTableController());
        }, advance);
    };
    // The player taps a row of the list on top (the first of the first section that has one).
    auto tapRow = [&](int row) {
        auto* list = dynamic_cast<quorvel::QVTableControllerHelper*>(topScreen());
        ui::TableView* table = list ? list->tableView() : nullptr;
        if (!table)
            return false;
        driver.advance(1.0); // the loading overlay fades out
        for (int section = 0; section < table->numberOfSections(); ++section) {
            if (table->numberOfRowsInSection(section) <= row)
                continue;
            auto path = ui::IndexPath::forRow(row, section);
            table->scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::None, false);
            table->layoutSubviews();
            ui::View* cell = table->cellForRowAtIndexPath(path);
            bool tapped = cell && driver.tap(cell);
            driver.advance(1.0);
            settleNetwork();
            return tapped;
        }
        return false;
    };
    // The step's screen at rest, saved; a failed step or a logged error fails the showcase.
    auto shot = [&](const std::string& step, bool ok, const std::string& file) {
        settleNetwork();
        bool drawn = ok && QuorvelInternal::presenter().getRootController()
            && !QuorvelInternal::presenter().isShowingErrorScreenInNavController(QuorvelInternal::presenter().getActiveNavigationController())
            && renderTop(file);
        auto errors = newErrors();
        say("social: " + step + "; screen " + (drawn ? file : std::string("not drawn"))
            + (errors.empty() ? std::string() : " (" + std::to_string(errors.size()) + " errors logged)"));
        if (!drawn)
            showcase.fail("social: " + step + ": " + file + " was not drawn (on " + topName() + ")");
        for (auto& error : errors)
            showcase.fail("social: " + step + ": the screen logged \"" + error + "\"");
        return drawn;
    };
    auto close = [&] {
        ui::TestDriver::reset();
        Quorvel::dismissDashboard();
        driver.advance(1.0);
        settleNetwork();
    };
    // A tab of the dashboard's strip, tapped where the player sees it.
    auto tapTab = [&](size_t index) {
        ui::ViewController* root = QuorvelInternal::presenter().getRootController();
        if (!root)
            return false;
        ui::View* view = root->view();
        float width = view->bounds().size.width, height = view->bounds().size.height;
        float tabHeight = quorvel::QVTabbedDashboardController::kTabBarHeight;
        Point point = view->convertPointTo(Point(width * (2 * index + 1) / 6, height - tabHeight / 2), nullptr);
        bool tapped = static_cast<bool>(driver.tapPoint(point));
        driver.advance(0.6);
        settleNetwork();
        return tapped;
    };

    // The dashboard on each tab, as the player taps through them. The
    // announcements the login asked for are in first: the tab's badge counts them.
    settleNetwork();
    Quorvel::launchDashboard();
    driver.advance(0.6);
    shot("dashboard on the Now Playing tab (the game's page)", true, "social-tab-now-playing.png");
    shot("the My Quorvel tab tapped", tapTab(1) && topName() == "QVMyQuorvelController", "social-tab-my-quorvel.png");
    shot("the Games tab tapped", tapTab(2), "social-tab-games.png");
    close();

    // The leaderboard's scores.
    Quorvel::launchDashboardWithHighscorePage(normal);
    driver.advance(0.6);
    bool scoresDrawn = shot("dashboard on the Normal leaderboard", listLoaded(), "social-leaderboard.png");
    close();

    // A friend's profile, from the player's friends.
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> { std::string("Friends") });
    driver.advance(0.6);
    bool friendTapped = listLoaded() && tapRow(0);
    shot("Rival's profile, tapped in the friends list", friendTapped && topName() == "QVProfileController",
         "social-profile.png");
    close();

    // The challenges: the rival's reply waits; the player opens it.
    Quorvel::launchDashboardWithChallengesPage();
    driver.advance(0.6);
    bool challengeTapped = listLoaded() && tapRow(0);
    shot("Rival's challenge opened from the pending challenges",
         challengeTapped && topName() == "QVChallengeDetailController", "social-challenge.png");
    close();

    // A forum thread written in General and read back.
    Quorvel::launchDashboardWithForumsPage();
    driver.advance(0.6);
    bool threadPosted = false;
    if (listLoaded() && tapRow(0) && listLoaded()) {
        ui::ViewController* threads = topScreen();
        ui::BarButtonItem* add = threads ? threads->navigationItem()->rightBarButtonItem() : nullptr;
        if (add && driver.tapBarButton(add)) {
            driver.advance(0.6);
            auto* form = dynamic_cast<quorvel::QVPostNewMessage*>(topScreen());
            if (form && driver.tap(form->subjectField()) && driver.type("Lap record") && driver.tap(form->bodyField())
                && driver.type("Under 70 s on the Fastest Lap!")) {
                ui::BarButtonItem* post = form->navigationItem()->rightBarButtonItem();
                threadPosted = post && driver.tapBarButton(post);
                driver.advance(1.0);
                settleNetwork();
            }
        }
    }
    threadPosted = threadPosted && listLoaded() && tapRow(0) && listLoaded()
        && topName() == "QVForumThreadViewController";
    shot("forum thread \"Lap record\" posted in General and opened", threadPosted, "social-forum.png");
    close();

    // A chat message posted in the first room open to everyone and seen there.
    QuorvelInternal::options().storePollingFrequencyInChat(1);
    Quorvel::launchDashboardWithListGlobalChatRoomsPage();
    driver.advance(0.6);
    bool chatSeen = false;
    if (listLoaded() && tapRow(0)) {
        // Either a room list (a kind's rooms) or the room itself.
        if (topName() == "QVSelectChatRoomInstanceController")
            listLoaded() && tapRow(0);
        auto* room = dynamic_cast<quorvel::QVChatRoomController*>(topScreen());
        if (room && room->messageBox() && driver.tap(room->messageBox()->textEntryField()) && driver.type("gg Rival")) {
            driver.pressReturn();
            // The room holds what the others said already: the player's own message is the one awaited.
            chatSeen = waitStepping("the chat message did not come back into the room", [&] {
                ui::TableView* table = room->tableView();
                for (int row = 0; row < table->numberOfRowsInSection(0); ++row)
                    if (auto* cell = dynamic_cast<quorvel::QVChatRoomChatMessageCell*>(
                            table->cellForRowAtIndexPath(ui::IndexPath::forRow(row, 0)));
                        cell && cell->chatMessageLabel()->text() == "gg Rival")
                        return true;
                return false;
            }, advance);
            // Then the player puts the keyboard away to read the room.
            if (chatSeen)
                driver.tap(room->messageBox()->hideKeyboardButton());
        }
    }
    QuorvelInternal::session().stopPolling();
    shot("chat message \"gg Rival\" posted and seen in the room", chatSeen, "social-chat.png");
    close();

    // A cloud save written and read back whole.
    Bytes save;
    for (int i = 0; i < 4096; ++i)
        save.push_back(static_cast<uint8_t>((i * 37) ^ (i >> 3)));
    auto stored = makeRef<Callbacks>();
    quorvel::QVCloudStorageService::uploadBlob(save, "slot-1", stored->success(), stored->failure());
    wait("the cloud save was not stored", [&] { return stored->done; });
    auto loaded = makeRef<Callbacks>();
    quorvel::QVCloudStorageService::downloadBlobWithKey("slot-1", loaded->success(), loaded->failure());
    wait("the cloud save was not read back", [&] { return loaded->done; });
    bool sameBytes = !stored->failed && !loaded->failed && loaded->value && loaded->value->value().data() == save;
    say(format("social: cloud save of %zu bytes stored under slot-1 and read back %s", save.size(),
               sameBytes ? "byte for byte" : "DIFFERENT"));
    if (!sameBytes)
        showcase.fail("social: the cloud save did not come back as stored");

    Quorvel::logoutUser();
    say("social: " + (game.calls.empty() ? std::string("no logout") : game.calls.back()));
    service.stop();
    line = service.requests == service.verified ? "social: every request to the service carried a verified signature"
                                                : format("social: %zu of %zu requests to the service were not verified",
                                                         service.requests - service.verified, service.requests);
    if (service.requests != service.verified)
        showcase.fail(line);
    if (!scoresDrawn)
        showcase.fail("social: the leaderboard was not drawn");
    return finish();
}

} // namespace showcase
