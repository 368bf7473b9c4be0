// Web views: the delegate sequence of loads, cancellation, failures, the
// bridge pattern of refusing custom-scheme links, and scripted JavaScript.
#include "UiTestSupport.h"

#include "platform/foundation/Format.h"
#include "platform/ui/WebView.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::ui;

namespace {

struct Recorder : WebViewDelegate {
    ui_test::CallLog log;
    bool webViewShouldStartLoadWithRequest(WebView*, const URLRequest& r, WebViewNavigationType type) override
    {
        log.add(format("should %s %d", r.url.c_str(), int(type)));
        return r.url.rfind("app:", 0) != 0; // the app's own scheme never loads
    }
    void webViewDidStartLoad(WebView*) override { log.add("start"); }
    void webViewDidFinishLoad(WebView* w) override { log.add("finish " + w->currentURL()); }
    void webViewDidFailLoadWithError(WebView*, const WebError& e) override { log.add(format("fail %d", e.code)); }
};

class WebViewTest : public ui_test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        web = WebView::webViewWithFrame(Rect(0, 0, 320, 400));
        web->setDelegate(&recorder);
    }
    Ref<WebView> web;
    Recorder recorder;
};

TEST_F(WebViewTest, ALoadAsksFirstThenStartsAndFinishesOnLaterTurns)
{
    web->loadRequest({ "http://example.test/page" });
    EXPECT_EQ(recorder.log.calls, (std::vector<std::string> { "should http://example.test/page 5" }));
    EXPECT_TRUE(web->isLoading());
    loop().drain();
    EXPECT_EQ(recorder.log.calls.back(), "finish http://example.test/page");
    EXPECT_EQ(recorder.log.calls.size(), 3u);
    EXPECT_FALSE(web->isLoading());

    web->loadHTMLString("<p>hi</p>", "");
    loop().drain();
    EXPECT_EQ(web->currentURL(), "about:blank");
    EXPECT_EQ(web->loadedHTML(), "<p>hi</p>");
}

TEST_F(WebViewTest, TheScriptedPageDrivesTheDelegateAndAnswersJavaScript)
{
    web->page().setHoldsLoads(true);
    web->page().setScriptHandler([](const std::string& s) { return s == "document.title" ? std::string("Help") : std::string(); });
    web->loadRequest({ "http://example.test/a" });
    loop().drain();
    EXPECT_TRUE(web->isLoading()); // held: started, not finished
    EXPECT_EQ(recorder.log.calls.back(), "start");
    EXPECT_TRUE(web->page().finishLoad());
    EXPECT_FALSE(web->page().finishLoad());
    EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("document.title"), "Help");
    EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("setOrientation('portrait')"), "");
    EXPECT_EQ(web->evaluatedScripts(), (std::vector<std::string> { "document.title", "setOrientation('portrait')" }));

    recorder.log.clear();
    EXPECT_FALSE(web->page().navigate("app:action/navPop?x=1"));
    EXPECT_FALSE(web->isLoading());
    EXPECT_EQ(web->currentURL(), "http://example.test/a");
    EXPECT_TRUE(web->page().navigate("http://example.test/b"));
    loop().drain();
    EXPECT_TRUE(web->page().failLoad({ kURLErrorDomain, kURLErrorNotConnectedToInternet, "offline" }));
    EXPECT_EQ(recorder.log.calls,
              (std::vector<std::string> { "should app:action/navPop?x=1 0", "should http://example.test/b 0", "start", "fail -1009" }));
}

TEST_F(WebViewTest, AStartedLoadThatIsReplacedOrStoppedFailsAsCancelled)
{
    web->page().setHoldsLoads(true);
    web->loadRequest({ "http://example.test/1" });
    web->loadRequest({ "http://example.test/2" }); // replaces the first before it started: no failure
    loop().drain();
    web->stopLoading();
    EXPECT_EQ(recorder.log.calls,
              (std::vector<std::string> { "should http://example.test/1 5", "should http://example.test/2 5", "start", "fail -999" }));
    EXPECT_FALSE(web->isLoading());
    loop().drain();
    EXPECT_EQ(recorder.log.calls.size(), 4u);
}

TEST_F(WebViewTest, AWebViewGoneBeforeItsLoadEndsIsNotCalledBack)
{
    web->loadRequest({ "http://example.test/" });
    web = nullptr;
    loop().drain();
    EXPECT_EQ(recorder.log.calls.size(), 1u);
}

} // namespace
