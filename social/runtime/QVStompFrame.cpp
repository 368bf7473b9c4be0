// Reading and writing STOMP frames for the presence channel.
#include "social/runtime/QVStompFrame.h"

namespace quorvel {

bool QVStompTakeFrame(std::string& buffer, QVStompFrame& frame)
{
    size_t start = buffer.find_first_not_of("\r\n");
    if (start == std::string::npos) {
        buffer.clear();
        return false;
    }
    size_t end = buffer.find('\0', start);
    if (end == std::string::npos) {
        buffer.erase(0, start);
        return false;
    }
    std::string text = buffer.substr(start, end - start);
    buffer.erase(0, end + 1);
    size_t headEnd = text.find("\n\n");
    std::string head = text.substr(0, headEnd);
    frame.body = headEnd == std::string::npos ? "" : text.substr(headEnd + 2);
    frame.headers.clear();
    size_t nl = head.find('\n');
    frame.command = head.substr(0, nl);
    if (!frame.command.empty() && frame.command.back() == '\r')
        frame.command.pop_back();
    while (nl != std::string::npos) {
        size_t pos = nl + 1;
        nl = head.find('\n', pos);
        std::string line = head.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (auto colon = line.find(':'); colon != std::string::npos)
            frame.headers.emplace(line.substr(0, colon), line.substr(colon + 1));
    }
    return true;
}

std::string QVStompMakeFrame(const std::string& command,
                             const std::initializer_list<std::pair<std::string, std::string>>& headers)
{
    std::string f = command + "\n";
    for (auto& [k, v] : headers)
        f += k + ":" + v + "\n";
    f += "\n";
    f += '\0';
    return f;
}

} // namespace quorvel
