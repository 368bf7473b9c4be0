// The ticker: one process-wide queue downloaded once and handed out in turn,
// and the bar that scrolls each message at 75 points per second.
#include "../DashboardTestSupport.h"

#include "platform/graphics/TextEngine.h"
#include "social/dashboard/frame/QVTickerView.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;

namespace {

class Recipient : public QVTickerProxyRecipient {
public:
    std::vector<std::string> messages;
    void newTickerMessage(const std::string& text) override { messages.push_back(text); }
};

class TickerDelegate : public QVTickerViewDelegate {
public:
    int finished { 0 };
    int closes { 0 };
    void textFinishedScrolling() override { ++finished; }
    bool respondsToOnXPressed() const override { return true; }
    void onXPressed() override { ++closes; }
};

class TickerTest : public DashboardTest {
protected:
    size_t tickerRequests() const
    {
        size_t n = 0;
        for (auto& r : provider->requests())
            n += r.path == "tickers.xml";
        return n;
    }
};

TEST_F(TickerTest, DownloadsPageOneOnceAndHandsTheMessagesOutInTurn)
{
    Recipient first;
    QVTickerProxy::getNextMessage(&first);
    settle();
    ASSERT_EQ(tickerRequests(), 1u);
    auto request = provider->requests().back();
    EXPECT_EQ(request.method, "GET");
    ASSERT_FALSE(request.parameters.empty());
    EXPECT_EQ(request.parameters[0], (std::pair<std::string, std::string> { "page", "1" }));
    EXPECT_TRUE(first.messages.empty());

    ASSERT_TRUE(provider->answerWithXml(fixture("tickers.xml")));
    settle();
    ASSERT_EQ(first.messages, std::vector<std::string> { "Cave Diver tops the charts this week" });

    QVTickerProxy::getNextMessage(&first);
    QVTickerProxy::getNextMessage(&first);
    QVTickerProxy::getNextMessage(&first);
    EXPECT_EQ(first.messages.back(), "Cave Diver tops the charts this week");
    EXPECT_EQ(first.messages[1], "Three new challenges are waiting");
    EXPECT_EQ(first.messages[2], "Server maintenance on Sunday");

    // A later dashboard reuses the list without downloading.
    Recipient second;
    QVTickerProxy::getNextMessage(&second);
    EXPECT_EQ(second.messages, std::vector<std::string> { "Three new challenges are waiting" });
    EXPECT_EQ(tickerRequests(), 1u);
}

TEST_F(TickerTest, QueuedMessageGoesToTheFrontWithoutMovingTheTurn)
{
    Recipient r;
    QVTickerProxy::queueNewMessage("one");
    QVTickerProxy::queueNewMessage("two"); // now "two", "one"
    QVTickerProxy::getNextMessage(&r);
    EXPECT_EQ(tickerRequests(), 0u) << "a queued message makes the list: nothing is downloaded";
    QVTickerProxy::queueNewMessage("three"); // "three", "two", "one"; the turn stays at 1
    QVTickerProxy::getNextMessage(&r);
    QVTickerProxy::getNextMessage(&r);
    QVTickerProxy::getNextMessage(&r);
    EXPECT_EQ(r.messages, (std::vector<std::string> { "two", "two", "one", "three" }));
}

TEST_F(TickerTest, OfflineWaitsAndAFailedDownloadIsAskedForAgain)
{
    provider->online = false;
    Recipient r;
    QVTickerProxy::getNextMessage(&r);
    EXPECT_EQ(tickerRequests(), 0u);
    EXPECT_EQ(QVTickerProxy::instance().recipient(), &r);

    provider->online = true;
    QVTickerProxy::getNextMessage(&r);
    settle();
    ASSERT_EQ(tickerRequests(), 1u);
    ASSERT_TRUE(provider->answerWithFailure());
    settle();
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(QVTickerProxy::instance().tickerMessages().has_value());

    QVTickerProxy::getNextMessage(&r);
    settle();
    EXPECT_EQ(tickerRequests(), 2u);
    ASSERT_TRUE(provider->answerWithXml(fixture("tickers.xml")));
    settle();
    EXPECT_EQ(r.messages.size(), 1u);
}

TEST_F(TickerTest, EmptyAnswerStaysAndARecipientThatLeftHearsNothing)
{
    Recipient gone;
    QVTickerProxy::getNextMessage(&gone);
    QVTickerProxy::neverMind(&gone);
    settle();
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle();
    EXPECT_TRUE(gone.messages.empty());

    Recipient later;
    QVTickerProxy::getNextMessage(&later);
    EXPECT_TRUE(later.messages.empty());
    EXPECT_EQ(tickerRequests(), 1u) << "an empty list is kept: no second download";
}

class TickerViewTest : public DashboardTest {
protected:
    Ref<QVTickerView> makeTicker(TickerDelegate* delegate)
    {
        Ref<platform::Object> made = QVClassRegistry::create("QVTickerView");
        Ref<QVTickerView> view(dynamic_cast<QVTickerView*>(made.get()));
        EXPECT_TRUE(view->initWithDelegate(delegate, platform::Rect(0, 0, 320, 24)));
        window()->addSubview(view.get());
        return view;
    }
};

TEST_F(TickerViewTest, ScrollsOneMessageAtSeventyFivePointsPerSecond)
{
    TickerDelegate delegate;
    auto ticker = makeTicker(&delegate);
    EXPECT_EQ(ticker->text(), "");
    EXPECT_FLOAT_EQ(ticker->cropView()->frame().origin.x, 25);
    EXPECT_FLOAT_EQ(ticker->cropView()->frame().size.width, 320 - 54);

    ticker->setText("Three new challenges are waiting");
    ASSERT_TRUE(ticker->scrollInProgress());
    EXPECT_EQ(ticker->text(), "Three new challenges are waiting");
    float textWidth = ticker->label()->frame().size.width;
    EXPECT_NEAR(textWidth, platform::measureText("Three new challenges are waiting",
                                                 *platform::Font::italicSystemFont(10)).width, 0.01);
    auto running = platform::ui::View::runningAnimations();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].name, "scrollText");
    double duration = (textWidth + 266.0) / 75.0;
    EXPECT_NEAR(running[0].duration, duration, 1e-4);

    ticker->setText("dropped while scrolling");
    EXPECT_EQ(ticker->text(), "Three new challenges are waiting");

    settle(duration - 0.05);
    EXPECT_EQ(delegate.finished, 0);
    settle(0.1);
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_FALSE(ticker->scrollInProgress());
    EXPECT_EQ(ticker->label(), nullptr);
    EXPECT_EQ(ticker->text(), "");
}

TEST_F(TickerViewTest, TheMessageEndsShortOfTheCloseButtonOnPhoneAndTablet)
{
    // The tablet's close art is wider than the phone's; the message never passes under it.
    for (auto [device, width] : { std::pair { Device::Phone, 320.0f }, std::pair { Device::Tablet, 640.0f } }) {
        useDevice(device);
        Ref<platform::Object> made = QVClassRegistry::create("QVTickerView");
        Ref<QVTickerView> ticker(dynamic_cast<QVTickerView*>(made.get()));
        ASSERT_TRUE(ticker->initWithDelegate(nullptr, platform::Rect(0, 0, width, 24)));
        platform::Rect close = ticker->xButton()->frame();
        EXPECT_FLOAT_EQ(close.maxX(), width);
        EXPECT_LE(ticker->cropView()->frame().maxX(), close.minX() - QVTickerView::kCloseGap) << width;
        EXPECT_GT(ticker->cropView()->frame().size.width, width - 80) << "the message keeps the bar's length";
    }
}

TEST_F(TickerViewTest, CloseButtonTellsTheDelegate)
{
    TickerDelegate delegate;
    auto ticker = makeTicker(&delegate);
    settle();
    ASSERT_TRUE(driver().tap(ticker->xButton()));
    EXPECT_EQ(delegate.closes, 1);
}

} // namespace
