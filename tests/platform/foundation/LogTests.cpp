// The log sink shared by every thread: a sink replaced while another thread is
// inside it is not called after the replacement returns, and a sink may log or
// replace the sink from inside itself.
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::LogLevel;

TEST(LogTest, AReplacedSinkIsNotCalledAfterTheReplacementReturns)
{
    std::mutex m;
    std::condition_variable cv;
    bool holding = false, go = false, newSinkHeard = false;
    std::atomic<bool> replaced { false }, calledAfterReplaced { false };
    auto signal = [&](bool& flag) {
        {
            std::lock_guard lock(m);
            flag = true;
        }
        cv.notify_all();
    };
    auto waitFor = [&](bool& flag) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return flag; });
    };
    platform::LogSink before = platform::setLogSink([&](LogLevel, const std::string& text) {
        if (text != "hold")
            return;
        signal(holding);
        waitFor(go);
        // Where a capture would write into the state its owner frees once
        // the sink is replaced.
        if (replaced)
            calledAfterReplaced = true;
    });
    std::thread inside([] { platform::log("hold"); });
    waitFor(holding);
    // Releases the held call once the new sink is in place.
    std::thread releaser([&] {
        for (;;) {
            platform::log("probe");
            std::lock_guard lock(m);
            if (newSinkHeard)
                break;
        }
        signal(go);
    });
    platform::LogSink old = platform::setLogSink([&](LogLevel, const std::string&) { signal(newSinkHeard); });
    replaced = true;
    releaser.join();
    inside.join();
    EXPECT_FALSE(calledAfterReplaced);
    EXPECT_TRUE(old);
    platform::setLogSink(std::move(before));
}

TEST(LogTest, ASinkMayLogAndReplaceTheSinkFromInsideItself)
{
    std::vector<std::string> heard;
    platform::LogSink outer;
    platform::LogSink before = platform::setLogSink([&](LogLevel, const std::string& text) {
        heard.push_back("first:" + text);
        if (text == "swap") {
            platform::log("nested");
            outer = platform::setLogSink([&](LogLevel, const std::string& t) { heard.push_back("second:" + t); });
            platform::log("after");
        }
    });
    platform::log("swap");
    platform::log("last");
    EXPECT_EQ(heard, (std::vector<std::string> { "first:swap", "first:nested", "second:after", "second:last" }));
    EXPECT_TRUE(outer);
    platform::setLogSink(std::move(before));
}

} // namespace
