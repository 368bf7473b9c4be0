// STOMP 1.0 frames of the presence channel: "COMMAND\nname:value\n...\n\nbody\0".
// A content-length header gives the body's size (the body may then hold NULs);
// without one the body ends at the first NUL. Newlines between frames
// (heart-beats) carry nothing.
#pragma once

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

// Takes one complete frame off the front of buffer; false (buffer kept) when
// none is complete yet.
bool QVStompTakeFrame(std::string& buffer, QVStompFrame& frame);
std::string QVStompMakeFrame(const std::string& command,
                             const std::initializer_list<std::pair<std::string, std::string>>& headers);
// A frame with a body; a content-length header is added for it.
std::string QVStompMakeFrame(const std::string& command,
                             const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body);

} // namespace quorvel
