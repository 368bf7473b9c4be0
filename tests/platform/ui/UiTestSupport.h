// The fixture of the UI tests: the main loop on a manual clock, a clean UI
// state before and after, and a log capture that fails the test on warnings
// it did not expect.
#pragma once

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/TestDriver.h"
#include "support/TestSupport.h"

#include <string>
#include <vector>

namespace ui_test {

class UiTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        platform::ui::TestDriver::reset();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
    }
    void TearDown() override
    {
        EXPECT_EQ(log.count(platform::LogLevel::Warning), expectedWarnings) << joined();
        platform::ui::TestDriver::reset();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
        ManualClockTest::TearDown();
    }
    std::string joined() const
    {
        std::string s;
        for (auto& t : log.texts())
            s += t + "\n";
        return s;
    }

    platform::LogCapture log;
    size_t expectedWarnings { 0 };
};

// Records calls as strings, in order.
struct CallLog {
    std::vector<std::string> calls;
    void add(std::string s) { calls.push_back(std::move(s)); }
    void clear() { calls.clear(); }
};

} // namespace ui_test
