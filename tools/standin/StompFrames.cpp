// The presence channel's frames: STOMP 1.0 frames written and taken off a
// connection's bytes within their bounds (pure, fuzzed), and a request inside
// the channel as the HTTP request it stands for, with its answer's frame.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/Text.h"

#include <algorithm>
#include <string_view>

namespace standin {

std::string makeStompFrame(const std::string& command, const std::map<std::string, std::string>& headers,
                           const std::string& body)
{
    std::string frame = command + "\n";
    for (auto& [k, v] : headers)
        frame += k + ":" + v + "\n";
    if (!body.empty() && !headers.count("content-length"))
        frame += "content-length:" + std::to_string(body.size()) + "\n";
    frame += "\n" + body;
    frame += '\0';
    return frame;
}

namespace {

// How many of the lines in `text` end, counted up to one past `most`.
size_t lineEnds(std::string_view text, size_t most)
{
    size_t count = 0;
    for (size_t at = text.find('\n'); at != std::string_view::npos && count <= most; at = text.find('\n', at + 1))
        ++count;
    return count;
}

std::string tooManyHeaders()
{
    return "a frame has over " + std::to_string(http::kMaxHeaders) + " header lines";
}

} // namespace

std::vector<StompStandIn::Frame> takeStompFrames(std::string& buffer, std::string* refusal, size_t maxFrames)
{
    std::vector<StompStandIn::Frame> frames;
    auto refuse = [&](std::string why) {
        if (refusal)
            *refusal = std::move(why);
        buffer.clear();
        return frames;
    };
    // What is taken is dropped from the front once, on the way out: erasing
    // frame by frame would move the rest of the buffer for each one.
    size_t at = 0;
    struct Consume {
        std::string& buffer;
        size_t& at;
        ~Consume() { buffer.erase(0, std::min(at, buffer.size())); }
    } consume { buffer, at };
    const std::string limit = std::to_string(kStompFrameLimit);
    while (frames.size() < maxFrames) {
        // Heart-beat newlines between frames carry nothing.
        size_t start = buffer.find_first_not_of("\r\n", at);
        if (start == std::string::npos) {
            at = buffer.size();
            break;
        }
        at = start;
        const std::string_view rest = std::string_view(buffer).substr(at);
        size_t headerEnd = rest.find("\n\n");
        size_t nul = rest.find('\0');
        if (nul != std::string::npos && (headerEnd == std::string::npos || nul < headerEnd))
            headerEnd = std::string::npos; // a frame without body separator
        if (headerEnd == std::string::npos && nul == std::string::npos) {
            // A head still arriving is refused as soon as its lines are too
            // many, as the whole head would be: the command's line, then its headers.
            if (lineEnds(rest, http::kMaxHeaders + 1) > http::kMaxHeaders + 1)
                return refuse(tooManyHeaders());
            if (rest.size() > kStompFrameLimit)
                return refuse("a frame's head is over the limit of " + limit + " bytes");
            break;
        }
        const std::string_view head = rest.substr(0, headerEnd == std::string::npos ? nul : headerEnd);
        // Counted before anything of it is kept, so a head of many lines costs no more than its bytes.
        if (lineEnds(head, http::kMaxHeaders) > http::kMaxHeaders)
            return refuse(tooManyHeaders());
        StompStandIn::Frame frame;
        size_t pos = 0;
        bool first = true;
        while (pos <= head.size()) {
            size_t nl = head.find('\n', pos);
            std::string line(head.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
            // CRs that end a line belong to its line end, never to a value sent back.
            while (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (first) {
                frame.command = line;
                first = false;
            } else if (auto colon = line.find(':'); colon != std::string::npos) {
                frame.headers.emplace(line.substr(0, colon), line.substr(colon + 1));
            }
            if (nl == std::string::npos)
                break;
            pos = nl + 1;
        }
        // A content-length header gives the body's size (it may hold NULs).
        size_t bodyStart = headerEnd == std::string::npos ? nul : headerEnd + 2;
        size_t end = nul;
        if (auto length = frame.headers.find("content-length");
            length != frame.headers.end() && headerEnd != std::string::npos) {
            const std::string& text = length->second;
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
                return refuse("a frame's content-length \"" + text.substr(0, 40) + "\" is not a number");
            if (text.size() > limit.size() || std::stoull(text) > kStompFrameLimit)
                return refuse("a frame's body of " + text.substr(0, 40) + " bytes is over the limit of " + limit);
            size_t size = std::stoull(text);
            if (rest.size() - bodyStart < size + 1)
                break; // the body and its NUL are not all here yet
            end = bodyStart + size;
            if (rest[end] != '\0')
                return refuse("a frame's body does not end where its content-length says");
        } else if (headerEnd != std::string::npos && nul == std::string::npos) {
            if (rest.size() > kStompFrameLimit)
                return refuse("a frame is over the limit of " + limit + " bytes");
            break;
        }
        frame.body = std::string(rest.substr(bodyStart, end - bodyStart));
        at += end + 1;
        frames.push_back(std::move(frame));
    }
    return frames;
}

std::string StompStandIn::Frame::header(const std::string& name) const
{
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

http::Request channelRequest(const StompStandIn::Frame& frame, const std::string& host)
{
    http::Request request;
    request.method = frame.header("method");
    request.target = "/" + frame.header("path");
    request.headers.emplace_back("Host", host);
    if (auto authorization = frame.header("authorization"); !authorization.empty())
        request.headers.emplace_back("Authorization", authorization);
    if (auto type = frame.header("content-type"); !type.empty())
        request.headers.emplace_back("Content-Type", type);
    request.headers.emplace_back(kChannelMarkerHeader, "1");
    request.bodyBytes = frame.body.size();
    request.body = frame.body;
    return request;
}

std::string channelAnswer(const std::string& destination, const std::string& correlation, http::Response r)
{
    if (r.truncateAfter > 0) {
        r.status = 502;
        r.body = xml::errorBody("The service did not answer");
    } else if (r.fillerBytes > 0) {
        r.body.assign(r.fillerBytes, 'x');
    }
    std::map<std::string, std::string> headers { { "destination", destination },
                                                 { "correlation-id", correlation },
                                                 { "status", std::to_string(r.status) },
                                                 { "content-type", r.contentType },
                                                 { "content-length", std::to_string(r.body.size()) } };
    // The answer's further headers (a refusal's WWW-Authenticate), named in lower case as the channel's are.
    for (auto& [name, value] : r.headers)
        headers.emplace(platform::asciiLowercased(name), value);
    return makeStompFrame("MESSAGE", headers, r.body);
}

} // namespace standin
