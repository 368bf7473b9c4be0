// System version tests: parsing "major.minor" and the cached answers.
#include "social/runtime/QVSystemVersion.h"

#include "platform/device/Device.h"

#include <charconv>

namespace quorvel {

namespace {
int part(std::string_view text)
{
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && value >= 0 ? value : 0;
}

QVVersion systemVersion()
{
    static const QVVersion v = QVParseVersion(QVSystemVersionString());
    return v;
}
} // namespace

QVVersion QVParseVersion(std::string_view text)
{
    QVVersion v;
    size_t dot = text.find('.');
    v.major = part(text.substr(0, dot));
    if (dot != std::string_view::npos) {
        std::string_view rest = text.substr(dot + 1);
        v.minor = part(rest.substr(0, rest.find('.')));
    }
    return v;
}

std::string QVSystemVersionString() { return platform::ui::Device::currentDevice().systemVersion(); }

bool QVIsOS2For(QVVersion v) { return v.major == 2; }
bool QVIsOS3OrLaterFor(QVVersion v) { return v.major > 2; }
// 3.2 and everything after it, including later majors whose minor is below 2.
bool QVIsOS3Point2OrLaterFor(QVVersion v) { return v.major > 3 || (v.major == 3 && v.minor >= 2); }
bool QVIsOS4Point1OrLaterFor(QVVersion v) { return (v.major == 4 && v.minor >= 1) || v.major >= 5; }

bool QVIsOS2()
{
    static const bool answer = QVIsOS2For(systemVersion());
    return answer;
}
bool QVIsOS3OrLater()
{
    static const bool answer = QVIsOS3OrLaterFor(systemVersion());
    return answer;
}
bool QVIsOS3Point2OrLater()
{
    static const bool answer = QVIsOS3Point2OrLaterFor(systemVersion());
    return answer;
}
bool QVIsOS4Point1OrLater()
{
    static const bool answer = QVIsOS4Point1OrLaterFor(systemVersion());
    return answer;
}

} // namespace quorvel
