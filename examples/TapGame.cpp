// Tap Game: a small game on Kestrel and Quorvel. One scene with a sprite, a
// score label and a "Dashboard" menu item. Each tap on the screen scores 100;
// the first tap unlocks the "First Steps" achievement, 500 points unlock
// "Collector". The score goes to the "Normal" leaderboard when the player
// leaves; the menu item opens the dashboard.
//
// The program draws headless, so the player is played by the program itself
// (the part at the bottom of this file): it answers the first-launch screens,
// taps the scene, opens and closes the dashboard and quits. Every call the
// client makes into the game is printed, in order.
//
// Usage: tap_game [--taps N]      (N taps on the scene, 3 by default)
// The bundle folder is "bundle" beside the program, whatever folder it starts
// in (BRISKO_RESOURCES names another); the game's data goes to
// ~/.brisko/com.example.tapgame (BRISKO_HOME names another).
#include <kestrel/kestrel.h>
#include <quorvel/quorvel.h>

#include "platform/device/Screen.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Touches.h"
#include "platform/ui/Window.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

using namespace kestrel;
using platform::Ref;

namespace {

// What the stand-in service knows: its product key and secret, a leaderboard
// and an achievement. A real game gets these from its developer page.
const char* kProductKey = "product-key";
const char* kProductSecret = "product-secret";
const char* kLeaderboard = "5";      // "Normal"
const char* kFirstSteps = "11";      // "First Steps"
const char* kCollector = "12";       // "Collector"

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// ---- The game

// Hears from the client: logins, the dashboard's appearance, scores and achievements.
class GameListener final : public platform::Object, public quorvel::QuorvelDelegate, public quorvel::QVAchievementDelegate {
public:
    void userLoggedIn(const std::string& id) override { event("userLoggedIn " + id), loggedIn = online = true; }
    void offlineUserLoggedIn(const std::string& id) override { event("offlineUserLoggedIn " + id), loggedIn = true; }
    void userLoggedOut(const std::string& id) override { event("userLoggedOut " + id); }
    void dashboardWillAppear() override { event("dashboardWillAppear"); }
    void dashboardDidAppear() override { event("dashboardDidAppear"), dashboardOpen = true; }
    void dashboardWillDisappear() override { event("dashboardWillDisappear"); }
    void dashboardDidDisappear() override { event("dashboardDidDisappear"), dashboardOpen = false; }

    // Offline the unlock is kept on the device, reported as done, and sent at the next online login.
    void didUpdateProgressionCompleteQVAchievement(quorvel::QVAchievement*) override
    {
        event("achievement unlocked"), ++achievementAnswers;
    }
    void didFailUpdateProgressionCompleteQVAchievement(quorvel::QVAchievement*) override
    {
        event("achievement unlock failed"), ++achievementAnswers;
    }
    // Offline a best score is kept on the device and sent at the next online login; it counts as taken.
    void scoreTaken(platform::Object*) { event("score taken"), scoreAnswered = true; }
    void scoreRefused(platform::Object*) { event("score refused"), scoreAnswered = true; }

    static void event(const std::string& what) { say("game: " + what); }

    bool loggedIn { false }, online { false }, dashboardOpen { false };
    bool scoreAnswered { false };
    int achievementAnswers { 0 };
};

// The play layer: counts taps and shows the score.
class PlayLayer final : public KSLayer {
public:
    static Ref<PlayLayer> make(GameListener* listener)
    {
        auto layer = platform::adoptRef(new PlayLayer);
        if (!layer->init())
            return nullptr;
        layer->listener_ = listener;
        Size size = KSDirector::sharedDirector()->winSize();
        auto sprite = KSSprite::spriteWithFile("QuorvelLogoNotificationIcon.png");
        if (sprite) {
            sprite->setPosition({ size.width / 2, size.height / 2 });
            sprite->runAction(KSRepeatForever::actionWithAction(KSRotateBy::actionWithDuration(4.0f, 360).get()).get());
            layer->addChild(sprite.get());
        }
        // A bundle without the font logs which file it missed; the game goes on without the labels.
        layer->label_ = KSLabelBMFont::labelWithString("Tap to score", "dejavu-sans-24.fnt");
        if (layer->label_) {
            layer->label_->setPosition({ size.width / 2, size.height - 60 });
            layer->addChild(layer->label_.get());
        }
        if (auto title = KSLabelBMFont::labelWithString("Dashboard", "dejavu-sans-24.fnt")) {
            auto item = KSMenuItemLabel::itemWithLabel(title.get(), [](KSMenuItem*) { quorvel::Quorvel::launchDashboard(); });
            auto menu = KSMenu::menuWithItems({ item.get() });
            menu->setPosition({ size.width / 2, 60 });
            layer->addChild(menu.get());
        }

        layer->setIsTouchEnabled(true);
        return layer;
    }

    // The menu takes its own touches first (a higher priority); every other touch is a tap.
    void registerWithTouchDispatcher() override { KSTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true); }
    bool ksTouchBegan(ActiveTouch*, Event*) override { return true; }
    void ksTouchEnded(ActiveTouch*, Event*) override
    {
        score_ += 100;
        if (label_)
            label_->setString("Score " + std::to_string(score_));
        if (score_ == 100)
            unlock(kFirstSteps);
        if (score_ == 500)
            unlock(kCollector);
    }
    int unlocksAsked() const { return unlocksAsked_; }

    // The game's end: the score goes to the leaderboard.
    void submitScore()
    {
        quorvel::QVHighScoreService::setHighScore(score_, kLeaderboard,
                                                  quorvel::QVDelegate(listener_, BRISKO_SELECTOR(GameListener, scoreTaken)),
                                                  quorvel::QVDelegate(listener_, BRISKO_SELECTOR(GameListener, scoreRefused)));
    }
    int64_t score() const { return score_; }

private:
    PlayLayer() = default;
    GameListener* listener_ { nullptr };
    Ref<KSLabelBMFont> label_;
    int64_t score_ { 0 };
    int unlocksAsked_ { 0 };

    void unlock(const char* achievementId)
    {
        // The achievement's record, from the device's copy of the list when there is one.
        Ref<quorvel::QVAchievement> achievement = quorvel::QVAchievement::achievement(achievementId);
        if (achievement && !achievement->isUnlocked()) {
            ++unlocksAsked_;
            achievement->unlock();
        }
    }
};

// ---- The player (the program plays itself: there is no screen to touch)

// Runs the loop until done() or `seconds` of real time pass.
bool waitFor(const std::function<bool()>& done, double seconds = 15)
{
    return platform::RunLoop::main().runUntil(done, seconds);
}

// The first visible button of the window whose title passes the test.
platform::ui::Button* findButton(platform::ui::View* view, const std::function<bool(const std::string&)>& wanted)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto* button = dynamic_cast<platform::ui::Button*>(view); button && wanted(button->currentTitle()))
        return button;
    for (auto& sub : view->subviews())
        if (auto* found = findButton(sub.get(), wanted))
            return found;
    return nullptr;
}

// Waits for a button, then taps it. False when none came.
bool tapButton(platform::ui::Window* window, const std::string& what,
               const std::function<bool(const std::string&)>& wanted)
{
    platform::ui::Button* button = nullptr;
    if (!waitFor([&] { return (button = findButton(window, wanted)) != nullptr; })) {
        std::string seen;
        findButton(window, [&](const std::string& title) { return seen += " \"" + title + "\"", false; });
        say("player: no " + what + " button came; the screen shows" + (seen.empty() ? " none" : seen));
        return false;
    }
    say("player: taps \"" + button->currentTitle() + "\"");
    Ref<platform::ui::Button> keep(button);
    platform::Rect bounds = button->bounds();
    platform::ui::TouchInjector::tap(button, { bounds.midX(), bounds.midY() });
    return true;
}

// The first visible text field of the view.
platform::ui::TextField* findField(platform::ui::View* view)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto* field = dynamic_cast<platform::ui::TextField*>(view))
        return field;
    for (auto& sub : view->subviews())
        if (auto* found = findField(sub.get()))
            return found;
    return nullptr;
}

// The first launch: the approval screen, "Setting Up Quorvel" (nothing to
// answer), the name screen and the friends screen.
bool answerFirstLaunch(platform::ui::Window* window, GameListener& game)
{
    auto is = [](const char* title) { return [title](const std::string& t) { return t == title; }; };
    auto shows = [&](const char* title) { return findButton(window, is(title)) != nullptr; };
    // The player reads the screen once it is up.
    if (!waitFor([&] { return game.dashboardOpen; }))
        say("player: the approval screen did not finish appearing");
    if (!tapButton(window, "approval", is("Use Quorvel")))
        return false;
    // The name screen offers a name ("Continue" keeps it); the player types another.
    if (!waitFor([&] { return shows("I already have an account") && findField(window); })) {
        say("player: the name screen did not come");
        return false;
    }
    // A name another player has (a new device on a service that knows "Tapper")
    // is refused in an alert: the player closes it and tries the next one.
    auto friendsScreen = [&] { return !shows("I already have an account") && shows("Continue"); };
    for (int attempt = 1;; ++attempt) {
        std::string name = attempt == 1 ? "Tapper" : "Tapper" + std::to_string(attempt);
        platform::ui::TextField* field = findField(window);
        if (!field) {
            say("player: the name field went away");
            return false;
        }
        field->setText(name);
        say("player: types the name \"" + name + "\"");
        if (!tapButton(window, "name", [](const std::string& t) { return t == "Continue" || t == "Submit"; }))
            return false;
        Ref<platform::ui::AlertView> alert;
        if (!waitFor([&] {
                auto alerts = platform::ui::AlertView::visibleAlerts();
                alert = alerts.empty() ? nullptr : alerts.back();
                return alert || friendsScreen();
            })) {
            say("player: the friends screen did not come");
            return false;
        }
        if (!alert)
            break;
        std::string text = alert->message().empty() ? alert->title() : alert->message();
        text.erase(text.find_last_not_of(" \n") + 1);
        say("player: reads \"" + text + "\" and taps \"" + alert->buttonTitleAtIndex(0) + "\"");
        alert->clickButton(0);
        if (attempt == 5) {
            say("player: gives up naming the account");
            return false;
        }
    }
    if (!tapButton(window, "friends", is("Continue")))
        return false;
    return waitFor([&] { return game.loggedIn && !game.dashboardOpen; });
}

int play(int argc, char** argv)
{
    int taps = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--taps") == 0 && i + 1 < argc) {
            taps = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: tap_game [--taps N]\n");
            return 2;
        }
    }

    // The game's own data folder, and the bundle folder beside the program.
    auto& bundle = platform::Bundle::main();
    bundle.setBundleIdentifier("com.example.tapgame");
    bundle.setResourcePath("bundle");

    // The window, the director and the scene.
    if (!KSDirector::setDirectorType(kKSDirectorTypeDisplayLink))
        KSDirector::setDirectorType(kKSDirectorTypeNSTimer);
    auto* director = static_cast<KSDirectorIOS*>(KSDirector::sharedDirector());
    auto window = platform::ui::Window::windowWithFrame(platform::ui::Screen::mainScreen().bounds());
    window->makeKeyAndVisible();
    if (!director->attachInWindow(window.get())) {
        std::fprintf(stderr, "tap_game: cannot make the GL view\n");
        return 1;
    }
    director->setAnimationInterval(1.0 / 60);

    auto game = platform::adoptRef(new GameListener);
    auto scene = KSScene::node();
    auto play = PlayLayer::make(game.get());
    scene->addChild(play.get());
    director->runWithScene(scene.get());

    // The social client: its screens come up in the game's window.
    quorvel::QVAchievement::setDelegate(game.get());
    quorvel::Quorvel::setNoticeObserver([](const quorvel::Quorvel::BackgroundNotice& notice) {
        GameListener::event("notice \"" + notice.text + "\"");
    });
    auto delegates = quorvel::QVDelegatesContainer::containerWithQuorvelDelegate(game.get());
    quorvel::QuorvelSettingsDictionary settings;
    settings.values.set("ShortDisplayName", "Tap Game");
    settings.setObject("QuorvelSettingPresentationWindow", window);
    quorvel::Quorvel::initializeWithProductKey(kProductKey, kProductSecret, "Tap Game", settings, delegates.get());

    // The player: the first launch's screens, or straight in on a later launch.
    bool ok = true;
    bool firstLaunch = !quorvel::Quorvel::hasUserApprovedQuorvel();
    if (firstLaunch) {
        ok = answerFirstLaunch(window.get(), *game);
    } else {
        // A player who left at the friends offer last time meets it again.
        auto offer = [&] { return findButton(window.get(), [](const std::string& t) { return t == "Continue"; }); };
        ok = waitFor([&] { return game->loggedIn || offer(); });
        if (ok && !game->loggedIn)
            ok = tapButton(window.get(), "friends", [](const std::string& t) { return t == "Continue"; })
                && waitFor([&] { return game->loggedIn; });
    }
    if (!ok)
        say("player: the login did not finish");

    if (ok) {
        EAGLView* view = director->openGLView();
        for (int i = 0; i < taps; ++i) {
            platform::ui::TouchInjector::tap(view, { 160, 160 });
            waitFor([] { return false; }, 0.1);
        }
        say("player: tapped " + std::to_string(taps) + " times; score " + std::to_string(play->score()));
        play->submitScore();
        ok = waitFor([&] { return game->scoreAnswered && game->achievementAnswers == play->unlocksAsked(); });
        if (!ok)
            say("player: the score or the achievement got no answer");
    }
    if (ok) {
        // The "Dashboard" item, in view coordinates (y down).
        Size size = director->winSize();
        platform::ui::TouchInjector::tap(director->openGLView(), { size.width / 2, size.height - 60 });
        ok = waitFor([&] { return game->dashboardOpen; });
        if (ok) {
            waitFor([] { return false; }, 1.0);
            say("player: closes the dashboard");
            quorvel::Quorvel::dismissDashboard();
            ok = waitFor([&] { return !game->dashboardOpen; });
        } else {
            say("player: the dashboard did not open");
        }
    }

    // Quitting: the client first, then the engine.
    quorvel::Quorvel::shutdown();
    quorvel::Quorvel::setNoticeObserver(nullptr);
    quorvel::QVAchievement::setDelegate(nullptr);
    director->end();
    KSDirector::purgeSharedDirector();
    say(ok ? "tap_game: done" : "tap_game: FAILED");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Software rasterising: no display is needed.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // The player's language for the game's own texts; the project's numbers ignore it.
    std::setlocale(LC_ALL, "");
    return play(argc, argv);
}
