// In-game notices with the client running against the stand-in: the
// decision, the default-notice slot, request notices, the bars' timing,
// server notifications in answers with their downloads, and the bars as
// rendered over a game frame.
#include "QuorvelTestSupport.h"
#include "../ui/ScreenTestKit.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Window.h"
#include "social/core/QVNotification.h"
#include "social/core/QVNotificationView.h"
#include "social/core/QVAchievementNotificationView.h"
#include "social/core/QVChallengeNotificationView.h"
#include "social/core/QVServerNotificationView.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVServerNotification.h"
#include "social/services/QVTickerService.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace quorvel;
using platform::Ref;
using platform::ui::View;
using platform::ui::Window;

class RecordingNoticeDelegate : public QVNotificationDelegate {
public:
    std::optional<bool> answer;
    std::vector<std::string> calls;
    std::vector<std::pair<int, int>> kinds; // category, type of each call

    std::optional<bool> isQuorvelNotificationAllowed(QVNotificationData* d) override
    {
        record("allowed?", d);
        return answer;
    }
    void notificationWillShow(QVNotificationData* d) override { record("willShow", d); }
    void handleDisallowedNotification(QVNotificationData* d) override { record("disallowed", d); }

private:
    void record(const std::string& what, QVNotificationData* d)
    {
        calls.push_back(what + " " + d->notificationText());
        kinds.emplace_back(d->notificationCategory(), d->notificationType());
    }
};

// Catches the answers of one request.
class Answers : public platform::Object, public QVCallbackable {
public:
    int successes { 0 };
    int failures { 0 };
    Ref<QVPaginatedSeries> series;
    void succeeded(platform::Object* s)
    {
        ++successes;
        series = Ref<QVPaginatedSeries>(dynamic_cast<QVPaginatedSeries*>(s));
    }
    void failed(platform::Object*) { ++failures; }
    bool canReceiveCallbacksNow() override { return true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(Answers, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(Answers, failed)); }
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The window drawn over nothing (below).
Ref<platform::Image> renderWindow(Window& window, const std::string& name);

class NoticeTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
        window = Window::windowWithFrame(platform::Rect(0, 0, 320, 480));
        window->makeKeyWindow();
        answers = platform::adoptRef(new Answers);
    }

    void TearDown() override
    {
        // Every bar runs to its end, so none is left sliding for the next test.
        advance(10);
        QVNotification::sharedInstance().clearDefaultNotice();
        QuorvelTest::TearDown();
        loop().reset();
        window = nullptr;
        platform::ui::Application::sharedApplication().reset();
    }

    void start(int position = 1, QVNotificationDelegate* delegate = nullptr)
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        // The player has seen the link-networks offer: no full-screen screen holds the notices back.
        QuorvelInternal::options().setDoneWithGetTheMost(true);
        QuorvelSettingsDictionary settings;
        settings.values.set("QuorvelSettingNotificationPosition", platform::Value(position));
        settings.setObject("QuorvelSettingPresentationWindow", window);
        delegates = QVDelegatesContainer::containerWithQuorvelDelegate(nullptr, nullptr, delegate);
        startClient(settings, delegates.get());
        ASSERT_TRUE(waitForBootstrapRequests());
        // The login's answer is in (on a busy machine it can come late, and its
        // welcome notice would then hold back the test's own), and its welcome
        // notice runs to its end before the test's own notices.
        ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
        advance(10);
        platform::Bundle::main().setResourcePath(screen_testing::sourceDirectory() + "/resources");
    }

    template <typename Bar = QVNotificationView>
    std::vector<Bar*> bars() const
    {
        std::vector<Bar*> out;
        for (auto& v : window->subviews())
            if (auto* bar = dynamic_cast<Bar*>(v.get()))
                out.push_back(bar);
        return out;
    }

    // A stored notice is shown on the loop's next turn.
    void showText(const std::string& text, std::optional<std::string> status = std::nullopt)
    {
        QVNotification::sharedInstance().showBackgroundNotice(QVNotificationData::dataWithText(text, 2, 4).get(),
                                                              status);
    }

    std::string serverUrl(const std::string& path) const { return server.baseUrl() + path; }

    Ref<Window> window;
    Ref<QVDelegatesContainer> delegates;
    Ref<Answers> answers;
};

TEST_F(NoticeTest, AnAllowedNoticeSlidesInOnALaterTurnHoldsAndLeaves)
{
    start();
    showText("Welcome back");
    EXPECT_TRUE(bars().empty()) << "never inside the caller";
    loop().drain();
    ASSERT_EQ(bars().size(), 1u);
    QVNotificationView* bar = bars()[0];
    EXPECT_EQ(bar->notice()->text(), "Welcome back");
    EXPECT_EQ(bar->frame(), platform::Rect(0, 436, 320, 44)) << "position 1 is the bottom";
    EXPECT_TRUE(bar->isPresenting());
    advance(0.25);
    EXPECT_FALSE(bar->isPresenting());
    advance(2.0);
    ASSERT_EQ(bars().size(), 1u) << "sliding out";
    advance(0.5);
    EXPECT_TRUE(bars().empty());
}

TEST_F(NoticeTest, TheDecisionFollowsTheDisabledOptionThenTheDelegate)
{
    RecordingNoticeDelegate delegate;
    start(0, &delegate);
    delegate.calls.clear(); // the login's welcome notice

    // No answer from the delegate: shown, with the will-show hook.
    showText("One");
    loop().drain();
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "allowed? One", "willShow One" }));

    delegate.calls.clear();
    delegate.answer = false;
    showText("Two");
    loop().drain();
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "allowed? Two", "disallowed Two" }));

    // Disabled: refused before the delegate is asked.
    delegate.calls.clear();
    delegate.answer = true;
    QuorvelInternal::options().setDisabled(true);
    showText("Three");
    loop().drain();
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "disallowed Three" }));
    QuorvelInternal::options().setDisabled(false);

    // The dashboard hub open: nothing at all.
    Quorvel::launchDashboard();
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::hub().isDashboardHubOpen(); }));
    delegate.calls.clear();
    showText("Four");
    loop().drain();
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_TRUE(delegate.calls.empty());
}

TEST_F(NoticeTest, TheDefaultNoticeWaitsForTheNextSuccessfulAnswer)
{
    start();
    auto& notices = QVNotification::sharedInstance();
    notices.showDefaultNotice();
    loop().drain();
    EXPECT_TRUE(bars().empty());

    notices.setDefaultBackgroundNotice(QVNotificationData::dataWithText("Older", 4, 4).get(), std::nullopt);
    notices.setDefaultBackgroundNotice(QVNotificationData::dataWithText("Score submitted", 4, 4).get(),
                                       std::string(QVNotification::kStatusFailure));
    server.route("GET", "tickers.xml", standin::Answer::xml("<tickers><ticker><message>Hi</message></ticker></tickers>"));
    QVTickerService::getPage(1, answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes == 1; }));
    loop().drain();
    ASSERT_EQ(bars().size(), 1u);
    EXPECT_EQ(bars()[0]->notice()->text(), "Score submitted");
    EXPECT_FALSE(bars()[0]->statusIndicator()->isHidden());
    EXPECT_EQ(notices.defaultBackgroundNotice(), nullptr);
    EXPECT_FALSE(notices.defaultStatus());
}

TEST_F(NoticeTest, ARequestNoticeShowsOnlyAfterItsRequestEnded)
{
    start();
    server.route("POST", "users/u7/following.xml", [](const standin::LoggedRequest&) {
        standin::Answer a = standin::Answer::xml("<users></users>");
        a.hold = true;
        return a;
    });
    QVFriendsService::makeLocalUserFollow("u7", answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return !requestsTo("users/u7/following.xml").empty(); }));
    loop().drain();
    EXPECT_TRUE(bars().empty()) << "the request has not ended";
    server.releaseHeld();
    ASSERT_TRUE(waitFor([&] { return answers->successes == 1; }));
    ASSERT_EQ(bars().size(), 1u);
    EXPECT_EQ(bars()[0]->notice()->text(), "Followed");
    EXPECT_TRUE(bars()[0]->statusIndicator()->isHidden()) << "success has no status image";
    EXPECT_EQ(answers->failures, 0);
}

TEST_F(NoticeTest, AFailedRequestShowsTheFailureStatusAndARefusedNoticeStillSends)
{
    RecordingNoticeDelegate delegate;
    start(1, &delegate);
    standin::Answer dropped = standin::Answer::xml("<users></users>");
    dropped.truncateAfter = 3;
    server.route("POST", "users/u8/following.xml", dropped);
    QVFriendsService::makeLocalUserFollow("u8", answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes + answers->failures == 1; }));
    ASSERT_EQ(bars().size(), 1u);
    EXPECT_FALSE(bars()[0]->statusIndicator()->isHidden());
    EXPECT_NE(bars()[0]->statusIndicator()->image(), nullptr);
    EXPECT_EQ(answers->failures, 1);

    delegate.answer = false;
    server.route("POST", "users/u9/following.xml", standin::Answer::xml("<users/>"));
    QVFriendsService::makeLocalUserFollow("u9", answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes + answers->failures == 2; }));
    EXPECT_EQ(requestsTo("users/u9/following.xml").size(), 1u);
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_EQ(delegate.calls.back(), "disallowed Followed");
}

TEST_F(NoticeTest, AChallengeThatCannotBeFetchedShowsTheFailureAsTheBarsStatus)
{
    start();
    standin::Answer dropped = standin::Answer::xml("<challenges_users/>");
    dropped.truncateAfter = 3;
    server.route("GET", "challenges_users/72.xml", dropped);
    QVChallengeService::getChallengeToUserAndShowNotification("72");
    ASSERT_TRUE(waitFor([&] { return !bars().empty(); }));
    QVNotificationView* bar = bars()[0];
    EXPECT_EQ(bar->notice()->text(), "Error downloading challenge.");
    EXPECT_FALSE(bar->statusIndicator()->isHidden());
    EXPECT_NE(bar->statusIndicator()->image(), nullptr);
    EXPECT_EQ(bar->notificationImage()->image(), nullptr) << "the failure is the status, not the notice's picture";
}

TEST_F(NoticeTest, NoticesReadyTogetherSlideInTogetherTheLaterAbove)
{
    start();
    showText("First");
    showText("Second");
    loop().drain();
    ASSERT_EQ(bars().size(), 2u) << "never queued";
    EXPECT_EQ(bars()[0]->notice()->text(), "First");
    EXPECT_EQ(bars()[1]->notice()->text(), "Second") << "the later one above";
    EXPECT_TRUE(bars()[0]->isPresenting());
    EXPECT_TRUE(bars()[1]->isPresenting());
    EXPECT_EQ(bars()[0]->frame(), bars()[1]->frame()) << "at the same place";
    advance(2.25 + 0.5);
    EXPECT_TRUE(bars().empty()) << "both leave together";
}

TEST_F(NoticeTest, AClientShuttingDownForgetsTheBarsItHasNotShownYet)
{
    start();
    showText("From the last client");
    Quorvel::shutdown();
    loop().drain();
    advance(1);
    EXPECT_TRUE(bars().empty());
}

// A game that quits to its menu as a notice is about to show (the welcome
// notice of the login, a notice of its own): no bar shows for a client gone.
class ShutDownOnNotice final : public QVNotificationDelegate {
public:
    void notificationWillShow(QVNotificationData* d) override
    {
        heard.push_back(d->notificationText());
        if (armed)
            Quorvel::shutdown();
    }
    bool armed { true };
    std::vector<std::string> heard;
};

TEST_F(NoticeTest, AShutDownAsANoticeIsAboutToShowShowsNoBar)
{
    ShutDownOnNotice game;
    start(1, &game); // the login's welcome notice
    EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
    EXPECT_EQ(game.heard.size(), 1u);
    advance(3);
    EXPECT_TRUE(bars().empty());

    game.armed = false;
    start(1, &game);
    game.heard.clear();
    game.armed = true;
    showText("Good score");
    EXPECT_EQ(game.heard, (std::vector<std::string> { "Good score" }));
    EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
    loop().drain();
    advance(3);
    EXPECT_TRUE(bars().empty());
}

TEST_F(NoticeTest, BarBackgroundsStretchBetweenTheirCaps)
{
    start();
    showText("Stretched");
    loop().drain();
    ASSERT_EQ(bars().size(), 1u);
    QVImageView* background = bars()[0]->backgroundImage();
    platform::Image* art = background->image();
    ASSERT_TRUE(art);
    EXPECT_TRUE(background->shouldScaleImageToFillRect());
    EXPECT_EQ(background->leftCapWidth(art), int(art->width()) - 50);
    EXPECT_EQ(background->topCapHeight(art), 0);
    advance(3);

    // A server notice's named default art takes its cap from the background's art.
    Ref<QVServerNotification> n = QVServerNotification::create();
    n->setText("Double points");
    n->setBackgroundDefaultImage("QVNotificationBackgroundIPhoneTop.png");
    auto bar = QVServerNotificationView::showServerNotification(n.get(), window.get());
    ASSERT_TRUE(bar);
    loop().drain();
    platform::Image* named = bar->backgroundImage()->defaultImage();
    ASSERT_TRUE(named);
    EXPECT_EQ(bar->backgroundImage()->leftCapWidth(named), int(named->width()) - 18);
}

TEST_F(NoticeTest, EveryNoticeTextIsWholeInAPortraitPhoneBar)
{
    start();
    // Each notice as it is shown: its text, its image and its status.
    struct Case {
        const char* text;
        std::optional<std::string> image;
        std::optional<std::string> status;
    };
    const std::string failure = QVNotification::kStatusFailure;
    const Case cases[] = {
        { "New high score! Saving locally.", "HighScoreNotificationIcon.png", std::nullopt },
        { "New high score! Saving locally.", "HighScoreNotificationIcon.png", failure },
        { "Unable to login to Quorvel. Restart to try again.", std::nullopt, failure },
        { "Check your date & time settings.", std::nullopt, failure },
        { "Submitted Achievements To Server", std::nullopt, failure },
        { "Submitted Unlocked Achivements", std::nullopt, failure },
        { "Welcome back, Annabelle, you are OFFLINE", std::nullopt, std::nullopt },
        { "Downloaded High Scores", std::nullopt, failure },
        { "Error downloading challenge.", std::nullopt, failure },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto bar = QVNotificationView::showNotificationWithText(c.text, c.image, c.status, window.get());
        ASSERT_TRUE(bar);
        loop().drain();
        advance(0.25);
        platform::ui::Label* notice = bar->notice();
        EXPECT_FALSE(notice->currentLayout().truncated) << notice->frame().size.width;
        // Clear of the status image and inside the bar.
        if (c.status) {
            EXPECT_LE(notice->frame().maxX(), bar->statusIndicator()->frame().minX());
        }
        EXPECT_LE(notice->convertRectTo(notice->bounds(), window.get()).maxX(), 320);
        if (&c == &cases[2]) {
            EXPECT_TRUE(renderWindow(*window, "notice-two-line-bar"));
        }
        advance(3);
    }
}

TEST_F(NoticeTest, ABarThatCannotBeLoadedIsDroppedWithALogLine)
{
    start();
    QVRegisterNotificationInterfaces();
    platform::ui::InterfaceRegistry::shared().unregisterLayout("ServerNotificationViewQv");
    platform::LogCapture log;
    Ref<QVServerNotification> n = QVServerNotification::create();
    n->setText("Hello");
    QVNotification::sharedInstance().showServerNotification(n.get());
    loop().drain();
    EXPECT_TRUE(bars().empty());
    EXPECT_TRUE(log.contains("ServerNotificationView"));
    QVRegisterNotificationInterfaces();
}

TEST_F(NoticeTest, AchievementBarsShowTheValueTheirPercentAllows)
{
    start();
    Ref<platform::Object> achievement = QVNotificationData::dataWithText("an achievement", 6);
    struct Case {
        double percent;
        const char* value; // null: hidden
    };
    for (const Case& c : { Case { 100, "25" }, Case { 37.9, "37%" }, Case { -1, nullptr } }) {
        auto data = QVUnlockedAchievementNotificationData::dataWithAchievementFields(achievement.get(), "Sharp %s %n",
                                                                                    25, "a1", "", c.percent);
        auto before = bars<QVAchievementNotificationView>();
        QVNotification::sharedInstance().showAchievementNotice(data.get());
        loop().drain();
        // The new bar, wherever the window keeps it among the others.
        QVAchievementNotificationView* bar = nullptr;
        for (QVAchievementNotificationView* shown : bars<QVAchievementNotificationView>())
            if (std::find(before.begin(), before.end(), shown) == before.end())
                bar = shown;
        ASSERT_NE(bar, nullptr);
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(bar->notice()->text(), "'Sharp %s %n'");
        if (c.value) {
            EXPECT_EQ(bar->achievementValueText()->text(), c.value);
        }
        EXPECT_EQ(bar->achievementValueText()->isHidden(), c.value == nullptr);
        EXPECT_EQ(bar->statusIndicator()->defaultImage() != nullptr, c.value != nullptr);
        advance(0.25);
    }
    // The last slid in from 0.5 s to 0.75 s; a 2-s hold would have ended it by 3.25 s.
    advance(3.9);
    EXPECT_EQ(bars().size(), 3u) << "achievements hold 4 s";
    advance(0.65);
    EXPECT_EQ(bars().size(), 0u);
}

TEST_F(NoticeTest, AServerNotificationInAnAnswerWaitsForEveryImageDownload)
{
    start();
    const std::string png = readFile(screen_testing::sourceDirectory() + "/resources/QVUnlockedAchievementIcon.png");
    auto heldPng = [png](const standin::LoggedRequest&) {
        standin::Answer a;
        a.body = png;
        a.contentType = "image/png";
        a.hold = true;
        return a;
    };
    server.route("GET", "img/back.png", heldPng);
    server.route("GET", "img/icon.png", heldPng);
    server.route("GET", "img/status.png", standin::Answer::xml("missing", 404));
    QVNotification::sharedInstance().setDefaultBackgroundNotice(QVNotificationData::dataWithText("Stored", 4, 1).get(),
                                                                std::nullopt);
    RecordingNoticeDelegate delegate;
    delegates->setNotificationDelegate(&delegate);
    server.route("GET", "tickers.xml",
                 standin::Answer::xml("<tickers><ticker><message>m</message><date>not a date</date></ticker>"
                                      "<server_notification><text>50% off %s</text><detail>today</detail>"
                                      "<backImage>" + serverUrl("img/back.png") + "</backImage>"
                                      "<iconImage>" + serverUrl("img/icon.png") + "</iconImage>"
                                      "<statusImage>" + serverUrl("img/status.png") + "</statusImage>"
                                      "<score></score></server_notification></tickers>"));
    QVTickerService::getPage(1, answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes == 1; }));
    ASSERT_EQ(answers->series->count(), 1u) << "the notification is not one of the page's records";
    auto* ticker = dynamic_cast<QVTicker*>(answers->series->objects()[0].get());
    ASSERT_NE(ticker, nullptr);
    EXPECT_EQ(ticker->date(), "not a date");
    EXPECT_EQ(QVNotification::sharedInstance().defaultBackgroundNotice(), nullptr) << "dropped by the server's notice";
    EXPECT_EQ(delegate.kinds.front(), std::make_pair(4, 1)) << "the stored notice's category and type";

    ASSERT_TRUE(waitFor([&] {
        return !requestsTo("img/status.png").empty() && !requestsTo("img/back.png").empty()
            && !requestsTo("img/icon.png").empty();
    }));
    advance(1);
    EXPECT_TRUE(bars().empty()) << "not before every download ended";

    server.releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !bars().empty(); }));
    QVServerNotificationView* bar = bars<QVServerNotificationView>().at(0);
    EXPECT_TRUE(bar->isPresenting());
    EXPECT_EQ(bar->downloadsNeeded(), 3);
    EXPECT_EQ(bar->downloadsDone(), 3);
    EXPECT_EQ(bar->twoLineTopLabel()->text(), "50% off %s");
    EXPECT_EQ(bar->twoLineBottomLabel()->text(), "today");
    EXPECT_TRUE(bar->notice()->isHidden());
    EXPECT_TRUE(bar->numberLabel()->isHidden());
    EXPECT_TRUE(bar->smallQuorvelIconForNumber()->isHidden());
    advance(0.5); // the cross-fades
    EXPECT_NE(bar->statusIndicator()->defaultImage(), nullptr);
    EXPECT_EQ(bar->statusIndicator()->image(), bar->statusIndicator()->defaultImage())
        << "the failed download shows the default image";
    EXPECT_NE(bar->icon()->image(), bar->icon()->defaultImage());
}

// A ticker answer of 30 notices naming the same three large pictures: each is
// downloaded once, kept at the size its bars show it, and the cache stays
// within its budget.
TEST_F(NoticeTest, ATickerOfThirtyNoticesOfThreeLargePicturesDownloadsThreeAndKeepsTheCacheInItsBudget)
{
    start();
    QVImageCache* cache = QVImageCache::sharedInstance();
    ASSERT_TRUE(cache);
    cache->resetPeakBytes();
    const size_t before = cache->bytes();
    std::string answer = "<tickers>";
    for (int i = 0; i < 3; ++i) {
        platform::Bytes rgba(2048 * 1536 * 4);
        for (size_t at = 0; at < rgba.size(); at += 4)
            rgba[at] = uint8_t(40 * i + (at / 4) % 7), rgba[at + 1] = 90, rgba[at + 2] = 20, rgba[at + 3] = 255;
        auto png = *platform::Image::imageWithRGBA(2048, 1536, std::move(rgba))->pngData();
        standin::Answer picture;
        picture.body = std::string(png.begin(), png.end());
        picture.contentType = "image/png";
        server.route("GET", "big/" + std::to_string(i) + ".png", picture);
    }
    for (int n = 0; n < 30; ++n) {
        auto url = [&](int k) { return serverUrl("big/" + std::to_string((n + k) % 3) + ".png"); };
        answer += "<server_notification><text>Sale " + std::to_string(n) + "</text><backImage>" + url(0)
            + "</backImage><iconImage>" + url(1) + "</iconImage><statusImage>" + url(2)
            + "</statusImage></server_notification>";
    }
    server.route("GET", "tickers.xml", standin::Answer::xml(answer + "</tickers>"));
    QVTickerService::getPage(1, answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes == 1; }));
    ASSERT_TRUE(waitFor([&] {
        for (int i = 0; i < 3; ++i)
            if (!cache->fetch(serverUrl("big/" + std::to_string(i) + ".png"), QVImageCache::Dimensions { 1, 1 }))
                return false;
        return cache->downloadsRunning() == 0 && cache->downloadsQueued() == 0
            && QVPictureDecoder::decodesUnderWay() == 0;
    }));
    for (int i = 0; i < 3; ++i) {
        const std::string path = "big/" + std::to_string(i) + ".png";
        SCOPED_TRACE(path);
        EXPECT_EQ(requestsTo(path).size(), 1u);
        auto kept = cache->fetch(serverUrl(path));
        ASSERT_TRUE(kept);
        EXPECT_LT(kept->width(), 2048u) << "kept at the size a bar shows it";
    }
    EXPECT_LE(cache->peakBytes(), QVImageCache::kByteBudget);
    EXPECT_LT(cache->peakBytes() - before, size_t(2048 * 1536 * 4)) << "not one picture at full size";
}

TEST_F(NoticeTest, ServerNotificationTextAndImagesFollowTheirFields)
{
    start();
    Ref<QVServerNotification> n = QVServerNotification::create();
    n->setText("Only a line");
    n->setScore("120");
    n->setIconDefaultImage("QVProfileIconDefaultSelf.png");
    auto bar = QVServerNotificationView::showServerNotification(n.get(), window.get());
    ASSERT_TRUE(bar);
    loop().drain();
    EXPECT_TRUE(bar->isPresenting()) << "no download: presented at once";
    EXPECT_FALSE(bar->notice()->isHidden());
    EXPECT_EQ(bar->notice()->text(), "Only a line");
    EXPECT_TRUE(bar->twoLineTopLabel()->isHidden());
    EXPECT_EQ(bar->numberLabel()->text(), "120");
    EXPECT_TRUE(bar->backgroundImage()->isHidden()) << "neither a name nor an address";
    EXPECT_FALSE(bar->icon()->isHidden());

    Ref<QVServerNotification> empty = QVServerNotification::create();
    auto silent = QVServerNotificationView::showServerNotification(empty.get(), window.get());
    loop().drain();
    for (auto* label : { silent->notice(), silent->twoLineTopLabel(), silent->twoLineBottomLabel() })
        EXPECT_TRUE(label->isHidden());
}

TEST_F(NoticeTest, TheTickerAsksForAPageSilently)
{
    start();
    server.route("GET", "tickers.xml", standin::Answer::xml("<tickers/>"));
    QVTickerService::getPage(3, answers->onSuccess(), answers->onFailure());
    ASSERT_TRUE(waitFor([&] { return answers->successes == 1; }));
    auto requests = requestsTo("tickers.xml");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    bool hasPage = false;
    for (auto& [k, v] : requests[0].params)
        hasPage |= k == "page" && v == "3";
    EXPECT_TRUE(hasPage);
    loop().drain();
    EXPECT_TRUE(bars().empty()) << "type 3 has no notice";
}

} // namespace

namespace {

using screen_testing::near;
using screen_testing::pixelAt;

// A game's frame: sky, ground and a player square.
Ref<View> gameFrame()
{
    auto game = View::viewWithFrame(platform::Rect(0, 0, 320, 480));
    game->setBackgroundColor(platform::ui::Color { 0.35f, 0.65f, 0.95f, 1 });
    auto ground = View::viewWithFrame(platform::Rect(0, 380, 320, 100));
    ground->setBackgroundColor(platform::ui::Color { 0.25f, 0.60f, 0.20f, 1 });
    game->addSubview(ground.get());
    auto player = View::viewWithFrame(platform::Rect(150, 340, 20, 40));
    player->setBackgroundColor(platform::ui::Color { 0.90f, 0.20f, 0.15f, 1 });
    game->addSubview(player.get());
    return game;
}

Ref<platform::Image> renderWindow(Window& window, const std::string& name)
{
    View::layoutAllWindows();
    Ref<platform::Image> image = platform::ui::ViewRenderer::render(&window);
    if (const char* keep = std::getenv("BRISKO_KEEP_RENDERS"); keep && image) {
        std::filesystem::create_directories(keep);
        image->writePNG(std::string(keep) + "/" + name + ".png");
    }
    return image;
}

// The bar's dark body over the sky.
bool isBarBody(const screen_testing::Pixel& p) { return p.b < 110 && p.r < 60 && p.b > p.r; }

TEST_F(NoticeTest, BarsRenderOverTheGameAtTheTop)
{
    start(0);
    window->addSubview(gameFrame().get());
    const int barTop = 20 - 2; // below the status bar, nudged toward the edge

    showText("Could not save", std::string(QVNotification::kStatusFailure));
    loop().drain();
    advance(0.25);
    Ref<platform::Image> text = renderWindow(*window, "notice-text-bar");
    ASSERT_TRUE(text);
    EXPECT_TRUE(near(pixelAt(*text, 100, 200), 89, 166, 242)) << "the game shows around the bar";
    EXPECT_TRUE(near(pixelAt(*text, 160, 360), 230, 51, 38)) << "the player";
    EXPECT_TRUE(isBarBody(pixelAt(*text, 60, barTop + 40)));
    EXPECT_TRUE(isBarBody(pixelAt(*text, 300, barTop + 4)));
    EXPECT_TRUE(near(pixelAt(*text, 289, barTop + 22), 217, 31, 41, 30)) << "the failure status";
    EXPECT_TRUE(isBarBody(pixelAt(*text, 24, barTop + 22))) << "no image at the left";
    advance(3);

    Ref<platform::Object> achievement = QVNotificationData::dataWithText("an achievement", 6);
    QVNotification::sharedInstance().showAchievementNotice(
        QVUnlockedAchievementNotificationData::dataWithAchievementFields(achievement.get(), "First Blood", 10, "a1", "",
                                                                         100)
            .get());
    loop().drain();
    advance(0.25);
    Ref<platform::Image> unlocked = renderWindow(*window, "notice-achievement-bar");
    ASSERT_TRUE(unlocked);
    EXPECT_TRUE(near(pixelAt(*unlocked, 24, barTop + 24), 242, 189, 38, 30)) << "the star";
    EXPECT_TRUE(isBarBody(pixelAt(*unlocked, 200, barTop + 40)));
    EXPECT_TRUE(isBarBody(pixelAt(*unlocked, 286, barTop + 13))) << "the points mark is a ring, not a box";
    EXPECT_TRUE(near(pixelAt(*unlocked, 100, 200), 89, 166, 242));
    advance(5);

    Ref<QVServerNotification> n = QVServerNotification::create();
    n->setText("Double points all weekend");
    n->setBackgroundDefaultImage(QVServerNotificationView::kDefaultBackground);
    n->setIconDefaultImage("QVProfileIconDefaultSelf.png");
    QVNotification::sharedInstance().showServerNotification(n.get());
    loop().drain();
    advance(0.25);
    Ref<platform::Image> served = renderWindow(*window, "notice-server-bar");
    ASSERT_TRUE(served);
    screen_testing::Pixel plum = pixelAt(*served, 200, barTop + 40);
    EXPECT_TRUE(plum.r > plum.g + 20 && plum.b > plum.g + 20) << "the server's default background";
    EXPECT_TRUE(near(pixelAt(*served, 11, barTop + 9), 115, 148, 199, 30)) << "the icon";
    EXPECT_TRUE(near(pixelAt(*served, 100, 200), 89, 166, 242));
}

} // namespace

#include "social/core/QVDashboardNotificationView.h"
#include "social/core/QVNotificationInputResponse.h"
#include "social/ui/QVShowMessageAndReturnController.h"

namespace {

TEST_F(NoticeTest, InputResponsesOpenTheDashboardPushAScreenOrCall)
{
    start();
    std::vector<std::pair<std::string, std::vector<Ref<platform::ui::ViewController>>>> launches;
    {
        core_testing::DashboardLaunches launcher;
        auto open = QVInputResponseOpenDashboard::initWithTab("MyQuorvel", "ShowMessageAndReturn");
        open->respondToInput();
        open->respondToInput();
        launches = launcher.launches;
    }
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].first, "MyQuorvel");
    ASSERT_EQ(launches[0].second.size(), 1u);
    EXPECT_NE(dynamic_cast<QVShowMessageAndReturnController*>(launches[0].second[0].get()), nullptr);
    EXPECT_EQ(launches[1].second.at(0), launches[0].second[0]) << "loaded once, then kept";

    auto root = platform::ui::ViewController::controller();
    auto nav = platform::ui::NavigationController::withRootViewController(root.get());
    QVInputResponsePushController::responseWithControllerName("ShowMessageAndReturn", nav.get(), false)
        ->respondToInput();
    EXPECT_EQ(nav->viewControllers().size(), 2u);
    QVInputResponsePushController::responseWithControllerName("NoSuchScreen", nav.get(), false)->respondToInput();
    EXPECT_EQ(nav->viewControllers().size(), 2u);

    int calls = 0;
    QVInputResponsePerformSelector::responseWithSelector([&] { ++calls; }, nullptr)->respondToInput();
    EXPECT_EQ(calls, 1);
}

TEST_F(NoticeTest, TheStripCentresItsTextAndArrowAtTheBottom)
{
    start();
    auto strip = QVDashboardNotificationView::notificationWithText("3 new messages");
    EXPECT_EQ(strip->frame(), platform::Rect(0, 0, 320, 21));
    EXPECT_EQ(strip->autoresizingMask(), 8u);
    const platform::Rect label = strip->label()->frame();
    const platform::Rect arrow = strip->arrow()->frame();
    EXPECT_EQ(arrow.size, platform::Size(7, 11));
    EXPECT_FLOAT_EQ(arrow.origin.y, 7);
    // The text and the arrow together are centred: as much room on either side.
    const float left = label.origin.x;
    const float right = 320 - arrow.maxX();
    EXPECT_GT(left, 100);
    EXPECT_LE(std::abs(left - right), 1.0f);
}

} // namespace

namespace {

TEST_F(NoticeTest, AChallengeBarNamesTheChallengerAndWaitsForTheIcon)
{
    start();
    server.route("GET", "img/challenge.png", [](const standin::LoggedRequest&) {
        standin::Answer a = standin::Answer::xml("not a picture");
        a.hold = true;
        return a;
    });
    Ref<QVUser> challenger = QVUser::create();
    challenger->setName("Ana %d");
    Ref<platform::Object> challenge = QVNotificationData::dataWithText("a challenge", 3);
    auto data = QVReceivedChallengeNotificationData::dataWithChallengeToUser(challenge.get(), challenger.get(),
                                                                             serverUrl("img/challenge.png"));
    EXPECT_EQ(data->notificationCategory(), 3);
    EXPECT_EQ(data->notificationType(), 5);
    QVNotification::sharedInstance().showChallengeNotice(data.get());
    ASSERT_TRUE(waitFor([&] { return !requestsTo("img/challenge.png").empty(); }));
    loop().drain();
    EXPECT_TRUE(bars().empty()) << "waits for the icon";
    server.releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !bars().empty(); }));
    auto* bar = bars<QVChallengeNotificationView>().at(0);
    EXPECT_EQ(bar->notice()->text(), "New Challenge!");
    EXPECT_EQ(bar->challengerText()->text(), "Ana %d has challenged you!");

    // Without a challenge there is nothing to show.
    auto empty = QVChallengeNotificationView::showChallengeNotice(
        QVReceivedChallengeNotificationData::dataWithChallengeToUser(nullptr, nullptr, "").get(), window.get());
    ASSERT_TRUE(empty);
    advance(10);
    EXPECT_EQ(empty->superview(), nullptr);
    EXPECT_TRUE(empty->challengerText()->isHidden());
}

} // namespace
