// Helpers shared by the test executables: a temporary folder per test and a
// fixture that puts the main run loop on a manual clock.
#pragma once

#include "support/Assertions.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace testing_support {

// Real time after which a wait for a condition counts the test as hung: far
// beyond what a slow, busy machine takes, so only a fault reaches it.
constexpr std::chrono::seconds kHungAfter { 120 };
constexpr double kHungAfterSeconds = static_cast<double>(kHungAfter.count());

// A fresh folder under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes bytes to name (creating sub-folders) and answers the full path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);

// The main run loop on a manual clock for the test's duration; timers, posts and
// watches are dropped before and after.
class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    platform::RunLoop& loop() { return platform::RunLoop::main(); }
    platform::ManualClock& clock() { return *clock_; }
    void advance(double seconds) { loop().advance(seconds); }

private:
    std::shared_ptr<platform::ManualClock> clock_;
};

} // namespace testing_support
