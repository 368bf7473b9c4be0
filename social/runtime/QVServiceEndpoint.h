// QVServiceEndpoint: one request of a service written as data — its HTTP
// method, its path format, its request type and notice — and the path builder
// every service uses.
//
// A path format holds one "%@" per substituted segment. Each segment is
// percent-encoded (RFC 3986 unreserved characters stay), except the local
// player's names "@me" and "me", which go as they are; a segment of dots only
// is encoded whole, so it never reads as "." or "..". A segment that is empty
// makes no path: the service then sends no request and fails at once.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <initializer_list>

namespace quorvel {

struct QVServiceEndpoint {
    const char* httpMethod;            // "GET", "POST", "PUT" or "DELETE"
    const char* path;                  // relative to "server-url"; "%@" per segment
    int requestType { 0 };             // 0 and 3 silent; 1 and 2 shown by the notice view
    const char* notice { nullptr };    // the foreground notice's text, or none
    bool requiresAuthentication { true };
    int noticeCategory { 1 };          // the notice's category and type
    int noticeType { 0 };
};

class QVServicePath {
public:
    // The path with each "%@" replaced by the next segment, encoded; none when
    // a segment is empty or the counts of "%@" and segments differ.
    static std::optional<std::string> build(std::string_view format, std::initializer_list<std::string_view> segments);
    static std::optional<std::string> build(std::string_view format, const std::string_view* segments, size_t count);
    // One segment as it goes into a path.
    static std::string encodeSegment(std::string_view segment);
};

} // namespace quorvel
