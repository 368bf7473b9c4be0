// Reading and writing STOMP frames for the presence channel.
#include "social/runtime/QVStompFrame.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace quorvel {

namespace {
void readHeaders(const std::string& head, QVStompFrame& frame)
{
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
}

// A content-length's value: a plain decimal number of bytes (digits only) no
// larger than a frame may be; none otherwise.
std::optional<size_t> bodyLength(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || n > kQVStompFrameLimit)
        return std::nullopt;
    return static_cast<size_t>(n);
}
} // namespace

QVStompTake QVStompTakeFrame(std::string& buffer, QVStompFrame& frame, std::string* refusal)
{
    size_t start = buffer.find_first_not_of("\r\n");
    if (start == std::string::npos) {
        buffer.clear();
        return QVStompTake::NeedMore;
    }
    if (start > 0)
        buffer.erase(0, start);
    size_t nul = buffer.find('\0');
    size_t headEnd = buffer.find("\n\n");
    if (headEnd != std::string::npos && nul != std::string::npos && nul < headEnd)
        headEnd = std::string::npos; // the frame ends before any body
    if (headEnd == std::string::npos) {
        if (nul == std::string::npos)
            return QVStompTake::NeedMore;
        readHeaders(buffer.substr(0, nul), frame);
        frame.body.clear();
        buffer.erase(0, nul + 1);
        return QVStompTake::Frame;
    }
    QVStompFrame head;
    readHeaders(buffer.substr(0, headEnd), head);
    size_t bodyStart = headEnd + 2;
    size_t end;
    if (auto length = head.headers.find("content-length"); length != head.headers.end()) {
        std::optional<size_t> n = bodyLength(length->second);
        if (!n) {
            // Waiting for such a body would wedge the stream: whatever follows would vanish into it.
            if (refusal)
                *refusal = "a frame's content-length \"" + length->second.substr(0, 32)
                    + "\" is not a length the channel takes (a decimal number of at most "
                    + std::to_string(kQVStompFrameLimit) + " bytes)";
            return QVStompTake::Refused;
        }
        if (buffer.size() - bodyStart <= *n)
            return QVStompTake::NeedMore; // the body and its NUL are not all here yet
        end = bodyStart + *n;
    } else {
        end = buffer.find('\0', bodyStart);
        if (end == std::string::npos)
            return QVStompTake::NeedMore;
    }
    frame.command = std::move(head.command);
    frame.headers = std::move(head.headers);
    frame.body = buffer.substr(bodyStart, end - bodyStart);
    // The NUL that ends the frame (a sender that miscounted loses only its own frame).
    size_t next = buffer.find('\0', end);
    buffer.erase(0, next == std::string::npos ? buffer.size() : next + 1);
    return QVStompTake::Frame;
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

std::string QVStompMakeFrame(const std::string& command,
                             const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body)
{
    std::string f = command + "\n";
    for (auto& [k, v] : headers)
        f += k + ":" + v + "\n";
    f += "content-length:" + std::to_string(body.size()) + "\n\n";
    f += body;
    f += '\0';
    return f;
}

} // namespace quorvel
