// The social part of the showcase: a game that uses the social client the way
// a game does, against the stand-in service keeping its state in a folder of
// the output. First launch and login; a score sent online; the service goes
// down, the game starts again offline and keeps a score and an achievement;
// the service comes back on its folder and gets them once; the player follows
// a rival and challenges them; the dashboard
// opens on the game's page and on the leaderboard, each saved as a PNG; the
// player logs out. One line per step.
#include "Showcase.h"

#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/Reachability.h"
#include "platform/graphics/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "social/core/Quorvel.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/QVRootFrame.h"
#include "tools/standin/StandInState.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace platform;
using quorvel::Quorvel;
using standin::StandInState;

namespace {

const char* kProductKey = "showcase-key";
const char* kProductSecret = "showcase-secret";

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
    void succeeded(Object*) { done = true; }
    void failedCall(Object*) { done = failed = true; }
    quorvel::QVDelegate success() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(Callbacks, succeeded)); }
    quorvel::QVDelegate failure() { return quorvel::QVDelegate(this, BRISKO_SELECTOR(Callbacks, failedCall)); }
    bool done { false }, failed { false };
};

// The service: its kept state and its server, on one port for the whole run.
struct Service {
    std::string folder;
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
        // The featured game's banner the game page shows: art drawn here, as a studio would upload it.
        std::string banner = folder + "/featured-1.png";
        Ref<ui::Label> art = ui::Label::labelWithFrame(Rect(0, 0, 320, 42));
        art->setText("Cave Diver: new caves this week");
        art->setFont(Font::boldSystemFont(16).get());
        art->setTextColor(ui::Color::whiteColor());
        art->setBackgroundColor(ui::Color::rgb(0.1f, 0.3f, 0.55f));
        art->setTextAlignment(TextAlignment::Center);
        if (ui::ViewRenderer::writePNG(art.get(), banner)) {
            std::ifstream in(banner, std::ios::binary);
            standin::Answer image;
            image.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            image.contentType = "image/png";
            server->route("GET", "/banners/featured-1.png", image);
        }
        int got = server->start(port);
        if (got <= 0)
            return false;
        port = got;
        return true;
    }
    void stop()
    {
        if (server) {
            for (auto& r : server->requests()) {
                // Pictures are fetched as plain downloads, not signed calls of the service.
                if (r.path.size() > 4 && r.path.compare(r.path.size() - 4, 4, ".png") == 0)
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
    Bundle::main().setResourcePath(bundle);
    ui::Device::currentDevice().setInstallationDirectory(home + "/install");
    UserDefaults::resetStandardUserDefaults();

    auto transport = CurlHttpTransport::create();
    HttpTransport::setShared(Ref<HttpTransport>(transport.get()));
    GameDelegate game;
    auto delegates = quorvel::QVDelegatesContainer::create();
    delegates->setQuorvelDelegate(&game);
    std::vector<std::string> notices;
    Quorvel::setNoticeObserver([&](const Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });

    // Loopback answers come in real time; the client's timers run on the showcase's clock.
    auto wait = [&](const std::string& what, const std::function<bool()>& done) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < until) {
            RunLoop::main().runUntil(done, 0.02);
            if (!done())
                RunLoop::main().advance(0.1);
        }
        if (!done())
            showcase.fail("social: " + what);
        return done();
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
    // its messages all the time, from when they came in (in real time). So the
    // frames stay the same from run to run: wait for the ticker's message, let
    // the running animations end (the next scroll begins at that clock time)
    // and render a second into what follows.
    auto settleAnimations = [&](ui::ViewController* root) {
        auto* rootFrame = dynamic_cast<quorvel::QVRootFrame*>(root);
        auto* tabs = rootFrame ? dynamic_cast<quorvel::QVTabbedDashboardController*>(rootFrame->contentController()) : nullptr;
        if (tabs && tabs->tickerView()) {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!tabs->tickerView()->scrollInProgress() && std::chrono::steady_clock::now() < until)
                RunLoop::main().runUntil([&] { return tabs->tickerView()->scrollInProgress(); }, 0.02);
        }
        double end = RunLoop::main().now();
        for (const auto& animation : ui::View::runningAnimations())
            end = std::max(end, animation.endTime);
        RunLoop::main().advance(end - RunLoop::main().now());
        RunLoop::main().advance(1.0);
    };
    auto renderTop = [&](const std::string& file) {
        ui::ViewController* root = Quorvel::getRootController();
        if (!root)
            return false;
        RunLoop::main().drain();
        settleAnimations(root);
        root = Quorvel::getRootController();
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
        Bundle::main().setResourcePath(oldResources);
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
    say("social: service on 127.0.0.1 keeping its state in social-service/standin.sqlite");

    // First launch: the player approves the client and gets a new account.
    Quorvel::setUserApprovedQuorvel();
    Quorvel::setDoneWithGetTheMost(true);
    launch();
    if (!wait("the first login did not finish", [] { return Quorvel::isOnline(); }))
        return finish();
    std::string id = Quorvel::lastLoggedInUserId();
    int64_t player = std::atoll(id.c_str());
    say("social: first launch approved; logged in as " + Quorvel::lastLoggedInUserName() + " (" + id + ")");

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
    wait("the offline login did not finish", [] { return !Quorvel::isBootstrapInProgress(); });
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
    bool social = friends.size() == 1 && challenges.size() == 1 && !followed->failed && !challenged->failed;
    say(format("social: following Rival and challenged them to Fastest Lap; the service keeps %zu friend and %zu "
               "challenge",
               friends.size(), challenges.size()));
    if (!social)
        showcase.fail("social: the friend or the challenge was not kept");

    // The dashboard on the game's page, then on the leaderboard's scores.
    Quorvel::stopPolling();
    Quorvel::setInitialDashboardScreen("");
    Quorvel::setInitialDashboardModalContentURL(Value());
    Quorvel::launchDashboard();
    RunLoop::main().advance(0.6);
    // The page shows the featured banner once its art has arrived.
    auto bannerAsked = [&] {
        for (auto& r : service.server->requests())
            if (r.path == "banners/featured-1.png" || r.path == "/banners/featured-1.png")
                return true;
        return false;
    };
    if (wait("the game page did not ask for its banner", bannerAsked))
        RunLoop::main().runUntil([] { return false; }, 0.3);
    auto* frame = dynamic_cast<quorvel::QVRootFrame*>(Quorvel::getRootController());
    auto* tabs = frame ? dynamic_cast<quorvel::QVTabbedDashboardController*>(frame->contentController()) : nullptr;
    bool pageDrawn = tabs && renderTop("social-dashboard.png");
    say(std::string("social: dashboard opened on the game's page; screen ")
        + (pageDrawn ? "social-dashboard.png" : "not drawn"));
    if (!pageDrawn)
        showcase.fail("social: the dashboard's game page was not drawn");
    Quorvel::dismissDashboard();
    RunLoop::main().advance(0.6);

    Quorvel::launchDashboardWithHighscorePage(normal);
    RunLoop::main().advance(0.6);
    quorvel::QVHighScoreController* scores = nullptr;
    wait("the leaderboard's scores did not load", [&] {
        RunLoop::main().advance(0.1);
        auto* f = dynamic_cast<quorvel::QVRootFrame*>(Quorvel::getRootController());
        auto* t = f ? dynamic_cast<quorvel::QVTabbedDashboardController*>(f->contentController()) : nullptr;
        auto* nav = t ? t->activeNavigationController() : nullptr;
        scores = nav ? dynamic_cast<quorvel::QVHighScoreController*>(nav->topViewController()) : nullptr;
        return scores && scores->sections().has_value();
    });
    RunLoop::main().advance(1.0);
    bool scoresDrawn = scores && renderTop("social-leaderboard.png");
    say(std::string("social: dashboard on the Normal leaderboard; screen ")
        + (scoresDrawn ? "social-leaderboard.png" : "not drawn"));
    Quorvel::dismissDashboard();
    RunLoop::main().advance(0.6);

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
