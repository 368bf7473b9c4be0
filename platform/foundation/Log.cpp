// The platform log sink and its test capture.
#include "platform/foundation/Log.h"
#include "platform/foundation/Format.h"

#include <algorithm>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {
// An installed sink and how many calls of it are in flight (under sinkMutex).
struct Installed {
    LogSink sink;
    int inFlight { 0 };
};
std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}
std::condition_variable& sinkIdle()
{
    static std::condition_variable c;
    return c;
}
std::shared_ptr<Installed>& currentSink()
{
    static std::shared_ptr<Installed> sink;
    return sink;
}
// The sinks this thread is calling now (a sink may log or replace the sink).
thread_local std::vector<const Installed*> callingHere;

void emit(LogLevel level, const std::string& text)
{
    std::shared_ptr<Installed> installed;
    {
        std::lock_guard guard(sinkMutex());
        installed = currentSink();
        if (installed)
            ++installed->inFlight;
    }
    if (!installed) {
        const char* prefix = level == LogLevel::Warning ? "warning: " : level == LogLevel::Error ? "error: " : "";
        std::fprintf(stderr, "%s%s\n", prefix, text.c_str());
        return;
    }
    struct InFlight {
        Installed& installed;
        InFlight(Installed& i) : installed(i) { callingHere.push_back(&i); }
        ~InFlight()
        {
            callingHere.pop_back();
            {
                std::lock_guard guard(sinkMutex());
                --installed.inFlight;
            }
            sinkIdle().notify_all();
        }
    } inFlight(*installed);
    installed->sink(level, text);
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
    auto replacement = sink ? std::make_shared<Installed>() : nullptr;
    if (replacement)
        replacement->sink = std::move(sink);
    std::unique_lock lock(sinkMutex());
    std::shared_ptr<Installed> old = std::exchange(currentSink(), std::move(replacement));
    if (!old)
        return {};
    // The old sink is not called after this returns: wait for the calls other
    // threads are making (this thread's own, from inside the sink, go on).
    const auto mine = std::count(callingHere.begin(), callingHere.end(), old.get());
    sinkIdle().wait(lock, [&] { return old->inFlight <= mine; });
    // A sink running on this thread is not moved from under itself.
    return mine ? old->sink : std::move(old->sink);
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
