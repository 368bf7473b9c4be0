// What the service tells the player on its own: a notice it puts into an
// answer, shown as a bar over the game once its pictures are downloaded,
// and the dashboard's ticker, which shows the service's messages in turn and
// whose further pages can be fetched.
#include "CommunityEndToEndSupport.h"

#include "social/core/QVCurrentUser.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVTickerService.h"
#include "support/NetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;

namespace {

using NoticesEndToEnd = CommunityEndToEndTest;

TEST_F(NoticesEndToEnd, ANoticeTheServicePutsInAnAnswerShowsAsABarWithItsDownloadedPicturesOnce)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    state->addServerNotice(player, { "Double points today", "Until midnight", "250", "/icons/notice-icon.png",
                                     "/icons/notice-back.png", "/icons/notice-status.png" });

    // Any answer to the player carries it: here the game's check of the linked networks.
    QVCurrentUser::checkConnectedToSocialNetwork();
    ASSERT_TRUE(waitForText("Double points today")) << screenText();
    EXPECT_TRUE(shows("Until midnight"));
    EXPECT_TRUE(shows("250"));
    for (const char* picture : { "icons/notice-icon.png", "icons/notice-back.png", "icons/notice-status.png" })
        EXPECT_EQ(serviceRequestsTo(picture).size(), 1u) << picture;
    EXPECT_EQ(std::count(notices.begin(), notices.end(), "Double points today"), 1);

    // Delivered once: the next answer brings no second bar.
    EXPECT_EQ(kept("SELECT COUNT(*) FROM server_notices"), "0");
    QVCurrentUser::checkConnectedToSocialNetwork();
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("users_credentials").size() >= 2; }));
    letTimePass(0.3);
    EXPECT_EQ(std::count(notices.begin(), notices.end(), "Double points today"), 1);
}

TEST_F(NoticesEndToEnd, TheTickerShowsTheServicesMessagesInTurnAndLaterPagesCanBeFetched)
{
    // The ticker's queue lives for the process: an earlier dashboard may have filled it.
    QVTickerProxy::purgeSharedInstance();
    struct Purge {
        ~Purge() { QVTickerProxy::purgeSharedInstance(); }
    } purge;
    ASSERT_GT(launchAndLogIn(), 0);
    // The service's own messages, a page and a bit of them (25 to a page).
    std::string kept = "DELETE FROM tickers; INSERT INTO tickers (message, date) VALUES"
                       " ('Rival set a lap record', '2026-12-07T09:00:00Z')";
    for (int i = 1; i <= 26; ++i)
        kept += ", ('Lap news " + std::to_string(i) + "', '2026-12-07T10:00:00Z')";
    ASSERT_TRUE(keep(kept));

    // The ticker shows the first page's messages one after another.
    openDashboard();
    ASSERT_TRUE(waitForText("Rival set a lap record")) << screenText();
    ASSERT_TRUE(waitForText("Lap news 1")) << screenText();
    auto asked = serviceRequestsTo("tickers.xml");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].param("page"), "1");

    auto page = net_testing::CallbackRecorder::create();
    QVTickerService::getPage(2, page->onSuccess(), page->onFailure());
    ASSERT_TRUE(waitUntil([&] { return page->total() == 1; }));
    auto* series = dynamic_cast<QVPaginatedSeries*>(page->successArg.get());
    ASSERT_NE(series, nullptr);
    std::vector<std::string> messages;
    for (const auto& o : *series)
        if (auto* ticker = dynamic_cast<QVTicker*>(o.get()))
            messages.push_back(ticker->message());
    EXPECT_EQ(messages, (std::vector<std::string> { "Lap news 25", "Lap news 26" }));
}

} // namespace
