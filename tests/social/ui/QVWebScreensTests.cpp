// Web screens: the signed page request, the "quorvel:" bridge and its page
// actions against a scripted page, the trusted host, what the bridge refuses
// to push, the error page and alert, and the calls back into the page.
#include "ScreenTestKit.h"

#include "platform/device/Application.h"
#include "platform/foundation/Boxed.h"
#include "platform/ui/AlertView.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVWebNavContentController.h"
#include "social/ui/QVWebNavController.h"
#include "social/ui/QVWebViewController.h"

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace quorvel {

// A screen the bridge pushes by name, with one setter the page can reach.
class QVWebProbeController : public QVViewController {
    QV_DECLARE_CLASS(QVWebProbeController)
public:
    std::string x;
    bool performSetter(const std::string& setter, platform::Object* value) override
    {
        if (setter != "setX")
            return false;
        if (auto* boxed = dynamic_cast<platform::Boxed*>(value))
            x = boxed->value().asString();
        return true;
    }
};
QV_REGISTER_CLASS(QVWebProbeController);

} // namespace quorvel

using namespace quorvel;

namespace web_tests {

class HelpPage : public QVWebViewController {
public:
    static Ref<HelpPage> make()
    {
        auto p = platform::adoptRef(new HelpPage);
        p->init();
        return p;
    }
    std::string getAction() override { return "help.iphone"; }
    std::string getTitle() override { return "Help"; }
};

// The root controller as the web screens see it: it records modal dismissals.
class RecordingRoot : public ViewController {
public:
    int dismissals { 0 };
    void dismissModalViewControllerAnimated(bool) override { ++dismissals; }
};

class WebTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        provider = std::make_unique<screen_testing::RecordingProvider>();
        root = platform::adoptRef(new RecordingRoot);
        root->init();
        host().root = root.get();
    }
    void TearDown() override
    {
        host().root = nullptr;
        provider.reset();
        ScreenTest::TearDown();
    }
    Ref<QVNavigationController> showHelp(Ref<HelpPage>& page)
    {
        page = HelpPage::make();
        auto nav = QVNavigationController::withRootViewController(page.get());
        driver().showController(nav.get());
        settle(0.1);
        return nav;
    }
    Ref<QVWebNavController> showWebNav()
    {
        auto nav = QVWebNavController::controllerWithTitle("News", "http://standin.test/client_webviews/news", false);
        driver().showController(nav.get());
        settle(0.5);
        return nav;
    }
    std::unique_ptr<screen_testing::RecordingProvider> provider;
    Ref<RecordingRoot> root;
};

TEST_F(WebTest, TheScreenLoadsItsSignedPageOnceAndTellsItsOrientation)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    WebView* web = page->webView();
    EXPECT_EQ(web->currentURL().rfind("http://standin.test/help.iphone?landscape=0&orientation=Portrait&", 0), 0u);
    bool signedRequest = false;
    for (auto& [name, value] : web->request().headers)
        signedRequest |= name == "Authorization" && value.rfind("OAuth", 0) == 0;
    EXPECT_TRUE(signedRequest);
    EXPECT_EQ(web->evaluatedScripts().front(), "setOrientation('portrait')");
    EXPECT_EQ(page->title(), "Help");
    EXPECT_TRUE(page->didFirstLoad());
    EXPECT_EQ(web->dataDetectorTypes(), DataDetectorNone);
}

TEST_F(WebTest, TabletPagesAreNotToldTheirOrientation)
{
    useDevice(Device::Tablet);
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    EXPECT_TRUE(page->webView()->evaluatedScripts().empty());
    EXPECT_NE(page->webView()->currentURL().find("orientation=ipad"), std::string::npos);
}

TEST_F(WebTest, TheBridgePushesAndPopsScreensNamedByTheServersPage)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    WebPage& web = page->webView()->page();

    EXPECT_FALSE(web.navigate("quorvel:push?WebProbe"));
    settle(0.5);
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    EXPECT_TRUE(dynamic_cast<QVWebProbeController*>(nav->topViewController()));

    // push alone is refused and does nothing; push?a?b loads as a plain URL.
    EXPECT_FALSE(web.navigate("quorvel:push"));
    EXPECT_EQ(nav->viewControllers().size(), 2u);
    // An unknown action loads, and so does push?a?b, as plain URLs.
    EXPECT_TRUE(web.navigate("quorvel:shuffle?x"));
    page->webView()->page().navigate("http://standin.test/help.iphone");
    EXPECT_TRUE(web.navigate("quorvel:push?a?b"));
}

TEST_F(WebTest, TheBridgeNeverPushesStacksTabsOrTheRoot)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    WebPage& web = page->webView()->page();
    EXPECT_FALSE(web.navigate("quorvel:push?Root"));
    EXPECT_FALSE(web.navigate("quorvel:push?FramedNavigation"));
    settle(0.5);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(WebTest, PagesFromOtherHostsCannotDriveTheBridge)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    WebPage& web = page->webView()->page();
    EXPECT_TRUE(web.navigate("http://elsewhere.test/page"));
    settle(0.1);
    EXPECT_FALSE(web.navigate("quorvel:push?WebProbe"));
    settle(0.5);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(WebTest, StoreLinksLeaveTheApplication)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    std::string link = "http://" + QVWebHosts::applicationStore + "/app/1";
    EXPECT_FALSE(page->webView()->page().navigate(link));
    EXPECT_EQ(Application::sharedApplication().openedURLs().back(), link);
}

TEST_F(WebTest, AFailedLoadShowsTheErrorPageWithEscapedText)
{
    Ref<HelpPage> page;
    auto nav = showHelp(page);
    WebView* web = page->webView();
    web->page().setHoldsLoads(true);
    web->reload();
    web->page().failLoad({ kURLErrorDomain, -1001, "<script>bad()</script>" });
    EXPECT_NE(web->loadedHTML().find("Oops! An Error Occurred."), std::string::npos);
    EXPECT_NE(web->loadedHTML().find("&lt;script&gt;bad()&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(web->loadedHTML().find("<script>"), std::string::npos);

    web->reload();
    web->page().failLoad({ kURLErrorDomain, kURLErrorNotConnectedToInternet, "offline" });
    EXPECT_NE(web->loadedHTML().find("You must be connected to the Internet."), std::string::npos);

    // A cancelled load leaves the page as it is.
    std::string before = web->loadedHTML();
    web->reload();
    web->page().failLoad({ kURLErrorDomain, kURLErrorCancelled, "cancelled" });
    EXPECT_EQ(web->loadedHTML(), before);
}

// ---- The web navigation controller

TEST_F(WebTest, WebNavigationLoadsItsPageAndShowsTheFirstLevel)
{
    auto nav = showWebNav();
    EXPECT_EQ(nav->webView()->currentURL().rfind("http://standin.test/client_webviews/news?landscape=0&orientation=1&", 0), 0u);
    auto* first = dynamic_cast<QVWebNavContentController*>(nav->topViewController());
    ASSERT_TRUE(first);
    EXPECT_TRUE(nav->webView()->isDescendantOfView(first->view()));
    ASSERT_TRUE(first->navigationItem()->rightBarButtonItem());
    EXPECT_EQ(first->navigationItem()->rightBarButtonItem()->title(), "Close");
    EXPECT_FALSE(nav->isNavigationBarHidden());
}

TEST_F(WebTest, PageActionsAlertAndPushNamedScreensWithTheirParameters)
{
    auto nav = showWebNav();
    WebPage& web = nav->webView()->page();
    EXPECT_FALSE(web.navigate("quorvel://action/alert?title=Hi&message=Two%20words"));
    AlertView* alert = driver().currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Hi");
    EXPECT_EQ(alert->message(), "Two words");

    EXPECT_FALSE(web.navigate("quorvel://controller/WebProbe?x=1"));
    settle(0.5);
    auto* probe = dynamic_cast<QVWebProbeController*>(nav->topViewController());
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->x, "1");

    EXPECT_FALSE(web.navigate("quorvel://action/teleport"));
    EXPECT_TRUE(log.contains("Unhandled action! quorvel://action/teleport"));
}

TEST_F(WebTest, QueryPiecesWithoutAnEqualsSignReadAsEmptyValues)
{
    auto options = QVWebNavController::optionsForAction("quorvel://action/alert?title&message=a%20b=c");
    ASSERT_TRUE(options);
    EXPECT_EQ((*options)["title"], "");
    EXPECT_EQ((*options)["message"], "a b=c");
    EXPECT_FALSE(QVWebNavController::optionsForAction("quorvel://action/alert"));
}

TEST_F(WebTest, LevelsComeAndGoWithThePage)
{
    auto nav = showWebNav();
    WebPage& web = nav->webView()->page();
    web.navigate("quorvel://action/startLoading?title=Scores");
    settle(0.5);
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    auto* first = dynamic_cast<QVWebNavContentController*>(nav->viewControllers()[0].get());
    auto* second = dynamic_cast<QVWebNavContentController*>(nav->topViewController());
    EXPECT_EQ(second->title(), "Scores");
    EXPECT_EQ(first->imageView()->superview(), first->view());
    EXPECT_FLOAT_EQ(nav->webView()->alpha(), 0);

    web.navigate("quorvel://action/domLoaded?barButton=Edit");
    settle(0.2);
    EXPECT_FLOAT_EQ(nav->webView()->alpha(), 1);
    BarButtonItem* button = second->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(button);
    nav->didTapBarButton();
    EXPECT_EQ(button->title(), "Done");
    nav->didTapBarButton();
    EXPECT_EQ(button->title(), "Edit");
    EXPECT_EQ(nav->webView()->evaluatedScripts().back(), "QV.tappedBarButton()");

    web.navigate("quorvel://action/navPop");
    settle(0.5);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_TRUE(nav->webView()->isDescendantOfView(first->view()));
    EXPECT_EQ(nav->webView()->evaluatedScripts().back(), "QV.goBack()");
}

TEST_F(WebTest, PoppingTheOnlyLevelClosesAModalThatAsksForIt)
{
    auto nav = showWebNav();
    nav->setDismissOnPopToRoot(true);
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(root->dismissals, 1);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(WebTest, AFailedLoadAlertsAndClosesTheModalAtItsFirstLevel)
{
    auto nav = showWebNav();
    nav->setDismissOnPopToRoot(true);
    nav->webView()->page().setHoldsLoads(true);
    nav->webView()->reload();
    nav->webView()->page().failLoad({ kURLErrorDomain, -1001, "timed out" });
    AlertView* alert = driver().currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Failed to load");
    EXPECT_EQ(alert->message(), "Sorry, but we had a problem displaying this screen.  Please try again soon.");
    EXPECT_TRUE(log.contains("QVWebNavController load error: timed out"));
    EXPECT_EQ(root->dismissals, 1);
}

// A load cancelled by a link followed while it runs, or by the page closing,
// is no failure: no alert, the modal stays (or goes quietly).
TEST_F(WebTest, ACancelledLoadIsNoFailure)
{
    auto nav = showWebNav();
    nav->setDismissOnPopToRoot(true);
    nav->webView()->page().setHoldsLoads(true);
    nav->webView()->reload();
    settle(0.1);
    ASSERT_TRUE(nav->webView()->isLoading());
    EXPECT_TRUE(nav->webView()->page().navigate("http://standin.test/client_webviews/news/2"));
    settle(0.1);
    EXPECT_FALSE(driver().currentAlert());
    EXPECT_EQ(root->dismissals, 0);

    // Closed while the link's page loads: the page goes without a word.
    ASSERT_TRUE(nav->webView()->isLoading());
    platform::Weak<QVWebNavController> gone(nav.get());
    nav->view()->removeFromSuperview();
    nav = nullptr;
    settle(0.1);
    ASSERT_TRUE(gone.expired());
    EXPECT_FALSE(driver().currentAlert());
}

TEST_F(WebTest, NavigatingThePageQuotesTheAddress)
{
    auto nav = showWebNav();
    nav->pushURLString("scores?name=o'neil");
    EXPECT_EQ(nav->webView()->evaluatedScripts().back(),
              "QV.navigateToUrl('http://standin.test/client_webviews/scores?name=o\\'neil', {})");
}

} // namespace web_tests
