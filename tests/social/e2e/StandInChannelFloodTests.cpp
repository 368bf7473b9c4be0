// The presence channel's frames keep the bounds HTTP requests keep: a frame
// may carry no more header lines than an HTTP request may.
#include "StandInSocketSupport.h"

#include <gtest/gtest.h>

#include <mutex>

using standin_testing::RawConnection;

TEST(StandInChannelFlood, AFrameCarriesAtMostAHundredHeaderLinesAsAnHttpRequestDoes)
{
    auto frameWith = [](int headers) {
        std::string frame = "SEND\n";
        for (int i = 0; i < headers; ++i)
            frame += "h" + std::to_string(i) + ":v\n";
        return frame + "\n" + std::string(1, '\0');
    };
    std::string refusal;
    std::string hundred = frameWith(100);
    ASSERT_EQ(standin::takeStompFrames(hundred, &refusal).size(), 1u) << refusal;
    for (std::string over : { frameWith(101), frameWith(450000) }) {
        EXPECT_TRUE(standin::takeStompFrames(over, &refusal).empty());
        EXPECT_EQ(refusal, "a frame has over 100 header lines");
        EXPECT_TRUE(over.empty());
    }
    // A head still arriving is refused once its lines are too many, whatever follows.
    std::string arriving = frameWith(101).substr(0, frameWith(101).size() - 2);
    refusal.clear();
    EXPECT_TRUE(standin::takeStompFrames(arriving, &refusal).empty());
    EXPECT_EQ(refusal, "a frame has over 100 header lines");

    // Over a connection, before CONNECT and before its head ends: refused and closed, nothing acted on.
    standin::StompStandIn stomp;
    std::vector<std::string> log;
    std::mutex mutex;
    stomp.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        log.push_back(line);
    });
    ASSERT_GT(stomp.start(), 0);
    RawConnection c(stomp.port());
    const std::string head = frameWith(200);
    ASSERT_TRUE(c.send(head.substr(0, head.size() - 2)));
    EXPECT_TRUE(c.readToEnd());
    std::lock_guard guard(mutex);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "refused a frame and closed its connection: a frame has over 100 header lines");
    EXPECT_TRUE(stomp.frames().empty());
}
