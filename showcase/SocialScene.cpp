// The social-client part of the showcase: starts the stand-in service on a
// loopback port, points the client's settings at it, fetches a leaderboard
// page with one signed GET through a service on the main run loop, and draws
// the scores as a headless screen (navigation bar over a table) to a PNG.
#include "Showcase.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVRuntimeHost.h"
#include "social/runtime/QVService.h"
#include "social/runtime/QVSettings.h"
#include "tools/standin/StandInServer.h"

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

using namespace platform;

namespace {

const char* kPath = "leaderboards/5/high_scores.xml";
const char* kScores = "<resources>"
                      "<high_score id=\"901\"><score>1200</score><display_text>Ann</display_text></high_score>"
                      "<high_score id=\"902\"><score>950</score><display_text>Bo</display_text></high_score>"
                      "<high_score id=\"903\"><score>870</score><display_text>Cy</display_text></high_score>"
                      "<high_score id=\"904\"><score>400</score><display_text>Di</display_text></high_score>"
                      "</resources>";

// One entry of a leaderboard: <high_score id="..."><score/><display_text/></high_score>.
class HighScore : public quorvel::QVResource {
    QV_DECLARE_RESOURCE(HighScore)
public:
    static std::string getResourceName() { return "high_score"; }
    static void getDataMap(quorvel::QVResourceDataMap& map)
    {
        map.addField("score", &HighScore::setScore, &HighScore::score);
        map.addField("display_text", &HighScore::setDisplayText, &HighScore::displayText);
    }
    const std::string& score() const { return score_; }
    void setScore(const std::string& s) { score_ = s; }
    const std::string& displayText() const { return displayText_; }
    void setDisplayText(const std::string& t) { displayText_ = t; }

private:
    std::string score_;
    std::string displayText_;
};

class HighScoreService : public quorvel::QVService {
public:
    static Ref<HighScoreService> create()
    {
        auto s = adoptRef(new HighScoreService);
        return s->init() ? s : nullptr;
    }
    void populateKnownResources(quorvel::QVResourceNameMap& map) override { map.addResource<HighScore>("high_score"); }
};

// The player has approved the client; requests go through our provider.
class ShowcaseHost : public quorvel::QVRuntimeHost {
public:
    quorvel::QVProvider* providerLink { nullptr };
    bool hasUserApprovedQuorvel() override { return true; }
    quorvel::QVProvider* provider() override { return providerLink; }
};

// Keeps what the request's one callback hands over.
class Outcome : public Object {
public:
    void succeeded(Object* arg) { done = true; series = Ref<quorvel::QVPaginatedSeries>(dynamic_cast<quorvel::QVPaginatedSeries*>(arg)); }
    void failed(Object*) { done = true; }
    bool done { false };
    Ref<quorvel::QVPaginatedSeries> series;
};

class ScoresController : public ui::TableViewController {
public:
    std::vector<HighScore*> scores;
    int tableViewNumberOfRowsInSection(ui::TableView*, int) override { return static_cast<int>(scores.size()); }
    Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView* table, ui::IndexPath ip) override
    {
        auto cell = table->dequeueReusableCellWithIdentifier("Score");
        if (!cell)
            cell = ui::TableViewCell::cellWithStyle(ui::TableViewCellStyle::Value1, "Score");
        const HighScore* s = scores[static_cast<size_t>(ip.row)];
        cell->textLabel()->setText(format("%d. %s", ip.row + 1, s->displayText().c_str()));
        cell->detailTextLabel()->setText(s->score());
        return cell;
    }
};

// Draws the scores under a "Leaderboard" bar; answers whether the PNG was written.
bool renderScores(const std::vector<HighScore*>& scores, const std::string& path)
{
    auto controller = adoptRef(new ScoresController);
    if (!controller->init())
        return false;
    controller->scores = scores;
    controller->setTitle("Leaderboard");
    auto nav = ui::NavigationController::withRootViewController(controller.get());
    auto window = ui::Window::windowWithFrame(ui::Screen::mainScreen().bounds());
    ui::View* v = nav->view();
    v->setFrame(ui::Screen::mainScreen().applicationFrame());
    nav->notifyViewWillAppear(false);
    window->addSubview(v);
    nav->notifyViewDidAppear(false);
    RunLoop::main().drain();
    window->layoutIfNeeded();
    bool written = ui::ViewRenderer::writePNG(window.get(), path);
    v->removeFromSuperview();
    return written;
}

} // namespace

namespace showcase {

std::string runSocialScene(Showcase& showcase)
{
    // A private home (keychain, defaults) and settings file inside the output folder.
    std::string home = showcase.outputDir() + "/social-home";
    mkdir(home.c_str(), 0755);
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home);
    UserDefaults::resetStandardUserDefaults();

    standin::StandInServer server;
    if (server.start() <= 0) {
        Bundle::main().setHomeDirectory(oldHome);
        return showcase.failed("social: cannot start the stand-in service");
    }
    server.setConsumer("showcase-key", "showcase-secret");
    server.addToken("token-1", "token-secret-1");
    server.route("GET", kPath, standin::Answer::xml(kScores));

    std::string settings = home + "/quorvel_internal_settings.xml";
    std::ofstream(settings) << "<quorvel_internal_settings><environment-release><config><server-url>"
                            << server.baseUrl() << "</server-url></config></environment-release>"
                            << "</quorvel_internal_settings>\n";
    quorvel::QVSettings::InitializeWithFile(settings);

    auto transport = CurlHttpTransport::create();
    HttpTransport::setShared(Ref<HttpTransport>(transport.get()));
    auto provider = quorvel::QVProvider::providerWithProductKey("showcase-key", "showcase-secret");
    provider->setAccessToken("token-1", "token-secret-1");
    ShowcaseHost host;
    host.providerLink = provider.get();
    quorvel::QVRuntimeHost::setCurrent(&host);

    auto service = HighScoreService::create();
    auto outcome = makeRef<Outcome>();
    bool sent = service
                && service->getAction(kPath, nullptr,
                                      quorvel::QVDelegate(outcome.get(), BRISKO_SELECTOR(Outcome, succeeded)),
                                      quorvel::QVDelegate(outcome.get(), BRISKO_SELECTOR(Outcome, failed)), 0, nullptr);
    if (sent)
        RunLoop::main().runUntil([&] { return outcome->done; }, 5.0);

    std::string line;
    if (!outcome->series) {
        line = showcase.failed(sent ? "social: the leaderboard request failed" : "social: the leaderboard request was dropped");
    } else {
        std::vector<HighScore*> scores;
        for (size_t i = 0; i < outcome->series->count(); ++i)
            if (auto* s = dynamic_cast<HighScore*>(outcome->series->objectAtIndex(i)))
                scores.push_back(s);
        auto log = server.requests();
        bool verified = log.size() == 1 && log[0].signatureValid;
        std::string file = "social-leaderboard.png";
        bool drawn = renderScores(scores, showcase.outputDir() + "/" + file);
        line = format("social: GET %s %d, %zu high scores, OAuth signature %s; screen %s", kPath,
                      outcome->series->httpResponseStatusCode(), scores.size(),
                      verified ? "verified by the stand-in" : "NOT verified",
                      drawn ? file.c_str() : "not drawn");
        if (!verified || !drawn)
            showcase.fail(line);
    }

    // The client's connections close first, so the server's workers end at once.
    provider->destroyAllPendingRequests();
    quorvel::QVRuntimeHost::setCurrent(nullptr);
    HttpTransport::setShared(nullptr);
    transport = nullptr;
    server.stop();
    quorvel::QVSettings::Uninitialize();
    Bundle::main().setHomeDirectory(oldHome);
    UserDefaults::resetStandardUserDefaults();
    return line;
}

} // namespace showcase
