// STOMP 1.0 frames of the presence channel: "COMMAND\nname:value\n...\n\nbody\0".
// A content-length header gives the body's size (the body may then hold NULs);
// without one the body ends at the first NUL. Newlines between frames
// (heart-beats) carry nothing. A frame is at most kQVStompFrameLimit bytes: a
// content-length that is not a plain decimal number, or that declares a body
// larger than that, can never be read, and the reader refuses it at once
// rather than wait for bytes that would never make a frame.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct QVStompFrame {
    std::string command;
    std::map<std::string, std::string> headers; // the first of repeated headers wins
    std::string body;

    // A header's value, empty when absent.
    std::string header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

// The largest frame the channel takes.
constexpr size_t kQVStompFrameLimit = 1024 * 1024;

enum class QVStompTake {
    Frame,    // one complete frame was taken off the buffer
    NeedMore, // none is complete yet (the buffer is kept)
    Refused,  // the frame at the front can never be read (the stream cannot go on)
};

// Takes one complete frame off the front of buffer. A refusal says why in
// `refusal` (its content-length is no length the channel takes).
QVStompTake QVStompTakeFrame(std::string& buffer, QVStompFrame& frame, std::string* refusal = nullptr);
std::string QVStompMakeFrame(const std::string& command,
                             const std::initializer_list<std::pair<std::string, std::string>>& headers);
// A frame with a body; a content-length header is added for it.
std::string QVStompMakeFrame(const std::string& command,
                             const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body);

} // namespace quorvel
