// The platform log sink and its test capture.
#include "platform/foundation/Log.h"
#include "platform/foundation/Format.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>

namespace platform {

namespace {
std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}
LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}
void emit(LogLevel level, const std::string& text)
{
    LogSink sink;
    {
        std::lock_guard guard(sinkMutex());
        sink = currentSink();
    }
    if (sink) {
        sink(level, text);
        return;
    }
    const char* prefix = level == LogLevel::Warning ? "warning: " : level == LogLevel::Error ? "error: " : "";
    std::fprintf(stderr, "%s%s\n", prefix, text.c_str());
}
} // namespace

#define BRISKO_LOG_BODY(level)            \
    va_list args;                         \
    va_start(args, fmt);                  \
    std::string text = vformat(fmt, args); \
    va_end(args);                         \
    emit(level, text)

void log(const char* fmt, ...) { BRISKO_LOG_BODY(LogLevel::Info); }
void logWarning(const char* fmt, ...) { BRISKO_LOG_BODY(LogLevel::Warning); }
void logError(const char* fmt, ...) { BRISKO_LOG_BODY(LogLevel::Error); }
void logLine(LogLevel level, const std::string& line) { emit(level, line); }

LogSink setLogSink(LogSink sink)
{
    std::lock_guard guard(sinkMutex());
    LogSink old = std::move(currentSink());
    currentSink() = std::move(sink);
    return old;
}

struct LogCapture::State {
    std::mutex mutex;
    std::vector<Line> lines;
};

LogCapture::LogCapture()
    : state_(new State)
{
    State* state = state_;
    previous_ = setLogSink([state](LogLevel level, const std::string& text) {
        std::lock_guard guard(state->mutex);
        state->lines.push_back({ level, text });
    });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(previous_));
    delete state_;
}

std::vector<LogCapture::Line> LogCapture::lines() const
{
    std::lock_guard guard(state_->mutex);
    return state_->lines;
}

std::vector<std::string> LogCapture::texts() const
{
    std::vector<std::string> out;
    for (auto& l : lines())
        out.push_back(l.text);
    return out;
}

size_t LogCapture::count(LogLevel level) const
{
    size_t n = 0;
    for (auto& l : lines())
        n += l.level == level;
    return n;
}

bool LogCapture::contains(const std::string& fragment) const
{
    for (auto& l : lines())
        if (l.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

void LogCapture::clear()
{
    std::lock_guard guard(state_->mutex);
    state_->lines.clear();
}

} // namespace platform
