// Request paths from endpoint formats.
#include "social/runtime/QVServiceEndpoint.h"

#include "platform/net/HttpTransport.h"

namespace quorvel {

std::string QVServicePath::encodeSegment(std::string_view segment)
{
    if (segment == "@me" || segment == "me")
        return std::string(segment);
    // "." and ".." would be taken as path steps, not as ids.
    if (segment.find_first_not_of('.') == std::string_view::npos) {
        std::string dots;
        for (size_t i = 0; i < segment.size(); ++i)
            dots += "%2E";
        return dots;
    }
    return platform::percentEncode(segment);
}

std::optional<std::string> QVServicePath::build(std::string_view format, std::initializer_list<std::string_view> segments)
{
    return build(format, segments.begin(), segments.size());
}

std::optional<std::string> QVServicePath::build(std::string_view format, const std::string_view* segments, size_t count)
{
    std::string out;
    out.reserve(format.size() + 16);
    size_t used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@') {
            if (used == count || segments[used].empty())
                return std::nullopt;
            out += encodeSegment(segments[used++]);
            ++i;
        } else {
            out += format[i];
        }
    }
    if (used != count)
        return std::nullopt;
    return out;
}

} // namespace quorvel
