// The platform log: diagnostic lines of every layer go through one sink.
//
// By default lines go to standard error. Tests install a capture (LogCapture) to
// read what was logged, or to fail on unexpected warnings. The sink is shared by
// all threads and guarded by a lock.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class LogLevel { Info, Warning, Error };

void log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logWarning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Writes a line as it stands (no format expansion): for text from outside.
void logLine(LogLevel level, const std::string& line);

using LogSink = std::function<void(LogLevel, const std::string&)>;
// Installs a sink and returns the previous one; an empty sink restores standard error.
// Once it returns, the previous sink is called no more: it waits for calls other
// threads are making (a sink may log, or replace the sink, from inside itself).
LogSink setLogSink(LogSink sink);

// Collects log lines for its lifetime (and keeps them from standard error).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    struct Line { LogLevel level; std::string text; };
    std::vector<Line> lines() const;
    std::vector<std::string> texts() const;
    size_t count(LogLevel level) const;
    bool contains(const std::string& fragment) const;
    void clear();

private:
    struct State;
    State* state_;
    LogSink previous_;
};

} // namespace platform
