// Helpers shared by the test executables: a temporary folder per test and a
// fixture that puts the main run loop on a manual clock.
//
// A test program leaves nothing in the temporary folder. Its folders are
// named brisko-test-<run>-<maker's pid>-XXXXXX, where <run> names the test
// program's run and is inherited by the processes it starts (a death test's
// child, a forked child). When the program ends, a check looks for folders
// of its run: one the program made itself and no longer holds (a folder a
// test recreated after its clean-up, through a setting it did not restore)
// fails the run; one a child made is removed, since a child that dies or
// leaves through _exit cannot remove its own.
#pragma once

#include "support/Assertions.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace testing_support {

// Real time after which a wait for a condition counts the test as hung: far
// beyond what a slow, busy machine takes, so only a fault reaches it.
constexpr std::chrono::seconds kHungAfter { 120 };
constexpr double kHungAfterSeconds = static_cast<double>(kHungAfter.count());

// A fresh folder in the temporary folder ($TMPDIR, else /tmp), removed with
// everything in it at the end by the process that made it (a forked child
// never removes its parent's).
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
    int maker_ { 0 };
};

std::string readFile(const std::string& path);

// The process's umask set for a scope, put back when the guard goes.
class ScopedUmask {
public:
    explicit ScopedUmask(unsigned mask) : saved_(::umask(mask)) { }
    ~ScopedUmask() { ::umask(saved_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t saved_;
};

// The permission bits of the file at `path` (not following a link), or -1.
int fileMode(const std::string& path);

// For a death test's child: its address space may grow at most `headroomMiB`
// past what it holds now, so a growth that would not stop fails (with
// std::bad_alloc) instead of taking the machine's memory. Of no use under
// AddressSanitizer, whose shadow memory takes the address space up front.
void capAddressSpace(unsigned headroomMiB);

// The process's working folder moved for a scope, put back when the guard
// goes however the test ends (a failed assertion returns early).
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& folder);
    ~ScopedWorkingFolder();
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::string started_;
};

// An environment variable set (nullopt: removed) for a scope, given its old
// value back (or removed again) when the guard goes.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// The process's locale (setlocale, LC_ALL) switched for a scope, as a game
// that sets one for its own translations does, and put back when the guard
// ends. A locale the system does not have fails the test: scripts/setup
// makes de_DE.UTF-8, fr_FR.UTF-8 and tr_TR.UTF-8. The test programs start
// in the locale BRISKO_TEST_LOCALE names (C when it is unset), and end at
// once, with a message, when the system has no such locale.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& name);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::string old_;
};

// A shell command run to its end: what it wrote to standard output (add
// "2>&1" for its errors too) and its wait status (-1: it could not start).
struct CommandRun {
    std::string output;
    int status { -1 };
    bool exitedWith(int code) const;
};
CommandRun runCommand(const std::string& command);

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
