// STOMP 1.0 frames of the presence channel: "COMMAND\nname:value\n...\n\nbody\0".
// Newlines between frames (heart-beats) carry nothing.
#pragma once

#include <map>
#include <string>

namespace quorvel {

struct QVStompFrame {
    std::string command;
    std::map<std::string, std::string> headers; // the first of repeated headers wins
    std::string body;
};

// Takes one complete frame off the front of buffer; false (buffer kept) when
// none is complete yet.
bool QVStompTakeFrame(std::string& buffer, QVStompFrame& frame);
std::string QVStompMakeFrame(const std::string& command,
                             const std::initializer_list<std::pair<std::string, std::string>>& headers);

} // namespace quorvel
