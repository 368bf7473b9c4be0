// The gallery's run: the stand-in service seeded with the community the showcase plays in too, the
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
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVActionRequest.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVRootFrame.h"
#include "tools/standin/PrivateLoopback.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInWorld.h"

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

using Seeded = standin::world::Community;

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
    // An account screen as the client shows it with no dashboard open: in the intro frame, in front
    // of the game (`prepare` gives it what the screen before it in the flow would).
    auto framed = [](const char* name, std::function<void(ui::ViewController*, const Seeded&)> prepare = {}) {
        return [name, prepare](const Seeded& seeded) {
            Ref<ui::ViewController> screen = quorvel::QVControllerLoader::load(name);
            if (!screen)
                return;
            if (prepare)
                prepare(screen.get(), seeded);
            Ref<ui::ViewController> frame = quorvel::QVControllerLoader::loadWithParams(
                "IntroNavigation", { { "navigationRoot", Ref<Object>(screen.get()) } });
            QuorvelInternal::presenter().presentRootControllerWithModal(frame ? frame : screen);
        };
    };
    // The network's own login opens over a login form: the player closes it to see the form.
    auto closeNetworkLogin = [] {
        for (auto& dialog : std::vector<Ref<quorvel::FBDialog>>(quorvel::FBDialog::shownDialogs()))
            dialog->dismiss();
    };
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
        // A room as the player enters it: "Everyone", then its first room.
        { "chat-room", call(&Quorvel::launchDashboardWithListGlobalChatRoomsPage), "QVChatRoomController", "", 2 },
        { "player-page", onTab("MyQuorvel", {}), "QVMyQuorvelController" },
        // A friend request arrives while the page shows: the page's badge and its tab's show the new count.
        { "player-page-new-count", onTab("MyQuorvel", {}), "QVMyQuorvelController", "", 0, [] {
              QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() + kNewFriendRequests);
          }, [] {
              QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() - kNewFriendRequests);
          } },
        { "friends", onTab("MyQuorvel", { entry("Friends") }), "QVFriendsController" },
        { "find-friends", call(&Quorvel::launchDashboardWithFindFriendsPage), "QVImportFriendsController" },
        // A friend's profile as the player opens it: Rival, first in the friends list.
        { "profile", onTab("MyQuorvel", { entry("Friends") }), "QVProfileController", "", 1 },
        { "inbox", onTab("MyQuorvel", { entry("InboxTopLevel") }), "QVInboxTopLevelController" },
        { "played-games", onTab("MyQuorvel", { entry("PlayedGame") }), "QVPlayedGameController", "Games" },
        { "settings", onTab("MyQuorvel", { entry("UserSetting") }), "QVUserSettingController" },
        { "invite", call(&Quorvel::launchDashboardWithInvitePage), "QVSelectInviteTypeController" },
        { "invitations", onTab("MyQuorvel", { entry("Invitations") }), "QVInvitationsController" },
        { "discovery", onTab("GameDiscovery", {}), "QVGameDiscoveryController" },
        { "discovery-page", onTab("GameDiscovery", {}), "QVPlayedGameController", "Developer Picks", 1 },
        { "switch-user", call(&Quorvel::launchDashboardWithSwitchUserPage), "QVUseNewOrOldAccountController" },
        { "challenge-detail", call(&Quorvel::launchDashboardWithChallengesPage), "QVChallengeDetailController", "", 1 },
        // The error page a refused request (a 500) pushes over the game's send-challenge screen,
        // framed over the game: its back button is named for the screen below.
        { "challenge-send-error", [](const Seeded&) {
              quorvel::QVChallengeService::displaySendChallengeModal("51", "Beat 1:10 on the hills", std::nullopt);
          }, "QVDeadEndErrorController", "", 0, [] {
              QuorvelInternal::requestUIRole().displayErrorMessage(quorvel::QVActionRequest::kTryAgainMessage);
          } },
        { "forum-threads", call(&Quorvel::launchDashboardWithForumsPage), "QVForumThreadListController", "", 1 },
        { "forum-thread", call(&Quorvel::launchDashboardWithForumsPage), "QVForumThreadViewController", "", 2 },
        { "favorite-game", onTab("GameProfile", { entry("FanClub"), entry("FavoriteThisGame") }), "QVFavoriteThisGameController" },
        { "profile-picture", onTab("MyQuorvel", { entry("UserSetting"), entry("SelectProfilePicture") }), "QVSelectProfilePictureController" },
        { "instant-messages", onTab("MyQuorvel", { entry("InboxTopLevel"), entry("InboxIMConversations") }), "QVInboxIMConversationsController" },
        { "forum-subscriptions", onTab("MyQuorvel", { entry("InboxTopLevel"), entry("InboxSubscribedForumThreads") }), "QVInboxSubscribedForumThreadsController" },
        // Read after the lists that count it unread (reading it marks it read).
        { "conversation", [](const Seeded& seeded) {
              auto user = quorvel::QVUser::create();
              user->setResourceId(std::to_string(seeded.rival));
              user->setName("Rival");
              Quorvel::launchDashboardWithIMToUser(user.get(), "Good game!");
          }, "QVConversationController" },
        { "friends-games", [](const Seeded&) {
              // The games the player's friends play: the games list in its friends' scope, over the friends list.
              Ref<ui::ViewController> games = quorvel::QVControllerLoader::load("PlayedGame");
              if (auto* list = dynamic_cast<quorvel::QVPlayedGameController*>(games.get()))
                  list->setScope(quorvel::QVPlayedGameController::kScopeFriends);
              Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                                   std::vector<Quorvel::DashboardEntry> { entry("Friends"), Ref<Object>(games.get()) });
          }, "QVPlayedGameController", "Friends' Games" },
        // The account screens: the approval, the set-up flow and its login forms in the intro frame.
        { "account-approval", framed("UserQuorvelApproval"), "QVUserQuorvelApprovalController" },
        { "account-new", framed("NewAccount"), "QVNewAccountController" },
        { "account-existing", framed("ExistingAccount"), "QVExistingAccountController" },
        // The device's accounts to choose from, as the bootstrap screen hands them over.
        { "account-existing-multiple", framed("ExistingAccountMultiple", [](ui::ViewController* screen, const Seeded& seeded) {
              auto* choice = dynamic_cast<quorvel::QVExistingAccountController*>(screen);
              if (!choice)
                  return;
              // The player's and a second account played on the same device (no one of the community).
              std::vector<Ref<Object>> users;
              for (const auto& [id, name] : { std::pair(std::to_string(seeded.player), Quorvel::lastLoggedInUserName()),
                                              std::pair(std::string("990001"), std::string("Little Brother")) }) {
                  auto user = quorvel::QVUser::create();
                  user->setResourceId(id);
                  user->setName(name);
                  users.emplace_back(user.get());
              }
              choice->setUserResources(quorvel::QVPaginatedSeries::paginatedSeriesFromArray(std::move(users)).get());
          }), "QVExistingAccountMultipleController" },
        // The bootstrap screen finds the device's one account, logs it in and goes on to it.
        { "account-bootstrap", framed("DoBootstrap"), "QVExistingAccountController" },
        { "account-link-networks", framed("LinkSocialNetworks"), "QVLinkSocialNetworksController" },
        { "account-game-center", framed("GameCenterIntegration"), "QVGameCenterIntegrationController" },
        { "account-login", framed("QuorvelAccountLogin"), "QVQuorvelAccountLoginController" },
        { "account-facebook-login", framed("FacebookAccountLogin"), "QVFacebookAccountLoginController", "", 0, closeNetworkLogin },
        { "account-twitter-login", framed("TwitterAccountLogin"), "QVTwitterAccountLoginController" },
        // Securing the account and changing it, from the player's own page.
        { "account-type", onTab("MyQuorvel", { entry("SelectAccountType") }), "QVSelectAccountTypeController" },
        { "account-secure", onTab("MyQuorvel", { entry("HttpCredentialsCreate") }), "QVHttpCredentialsCreateController" },
        { "account-change-name", onTab("MyQuorvel", { entry("ChangeName") }), "QVChangeNameController" },
        { "account-change-email", onTab("MyQuorvel", { entry("ChangeEmail") }), "QVChangeEmailController" },
        { "account-change-password", onTab("MyQuorvel", { entry("ChangePassword") }), "QVChangePasswordController" },
        { "account-reset-password", onTab("MyQuorvel", { entry("ResetPassword") }), "QVResetPasswordController" },
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
    // Its own loopback address: no other program takes the port while the service restarts.
    standin::PrivateLoopback loopback;
    int port { 0 }; // the system's choice at first, kept when started again
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
        if (!standin::world::installArt(*server))
            return false;
        server->setLogSink([this](const std::string& line) {
            // "GET users.xml 404 ...": the method, the path, then the status.
            size_t a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
            if (b != std::string::npos && b + 1 < line.size() && line[b + 1] >= '4') {
                std::lock_guard guard(mutex);
                refused.push_back(line.substr(0, line.find(' ', b + 1)));
            }
        });
        int got = server->start(port, loopback.address());
        if (got <= 0)
            return false;
        port = got;
        return true;
    }
    void stop()
    {
        server.reset();
        state.reset();
    }
    // The kept state as it is now, to start from again (the service at rest).
    bool keep(const std::string& copy) const
    {
        std::error_code error;
        fs::copy_file(folder + "/standin.sqlite", copy, fs::copy_options::overwrite_existing, error);
        return !error;
    }
    // Started again on the same port from a kept copy of the state.
    bool restartFrom(const std::string& copy)
    {
        stop();
        std::error_code error;
        fs::copy_file(copy, folder + "/standin.sqlite", fs::copy_options::overwrite_existing, error);
        return !error && start();
    }
};

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
    service.fixtures = options.sourceDir + "/tools/standin/fixtures"; // the service program's own
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
    // The game starts and logs the player in; the dashboard opens on what it is asked for.
    auto launch = [&] {
        Quorvel::initializeWithProductKey(kProductKey, kProductSecret, "Brisko", {}, delegates.get());
        if (!wait([] { return Quorvel::isOnline(); }))
            return false;
        settleNetwork(*service.server);
        QuorvelInternal::session().stopPolling();
        QuorvelInternal::options().setInitialDashboardScreen("");
        QuorvelInternal::options().setInitialDashboardModalContentURL(Value());
        return true;
    };
    if (!launch()) {
        result.failure = "the client did not log in";
        return result;
    }
    int64_t player = std::atoll(Quorvel::lastLoggedInUserId().c_str());
    Seeded seeded = standin::world::seed(*service.state, player, true);
    // The player renames the account to the world's name, as long as the service lets a name be
    // (the screens that show it must hold it); every later login reads it back.
    quorvel::QVUserService::service()._performAction(
        "users/update_name.xml", quorvel::QVHttpNestedQueryStringWriter::with("user[name]", standin::world::kPlayerName).get(),
        "POST", {}, {}, 0, nullptr, true);
    settleNetwork(*service.server);
    if (service.state->userName(player) != standin::world::kPlayerName) {
        result.failure = "the service did not take the player's new name";
        return result;
    }
    // The player secured the account with an address and password (the change forms show them).
    if (!service.state->secureAccount(player, "player@example.com", "gallery-password")) {
        result.failure = "cannot secure the player's account";
        return result;
    }
    // The player's own scores: one posted where the others played (the map's pin), one sent now.
    service.state->addScoreFrom(player, StandInState::kNormalLeaderboard, 15000, standin::world::kLatitude,
                                standin::world::kLongitude);
    quorvel::QVHighScoreService::setHighScore(15120, std::to_string(StandInState::kNormalLeaderboard), {}, {});
    settleNetwork(*service.server);
    // Every size starts from this world with the game started again, so what the login tells (the
    // unread counts) is the world's, and what one size's screens did (a conversation read,
    // invitations seen) does not show in the next.
    const std::string seededState = work + "/seeded.sqlite";
    if (!service.keep(seededState)) {
        result.failure = "cannot keep the seeded state";
        return result;
    }

    // The client's own settings too (what the player has read of the announcements lives there).
    const ValueDictionary seededSettings = UserDefaults::standardUserDefaults().persistentDomain();

    WorldRecord told;
    for (const Size& size : kSizes) {
        // The token the last login got is not in the kept state: the device signs in afresh.
        if (quorvel::QVProvider* provider = QuorvelInternal::sessionRole().provider())
            provider->destroyLocalCredentials();
        Quorvel::shutdown();
        UserDefaults& settings = UserDefaults::standardUserDefaults();
        for (const std::string& key : settings.persistentDomain().keys())
            settings.removeObjectForKey(key);
        for (const auto& [key, value] : seededSettings)
            settings.setObject(key, value);
        if (!service.restartFrom(seededState) || !launch()) {
            result.failure = std::string("the client did not log in again for the ") + size.name;
            return result;
        }
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
            else if (screen.expect != "QVDeadEndErrorController"
                     && QuorvelInternal::presenter().isShowingErrorScreenInNavController(QuorvelInternal::presenter().getActiveNavigationController()))
                add("error", "the screen shows the error page");
            // The screen's own content is where the player sees it (a wrong height put a list out of sight).
            if (ui::ViewController* front = frontScreen(); front && front->isViewLoaded()) {
                ui::View* content = front->view();
                platform::Rect seen = content->convertRectTo(content->bounds(), window).intersection(window->bounds());
                for (ui::View* up = content->superview(); up && up != window; up = up->superview())
                    if (up->clipsToBounds())
                        seen = seen.intersection(up->convertRectTo(up->bounds(), window));
                if (seen.size.width < 1 || seen.size.height < content->bounds().size.height / 2)
                    add("screen", front->className() + "'s content lies mostly out of sight");
            }
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
            for (auto& f : checkLayout(window))
                add(f.kind, f.detail);
            for (auto& f : told.note(screen.name, size.name, window))
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
