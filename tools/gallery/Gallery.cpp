// The gallery's run: the stand-in service seeded with a small community, the
// client logged in as a game logs it in, and every screen opened, settled,
// checked and rendered in each size.
#include "tools/gallery/Gallery.h"

#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/graphics/Font.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/device/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVRootFrame.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInState.h"

#include "platform/foundation/Clock.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

using namespace platform;
using quorvel::Quorvel;
using quorvel::QuorvelInternal;
using standin::StandInState;

namespace gallery {
namespace {

namespace fs = std::filesystem;

const char* kProductKey = "gallery-key";
// The friend requests that arrive on "player-page-new-count".
constexpr int kNewFriendRequests = 3;
const char* kProductSecret = "gallery-secret";

struct Size {
    const char* name;
    ui::Screen::Kind kind;
    ui::InterfaceOrientation orientation;
};

const Size kSizes[] = {
    { "phone", ui::Screen::Kind::Phone, ui::InterfaceOrientation::Portrait },
    { "phone-landscape", ui::Screen::Kind::Phone, ui::InterfaceOrientation::LandscapeRight },
    { "tablet", ui::Screen::Kind::Tablet, ui::InterfaceOrientation::Portrait },
    { "tablet-landscape", ui::Screen::Kind::Tablet, ui::InterfaceOrientation::LandscapeRight },
};

// The community the screens show.
struct Seeded {
    int64_t player { 0 };
    int64_t rival { StandInState::kRivalUser };
    std::vector<int64_t> others;
};

// A screen: how a game (or the player) gets there, and what is then in front.
struct Screen {
    std::string name;
    std::function<void(const Seeded&)> open;
    std::string expect;          // the class of the screen in front
    std::string title {};        // and its title, where one class serves several screens
    int taps { 0 };              // then opens the first row of the list in front, that many times
    std::function<void()> then {}; // or does what the player does next on the screen in front
    std::function<void()> after {}; // puts back what `then` changed, once the screen is rendered
};

Quorvel::DashboardEntry entry(const char* name) { return std::string(name); }

ui::TableView* firstTable(ui::View* view)
{
    if (auto* table = dynamic_cast<ui::TableView*>(view))
        return table;
    for (auto& sub : view->subviews())
        if (auto* table = firstTable(sub.get()))
            return table;
    return nullptr;
}

// The screen in front: the top of the shown navigation stack.
ui::ViewController* frontScreen()
{
    ui::NavigationController* nav = QuorvelInternal::presenter().getActiveNavigationController();
    return nav ? nav->topViewController() : nullptr;
}

// The player taps the first row of the list on top (after it has loaded).
void tapFirstRow(standin::StandInServer& server);

std::vector<Screen> screens()
{
    auto onTab = [](const char* tab, std::vector<Quorvel::DashboardEntry> pushed) {
        return [tab, pushed](const Seeded&) { Quorvel::launchDashboardWithDelegate(nullptr, tab, pushed); };
    };
    auto call = [](void (*launch)()) { return [launch](const Seeded&) { launch(); }; };
    return {
        { "game-page", call([] { Quorvel::launchDashboard(); }), "QVGameProfileController" },
        { "leaderboards", call(&Quorvel::launchDashboardWithListLeaderboardsPage), "QVLeaderboardController" },
        { "high-scores", [](const Seeded&) {
              Quorvel::launchDashboardWithHighscorePage(std::to_string(StandInState::kNormalLeaderboard));
          }, "QVHighScoreController" },
        { "achievements", call(&Quorvel::launchDashboardWithAchievementsPage), "QVAchievementListController" },
        { "challenges", call(&Quorvel::launchDashboardWithChallengesPage), "QVChallengeListController" },
        { "whos-playing", call(&Quorvel::launchDashboardWithWhosPlayingPage), "QVWhosPlayingController" },
        { "fan-club", onTab("GameProfile", { entry("FanClub") }), "QVFanClubController" },
        { "newsletter", onTab("GameProfile", { entry("FanClub"), entry("NewsLetter") }), "QVNewsLetterController" },
        { "announcements", onTab("GameProfile", { entry("AnnouncementBrowser") }), "QVAnnouncementBrowserController" },
        { "forums", call(&Quorvel::launchDashboardWithForumsPage), "QVForumTopicListController" },
        { "chat-rooms", call(&Quorvel::launchDashboardWithListGlobalChatRoomsPage), "QVSelectChatRoomDefinitionController" },
        { "player-page", onTab("MyQuorvel", {}), "QVMyQuorvelController" },
        // A friend request arrives while the page shows: the page's badge and its tab's show the new count.
        { "player-page-new-count", onTab("MyQuorvel", {}), "QVMyQuorvelController", "", 0, [] {
              QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() + kNewFriendRequests);
          }, [] {
              QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() - kNewFriendRequests);
          } },
        { "friends", onTab("MyQuorvel", { entry("Friends") }), "QVFriendsController" },
        { "find-friends", call(&Quorvel::launchDashboardWithFindFriendsPage), "QVImportFriendsController" },
        { "profile", [](const Seeded& seeded) {
              Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> {});
              auto user = quorvel::QVUser::create();
              user->setResourceId(std::to_string(seeded.rival));
              user->setName("Rival");
              quorvel::QVDashboardSwitch::showProfileForUser(user.get());
          }, "QVProfileController" },
        { "conversation", [](const Seeded& seeded) {
              auto user = quorvel::QVUser::create();
              user->setResourceId(std::to_string(seeded.rival));
              user->setName("Rival");
              Quorvel::launchDashboardWithIMToUser(user.get(), "Good game!");
          }, "QVConversationController" },
        { "inbox", onTab("MyQuorvel", { entry("InboxTopLevel") }), "QVInboxTopLevelController" },
        { "played-games", onTab("MyQuorvel", { entry("PlayedGame") }), "QVPlayedGameController", "Games" },
        { "settings", onTab("MyQuorvel", { entry("UserSetting") }), "QVUserSettingController" },
        { "invite", call(&Quorvel::launchDashboardWithInvitePage), "QVSelectInviteTypeController" },
        { "invitations", onTab("MyQuorvel", { entry("Invitations") }), "QVInvitationsController" },
        { "discovery", onTab("GameDiscovery", {}), "QVGameDiscoveryController" },
        { "switch-user", call(&Quorvel::launchDashboardWithSwitchUserPage), "QVUseNewOrOldAccountController" },
        { "challenge-detail", call(&Quorvel::launchDashboardWithChallengesPage), "QVChallengeDetailController", "", 1 },
        { "forum-threads", call(&Quorvel::launchDashboardWithForumsPage), "QVForumThreadListController", "", 1 },
        { "forum-thread", call(&Quorvel::launchDashboardWithForumsPage), "QVForumThreadViewController", "", 2 },
        { "favorite-game", onTab("GameProfile", { entry("FanClub"), entry("FavoriteThisGame") }), "QVFavoriteThisGameController" },
        { "profile-picture", onTab("MyQuorvel", { entry("UserSetting"), entry("SelectProfilePicture") }), "QVSelectProfilePictureController" },
        { "instant-messages", onTab("MyQuorvel", { entry("InboxTopLevel"), entry("InboxIMConversations") }), "QVInboxIMConversationsController" },
        { "forum-subscriptions", onTab("MyQuorvel", { entry("InboxTopLevel"), entry("InboxSubscribedForumThreads") }), "QVInboxSubscribedForumThreadsController" },
        { "friends-games", [](const Seeded&) {
              // The games the player's friends play: the games list in its friends' scope, over the friends list.
              Ref<ui::ViewController> games = quorvel::QVControllerLoader::load("PlayedGame");
              if (auto* list = dynamic_cast<quorvel::QVPlayedGameController*>(games.get()))
                  list->setScope(quorvel::QVPlayedGameController::kScopeFriends);
              Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                                   std::vector<Quorvel::DashboardEntry> { entry("Friends"), Ref<Object>(games.get()) });
          }, "QVPlayedGameController", "Friends' Games" },
        // The map as the player opens it: the high scores' map button.
        { "high-score-map", [](const Seeded&) {
              Quorvel::launchDashboardWithHighscorePage(std::to_string(StandInState::kNormalLeaderboard));
          }, "QVHighScoreMapViewController", "", 0, [] {
              if (auto* scores = dynamic_cast<quorvel::QVHighScoreController*>(frontScreen()))
                  scores->clickedMap();
          } },
    };
}

// The service, its kept state and the routes it answers from fixtures.
struct Service {
    std::string folder;
    std::string fixtures;
    std::unique_ptr<StandInState> state;
    std::unique_ptr<standin::StandInServer> server;
    // The requests the service could not answer since last asked (a screen with no data to show).
    std::mutex mutex;
    std::vector<std::string> refused;

    std::vector<std::string> takeRefused()
    {
        std::lock_guard guard(mutex);
        return std::exchange(refused, {});
    }

    bool start()
    {
        state = std::make_unique<StandInState>(folder);
        if (!state->isOpen())
            return false;
        server = std::make_unique<standin::StandInServer>();
        server->setConsumer(kProductKey, kProductSecret);
        server->installDefaultRoutes();
        server->installAccountRoutes(0);
        state->install(*server);
        server->setFixtureDirectory(fixtures);
        // What the kept state does not hold: answers from the gallery's own files.
        const std::pair<std::string, const char*> answers[] = {
            { "profiles/viewed_own", "ok" },
            { "client_application_users/fan_club", "ok" },
            { "chat_room_definitions.xml", "chat_room_definitions" },
            { "chat_room_instances.xml", "chat_room_instances" },
            { "invites.xml", "invites" },
            { "invite_definitions/primary", "invite_definition" },
            { "client_applications/321/news_letter_subscription.xml", "news_letter_subscription" },
            { "profiles/me/list_games", "played_games" },
            { "users/@me/settings.xml", "settings" },
            { "subscriptions.xml", "subscriptions" },
            { "game_discovery_categories", "discovery" },
            { "profile_picture", "users_credentials" },
            { "profiles/" + std::to_string(StandInState::kRivalUser) + "/", "played_games" },
        };
        // The featured banners the game page cycles through: drawn here rather than kept as files
        // (the service's own second banner is a few red pixels, which would read as a blank strip).
        const std::pair<const char*, const char*> featured[] = {
            { "featured-1.png", "Cave Diver: new caves this week" },
            { "featured-2.png", "Puzzle Park: a new season" },
        };
        for (const auto& [name, text] : featured) {
            std::string banner = folder + "/" + name;
            Ref<ui::Label> art = ui::Label::labelWithFrame(Rect(0, 0, 320, 42));
            art->setText(text);
            art->setFont(Font::boldSystemFont(16).get());
            art->setTextColor(ui::Color::whiteColor());
            art->setBackgroundColor(ui::Color::rgb(0.1f, 0.3f, 0.55f));
            art->setTextAlignment(TextAlignment::Center);
            if (ui::ViewRenderer::writePNG(art.get(), banner)) {
                std::ifstream in(banner, std::ios::binary);
                standin::Answer image;
                image.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                image.contentType = "image/png";
                server->route("GET", std::string("banners/") + name, image);
            }
        }
        auto answer = [&](const char* file) {
            std::ifstream in(fixtures + "/answers/" + file + ".xml");
            return standin::Answer::xml(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        };
        for (auto& [path, file] : answers)
            server->route("GET", path, answer(file));
        // The player's review of the game, whoever the player is.
        server->routePrefix("GET", "client_applications/321/users/",
                            [review = answer("player_review")](const standin::LoggedRequest&) { return review; });
        server->setLogSink([this](const std::string& line) {
            // "GET users.xml 404 ...": the method, the path, then the status.
            size_t a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
            if (b != std::string::npos && b + 1 < line.size() && line[b + 1] >= '4') {
                std::lock_guard guard(mutex);
                refused.push_back(line.substr(0, line.find(' ', b + 1)));
            }
        });
        return server->start(0) > 0;
    }
    void stop()
    {
        server.reset();
        state.reset();
    }
};

Seeded seed(StandInState& state, int64_t player)
{
    Seeded s;
    s.player = player;
    const char* names[] = { "Mira Okafor", "Jun Tanaka", "Sofia Lindqvist", "Theo Brandt", "Amara Diallo" };
    int64_t normal = 18200, lap = 71;
    // Where they played: around a city, a little apart (the high-score map's pins).
    const double kLatitude = 52.52, kLongitude = 13.40;
    double offset = 0.03;
    for (const char* name : names) {
        int64_t id = state.addUser(name);
        s.others.push_back(id);
        state.addScore(id, StandInState::kNormalLeaderboard, normal);
        state.addScoreFrom(id, StandInState::kNormalLeaderboard, normal - 100, kLatitude + offset, kLongitude - 1.5 * offset);
        offset = -offset * 1.4;
        state.addScore(id, StandInState::kFastestLapLeaderboard, lap, std::to_string(lap) + ".4 s");
        normal -= 2350;
        lap += 3;
    }
    state.addScoreFrom(player, StandInState::kNormalLeaderboard, 15000, kLatitude, kLongitude);
    for (size_t i = 0; i < 3; ++i)
        state.addFriends(player, s.others[i]);
    state.addFriends(player, s.rival);
    state.addChallenge(s.others[0], 51, "Beat 18200 on Normal", "Bet you can't beat this!", player);
    state.addChallenge(s.others[1], 51, "Lap under 75 s", "Your turn.", player);
    state.addThread(StandInState::kGeneralTopic, "Tips for the third level",
                    { { s.others[0], "Anyone found the hidden door on level three?" },
                      { s.others[1], "Jump twice at the second torch." },
                      { player, "Thanks, that worked!" } });
    state.addThread(StandInState::kGeneralTopic, "Weekly tournament",
                    { { s.others[2], "Who is in for Saturday?" }, { s.others[3], "Count me in." } });
    return s;
}

// How long a wait may take: the clock's bound is far beyond any wait of the
// client's own; the real one only ends a run whose client or service hangs.
constexpr double kClockBound = 60;
constexpr double kHungAfterSeconds = 120;

standin::NetworkParties parties(const standin::StandInServer& server) { return { { &server }, nullptr }; }

// Runs the loop and the clock until the client and the service are at rest.
void settleNetwork(standin::StandInServer& server)
{
    standin::settleAtRest(parties(server), [](double seconds) { RunLoop::main().advance(seconds); }, 6,
                          kHungAfterSeconds);
}

void tapFirstRow(standin::StandInServer& server)
{
    ui::NavigationController* nav = QuorvelInternal::presenter().getActiveNavigationController();
    ui::ViewController* top = nav ? nav->topViewController() : nullptr;
    ui::TableView* table = top ? firstTable(top->view()) : nullptr;
    if (!table)
        return;
    for (int section = 0; section < table->numberOfSections(); ++section)
        if (table->numberOfRowsInSection(section) > 0) {
            table->tapRowForTest(ui::IndexPath::forRow(0, section));
            RunLoop::main().advance(1.0);
            settleNetwork(server);
            return;
        }
}

// Lets running animations end (the ticker scrolls on; the next scroll starts
// at that time) and a second pass, so a screen is shown at rest.
void settleAnimations()
{
    double end = RunLoop::main().now();
    for (const auto& animation : ui::View::runningAnimations())
        end = std::max(end, animation.endTime);
    RunLoop::main().advance(std::min(end - RunLoop::main().now(), 30.0));
    RunLoop::main().advance(1.0);
    ui::View::layoutAllWindows();
}

// A picture on screen still on its way: downloading, or fading in over the one before.
bool picturePending(ui::View* view)
{
    if (view->isHidden())
        return false;
    if (auto* picture = dynamic_cast<quorvel::QVImageView*>(view))
        if (picture->isDownloading() || picture->imageFadingIn())
            return true;
    for (auto& sub : view->subviews())
        if (picturePending(sub.get()))
            return true;
    return false;
}

// Waits for the screen's pictures (a banner's art comes after the list that names
// it) so none is drawn blank or half faded in. A screen with nothing in flight
// returns at once; the clock moves on only while nothing is. False when a
// picture is still pending after a few seconds of it.
bool settlePictures(ui::View* window, const standin::StandInServer& server)
{
    auto shown = [&] { return standin::networkQuiet(parties(server)) && !picturePending(window); };
    if (shown())
        return true;
    standin::waitSteppingClock(parties(server), shown, { nullptr, nullptr, 5, kHungAfterSeconds });
    ui::View::layoutAllWindows();
    return !picturePending(window);
}

void writeIndex(const std::string& dir, const std::vector<Shot>& shots, const std::vector<Finding>& findings)
{
    std::ofstream html(dir + "/index.html");
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Dashboard gallery</title>\n"
            "<style>body{font-family:sans-serif;background:#ddd}section{margin:1em 0}"
            "figure{display:inline-block;vertical-align:top;margin:0 1em 0 0}"
            "img{border:1px solid #888;background:#fff}ul{color:#a00}</style></head><body>\n"
            "<h1>Dashboard gallery</h1>\n";
    std::vector<std::string> order;
    for (auto& shot : shots)
        if (std::find(order.begin(), order.end(), shot.screen) == order.end())
            order.push_back(shot.screen);
    for (auto& name : order) {
        html << "<section id=\"" << name << "\"><h2>" << name << "</h2>\n";
        for (auto& shot : shots)
            if (shot.screen == name)
                html << "<figure><img src=\"" << shot.file << "\" alt=\"" << name << ' ' << shot.size
                     << "\"><figcaption>" << shot.size << "</figcaption></figure>\n";
        bool any = false;
        for (auto& f : findings)
            if (f.screen == name) {
                html << (any ? "" : "<ul>\n") << "<li>" << f.size << ' ' << f.kind << ": ";
                for (char c : f.detail)
                    html << (c == '<' ? std::string("&lt;") : c == '&' ? std::string("&amp;") : std::string(1, c));
                html << "</li>\n";
                any = true;
            }
        html << (any ? "</ul>\n" : "") << "</section>\n";
    }
    html << "</body></html>\n";
}

// What the run changes of the process, put back when it ends.
struct Restore {
    std::string home = Bundle::main().homeDirectory();
    std::string resources = Bundle::main().resourcePath();
    std::string installation = ui::Device::currentDevice().installationDirectory();
    ~Restore()
    {
        Quorvel::setNoticeObserver(nullptr);
        Quorvel::shutdown();
        quorvel::QVTickerProxy::purgeSharedInstance();
        HttpTransport::setShared(nullptr);
        ui::TestDriver::reset();
        ui::Screen::mainScreen().setKind(ui::Screen::Kind::Phone);
        ui::Application::sharedApplication().reset();
        Bundle::main().setHomeDirectory(home);
        Bundle::main().replaceResourcePath(resources);
        ui::Device::currentDevice().setInstallationDirectory(installation);
        UserDefaults::resetStandardUserDefaults();
        RunLoop::main().setClock(nullptr); // the real clock, the loop's own
    }
};

} // namespace

Result run(const Options& options)
{
    Result result;
    std::error_code ignored;
    fs::create_directories(options.outputDir, ignored);
    std::string work = options.outputDir + "/.gallery";
    fs::remove_all(work, ignored);
    std::string home = work + "/home", bundle = work + "/bundle";
    Service service;
    service.folder = work + "/service";
    service.fixtures = options.sourceDir + "/tools/gallery/fixtures";
    fs::create_directories(home, ignored);
    // The kit's art, as the system ships it, and the settings that name the service.
    fs::copy(options.sourceDir + "/resources", bundle, fs::copy_options::recursive, ignored);
    if (ignored) {
        result.failure = "cannot copy the resources: " + ignored.message();
        return result;
    }

    // Made before the restorer, so they outlive the client's shutdown in it.
    auto transport = CurlHttpTransport::create();
    auto delegates = quorvel::QVDelegatesContainer::create();
    Restore restore;
    RunLoop::main().setClock(std::make_shared<ManualClock>(0.0));
    Bundle::main().setHomeDirectory(home);
    Bundle::main().replaceResourcePath(bundle);
    ui::Device::currentDevice().setInstallationDirectory(home + "/install");
    UserDefaults::resetStandardUserDefaults();
    HttpTransport::setShared(Ref<HttpTransport>(transport.get()));

    if (!service.start()) {
        result.failure = "cannot start the stand-in service";
        return result;
    }
    std::ofstream(bundle + "/quorvel_internal_settings.xml")
        << "<quorvel_internal_settings><environment-release><config><server-url>" << service.server->baseUrl()
        << "</server-url></config></environment-release></quorvel_internal_settings>\n";

    auto wait = [&](const std::function<bool()>& done) {
        return standin::waitSteppingClock(parties(*service.server), done, { nullptr, nullptr, kClockBound, kHungAfterSeconds });
    };

    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    Quorvel::initializeWithProductKey(kProductKey, kProductSecret, "Brisko", {}, delegates.get());
    if (!wait([] { return Quorvel::isOnline(); })) {
        result.failure = "the client did not log in";
        return result;
    }
    int64_t player = std::atoll(Quorvel::lastLoggedInUserId().c_str());
    Seeded seeded = seed(*service.state, player);
    quorvel::QVHighScoreService::setHighScore(15120, std::to_string(StandInState::kNormalLeaderboard), {}, {});
    settleNetwork(*service.server);
    QuorvelInternal::session().stopPolling();
    QuorvelInternal::options().setInitialDashboardScreen("");
    QuorvelInternal::options().setInitialDashboardModalContentURL(Value());

    for (const Size& size : kSizes) {
        ui::TestDriver::reset();
        ui::Screen::mainScreen().setKind(size.kind);
        auto driver = std::make_unique<ui::TestDriver>();
        Quorvel::setDashboardOrientation(static_cast<int>(size.orientation));
        for (const Screen& screen : screens()) {
            if (!options.only.empty()
                && std::none_of(options.only.begin(), options.only.end(),
                                [&](const std::string& o) { return screen.name.find(o) != std::string::npos; }))
                continue;
            service.takeRefused();
            LogCapture log;
            screen.open(seeded);
            RunLoop::main().advance(0.6);
            settleNetwork(*service.server);
            for (int i = 0; i < screen.taps; ++i)
                tapFirstRow(*service.server);
            if (screen.then) {
                screen.then();
                RunLoop::main().advance(1.0);
                settleNetwork(*service.server);
            }
            settleAnimations();
            ui::Window* window = driver->window();
            const bool picturesShown = settlePictures(window, *service.server);
            std::string file = screen.name + "-" + size.name + ".png";
            auto add = [&](std::string kind, std::string detail) {
                result.findings.push_back({ screen.name, size.name, std::move(kind), std::move(detail) });
            };
            if (!picturesShown)
                add("missing", "a picture had not arrived when the screen was drawn");
            if (!QuorvelInternal::presenter().getRootController())
                add("missing", "the dashboard did not open");
            else if (ui::ViewController* front = frontScreen();
                     !front || front->className() != screen.expect || (!screen.title.empty() && front->title() != screen.title))
                add("screen", "in front: " + (front ? front->className() + " \"" + front->title() + "\"" : std::string("nothing"))
                                  + ", meant: " + screen.expect + (screen.title.empty() ? "" : " \"" + screen.title + "\""));
            else if (QuorvelInternal::presenter().isShowingErrorScreenInNavController(QuorvelInternal::presenter().getActiveNavigationController()))
                add("error", "the screen shows the error page");
            // A bar over a screen says what the screen is (and what its back button goes back to).
            if (ui::NavigationController* nav = QuorvelInternal::presenter().getActiveNavigationController()) {
                ui::ViewController* top = nav->topViewController();
                ui::NavigationItem* item = top ? top->navigationItem() : nullptr;
                if (item && !nav->isNavigationBarHidden() && item->title().empty() && !item->titleView())
                    add("untitled", top->className() + " shows a bar without a title");
            }
            for (auto& line : service.takeRefused())
                add("refused", line);
            for (auto& alert : ui::AlertView::visibleAlerts())
                add("alert", alert->title() + (alert->message().empty() ? "" : ": " + alert->message()));
            for (auto& line : log.lines())
                if (line.level == LogLevel::Error)
                    add("error", line.text);
            for (auto& f : checkTree(window))
                add(f.kind, f.detail);
            // A landscape dashboard is drawn upright (its root view at its own bounds) so it reads as the player holds it.
            ui::View* drawn = window;
            if (ui::isLandscape(size.orientation) && QuorvelInternal::presenter().getRootController())
                drawn = QuorvelInternal::presenter().getRootController()->view();
            for (auto& f : checkContrast(drawn))
                add(f.kind, f.detail);
            if (ui::ViewRenderer::writePNG(drawn, options.outputDir + "/" + file))
                result.shots.push_back({ screen.name, size.name, file });
            else
                add("missing", "the render could not be saved");
            // Covered, memory runs short, and Back: the screen comes back as it was drawn.
            if (ui::ViewController* front = frontScreen(); front && front->className() == screen.expect) {
                auto settle = [&] {
                    settleNetwork(*service.server);
                    settleAnimations();
                    settlePictures(window, *service.server);
                };
                // The game page's featured banner moves on to its next game every few seconds.
                auto cycles = [](ui::View* v) { return dynamic_cast<quorvel::QVFeaturedGameCell*>(v) != nullptr; };
                for (auto& f : checkCoveredComesBack(QuorvelInternal::presenter().getActiveNavigationController(), settle,
                                                     options.outputDir + "/" + screen.name + "-" + size.name + "-covered.png",
                                                     cycles))
                    add(f.kind, f.detail);
            }
            if (options.progress)
                options.progress(file);
            if (screen.after)
                screen.after();
            ui::TestDriver::reset(); // answers nothing: forgets shown alerts and sheets
            Quorvel::dismissDashboard();
            RunLoop::main().advance(1.0);
            settleNetwork(*service.server);
        }
    }
    writeIndex(options.outputDir, result.shots, result.findings);
    return result;
}

} // namespace gallery
