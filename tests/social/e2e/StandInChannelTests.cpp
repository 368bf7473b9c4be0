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
#include <tuple>

using standin_testing::eventually;
using standin_testing::RawConnection;

namespace {

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
    bool connect(RawConnection& c, std::string& buffer, const std::string& queue = "/queue/presence.17")
    {
        return c.send(standin::makeStompFrame("CONNECT", { { "login", "token-1" }, { "passcode", "" } }))
            && readFrames(c, buffer, [](auto& f) { return f.command == "CONNECTED"; })
            && c.send(standin::makeStompFrame("SUBSCRIBE", { { "destination", queue }, { "ack", "auto" } }));
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

TEST_F(StandInChannel, EachConnectionIsAnsweredOnItsOwnSubscription)
{
    RawConnection first(stomp.port()), second(stomp.port());
    std::string firstBuffer, secondBuffer;
    ASSERT_TRUE(connect(first, firstBuffer, "/queue/presence.17"));
    ASSERT_TRUE(connect(second, secondBuffer, "/queue/presence.18"));
    // The second subscription is in before the first connection asks.
    ASSERT_TRUE(eventually([&] { return stomp.frames().size() == 4; }));
    auto ask = [this](RawConnection& c, std::string& buffer, const char* id) {
        std::string destination;
        bool answered = c.send(standin::makeStompFrame("SEND", { { "destination", standin::kRequestDestination },
                                                                { "correlation-id", id },
                                                                { "method", "GET" },
                                                                { "path", "ping" } }))
            && readFrames(c, buffer, [&](auto& f) {
                   destination = f.headers.at("destination");
                   return f.headers.at("correlation-id") == id;
               });
        return answered ? destination : std::string("(no answer)");
    };
    EXPECT_EQ(ask(first, firstBuffer, "1"), "/queue/presence.17");
    EXPECT_EQ(ask(second, secondBuffer, "2"), "/queue/presence.18");
}

TEST_F(StandInChannel, ARequestInsideTheChannelGetsTheAddressChecksOfHttp)
{
    std::vector<std::string> lines;
    server.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        lines.push_back(line);
    });
    RawConnection c(stomp.port());
    std::string buffer;
    ASSERT_TRUE(connect(c, buffer));
    const std::vector<std::tuple<std::string, std::string, std::string>> cases {
        { "GET", std::string(1024 * 1024, 'p'), "414" },
        { "GET", "ping%00.xml", "400" },
        { "G E T", "ping", "400" },
        { "GET", "nothing%0Aforged-line", "404" },
    };
    int id = 0;
    for (auto& [method, path, status] : cases) {
        std::string correlation = std::to_string(++id), answer;
        ASSERT_TRUE(c.send(standin::makeStompFrame("SEND", { { "destination", standin::kRequestDestination },
                                                            { "correlation-id", correlation },
                                                            { "method", method },
                                                            { "path", path } })));
        ASSERT_TRUE(readFrames(c, buffer, [&](auto& f) {
            answer = f.headers.at("status");
            return f.headers.at("correlation-id") == correlation;
        }));
        EXPECT_EQ(answer, status) << path.substr(0, 40);
    }
    server.setLogSink(nullptr);
    std::lock_guard guard(mutex);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("GET - 414 not read: the address is 1048577 bytes long", 0), 0u) << lines[0].substr(0, 200);
    EXPECT_EQ(lines[3], "GET nothing\\x0aforged-line 404 unsigned (presence channel): Not found");
    for (auto& line : lines)
        EXPECT_LT(line.size(), 4096u);
}

TEST(StandInChannelBounds, IdleChannelsCostNoThreadAndTheLongestIdleMakesRoom)
{
    standin::StompStandIn stomp;
    ASSERT_GT(stomp.start(0, platform::kLoopbackAddress, { 64, std::chrono::seconds(60) }), 0);
    size_t threads = countEntries("/proc/self/task");
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 64; ++i) {
        idle.push_back(std::make_unique<RawConnection>(stomp.port()));
        ASSERT_TRUE(idle.back()->send(standin::makeStompFrame("CONNECT", { { "login", "token-1" } })));
        ASSERT_NE(idle.back()->readOnce().find("CONNECTED"), std::string::npos) << i;
    }
    EXPECT_LE(countEntries("/proc/self/task"), threads + 1);
    // At the cap a new channel is still served: the one idle longest gives way.
    RawConnection late(stomp.port());
    ASSERT_TRUE(late.send(standin::makeStompFrame("CONNECT", { { "login", "token-1" } })));
    EXPECT_NE(late.readOnce().find("CONNECTED"), std::string::npos);
    EXPECT_TRUE(idle[0]->readToEnd());
    for (size_t i = 1; i < idle.size(); ++i)
        EXPECT_FALSE(idle[i]->heardFrom()) << i;
    EXPECT_EQ(stomp.openConnections(), 64);
}

TEST(StandInChannelBounds, AChannelThatNeverConnectsIsClosedAndAQuietSessionIsNot)
{
    standin::StompStandIn stomp;
    ASSERT_GT(stomp.start(0, platform::kLoopbackAddress, { 64, std::chrono::milliseconds(500) }), 0);
    RawConnection session(stomp.port());
    ASSERT_TRUE(session.send(standin::makeStompFrame("CONNECT", { { "login", "token-1" } })));
    ASSERT_NE(session.readOnce().find("CONNECTED"), std::string::npos);
    RawConnection silent(stomp.port()), halfFrame(stomp.port());
    ASSERT_TRUE(halfFrame.send(standin::makeStompFrame("CONNECT", {}) + "SEND\ndestination:/x\n"));
    ASSERT_NE(halfFrame.readOnce().find("CONNECTED"), std::string::npos);
    EXPECT_TRUE(silent.readToEnd()) << "closed for saying nothing";
    EXPECT_TRUE(halfFrame.readToEnd()) << "closed for a frame that never ends";
    EXPECT_FALSE(session.heardFrom()) << "a quiet session stays";
    EXPECT_EQ(stomp.openConnections(), 1);
}

TEST_F(StandInChannel, NothingIsActedOnBeforeConnect)
{
    std::vector<std::string> lines;
    server.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        lines.push_back(line);
    });
    for (const char* command : { "SEND", "SUBSCRIBE" }) {
        RawConnection c(stomp.port());
        ASSERT_TRUE(c.send(standin::makeStompFrame(command, { { "destination", standin::kRequestDestination },
                                                             { "correlation-id", "1" },
                                                             { "method", "GET" },
                                                             { "path", "ping" } })));
        std::string said;
        EXPECT_TRUE(c.readToEnd(&said)) << command;
        auto frames = standin::takeStompFrames(said);
        ASSERT_EQ(frames.size(), 1u) << said;
        EXPECT_EQ(frames[0].command, "ERROR");
        EXPECT_EQ(frames[0].headers["message"], "not connected");
        std::lock_guard guard(mutex);
        EXPECT_EQ(log.back(), std::string("refused a frame and closed its connection: a ") + command
                      + " frame came before CONNECT");
    }
    server.setLogSink(nullptr);
    std::lock_guard guard(mutex);
    EXPECT_TRUE(lines.empty()) << "no request reached the service: " << lines.front();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(StandInChannelBounds, TheBytesHeldAcrossConnectionsStayWithinTheBudget)
{
    standin::StompStandIn stomp;
    standin::StompStandIn::Limits limits;
    limits.inFlightBudget = 1024 * 1024;
    std::mutex mutex;
    std::vector<std::string> log;
    stomp.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        log.push_back(line);
    });
    ASSERT_GT(stomp.start(0, platform::kLoopbackAddress, limits), 0);
    // Two sessions each send most of a 600 KB frame: together they would pass 1 MiB.
    std::vector<std::unique_ptr<RawConnection>> sessions;
    const std::string frame = standin::makeStompFrame("SEND", { { "destination", "/a" } }, std::string(600000, 'x'));
    for (int i = 0; i < 2; ++i) {
        sessions.push_back(std::make_unique<RawConnection>(stomp.port()));
        ASSERT_TRUE(sessions.back()->send(standin::makeStompFrame("CONNECT", {})));
        ASSERT_NE(sessions.back()->readOnce().find("CONNECTED"), std::string::npos);
        ASSERT_TRUE(sessions.back()->send(frame.substr(0, frame.size() - 1000)));
    }
    // The one holding the most is closed and told in the log; the other finishes its frame.
    ASSERT_TRUE(eventually([&] { return sessions[0]->heardFrom() || sessions[1]->heardFrom(); }));
    size_t closed = sessions[0]->heardFrom() ? 0 : 1;
    EXPECT_EQ(stomp.openConnections(), 1);
    {
        std::lock_guard guard(mutex);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].rfind("closed the connection holding the most (", 0), 0u) << log[0];
        EXPECT_NE(log[0].find(" KiB) of the 1024 KiB the channel holds at once of unfinished frames, requests and unread "
                              "answers"),
                  std::string::npos)
            << log[0];
    }
    ASSERT_TRUE(sessions[1 - closed]->send(frame.substr(frame.size() - 1000)));
    EXPECT_TRUE(eventually([&] {
        auto frames = stomp.frames();
        return !frames.empty() && frames.back().command == "SEND" && frames.back().body.size() == 600000;
    }));
}
