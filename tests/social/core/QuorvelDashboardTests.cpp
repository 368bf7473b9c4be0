// The dashboard on screen, driven through the central class against the
// stand-in: the launch decision, the tab and its pushed screens, the root
// controller's queue slot and overlay, the game's four calls in order,
// orientation, error screens, the online/offline switch, the pages a game
// opens directly and a dashboard class without its interface. The tabbed dashboard and its screens are fakes registered
// under the names the client loads; the root controller is the kit's own.
#include "QuorvelTestSupport.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/graphics/Image.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVScreensRole.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "support/Assertions.h"
#include "support/ClassRegistryOverride.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

using namespace quorvel;
using namespace core_testing;
using platform::Object;
using platform::Ref;
using platform::ui::NavigationController;
using platform::ui::ViewController;
using Strings = std::vector<std::string>;

namespace {

// A screen made under a class name: it answers that name, keeps the title it
// was registered with and records the setters it receives (by key, or through
// its interface as the setter that stands for it).
class NamedScreen : public ViewController, public QVKeyedSetters {
public:
    static Ref<NamedScreen> create(const std::string& cls, const std::string& title)
    {
        return platform::adoptRef(new NamedScreen(cls, title));
    }
    template <typename T>
    static Ref<Object> make(const std::string& cls, const std::string& title)
    {
        return Ref<Object>(platform::adoptRef(new T(cls, title)));
    }
    std::string className() const override { return cls_; }
    bool performSetter(const std::string& name, Object* value) override
    {
        std::string text;
        if (auto* boxed = dynamic_cast<platform::Boxed*>(value))
            text = boxed->value().asString();
        else if (auto* board = dynamic_cast<QVLeaderboard*>(value))
            text = board->leaderboardId();
        else if (value)
            text = value->className();
        setters[name] = text;
        return true;
    }
    void loadView() override
    {
        ViewController::loadView();
        auto label = platform::ui::Label::labelWithFrame(platform::Rect(10, 60, 300, 30));
        label->setText(cls_);
        view()->addSubview(label.get());
    }
    std::map<std::string, std::string> setters;

    NamedScreen(std::string cls, const std::string& title)
        : cls_(std::move(cls))
    {
        setTitle(title);
    }

private:
    std::string cls_;
};

// What every fake dashboard and its screens were asked to do (a test clears it in its set-up).
struct Seen {
    Strings prepared, pushed, refreshed, reloaded;
};
Seen& seen()
{
    static Seen s;
    return s;
}

// The screens the central class sets up or tells apart through their interfaces.
class FakeGamePage final : public NamedScreen, public QVGamePageScreen {
public:
    using NamedScreen::NamedScreen;
    void registerForBadgeNotifications() override { }
    void refreshView() override { seen().refreshed.push_back(className()); }
};

class FakeHighScores final : public NamedScreen, public QVHighScoreListScreen {
public:
    using NamedScreen::NamedScreen;
    QVLeaderboard* leaderboard() const override { return board.get(); }
    Ref<QVLeaderboard> board;
};

class FakeLeaderboardList final : public NamedScreen, public QVLeaderboardListScreen {
public:
    using NamedScreen::NamedScreen;
    Ref<ViewController> highScoresScreen(QVLeaderboard* leaderboard) override
    {
        auto scores = platform::dynamicRef<FakeHighScores>(make<FakeHighScores>("QVHighScoreController", ""));
        scores->board = leaderboard;
        scores->setters["setLeaderboard"] = leaderboard->leaderboardId();
        return Ref<ViewController>(scores.get());
    }
};

class FakeAchievementList final : public NamedScreen, public QVAchievementListScreen {
public:
    using NamedScreen::NamedScreen;
    void postPushAchievementListController() override { seen().pushed.push_back(className()); }
};

class FakeChatRooms final : public NamedScreen, public QVChatRoomKindsScreen {
public:
    using NamedScreen::NamedScreen;
    void setRoomKinds(bool global, bool developer, bool application) override
    {
        setters["setIncludeGlobalRooms"] = global ? "1" : "0";
        setters["setIncludeDeveloperRooms"] = developer ? "1" : "0";
        setters["setIncludeApplicationRooms"] = application ? "1" : "0";
    }
};

class FakeDescription final : public NamedScreen, public QVApplicationDescriptionScreen {
public:
    using NamedScreen::NamedScreen;
    void describeApplication(const std::string& id, const std::string& placement) override
    {
        setters["setApplicationId"] = id;
        setters["setAppBannerPlacement"] = placement;
    }
};

class FakeConversation final : public NamedScreen, public QVConversationScreen {
public:
    using NamedScreen::NamedScreen;
    void openConversation(const std::string& id, QVUser* user, const std::string& text) override
    {
        setters["setConversationId"] = id;
        setters["setUser"] = user ? user->resourceId() : std::string();
        setters["setInitialText"] = text;
    }
};

class FakeInviteFlow final : public NamedScreen, public QVSendInviteScreen {
public:
    using NamedScreen::NamedScreen;
    void openAsModalForInvite(const std::string& id) override { setInviteIdentifier(id); }
    void setInviteIdentifier(const std::string& id) override { setters["setInviteIdentifier"] = id; }
};

// The tabbed dashboard: three tabs, each a navigation stack whose root is titled for it.
class FakeTabbedDashboard final : public ViewController, public QVTabbedDashboardScreen {
public:
    static Ref<Object> make()
    {
        auto d = platform::adoptRef(new FakeTabbedDashboard);
        for (const char* name : { "GameProfile", "MyQuorvel", "GameDiscovery" }) {
            Ref<ViewController> root = std::string(name) == "GameProfile"
                ? Ref<ViewController>(dynamic_cast<ViewController*>(NamedScreen::make<FakeGamePage>("TabGameProfile", name).get()))
                : Ref<ViewController>(NamedScreen::create(std::string("Tab") + name, name).get());
            d->tabs_.emplace_back(name, NavigationController::withRootViewController(root.get()));
        }
        last() = d.get();
        return d;
    }
    static FakeTabbedDashboard*& last()
    {
        static FakeTabbedDashboard* instance = nullptr;
        return instance;
    }
    ~FakeTabbedDashboard() override
    {
        if (last() == this)
            last() = nullptr;
    }
    std::string dashboardDefaultTab() override { return "GameProfile"; }
    std::string dashboardOfflineTab() override { return "GameProfile"; }
    void showDashboardTab(const std::string& name, bool showAtRoot) override
    {
        calls.push_back("show:" + name + (showAtRoot ? ":root" : ""));
        for (size_t i = 0; i < tabs_.size(); ++i) {
            if (tabs_[i].first != name)
                continue;
            if (selectedNav())
                selectedNav()->view()->removeFromSuperview();
            selected_ = i;
            if (showAtRoot)
                selectedNav()->popToRootViewControllerAnimated(false);
            selectedNav()->view()->setFrame(view()->bounds());
            view()->addSubview(selectedNav()->view());
        }
    }
    ViewController* selectedTabController() override { return selectedNav(); }
    std::vector<ViewController*> tabControllers() override
    {
        std::vector<ViewController*> out;
        for (auto& t : tabs_)
            out.push_back(t.second.get());
        return out;
    }
    void enterOnlineMode() override { calls.push_back("setOnlineMode"); }
    void enterOfflineMode() override { calls.push_back("setOfflineMode"); }
    void prepareGamePageScreen(NavigationController*, ViewController* screen, QVGameProfilePageInfo*) override
    {
        // A screen the game made keeps its own settings: it comes as null.
        seen().prepared.push_back(screen ? screen->className() : "made by the game");
    }
    void reloadFromServer(ViewController* screen) override { seen().reloaded.push_back(screen->className()); }
    void refreshTabProfile(NavigationController*) override { }

    static Seen& seen() { return ::seen(); }

    NavigationController* tab(const std::string& name)
    {
        for (auto& t : tabs_)
            if (t.first == name)
                return t.second.get();
        return nullptr;
    }
    std::string selectedName() const { return selected_ < tabs_.size() ? tabs_[selected_].first : std::string(); }
    // The class names of the selected tab's stack, root first.
    Strings stack()
    {
        Strings out;
        if (selectedNav())
            for (auto& c : selectedNav()->viewControllers())
                out.push_back(c->className());
        return out;
    }
    Strings calls;

private:
    NavigationController* selectedNav() const { return selected_ < tabs_.size() ? tabs_[selected_].second.get() : nullptr; }
    std::vector<std::pair<std::string, Ref<NavigationController>>> tabs_;
    size_t selected_ { static_cast<size_t>(-1) };
};

class FakeApprovalScreen final : public ViewController, public QVApprovalScreen {
public:
    static Ref<Object> make() { return platform::adoptRef(new FakeApprovalScreen); }
    void setApprovedDelegate(const QVDelegate& a, const QVDelegate&) override { approved = a; }
    void show() override { ++shown; }
    QVDelegate approved;
    int shown { 0 };
};

class FakeSocialPrompt final : public ViewController, public QVSocialNotificationPrompt {
public:
    static Ref<Object> make() { return platform::adoptRef(new FakeSocialPrompt); }
    void setSocialNotification(QVSocialNotification*, const std::vector<Ref<QVUsersCredential>>&) override { }
};

class RecordingGame final : public QuorvelDelegate {
public:
    void dashboardWillAppear() override { heard("willAppear"); }
    void dashboardDidAppear() override { heard("didAppear"); }
    void dashboardWillDisappear() override { heard("willDisappear"); }
    void dashboardDidDisappear() override { heard("didDisappear"); }
    Strings calls;
    // The call inside which the game shuts the client down (once), as a game quitting to its menu does.
    std::string shutDownIn;

private:
    void heard(const char* call)
    {
        calls.push_back(call);
        if (shutDownIn == call) {
            shutDownIn.clear();
            Quorvel::shutdown();
        }
    }
};

const std::vector<std::pair<std::string, QVClassRegistry::Factory>> kScreens = {
    { "QVLeaderboardController", [] { return NamedScreen::make<FakeLeaderboardList>("QVLeaderboardController", "Leaderboards"); } },
    { "QVHighScoreController", [] { return NamedScreen::make<FakeHighScores>("QVHighScoreController", ""); } },
    { "QVAchievementListController", [] { return NamedScreen::make<FakeAchievementList>("QVAchievementListController", "Achievements"); } },
    { "QVChallengeListController", [] { return NamedScreen::make<NamedScreen>("QVChallengeListController", "Challenges"); } },
    { "QVWhosPlayingController", [] { return NamedScreen::make<NamedScreen>("QVWhosPlayingController", "Who's Playing"); } },
    { "QVImportFriendsController", [] { return NamedScreen::make<NamedScreen>("QVImportFriendsController", "Find Friends"); } },
    { "QVForumTopicListController", [] { return NamedScreen::make<NamedScreen>("QVForumTopicListController", "Forums"); } },
    { "QVUseNewOrOldAccountController", [] { return NamedScreen::make<NamedScreen>("QVUseNewOrOldAccountController", "Switch User"); } },
    { "QVSelectChatRoomDefinitionController", [] { return NamedScreen::make<FakeChatRooms>("QVSelectChatRoomDefinitionController", "Chat Rooms"); } },
    { "QVApplicationDescriptionController", [] { return NamedScreen::make<FakeDescription>("QVApplicationDescriptionController", "Description"); } },
    { "QVSelectInviteTypeController", [] { return NamedScreen::make<FakeInviteFlow>("QVSelectInviteTypeController", "Invite"); } },
    { "QVConversationController", [] { return NamedScreen::make<FakeConversation>("QVConversationController", "Conversation"); } },
};

class DashboardTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        platform::ui::Application::sharedApplication().reset();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
        driver_ = std::make_unique<platform::ui::TestDriver>();
        oldVersion_ = platform::Bundle::main().version();
        platform::Bundle::main().setVersion("1.2");
        FakeTabbedDashboard::seen() = {};
        saveAndRegister("QVTabbedDashboardController", &FakeTabbedDashboard::make);
        saveAndRegister("QVUserQuorvelApprovalController", &FakeApprovalScreen::make);
        for (const auto& [name, factory] : kScreens)
            saveAndRegister(name, factory);
        delegates->setQuorvelDelegate(&game);
        server.route("GET", "client_applications/1/forums/announcements.xml",
                     [](const standin::LoggedRequest&) { return standin::Answer::xml("<resources/>"); });
    }
    void TearDown() override
    {
        Quorvel::shutdown();
        for (auto& [name, factory] : saved_) {
            if (factory)
                QVClassRegistry::registerClass(name, factory);
            else
                QVClassRegistry::unregisterClass(name);
        }
        driver_.reset();
        platform::ui::AlertView::dismissAll();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
        platform::Bundle::main().setVersion(oldVersion_);
        QuorvelTest::TearDown();
    }
    // The dashboard layer's own tabbed dashboard instead of the fake.
    void useRealTabbedDashboard()
    {
        QVClassRegistry::registerClass("QVTabbedDashboardController", saved_.front().second);
    }
    // The dashboard layer's own screen of that class instead of the fake.
    void useRealScreen(const std::string& name)
    {
        for (auto& [saved, factory] : saved_)
            if (saved == name)
                QVClassRegistry::registerClass(name, factory);
    }
    void saveAndRegister(const std::string& name, QVClassRegistry::Factory factory)
    {
        saved_.emplace_back(name, QVClassRegistry::classNamed(name));
        QVClassRegistry::registerClass(name, std::move(factory));
    }
    void startLoggedIn()
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        QuorvelInternal::options().setDoneWithGetTheMost(true);
        startClient({}, delegates.get());
        ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
        QuorvelInternal::session().stopPolling();
        QuorvelInternal::options().setInitialDashboardScreen("");
    }
    // The server can no longer be reached (or again).
    void setReachable(bool reachable)
    {
        if (!reachability_) {
            reachability_ = platform::ManualReachability::create();
            QVReachability::Uninitialize();
            QVReachability::InitializeWithSource(Ref<platform::Reachability>(reachability_.get()));
        }
        reachability_->setStatus(reachable ? 2 : 0);
    }
    void storeLeaderboard(const std::string& id)
    {
        auto d = QVLeaderboard_Sync::create();
        d->setResourceId(id);
        d->setName("Board " + id);
        d->setActive("1");
        d->setVisible("1");
        d->setDescendingSortOrder("1");
        d->setStartVersion("0001.00.00");
        d->setEndVersion("0001.99.99");
        ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList({ d }, {}, std::nullopt, false));
    }
    void setGameProfile(bool leaderboards, bool achievements)
    {
        auto doc = QVXmlDocument::xmlDocumentWithString(
            std::string("<game_profile_page_info><id>1</id><name>Brisko</name><has_leaderboards>")
            + (leaderboards ? "true" : "false") + "</has_leaderboards><has_achievements>" + (achievements ? "true" : "false")
            + "</has_achievements></game_profile_page_info>");
        QuorvelInternal::records().setLocalGameProfileInfoFromXml(*doc->topElement());
    }
    FakeTabbedDashboard* dashboard() { return FakeTabbedDashboard::last(); }
    // Saves the window as a PNG in $BRISKO_KEEP_RENDERS when set; answers the image.
    Ref<platform::Image> render(const std::string& name)
    {
        driver_->settle();
        Ref<platform::Image> image = platform::ui::ViewRenderer::render(driver_->window());
        if (const char* dir = std::getenv("BRISKO_KEEP_RENDERS"); dir && image)
            image->writePNG(std::string(dir) + "/" + name + ".png");
        return image;
    }

    platform::ui::Window* window() const { return driver_->window(); }

    RecordingGame game;
    Ref<QVDelegatesContainer> delegates = QVDelegatesContainer::create();
    Ref<platform::ManualReachability> reachability_;

private:
    std::unique_ptr<platform::ui::TestDriver> driver_;
    std::vector<std::pair<std::string, QVClassRegistry::Factory>> saved_;
    std::string oldVersion_;
};

} // namespace

// ---- The launch decision

TEST_F(DashboardTest, AnUnapprovedPlayerIsAskedFirstAndAnUnknownOneIsSentToLogIn)
{
    startClient({}, delegates.get());
    // Never asked, nothing stored: the approval question, no dashboard.
    Quorvel::launchDashboard();
    auto screens = QuorvelInternal::presenter().presentedScreens();
    ASSERT_EQ(screens.size(), 1u);
    auto* approval = dynamic_cast<FakeApprovalScreen*>(screens[0].get());
    ASSERT_NE(approval, nullptr);
    EXPECT_EQ(approval->shown, 1); // a page loading out of sight comes into view
    EXPECT_EQ(dashboard(), nullptr);
    // Opening again while the question is up brings the same screen into view.
    Quorvel::launchDashboard();
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);
    EXPECT_EQ(approval->shown, 2);
    QuorvelInternal::presenter().dismissRootController();
    advance(0.5);

    // Approved but never logged in: the login flow while reachable, else the alert.
    QuorvelInternal::options().setUserApprovedQuorvel();
    std::vector<std::string> notices;
    Quorvel::setNoticeObserver([&](const Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });
    Quorvel::launchDashboard();
    EXPECT_EQ(notices, (Strings { "Unable to login to Quorvel. Restart to try again." }));
    setReachable(false);
    Quorvel::launchDashboard();
    auto alerts = platform::ui::AlertView::visibleAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0]->message(), "You must go online once and connect to the Quorvel server.");
    EXPECT_EQ(dashboard(), nullptr);
    Quorvel::setNoticeObserver(nullptr);
}

TEST_F(DashboardTest, OpeningAndClosingTellsTheGameInOrderAndDestroysTheRoot)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    ASSERT_NE(dashboard(), nullptr);
    EXPECT_TRUE(QuorvelInternal::hub().isDashboardHubOpen());
    EXPECT_EQ(dashboard()->selectedName(), "GameProfile"); // the default tab
    EXPECT_EQ(game.calls, (Strings { "willAppear" }));
    EXPECT_TRUE(platform::ui::Application::sharedApplication().isStatusBarHidden());
    advance(0.5);
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear" }));
    EXPECT_TRUE(QuorvelInternal::presenter().dashboardVisible());
    EXPECT_EQ(QuorvelInternal::stats().numberOfDashboardLaunches(), 1);

    Quorvel::dismissDashboard();
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_NE(QuorvelInternal::presenter().getRootController(), nullptr); // still closing
    EXPECT_FALSE(platform::ui::Application::sharedApplication().isStatusBarHidden());
    advance(0.5);
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
    EXPECT_EQ(QuorvelInternal::presenter().getRootController(), nullptr);
    EXPECT_FALSE(QuorvelInternal::presenter().dashboardVisible());

    // The launch's own delegate takes the calls of that launch only.
    RecordingGame once;
    Quorvel::launchDashboardWithDelegate(&once);
    advance(0.5);
    Quorvel::dismissDashboard();
    advance(0.5);
    EXPECT_EQ(once.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
    EXPECT_EQ(game.calls.size(), 4u);
}

TEST_F(DashboardTest, ATabbedDashboardWithoutItsInterfaceFailsInsteadOfOpeningDeaf)
{
    startLoggedIn();
    testing_support::ClassRegistryOverride plain("QVTabbedDashboardController",
                                                 [] { return Ref<Object>(ViewController::controller().get()); });
    auto raised = testing_support::raisedBy([] { Quorvel::launchDashboard(); });
    EXPECT_EQ(raised.kind, testing_support::Raised::Kind::Assertion);
    EXPECT_EQ(raised.message.rfind("The tabbed dashboard must take its tabs (found ", 0), 0u) << raised.message;
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
}

TEST_F(DashboardTest, TheInitialScreenOfTheBootstrapPicksTheTabAndOfflineOpensTheOfflineTabAlone)
{
    startLoggedIn();
    QuorvelInternal::options().setInitialDashboardScreen("MyQuorvel");
    Quorvel::launchDashboard();
    EXPECT_EQ(dashboard()->selectedName(), "MyQuorvel");
    advance(0.5);
    Quorvel::dismissDashboard();
    advance(0.5);

    // Offline with leaderboards stored: the offline tab, none of the requested screens.
    storeLeaderboard("7");
    setReachable(false);
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> { std::string("WhosPlaying") });
    ASSERT_NE(dashboard(), nullptr);
    EXPECT_EQ(dashboard()->selectedName(), "GameProfile");
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile" }));
}

// ---- Pushed screens

TEST_F(DashboardTest, ALeaderboardIdAfterTheListOpensItsScoresAndAnUnknownIdPushesNothing)
{
    startLoggedIn();
    setGameProfile(true, true);
    storeLeaderboard("7");
    Quorvel::launchDashboardWithHighscorePage("7");
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVLeaderboardController", "QVHighScoreController" }));
    auto* scores = dynamic_cast<NamedScreen*>(dashboard()->tab("GameProfile")->topViewController());
    EXPECT_EQ(scores->title(), "HighScore");
    EXPECT_EQ(scores->setters["setLeaderboard"], "7");
    EXPECT_EQ(FakeTabbedDashboard::seen().prepared, (Strings { "QVLeaderboardController", "QVHighScoreController" }));
    advance(0.5);

    // The hub is open: the tab is popped to its root and the new list pushed.
    Quorvel::launchDashboardWithHighscorePage("404");
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVLeaderboardController" }));
}

TEST_F(DashboardTest, TheGamePagesScreensNeedTheGameToOfferThem)
{
    startLoggedIn();
    setGameProfile(false, false);
    Quorvel::launchDashboardWithAchievementsPage();
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile" }));
    Quorvel::launchDashboardWithListLeaderboardsPage();
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile" }));
    // Stored leaderboards are enough for the list.
    storeLeaderboard("3");
    Quorvel::launchDashboardWithListLeaderboardsPage();
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVLeaderboardController" }));
}

TEST_F(DashboardTest, AGamesOwnListsUnderItsPrefixAreTakenForTheListsTheyReplace)
{
    // The game registers its own lists, with other class names and titles.
    saveAndRegister("GMLeaderboardController", [] { return NamedScreen::make<FakeLeaderboardList>("GMLeaderboardController", "Top"); });
    saveAndRegister("GMAchievementListController", [] { return NamedScreen::make<FakeAchievementList>("GMAchievementListController", "Trophies"); });
    QVControllerLoader::setClassNamePrefix("GM");
    QVControllerLoader::setAssetFileSuffix("Gm");
    struct Restore {
        ~Restore()
        {
            QVControllerLoader::setClassNamePrefix(std::nullopt);
            QVControllerLoader::setAssetFileSuffix(std::nullopt);
        }
    } restore;
    startLoggedIn();
    QVControllerLoader::setClassNamePrefix("GM");
    QVControllerLoader::setAssetFileSuffix("Gm");
    setGameProfile(true, false);
    storeLeaderboard("7");
    // A leaderboard id after the game's own list opens that board's scores.
    Quorvel::launchDashboardWithHighscorePage("7");
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "GMLeaderboardController", "QVHighScoreController" }));
    // The game's achievement list is still an achievement list: this game has none to show.
    Quorvel::launchDashboardWithAchievementsPage();
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile" }));
    setGameProfile(true, true);
    Quorvel::launchDashboardWithAchievementsPage();
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "GMAchievementListController" }));
    EXPECT_EQ(FakeTabbedDashboard::seen().pushed, (Strings { "GMAchievementListController" }));
}

TEST_F(DashboardTest, EachPageOpensItsTabWithItsScreens)
{
    startLoggedIn();
    setGameProfile(true, true);
    QuorvelInternal::options().setLoggedInUserHasChatEnabled(true);
    auto user = QVUser::invalidUser();

    struct Page {
        std::string name;
        std::function<void()> open;
        std::string tab;
        Strings stack;
    };
    const std::vector<Page> pages = {
        { "im", [&] { Quorvel::launchDashboardWithIMToUser(user.get(), "hello"); }, "MyQuorvel", { "TabMyQuorvel", "QVConversationController" } },
        { "invite", [] { Quorvel::launchDashboardWithSpecificInvite("12"); }, "MyQuorvel", { "TabMyQuorvel", "QVSelectInviteTypeController" } },
        { "invitepage", [] { Quorvel::launchDashboardWithInvitePage(); }, "GameProfile", { "TabGameProfile", "QVSelectInviteTypeController" } },
        { "purchase", [] { Quorvel::launchDashboardWithiPurchasePage("55"); }, "GameDiscovery", { "TabGameDiscovery", "QVApplicationDescriptionController" } },
        { "findfriends", [] { Quorvel::launchDashboardWithFindFriendsPage(); }, "MyQuorvel", { "TabMyQuorvel", "QVImportFriendsController" } },
        { "challenges", [] { Quorvel::launchDashboardWithChallengesPage(); }, "GameProfile", { "TabGameProfile", "QVChallengeListController" } },
        { "leaderboards", [] { Quorvel::launchDashboardWithListLeaderboardsPage(); }, "GameProfile", { "TabGameProfile", "QVLeaderboardController" } },
        { "achievements", [] { Quorvel::launchDashboardWithAchievementsPage(); }, "GameProfile", { "TabGameProfile", "QVAchievementListController" } },
        { "whosplaying", [] { Quorvel::launchDashboardWithWhosPlayingPage(); }, "GameProfile", { "TabGameProfile", "QVWhosPlayingController" } },
        { "forums", [] { Quorvel::launchDashboardWithForumsPage(); }, "GameProfile", { "TabGameProfile", "QVForumTopicListController" } },
        { "switchuser", [] { Quorvel::launchDashboardWithSwitchUserPage(); }, "MyQuorvel", { "TabMyQuorvel", "QVUseNewOrOldAccountController" } },
        { "chatrooms", [] { Quorvel::launchDashboardWithListGlobalChatRoomsPage(); }, "GameProfile", { "TabGameProfile", "QVSelectChatRoomDefinitionController" } },
    };
    for (auto& page : pages) {
        SCOPED_TRACE(page.name);
        page.open();
        ASSERT_NE(dashboard(), nullptr);
        EXPECT_EQ(dashboard()->selectedName(), page.tab);
        EXPECT_EQ(dashboard()->stack(), page.stack);
        advance(0.5);
        EXPECT_NE(render("page-" + page.name), nullptr);
        Quorvel::dismissDashboard();
        advance(0.5);
    }
    EXPECT_EQ(FakeTabbedDashboard::seen().pushed, (Strings { "QVAchievementListController" }));

    // The settings the screens were loaded with.
    Quorvel::launchDashboardWithListGlobalChatRoomsPage();
    auto* rooms = dynamic_cast<NamedScreen*>(dashboard()->tab("GameProfile")->topViewController());
    EXPECT_EQ(rooms->setters["setIncludeGlobalRooms"], "1");
    EXPECT_EQ(rooms->setters["setIncludeDeveloperRooms"], "0");
    Quorvel::launchDashboardWithiPurchasePage("55");
    auto* description = dynamic_cast<NamedScreen*>(dashboard()->tab("GameDiscovery")->topViewController());
    EXPECT_EQ(description->setters["setApplicationId"], "55");
    EXPECT_EQ(description->setters["setAppBannerPlacement"], "directDashboardLaunch");
    advance(0.5);
    Quorvel::dismissDashboard();
    advance(0.5);

    // Forums while user-generated content is off: nothing opens.
    QuorvelInternal::options().setLoggedInUserHasChatEnabled(false);
    Quorvel::launchDashboardWithForumsPage();
    EXPECT_EQ(QuorvelInternal::presenter().getRootController(), nullptr);
}

// ---- Root controller, queue slot and overlay

TEST_F(DashboardTest, AScreenOfferedWhileTheDashboardClosesIsShownAfterTheClose)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    advance(0.5);
    Quorvel::dismissDashboard();
    auto first = ViewController::controller();
    auto second = ViewController::controller();
    QuorvelInternal::presenter().presentRootControllerWithModal(first);
    QuorvelInternal::presenter().presentModalOverlay(second); // replaces the first in the slot
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    advance(0.5);
    // The dashboard is gone; the queued overlay is up, over a shade on the phone.
    ASSERT_TRUE(QuorvelInternal::presenter().isShowingFullScreen());
    auto screens = QuorvelInternal::presenter().presentedScreens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].get(), second.get());
    platform::ui::View* shade = QuorvelInternal::presenter().getRootController()->view()->viewWithTag(489);
    ASSERT_NE(shade, nullptr);
    advance(0.5);
    EXPECT_FLOAT_EQ(shade->alpha(), 0.85f);
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear", "willAppear", "didAppear" }));

    // A screen offered while one shows waits for that one's close too; it is never stacked.
    auto third = ViewController::controller();
    QuorvelInternal::presenter().presentRootControllerWithModal(third);
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens()[0].get(), second.get());
    QuorvelInternal::presenter().dismissRootController();
    EXPECT_FLOAT_EQ(shade->alpha(), 0.0f);
    advance(0.5);
    ASSERT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens()[0].get(), third.get());
    EXPECT_EQ(QuorvelInternal::presenter().getRootController()->view()->viewWithTag(489), nullptr);
}

TEST_F(DashboardTest, TheSocialPostQuestionShowsOverTheGameWithoutAShade)
{
    startLoggedIn();
    saveAndRegister("QVSocialNotificationController", &FakeSocialPrompt::make);
    auto notification = QVSocialNotification::initWithText("I won");
    ASSERT_TRUE(QVScreensRole::current().requestNotificationPermission(notification.get(), {}));
    ASSERT_TRUE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_NE(dynamic_cast<FakeSocialPrompt*>(QuorvelInternal::presenter().presentedScreens().front().get()), nullptr);
    advance(0.5);
    EXPECT_EQ(QuorvelInternal::presenter().getRootController()->view()->viewWithTag(489), nullptr);
}

TEST_F(DashboardTest, AGameOpensTheInviteFlowForItsInvitationOverTheGame)
{
    startLoggedIn();
    useRealScreen("QVSelectInviteTypeController");
    QVInviteService::displaySendInviteModal("friends");
    ASSERT_TRUE(QuorvelInternal::presenter().isShowingFullScreen());
    auto screens = QuorvelInternal::presenter().presentedScreens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0]->className(), "QVSelectInviteTypeController");
    EXPECT_NE(screens[0]->navigationItem()->leftBarButtonItem(), nullptr) << "Cancel closes it";
    // The screen asks for the invitation it was opened for.
    EXPECT_TRUE(waitFor([&] { return !requestsTo("invite_definitions/friends.xml").empty(); }));
}

TEST_F(DashboardTest, ADashboardOpenedWhileOneClosesOpensAfterTheClose)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    advance(0.5);
    FakeTabbedDashboard* closing = dashboard();
    Quorvel::dismissDashboard();
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> { std::string("ImportFriends") });
    // Not stacked on the closing one.
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    advance(0.5);
    ASSERT_TRUE(QuorvelInternal::hub().isDashboardHubOpen());
    EXPECT_NE(dashboard(), closing);
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().front().get(), dashboard());
    EXPECT_EQ(dashboard()->selectedName(), "MyQuorvel");
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabMyQuorvel", "QVImportFriendsController" }));
    advance(0.5);
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear", "willAppear", "didAppear" }));
}

// A dashboard asked for while another closes, and the player logged out or
// declined the client meanwhile: it was asked for the player online, and does
// not open (its pages would wait for requests the client no longer sends).
TEST_F(DashboardTest, ADashboardWaitingWhenThePlayerLogsOutOrDeclinesDoesNotOpen)
{
    for (bool logout : { true, false }) {
        SCOPED_TRACE(logout ? "logout" : "decline");
        startLoggedIn();
        game.calls.clear();
        Quorvel::launchDashboard();
        advance(0.5);
        Quorvel::dismissDashboard();
        Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> { std::string("ImportFriends") });
        if (logout)
            Quorvel::logoutUser();
        else
            Quorvel::userDidApproveQuorvel(false);
        advance(1);
        EXPECT_FALSE(QuorvelInternal::presenter().getRootController());
        EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
        Quorvel::shutdown();
    }
}

// ---- Orientation

TEST_F(DashboardTest, APhoneDashboardKeepsItsOrientationAndALargeOneTurns)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    advance(0.5);
    Quorvel::setDashboardOrientation(3);
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 1);
    int supported[] = { 1, 3 };
    EXPECT_FALSE(Quorvel::shouldAutorotateToInterfaceOrientation(1, supported, 2));
    Quorvel::dismissDashboard();
    advance(0.5);
    EXPECT_TRUE(Quorvel::shouldAutorotateToInterfaceOrientation(3, supported, 2));
    EXPECT_FALSE(Quorvel::shouldAutorotateToInterfaceOrientation(4, supported, 2));

    platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Tablet);
    Quorvel::launchDashboard();
    advance(0.5);
    NotificationRecorder recorder({ Quorvel::kDashboardOrientationChanged });
    Quorvel::setDashboardOrientation(3);
    auto running = platform::ui::View::runningAnimations();
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(running.back().name, "QVInterfaceOrientationRotate");
    EXPECT_DOUBLE_EQ(running.back().duration, 0.4);
    platform::ui::View* root = QuorvelInternal::presenter().getRootController()->view();
    EXPECT_EQ(root->transform(), platform::AffineTransform(0, 1, -1, 0, 0, 0));
    EXPECT_EQ(root->bounds(), platform::Rect(0, 0, 1024, 768));
    EXPECT_EQ(recorder.posted.size(), 1u);
    advance(0.4);
    Quorvel::setDashboardOrientation(4);
    EXPECT_DOUBLE_EQ(platform::ui::View::runningAnimations().back().duration, 0.8);
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 4);
    EXPECT_TRUE(Quorvel::shouldAutorotateToInterfaceOrientation(3, supported, 2));
    advance(0.8);
}

// The services read the dashboard's shape from the dashboard role the client
// installed: a discovery page is asked for in the layout on show.
TEST_F(DashboardTest, ADiscoveryPageIsAskedForInTheLayoutTheDashboardShows)
{
    startLoggedIn();
    auto layoutAsked = [&] {
        const size_t before = requestsTo("game_discovery_categories").size();
        QVGameDiscoveryService::getGameDiscoveryCategories(QVDelegate(), QVDelegate());
        EXPECT_TRUE(waitFor([&] { return requestsTo("game_discovery_categories").size() > before; }));
        EXPECT_TRUE(settleNetwork());
        return requestsTo("game_discovery_categories").back().param("orientation");
    };
    EXPECT_EQ(layoutAsked(), "portrait");
    Quorvel::setDashboardOrientation(3);
    EXPECT_EQ(layoutAsked(), "landscape");
    platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Tablet);
    EXPECT_EQ(layoutAsked(), "ipad");
    // After the shut-down the role's defaults answer: the main screen alone.
    Quorvel::shutdown();
    EXPECT_FALSE(dynamic_cast<QVClientPart*>(&QVDashboardShape::current()));
    EXPECT_TRUE(QVDashboardShape::current().isLargeScreen());
    EXPECT_FALSE(QVDashboardShape::current().isInLandscapeModeOniPad());
}

// ---- Error screens

TEST_F(DashboardTest, TwoErrorsInATenthOfASecondPushOneErrorScreen)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    advance(0.5);
    QuorvelInternal::presenter().displayErrorMessage("first");
    advance(0.05);
    QuorvelInternal::presenter().displayErrorMessage("second");
    advance(0.06);
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVDeadEndErrorController" }));
    advance(0.5);
    QuorvelInternal::presenter().displayErrorMessage("third"); // one is already shown
    advance(0.2);
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVDeadEndErrorController" }));
    auto* error = dynamic_cast<QVDeadEndErrorController*>(dashboard()->tab("GameProfile")->topViewController());
    EXPECT_EQ(error->message(), "first");

    // Not allowed: none at all.
    dashboard()->tab("GameProfile")->popToRootViewControllerAnimated(false);
    QuorvelInternal::presenter().allowErrorScreens(false);
    QuorvelInternal::presenter().displayErrorMessage("fourth");
    advance(0.2);
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile" }));

    // The game closes the dashboard while they are held (a step whose answer never comes): the
    // next dashboard shows them again.
    Quorvel::dismissDashboard();
    advance(1);
    EXPECT_TRUE(QuorvelInternal::presenter().areErrorScreensAllowed());
    Quorvel::launchDashboard();
    advance(0.5);
    QuorvelInternal::presenter().displayErrorMessage("fifth");
    advance(0.2);
    EXPECT_EQ(dashboard()->stack(), (Strings { "TabGameProfile", "QVDeadEndErrorController" }));
}

// ---- Online and offline

TEST_F(DashboardTest, GoingOfflineClearsTheCountsAndShowsTheGamePageAndOnlineReloadsTheOtherTabs)
{
    startLoggedIn();
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::vector<Quorvel::DashboardEntry> { std::string("ImportFriends") });
    advance(0.5);
    QuorvelInternal::options().setUnviewedChallengesCount(4);
    QuorvelInternal::options().setPendingFriendsCount(2);
    NotificationRecorder recorder({ Quorvel::kUserOnline, Quorvel::kUserOffline });

    QuorvelInternal::hub().switchToOfflineDashboard();
    QuorvelInternal::hub().switchToOfflineDashboard(); // no change, nothing more
    EXPECT_EQ(recorder.names(), (Strings { Quorvel::kUserOffline }));
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 0);
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
    EXPECT_EQ(dashboard()->selectedName(), "GameProfile");
    EXPECT_EQ(dashboard()->calls.back(), "setOfflineMode");
    // The game's page on top of the offline tab, known by what it is, redraws.
    EXPECT_EQ(FakeTabbedDashboard::seen().refreshed, (Strings { "TabGameProfile" }));

    dashboard()->showDashboardTab("GameProfile", false);
    QuorvelInternal::hub().switchToOnlineDashboard();
    EXPECT_EQ(recorder.names(), (Strings { Quorvel::kUserOffline, Quorvel::kUserOnline }));
    EXPECT_EQ(dashboard()->calls.back(), "setOnlineMode");
    // The inactive tabs are back at their roots and reload.
    EXPECT_EQ(dashboard()->tab("MyQuorvel")->viewControllers().size(), 1u);
    EXPECT_EQ(FakeTabbedDashboard::seen().reloaded, (Strings { "TabMyQuorvel", "TabGameDiscovery" }));
}

// Logged out with the dashboard offline already (the network went first): its
// tabs take their offline form again, now for a player who turned the client off.
TEST_F(DashboardTest, ALogoutWithTheDashboardOfflineRedoesItsOfflineForm)
{
    startLoggedIn();
    Quorvel::launchDashboard();
    advance(0.5);
    QuorvelInternal::hub().switchToOfflineDashboard();
    const auto offlineForms = [&] { return std::count(dashboard()->calls.begin(), dashboard()->calls.end(), "setOfflineMode"); };
    ASSERT_EQ(offlineForms(), 1);
    Quorvel::logoutUser();
    EXPECT_EQ(offlineForms(), 2);
}

// ---- The dashboard layer's tabbed dashboard

// A game may shut the client down with the dashboard up (quitting from a
// pause): it hears the dashboard close, and its window is left as it was.
TEST_F(DashboardTest, AShutDownWithTheDashboardOpenClosesItFirst)
{
    useRealTabbedDashboard();
    startLoggedIn();
    advance(10); // the welcome notice comes and goes
    const std::vector<Ref<platform::ui::View>> before = window()->subviews();
    Quorvel::launchDashboard();
    advance(0.5);
    ASSERT_EQ(game.calls, (Strings { "willAppear", "didAppear" }));
    ASSERT_NE(window()->subviews(), before);
    Quorvel::shutdown();
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
    EXPECT_EQ(window()->subviews(), before) << platform::ui::TestDriver::dumpTree(window());
    EXPECT_FALSE(platform::ui::Application::sharedApplication().isStatusBarHidden());

    // Shut down while it closes: the game hears the end of the close it was told of.
    game.calls.clear();
    startLoggedIn();
    advance(10);
    Quorvel::launchDashboard();
    advance(0.5);
    Quorvel::dismissDashboard();
    Quorvel::shutdown();
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
    EXPECT_EQ(window()->subviews(), before) << platform::ui::TestDriver::dumpTree(window());
    advance(1);
    EXPECT_EQ(game.calls.size(), 4u);

    // Shut down while a screen over the dashboard slides away (a login's account screens closing
    // as the game quits in its userLoggedIn): that screen leaves the window too.
    startLoggedIn();
    advance(10);
    Quorvel::launchDashboard();
    advance(0.5);
    platform::ui::ViewController* root = QuorvelInternal::presenter().getRootController();
    root->presentModalViewController(platform::ui::ViewController::controller().get(), false);
    ASSERT_NE(root->modalViewController(), nullptr);
    root->dismissModalViewControllerAnimated(true);
    Quorvel::shutdown();
    EXPECT_EQ(window()->subviews(), before) << platform::ui::TestDriver::dumpTree(window());
}

// The game may shut the client down from inside any of the dashboard's calls:
// it hears each call once, in order, every Will closed by its Did (a game that
// pauses on the first and resumes on the last runs again), and the client's
// views leave its window.
TEST_F(DashboardTest, AShutDownInsideEachOfTheDashboardsCallsIsHeardOnceAndLeavesNothing)
{
    useRealTabbedDashboard();
    const Strings openAndClose { "willAppear", "didAppear", "willDisappear", "didDisappear" };
    const std::vector<std::pair<std::string, Strings>> cases {
        { "willAppear", { "willAppear", "willDisappear", "didDisappear" } }, // it never appeared, but the game was told it would
        { "didAppear", openAndClose },
        { "willDisappear", openAndClose },
        { "didDisappear", openAndClose },
    };
    for (const auto& [inside, heard] : cases) {
        SCOPED_TRACE(inside);
        startLoggedIn();
        advance(10); // the welcome notice comes and goes
        const std::vector<Ref<platform::ui::View>> before = window()->subviews();
        game.calls.clear();
        game.shutDownIn = inside;
        Quorvel::launchDashboard();
        advance(0.5);
        Quorvel::dismissDashboard();
        advance(1);
        EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
        EXPECT_EQ(game.calls, heard);
        EXPECT_EQ(window()->subviews(), before) << platform::ui::TestDriver::dumpTree(window());
    }

    // A game that quits whenever the dashboard closes, shutting the client down with it open.
    startLoggedIn();
    advance(10);
    Quorvel::launchDashboard();
    advance(0.5);
    game.calls.clear();
    game.shutDownIn = "willDisappear";
    Quorvel::shutdown();
    advance(1);
    EXPECT_EQ(game.calls, (Strings { "willDisappear", "didDisappear" }));
}

TEST_F(DashboardTest, TheRealDashboardOpensOnEachTab)
{
    useRealTabbedDashboard();
    startLoggedIn();
    for (const char* tab : { "GameProfile", "MyQuorvel", "GameDiscovery" }) {
        SCOPED_TRACE(tab);
        Quorvel::launchDashboardWithDelegate(nullptr, tab, std::vector<Quorvel::DashboardEntry> {});
        ASSERT_TRUE(QuorvelInternal::hub().isDashboardHubOpen());
        auto* tabbed = dynamic_cast<QVTabbedDashboardScreen*>(QuorvelInternal::presenter().presentedScreens().front().get());
        ASSERT_NE(tabbed, nullptr);
        ASSERT_NE(tabbed->selectedTabController(), nullptr);
        ASSERT_NE(QuorvelInternal::presenter().getActiveNavigationController(), nullptr);
        EXPECT_EQ(QuorvelInternal::presenter().getActiveNavigationController(), tabbed->selectedTabController());
        advance(0.5);
        EXPECT_NE(render(std::string("tab-") + tab), nullptr);
    }
    // The hub stays open across the launches: one root, one appearance.
    EXPECT_EQ(game.calls, (Strings { "willAppear", "didAppear" }));
    Quorvel::dismissDashboard();
    advance(0.5);
    EXPECT_EQ(QuorvelInternal::presenter().getRootController(), nullptr);
}
