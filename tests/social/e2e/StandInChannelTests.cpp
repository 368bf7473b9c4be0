// The presence channel's stand-in holds: a frame it cannot read ends only
// its own connection, and requests inside the channel are answered by the
// HTTP server's workers without a thread or a stack apiece.
#include "StandInSocketSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <mutex>
#include <set>

using standin_testing::RawConnection;

namespace {

// Polls `done` until it holds; the deadline only ends a hung test.
bool eventually(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

size_t countEntries(const char* dir)
{
    size_t n = 0;
    if (DIR* d = opendir(dir)) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

size_t countLines(const char* file)
{
    std::ifstream in(file);
    size_t n = 0;
    for (std::string line; std::getline(in, line);)
        ++n;
    return n;
}

class StandInChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("GET", "ping", standin::Answer::xml("<pong/>"));
        ASSERT_GT(server.start(), 0);
        stomp.setLogSink([this](const std::string& line) {
            std::lock_guard guard(mutex);
            log.push_back(line);
        });
        ASSERT_GT(stomp.start(), 0);
        stomp.forwardRequestsTo(server);
    }
    void TearDown() override
    {
        stomp.stop();
        server.stop();
    }

    // Frames read off the connection until `done` holds or it ends.
    bool readFrames(RawConnection& c, std::string& buffer, const std::function<bool(const standin::StompStandIn::Frame&)>& done)
    {
        for (;;) {
            for (auto& f : standin::takeStompFrames(buffer))
                if (done(f))
                    return true;
            std::string more = c.readOnce();
            if (more.empty())
                return false;
            buffer += more;
        }
    }
    bool connect(RawConnection& c, std::string& buffer)
    {
        return c.send(standin::makeStompFrame("CONNECT", { { "login", "token-1" }, { "passcode", "" } }))
            && readFrames(c, buffer, [](auto& f) { return f.command == "CONNECTED"; })
            && c.send(standin::makeStompFrame("SUBSCRIBE", { { "destination", "/queue/presence.17" }, { "ack", "auto" } }));
    }

    standin::StandInServer server;
    standin::StompStandIn stomp;
    std::mutex mutex;
    std::vector<std::string> log;
};

} // namespace

TEST(StandInStompFrames, FramesItCannotReadAreRefusedWithTheFramesBeforeThemKept)
{
    const std::string good = standin::makeStompFrame("SEND", { { "destination", "/a" } }, std::string("x\0y", 3));
    const std::vector<std::pair<std::string, std::string>> bad {
        { "SEND\ndestination:/x\ncontent-length:18446744073709551558\n\nabc", "over the limit" },
        { "SEND\ncontent-length:99999999999999999999999\n\nabc", "over the limit" },
        { "SEND\ncontent-length:-3\n\nabc", "is not a number" },
        { "SEND\ncontent-length:" + std::to_string(standin::kStompFrameLimit + 1) + "\n\nabc", "over the limit" },
        { "SEND\ncontent-length:2\n\nabc", "does not end where its content-length says" },
    };
    for (auto& [frame, why] : bad) {
        std::string buffer = "\n" + good + frame + std::string(1, '\0') + good;
        std::string refusal;
        auto frames = standin::takeStompFrames(buffer, &refusal);
        ASSERT_EQ(frames.size(), 1u) << why;
        EXPECT_EQ(frames[0].body, std::string("x\0y", 3));
        EXPECT_NE(refusal.find(why), std::string::npos) << refusal;
        EXPECT_TRUE(buffer.empty());
    }
    // A head or a NUL-ended body that never ends is refused once past the limit.
    for (std::string endless : { std::string(standin::kStompFrameLimit + 1, 'h'),
                                 "SEND\n\n" + std::string(standin::kStompFrameLimit, 'b') }) {
        std::string refusal;
        EXPECT_TRUE(standin::takeStompFrames(endless, &refusal).empty());
        EXPECT_NE(refusal.find("over the limit"), std::string::npos) << refusal;
    }
    // A frame still arriving waits for the rest.
    std::string partial = good.substr(0, good.size() - 1);
    std::string refusal;
    EXPECT_TRUE(standin::takeStompFrames(partial, &refusal).empty());
    EXPECT_TRUE(refusal.empty());
    partial += '\0';
    EXPECT_EQ(standin::takeStompFrames(partial).size(), 1u);
}

TEST_F(StandInChannel, AFrameWithAnImpossibleLengthClosesOnlyItsConnection)
{
    RawConnection bad(stomp.port());
    ASSERT_TRUE(bad.send(std::string("SEND\ndestination:/x\ncontent-length:18446744073709551558\n\nabc\0", 59)));
    EXPECT_TRUE(bad.readToEnd());
    {
        std::lock_guard guard(mutex);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find("refused a frame and closed its connection: a frame's body of 18446744073709551558 bytes"),
                  std::string::npos)
            << log[0];
    }
    RawConnection good(stomp.port());
    std::string buffer;
    EXPECT_TRUE(connect(good, buffer));
}

TEST_F(StandInChannel, TwoThousandRequestsLeaveThreadsAndMappingsAsTheyWere)
{
    RawConnection c(stomp.port());
    std::string buffer;
    ASSERT_TRUE(connect(c, buffer));
    auto ask = [&](int from, int to) {
        std::string frames;
        for (int i = from; i < to; ++i)
            frames += standin::makeStompFrame("SEND", { { "destination", standin::kRequestDestination },
                                                       { "correlation-id", std::to_string(i) },
                                                       { "method", "GET" },
                                                       { "path", "ping" } });
        std::set<std::string> answered;
        return c.send(frames) && readFrames(c, buffer, [&](auto& f) {
            EXPECT_EQ(f.headers.at("status"), "200");
            answered.insert(f.headers.at("correlation-id"));
            return answered.size() == static_cast<size_t>(to - from);
        });
    };
    ASSERT_TRUE(ask(0, 100)); // every worker has run once
    size_t threads = countEntries("/proc/self/task");
    size_t mappings = countLines("/proc/self/maps");
    ASSERT_TRUE(ask(100, 2100));
    EXPECT_LE(countEntries("/proc/self/task"), threads + 2);
    // A thread kept until stop() would keep its stack mapped: two thousand more mappings.
    EXPECT_LT(countLines("/proc/self/maps"), mappings + 100);
    EXPECT_TRUE(eventually([&] { return stomp.answeringCount() == 0 && server.answeringCount() == 0; }));
}
