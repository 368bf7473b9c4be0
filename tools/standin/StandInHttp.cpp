// The stand-in's HTTP/1.1 server: the request reader (pure, fuzzed), the
// polling loop that owns every connection, the worker pool the handlers run
// on and the bounded request log.
#include "tools/standin/StandInHttp.h"

#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"
#include "platform/net/TcpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>

namespace standin::http {

namespace {

using Clock = std::chrono::steady_clock;

bool isTokenChar(unsigned char c)
{
    return std::isalnum(c) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return isTokenChar(static_cast<unsigned char>(c)); });
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The white space HTTP allows around a header's value, a coding or a chunk size.
constexpr std::string_view kBlanks = " \t";

// A bounded excerpt of something a client sent, for a reason text.
std::string quoted(std::string_view text)
{
    std::string out;
    for (char c : text.substr(0, 40))
        out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return "\"" + out + (text.size() > 40 ? "...\"" : "\"");
}

std::string noMethod(std::string_view line)
{
    return "the request line does not start with a method (a word of at most " + std::to_string(kMaxMethod)
        + " letters): " + quoted(line);
}

std::optional<size_t> decimal(const std::string& text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<size_t>(std::stoull(text));
}

// A TLS client's first record is a handshake (22) of version 3.x: such a
// client asked for https:// where this port speaks plain HTTP.
bool startsTlsHandshake(std::string_view bytes) { return bytes.size() >= 2 && bytes[0] == 0x16 && bytes[1] == 0x03; }

const char* const kTlsHandshake = "a TLS handshake came to this plain-HTTP port: address it with http://, not https://";

} // namespace

bool isMethod(std::string_view method) { return method.size() <= kMaxMethod && isToken(method); }

std::optional<Refusal> checkTarget(const std::string& target)
{
    if (target.size() > kMaxTarget)
        return Refusal { 414, "the address is " + std::to_string(target.size()) + " bytes long, over the limit of "
                                  + std::to_string(kMaxTarget) };
    if (target.empty() || target[0] != '/'
        || std::any_of(target.begin(), target.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; }))
        return Refusal { 400, "the address " + quoted(target) + " is not a path starting with /" };
    // A NUL would end the path early wherever it names a file.
    std::string path = platform::percentDecode(target.substr(0, target.find('?')));
    if (path.find('\0') != std::string::npos)
        return Refusal { 400, "the address " + quoted(target) + " holds a NUL byte once decoded" };
    return std::nullopt;
}

std::string loggable(const std::string& text, size_t limit)
{
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(std::min(text.size(), limit) + 32);
    size_t shown = 0;
    for (; shown < text.size(); ++shown) {
        unsigned char c = static_cast<unsigned char>(text[shown]);
        bool control = c < ' ' || c == 0x7f;
        if (out.size() + (c == '\\' ? 2 : control ? 4 : 1) > limit)
            break;
        if (c == '\\') {
            out += "\\\\";
        } else if (control) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (shown < text.size()) {
        // A character of several bytes is shown whole or not at all.
        size_t start = shown;
        while (start > 0 && shown - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        if (start < shown && static_cast<unsigned char>(text[start]) >= 0xC0) {
            out.resize(out.size() - (shown - start));
            shown = start;
        }
        out += "... (" + std::to_string(text.size() - shown) + " more bytes)";
    }
    return out;
}

std::optional<std::string> Request::header(const std::string& name) const
{
    for (auto& [k, v] : headers)
        if (strcasecmp(k.c_str(), name.c_str()) == 0)
            return v;
    return std::nullopt;
}

std::string Request::path() const
{
    std::string raw = target.substr(0, target.find('?'));
    if (!raw.empty() && raw[0] == '/')
        raw.erase(0, 1);
    return platform::percentDecode(raw);
}

BodyBudget::Share::Share(Share&& other) noexcept : budget_(other.budget_), bytes_(other.bytes_) { other.bytes_ = 0; }

BodyBudget::Share& BodyBudget::Share::operator=(Share&& other) noexcept
{
    if (this != &other) {
        resize(0);
        budget_ = other.budget_;
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

bool BodyBudget::Share::resize(size_t bytes)
{
    if (budget_ && bytes > bytes_) {
        size_t more = bytes - bytes_;
        if (more > budget_->limit_ || budget_->held_.load() > budget_->limit_ - more)
            return false;
        budget_->held_ += more;
    } else if (budget_) {
        budget_->held_ -= bytes_ - bytes;
    }
    bytes_ = bytes;
    return true;
}

void RequestReader::setBudget(BodyBudget* budget)
{
    budget_ = budget;
    share_ = BodyBudget::Share(budget);
}

void RequestReader::reset()
{
    phase_ = Phase::Head;
    request_ = Request();
    share_ = BodyBudget::Share(budget_);
    lines_ = headBytes_ = pending_ = limitBytes_ = remaining_ = framing_ = 0;
    wantsContinue_ = overBudget_ = false;
    status_ = 0;
    why_.clear();
}

RequestReader::Step RequestReader::refuse(int status, std::string why)
{
    phase_ = Phase::Refused;
    status_ = status;
    why_ = std::move(why);
    return Step::Refused;
}

bool RequestReader::fail(int status, std::string why)
{
    refuse(status, std::move(why));
    return false;
}

// A body over the limit, or one the budget has no room for, is read to its
// end and dropped: its answer then says why, and the client that sent it
// whole hears it.
void RequestReader::keep(const char* data, size_t length)
{
    request_.bodyBytes += length;
    if (request_.bodyTooLarge || overBudget_)
        return;
    if (request_.body.size() + length > limitBytes_) {
        request_.bodyTooLarge = true;
    } else if (!share_.resize(request_.body.size() + length)) {
        overBudget_ = true;
    } else {
        request_.body.append(data, length);
        return;
    }
    std::string().swap(request_.body);
    share_.resize(0);
}

// The request line or one header line, without its CRLF; false when refused.
bool RequestReader::headLine(const std::string& line)
{
    if (lines_++ == 0) {
        // Its method, address and length were checked as it arrived (unfinishedLine).
        size_t sp1 = line.find(' ');
        if (sp1 == std::string::npos)
            return fail(400, noMethod(line));
        request_.method = line.substr(0, sp1);
        size_t sp2 = line.find(' ', sp1 + 1);
        std::string target = line.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp1 - 1);
        auto problem = checkTarget(target);
        if (sp2 == std::string::npos)
            return fail(400, "the request line has no HTTP version");
        if (problem)
            return fail(problem->status, problem->why);
        request_.target = std::move(target);
        std::string version = line.substr(sp2 + 1);
        if (version.size() != 8 || version.compare(0, 5, "HTTP/") != 0 || !std::isdigit(static_cast<unsigned char>(version[5]))
            || version[6] != '.' || !std::isdigit(static_cast<unsigned char>(version[7])))
            return fail(400, "the request line does not end in an HTTP version: " + quoted(version));
        if (version != "HTTP/1.1" && version != "HTTP/1.0")
            return fail(505, version + " is not served; the service speaks HTTP/1.1");
        request_.http10 = version == "HTTP/1.0";
        return true;
    }
    if (line.empty())
        return headDone();
    if (line.size() > kMaxHeaderLine)
        return fail(431, "a header line is " + std::to_string(line.size()) + " bytes long, over the limit of "
                               + std::to_string(kMaxHeaderLine));
    if (headBytes_ > kMaxHeaderBytes)
        return fail(431, "the headers are over the limit of " + std::to_string(kMaxHeaderBytes) + " bytes");
    if (line[0] == ' ' || line[0] == '\t')
        return fail(400, "a header line is folded onto the one before");
    size_t colon = line.find(':');
    if (colon == std::string::npos || !isToken(line.substr(0, colon)))
        return fail(400, "a header line is not NAME: VALUE: " + quoted(line));
    std::string value = platform::trimmed(line.substr(colon + 1), kBlanks);
    if (std::any_of(value.begin(), value.end(), [](unsigned char c) { return (c < ' ' && c != '\t') || c == 0x7f; }))
        return fail(400, "the header " + line.substr(0, colon) + " holds a control character");
    if (request_.headers.size() >= kMaxHeaders)
        return fail(431, "the request has over " + std::to_string(kMaxHeaders) + " header lines");
    request_.headers.emplace_back(line.substr(0, colon), std::move(value));
    return true;
}

// The head is read: how the body is framed, whether the connection stays.
bool RequestReader::headDone()
{
    std::optional<size_t> length;
    for (auto& [name, value] : request_.headers) {
        if (strcasecmp(name.c_str(), "Content-Length") != 0)
            continue;
        auto n = decimal(value);
        if (!n)
            return fail(400, "Content-Length " + quoted(value) + " is not a number of bytes");
        if (length && *length != *n)
            return fail(400, "the request has two different Content-Length headers");
        length = n;
    }
    // The body's end is found only when chunked is the last coding, applied once;
    // two fields would leave it to guesswork which one frames the body.
    std::optional<std::string> coding;
    for (auto& [name, value] : request_.headers) {
        if (strcasecmp(name.c_str(), "Transfer-Encoding") != 0)
            continue;
        if (coding)
            return fail(400, "the request has more than one Transfer-Encoding header");
        coding = value;
    }
    if (coding && length)
        return fail(400, "the request has both Content-Length and Transfer-Encoding");
    if (coding) {
        std::vector<std::string> codings;
        for (size_t from = 0; from <= coding->size();) {
            size_t comma = std::min(coding->find(',', from), coding->size());
            codings.push_back(lowered(platform::trimmed(coding->substr(from, comma - from), kBlanks)));
            from = comma + 1;
        }
        if (codings.back() != "chunked" || std::count(codings.begin(), codings.end(), "chunked") > 1)
            return fail(400, "the transfer coding " + quoted(*coding)
                                 + " does not end in chunked, once: the body's end cannot be found");
        if (codings.size() > 1)
            return fail(501, "the transfer coding " + quoted(*coding) + " is not served (only chunked)");
    }
    std::string connection = lowered(request_.header("Connection").value_or(""));
    request_.keepAlive = request_.http10 ? connection.find("keep-alive") != std::string::npos
                                         : connection.find("close") == std::string::npos;
    bool hasBody = coding || (length && *length > 0);
    wantsContinue_ = hasBody && !request_.http10 && lowered(request_.header("Expect").value_or("")) == "100-continue";
    limitBytes_ = limit_ ? limit_(request_) : SIZE_MAX;
    if (coding) {
        phase_ = Phase::ChunkSize;
    } else if (hasBody) {
        remaining_ = *length;
        phase_ = Phase::Body;
    } else {
        phase_ = Phase::Done;
    }
    return true;
}

std::string RequestReader::chunkLineTooLong()
{
    return "a chunk size line is over " + std::to_string(kMaxChunkSizeLine) + " bytes";
}

std::string RequestReader::framingTooLarge()
{
    return "the chunked body carries over " + std::to_string(kMaxChunkFraming)
        + " bytes of framing besides its data and sizes (extensions, padding, trailers)";
}

// A trailer line of `length` bytes (without its CRLF) that cannot be taken.
std::optional<Refusal> RequestReader::trailerLine(size_t length) const
{
    if (length > kMaxHeaderLine)
        return Refusal { 431, "a trailer line is over the limit of " + std::to_string(kMaxHeaderLine) + " bytes" };
    if (framing_ + length + 2 > kMaxChunkFraming)
        return Refusal { 413, framingTooLarge() };
    return std::nullopt;
}

// What rules out a request line from the bytes it has so far, in the order
// the whole line is checked, so that a line still arriving is refused as its
// whole would be: a TLS handshake, no method, an address or a line too long.
// An unfinished line is looked at where it lies, again at every arrival, and
// no further than a request line may go.
std::optional<Refusal> RequestReader::requestLineStart(std::string_view line)
{
    if (startsTlsHandshake(line))
        return Refusal { 400, kTlsHandshake };
    size_t sp1 = line.substr(0, kMaxMethod + 1).find(' ');
    if (sp1 == std::string_view::npos ? line.size() > kMaxMethod : !isMethod(line.substr(0, sp1)))
        return Refusal { 400, noMethod(line) };
    if (sp1 == std::string_view::npos)
        return std::nullopt;
    // An address too long is said first, even on a line with no version after it.
    size_t sp2 = line.substr(0, kMaxRequestLine + 1).find(' ', sp1 + 1);
    size_t target = (sp2 == std::string_view::npos ? line.size() : sp2) - sp1 - 1;
    if (target > kMaxTarget)
        return Refusal { 414, "the address is over the limit of " + std::to_string(kMaxTarget) + " bytes" };
    if (line.size() > kMaxRequestLine)
        return Refusal { 414, "the request line is over the limit of " + std::to_string(kMaxRequestLine) + " bytes" };
    return std::nullopt;
}

// A line still arriving is refused as soon as it cannot end well, and for
// the reason its whole would be: how the bytes are split never changes the
// answer. The line so far leaves out a CR that may begin its CRLF.
std::optional<Refusal> RequestReader::unfinishedLine(std::string_view unfinished) const
{
    size_t length = unfinished.size();
    if (phase_ == Phase::ChunkSize)
        return length > kMaxChunkSizeLine ? std::optional<Refusal>(Refusal { 400, chunkLineTooLong() }) : std::nullopt;
    if (length == 0)
        return std::nullopt; // perhaps the empty line that ends the head or the trailer
    if (phase_ == Phase::Trailer)
        return trailerLine(length);
    if (lines_ > 0) {
        if (length > kMaxHeaderLine)
            return Refusal { 431, "a header line is over the limit of " + std::to_string(kMaxHeaderLine) + " bytes" };
        if (headBytes_ + length + 2 > kMaxHeaderBytes)
            return Refusal { 431, "the headers are over the limit of " + std::to_string(kMaxHeaderBytes) + " bytes" };
        return std::nullopt;
    }
    return requestLineStart(unfinished);
}

RequestReader::Step RequestReader::take(std::string& in)
{
    // What is read is dropped from the front once, on the way out: erasing
    // line by line would cost a copy of the rest for every chunk or header.
    size_t at = 0;
    struct Consume {
        std::string& in;
        size_t& at;
        ~Consume() { in.erase(0, at); }
    } consume { in, at };
    for (;;) {
        switch (phase_) {
        case Phase::Done:
            if (overBudget_)
                return refuse(503, "the service holds as many request bodies as it can at once ("
                                       + std::to_string(budget_->limit() / 1024) + " KiB); try again shortly");
            return Step::Done;
        case Phase::Refused:
            return Step::Refused;
        case Phase::Head:
        case Phase::ChunkSize:
        case Phase::Trailer: {
            // Empty lines before a request line are allowed and skipped.
            if (phase_ == Phase::Head && lines_ == 0 && pending_ == 0) {
                size_t skip = in.find_first_not_of("\r\n", at);
                at = skip == std::string::npos ? in.size() : skip;
            }
            size_t nl = in.find('\n', at + pending_);
            if (nl == std::string::npos) {
                pending_ = in.size() - at;
                // The line so far, without a CR that may be the start of its CRLF.
                size_t length = pending_ - (pending_ > 0 && in.back() == '\r' ? 1 : 0);
                if (auto problem = unfinishedLine(std::string_view(in).substr(at, length)))
                    return refuse(problem->status, std::move(problem->why));
                return Step::More;
            }
            pending_ = 0;
            // A whole line is first what it was while arriving: one that could
            // not end well (a TLS client's hello, which may hold a LF, or a
            // line over its limit) says so however its bytes came.
            size_t end = nl > at && in[nl - 1] == '\r' ? nl - 1 : nl;
            if (auto problem = unfinishedLine(std::string_view(in).substr(at, end - at)))
                return refuse(problem->status, std::move(problem->why));
            if (nl == at || in[nl - 1] != '\r')
                return refuse(400, "the request's lines end in LF alone, not CRLF");
            std::string line = in.substr(at, nl - 1 - at);
            size_t taken = nl + 1 - at;
            at = nl + 1;
            if (phase_ == Phase::Head) {
                headBytes_ += taken;
                if (!headLine(line))
                    return Step::Refused;
            } else if (phase_ == Phase::Trailer) {
                if (line.empty())
                    phase_ = Phase::Done;
                else if (auto problem = trailerLine(line.size()))
                    return refuse(problem->status, std::move(problem->why));
                else
                    framing_ += line.size() + 2;
            } else {
                if (line.size() > kMaxChunkSizeLine)
                    return refuse(400, chunkLineTooLong());
                std::string size = platform::trimmed(line.substr(0, line.find(';')), kBlanks);
                if (size.empty() || size.size() > 15 || size.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    return refuse(400, "the chunk size " + quoted(size) + " is not a hexadecimal number");
                remaining_ = std::stoull(size, nullptr, 16);
                // Only what the shortest size line would not carry counts as framing.
                size_t digits = 1;
                for (size_t n = remaining_; n >= 16; n /= 16)
                    ++digits;
                framing_ += line.size() - digits;
                if (framing_ > kMaxChunkFraming)
                    return refuse(413, framingTooLarge());
                phase_ = remaining_ == 0 ? Phase::Trailer : Phase::ChunkData;
            }
            break;
        }
        case Phase::Body:
        case Phase::ChunkData: {
            size_t n = std::min(remaining_, in.size() - at);
            keep(in.data() + at, n);
            at += n;
            remaining_ -= n;
            if (remaining_ > 0)
                return Step::More;
            phase_ = phase_ == Phase::Body ? Phase::Done : Phase::ChunkEnd;
            break;
        }
        case Phase::ChunkEnd:
            if (in.size() - at < 2)
                return Step::More;
            if (in.compare(at, 2, "\r\n") != 0)
                return refuse(400, "a chunk's data does not end where its size says");
            at += 2;
            phase_ = Phase::ChunkSize;
            break;
        }
    }
}

// --- what the polling loops stand on ---

std::pair<int, int> listenOnLoopback(int port, const std::string& address)
{
    return platform::openLoopbackListener(port, SOMAXCONN, address);
}

int Acceptor::pollable(Clock::time_point now, Clock::time_point& next) const
{
    if (now >= resumes)
        return listener;
    next = std::min(next, resumes);
    return -1;
}

void Acceptor::acceptAll(const std::function<bool()>& full, const std::function<bool()>& makeRoom,
                         const std::function<void(int fd)>& take)
{
    while (listener >= 0) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            if ((errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) && makeRoom())
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                resumes = Clock::now() + std::chrono::milliseconds(100);
            return;
        }
        if (full() && !makeRoom()) {
            ::close(fd);
            continue;
        }
        int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        take(fd);
    }
}

void Acceptor::close()
{
    if (listener >= 0)
        ::close(listener);
    listener = -1;
}

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { }

Wakeup::~Wakeup()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void Wakeup::wake()
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

void Wakeup::drain()
{
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(fd_, &count, sizeof count);
}

// --- the polling loop ---

struct Server::Core : std::enable_shared_from_this<Server::Core> {
    static constexpr size_t kChunk = 64 * 1024;
    static constexpr auto kLinger = std::chrono::seconds(2);

    struct Connection {
        explicit Connection(RequestReader::BodyLimit limit) : reader(std::move(limit)) { }
        int fd { -1 };
        RequestReader reader;
        std::string in;
        std::string out;
        size_t outAt { 0 };
        size_t filler { 0 };        // filler bytes still to make
        bool waiting { false };     // a request is being answered
        BodyBudget::Share answering; // what its body holds of the budget until then
        bool keepAlive { true };
        bool http10 { false };
        bool head { false };        // a HEAD request: no body goes out
        bool closeAfterOut { false };
        bool peerDone { false };    // the client sends no more
        bool dead { false };
        // Answered and half-closed: what the client still sends is read and
        // dropped until it closes or this passes, so a close with unread
        // bytes cannot reset the answer away before the client reads it.
        std::optional<Clock::time_point> lingerUntil;
        Clock::time_point lastActive;
        std::optional<Clock::time_point> requestBegan; // the first byte of the request being read

        bool drained() const { return outAt >= out.size() && filler == 0; }
    };

    Settings settings;
    Acceptor acceptor;
    Wakeup wakeup;
    std::mutex mutex; // guards running, answers, timers
    bool running { false };
    std::vector<std::pair<uint64_t, Response>> answers;
    std::multimap<Clock::time_point, std::function<void()>> timers;
    // The polling thread's own; the budget outlives the connections holding shares of it.
    std::unique_ptr<BodyBudget> budget;
    std::map<uint64_t, Connection> connections;
    uint64_t nextId { 1 };

    ~Core()
    {
        for (auto& [id, c] : connections)
            ::close(c.fd);
        acceptor.close();
    }

    void wake() { wakeup.wake(); }

    void answer(uint64_t id, Response response)
    {
        std::lock_guard guard(mutex);
        if (!running)
            return;
        answers.emplace_back(id, std::move(response));
        wake();
    }

    Reply replyTo(uint64_t id)
    {
        std::weak_ptr<Core> weak = shared_from_this();
        return [weak, id](Response response) {
            if (auto core = weak.lock())
                core->answer(id, std::move(response));
        };
    }

    void close(uint64_t id)
    {
        auto it = connections.find(id);
        if (it == connections.end())
            return;
        ::close(it->second.fd);
        connections.erase(it);
    }

    // Under descriptor pressure or at the cap the connection idle longest
    // makes room; when none is idle, the unfinished request that began
    // longest ago does. Connections being answered are never taken.
    bool makeRoom()
    {
        auto idle = connections.end(), unfinished = connections.end();
        for (auto it = connections.begin(); it != connections.end(); ++it) {
            auto& c = it->second;
            if (c.lingerUntil && !c.dead) {
                close(it->first);
                return true;
            }
            if (c.waiting || c.dead || c.closeAfterOut || !c.drained())
                continue;
            if (!c.requestBegan) {
                if (idle == connections.end() || c.lastActive < idle->second.lastActive)
                    idle = it;
            } else if (unfinished == connections.end() || *c.requestBegan < *unfinished->second.requestBegan) {
                unfinished = it;
            }
        }
        if (idle != connections.end()) {
            close(idle->first);
            return true;
        }
        if (unfinished == connections.end())
            return false;
        refuse(unfinished->second, 408, "the request was not whole when its connection was needed for another");
        flush(unfinished->first, unfinished->second); // as far as the socket takes it now
        close(unfinished->first);
        return true;
    }

    void acceptAll()
    {
        acceptor.acceptAll([this] { return connections.size() >= settings.maxConnections; },
                           [this] { return makeRoom(); },
                           [this](int fd) {
                               auto& c = connections.try_emplace(nextId++, settings.bodyLimit).first->second;
                               c.reader.setBudget(budget.get());
                               c.fd = fd;
                               c.lastActive = Clock::now();
                           });
    }

    void queue(Connection& c, const Response& r)
    {
        bool noBody = r.status < 200 || r.status == 204 || r.status == 304;
        c.closeAfterOut = !c.keepAlive || c.peerDone || r.truncateAfter > 0;
        std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + reasonPhrase(r.status) + "\r\n";
        if (!noBody) {
            if (!r.contentType.empty())
                head += "Content-Type: " + r.contentType + "\r\n";
            head += "Content-Length: " + std::to_string(r.fillerBytes > 0 ? r.fillerBytes : r.body.size()) + "\r\n";
        }
        head += c.closeAfterOut ? "Connection: close\r\n" : c.http10 ? "Connection: keep-alive\r\n" : "";
        c.out.erase(0, c.outAt);
        c.outAt = 0;
        c.out += head + "\r\n";
        if (!noBody && !c.head) {
            if (r.truncateAfter > 0)
                c.out.append(r.body, 0, std::min(r.truncateAfter, r.body.size()));
            else if (r.fillerBytes > 0)
                c.filler = r.fillerBytes;
            else
                c.out += r.body;
        }
    }

    void refuse(Connection& c, int status, const std::string& why)
    {
        auto& request = c.reader.request();
        if (settings.onRefused)
            settings.onRefused(request.method.empty() ? "-" : request.method,
                               request.target.empty() ? "-" : request.path(), status, why);
        c.keepAlive = false;
        c.http10 = request.http10;
        c.head = false;
        queue(c, Response { status, "text/plain; charset=utf-8", why + "\n", 0, 0 });
    }

    // Reads what requests the connection's bytes hold, one at a time.
    void advance(uint64_t id, Connection& c)
    {
        if (c.waiting || c.closeAfterOut || c.dead)
            return;
        if (!c.requestBegan && !c.in.empty())
            c.requestBegan = Clock::now();
        auto step = c.reader.take(c.in);
        if (step == RequestReader::Step::More && !c.reader.started() && c.in.empty())
            c.requestBegan.reset(); // only blank lines came
        if (c.reader.wantsContinue()) {
            c.reader.continueSent();
            c.out += "HTTP/1.1 100 Continue\r\n\r\n";
        }
        if (step == RequestReader::Step::Refused) {
            refuse(c, c.reader.status(), c.reader.why());
        } else if (step == RequestReader::Step::Done) {
            Request request = std::move(c.reader.request());
            c.answering = c.reader.takeShare();
            c.reader.reset();
            c.requestBegan.reset();
            c.waiting = true;
            c.http10 = request.http10;
            c.head = request.method == "HEAD";
            c.keepAlive = request.keepAlive && !settings.closeAfterEachAnswer;
            settings.onRequest(std::move(request), replyTo(id));
        } else if (c.peerDone) {
            c.dead = true; // it ended in the middle of a request
        }
    }

    // Sends what the connection has to send; then closes it or reads on.
    void flush(uint64_t id, Connection& c)
    {
        while (!c.dead) {
            if (c.outAt >= c.out.size()) {
                if (c.filler == 0)
                    break;
                c.out.assign(std::min(c.filler, kChunk), 'x');
                c.outAt = 0;
                c.filler -= c.out.size();
            }
            ssize_t n = ::send(c.fd, c.out.data() + c.outAt, c.out.size() - c.outAt, MSG_NOSIGNAL);
            if (n > 0) {
                c.outAt += static_cast<size_t>(n);
                c.lastActive = Clock::now();
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                c.dead = true;
            }
        }
        if (c.dead || c.waiting)
            return;
        c.out.clear();
        c.outAt = 0;
        if (c.closeAfterOut && !c.peerDone)
            linger(c);
        else if (c.closeAfterOut || (c.peerDone && c.in.empty()))
            c.dead = true;
        else
            advance(id, c); // a request sent behind the last one
        if (!c.dead && !c.drained())
            flush(id, c);
    }

    void linger(Connection& c)
    {
        if (::shutdown(c.fd, SHUT_WR) != 0) {
            c.dead = true;
            return;
        }
        c.lingerUntil = Clock::now() + kLinger;
    }

    // Drops what a lingering connection still sends; its end (or an error) closes it.
    void discard(Connection& c)
    {
        char buffer[kChunk];
        for (int round = 0; round < 16; ++round) {
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0)
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                c.dead = true;
            return;
        }
    }

    void receive(uint64_t id, Connection& c)
    {
        if (c.lingerUntil) {
            discard(c);
            return;
        }
        char buffer[kChunk];
        for (int round = 0; round < 16; ++round) {
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                c.in.append(buffer, static_cast<size_t>(n));
                c.lastActive = Clock::now();
                // Read as it comes, so what waits unread stays one chunk: the
                // body goes into the request (within the budget), and once a
                // request is whole nothing more is read until it is answered.
                advance(id, c);
                if (static_cast<size_t>(n) < sizeof buffer || !reading(c))
                    break;
            } else if (n == 0) {
                c.peerDone = true; // half-closed: what it sent is still answered
                break;
            } else if (errno == EINTR) {
                continue;
            } else {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    c.dead = true;
                break;
            }
        }
        if (c.dead)
            return;
        advance(id, c);
        if (!c.waiting && c.drained() && c.peerDone)
            c.dead = true;
        else
            flush(id, c);
    }

    bool reading(const Connection& c) const { return !c.waiting && !c.closeAfterOut && !c.peerDone && c.drained(); }
    bool listening(const Connection& c) const { return reading(c) || c.lingerUntil.has_value(); }

    // Closes connections that sent nothing for too long, and answers 408 to
    // requests that did not arrive whole in time.
    Clock::time_point sweep(Clock::time_point now)
    {
        Clock::time_point next = now + settings.readTimeout;
        for (auto& [id, c] : connections) {
            if (c.waiting || c.dead)
                continue;
            if (c.lingerUntil) {
                if (*c.lingerUntil <= now)
                    c.dead = true;
                else
                    next = std::min(next, *c.lingerUntil);
                continue;
            }
            bool unfinished = reading(c) && c.requestBegan;
            Clock::time_point deadline = (unfinished ? *c.requestBegan : c.lastActive) + settings.readTimeout;
            if (deadline > now) {
                next = std::min(next, deadline);
                continue;
            }
            if (unfinished) {
                auto ms = settings.readTimeout.count();
                refuse(c, 408, "the request did not arrive whole within "
                                   + (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms"));
                flush(id, c);
            }
            c.dead = true;
        }
        return next;
    }

    void applyAnswers(std::vector<std::pair<uint64_t, Response>>& done)
    {
        for (auto& [id, response] : done) {
            auto it = connections.find(id);
            if (it == connections.end() || !it->second.waiting)
                continue;
            it->second.waiting = false;
            it->second.answering.resize(0);
            queue(it->second, response);
            flush(id, it->second);
        }
        done.clear();
    }

    void reap()
    {
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->second.dead) {
                ::close(it->second.fd);
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
    }

    void run()
    {
        std::vector<pollfd> fds;
        std::vector<uint64_t> ids;
        std::vector<std::pair<uint64_t, Response>> done;
        std::vector<std::function<void()>> due;
        for (;;) {
            Clock::time_point now = Clock::now();
            Clock::time_point next = sweep(now);
            reap();
            fds.clear();
            ids.clear();
            fds.push_back({ wakeup.fd(), POLLIN, 0 });
            fds.push_back({ acceptor.pollable(now, next), POLLIN, 0 });
            for (auto& [id, c] : connections) {
                short events = (listening(c) ? POLLIN : 0) | (c.drained() ? 0 : POLLOUT);
                fds.push_back({ c.fd, events, 0 });
                ids.push_back(id);
            }
            {
                std::lock_guard guard(mutex);
                if (!running)
                    break;
                if (!timers.empty())
                    next = std::min(next, timers.begin()->first);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1;
            ::poll(fds.data(), fds.size(), static_cast<int>(std::clamp<long long>(wait, 0, 60000)));
            if (fds[0].revents & POLLIN)
                wakeup.drain();
            {
                std::lock_guard guard(mutex);
                if (!running)
                    break;
                done.swap(answers);
                now = Clock::now();
                while (!timers.empty() && timers.begin()->first <= now) {
                    due.push_back(std::move(timers.begin()->second));
                    timers.erase(timers.begin());
                }
            }
            applyAnswers(done);
            for (auto& task : due)
                task();
            due.clear();
            if (fds[1].revents & POLLIN)
                acceptAll();
            for (size_t i = 2; i < fds.size(); ++i) {
                auto it = connections.find(ids[i - 2]);
                if (it == connections.end() || it->second.dead || fds[i].revents == 0)
                    continue;
                auto& c = it->second;
                short revents = fds[i].revents;
                if (revents & (POLLERR | POLLNVAL)) {
                    c.dead = true;
                    continue;
                }
                if (revents & POLLOUT)
                    flush(it->first, c);
                if (!c.dead && (revents & POLLIN) && listening(c))
                    receive(it->first, c);
                else if (revents & POLLHUP)
                    c.dead = true; // gone both ways: nothing can reach it

            }
        }
        // Answers handed back before the stop still get one try to go out.
        {
            std::lock_guard guard(mutex);
            done.swap(answers);
        }
        applyAnswers(done);
    }
};

Server::Server() = default;

Server::~Server() { stop(); }

int Server::start(int port, Settings settings, const std::string& address)
{
    stop();
    auto core = std::make_shared<Core>();
    core->settings = std::move(settings);
    core->budget = std::make_unique<BodyBudget>(core->settings.bodyBudget);
    auto [listener, bound] = listenOnLoopback(port, address);
    core->acceptor.listener = listener;
    if (listener < 0 || core->wakeup.fd() < 0)
        return -1;
    core->running = true;
    core_ = core;
    thread_ = std::thread([core] { core->run(); });
    return bound;
}

void Server::stop()
{
    if (!core_)
        return;
    std::multimap<Clock::time_point, std::function<void()>> timers;
    {
        std::lock_guard guard(core_->mutex);
        core_->running = false;
        timers.swap(core_->timers);
        core_->wake();
    }
    if (thread_.joinable())
        thread_.join();
    for (auto& [at, task] : timers)
        task();
    core_.reset();
}

size_t Server::bodyBytesHeld() const
{
    auto core = core_;
    return core ? core->budget->held() : 0;
}

void Server::after(std::chrono::milliseconds delay, std::function<void()> task)
{
    if (auto core = core_) {
        std::lock_guard guard(core->mutex);
        if (core->running) {
            core->timers.emplace(Clock::now() + delay, std::move(task));
            core->wake();
            return;
        }
    }
    task();
}

// --- workers ---

WorkerPool::WorkerPool(size_t threads)
{
    for (size_t i = 0; i < threads; ++i)
        threads_.emplace_back([this] {
            for (;;) {
                std::function<void()> task;
                {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
                    if (tasks_.empty())
                        return;
                    task = std::move(tasks_.front());
                    tasks_.pop_front();
                }
                task();
            }
        });
}

WorkerPool::~WorkerPool() { stop(); }

bool WorkerPool::post(std::function<void()> task)
{
    {
        std::lock_guard guard(mutex_);
        if (stopping_)
            return false;
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void WorkerPool::stop()
{
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_)
        if (t.joinable())
            t.join();
    threads_.clear();
}

// --- the log ---

void RequestLog::add(LoggedRequest r)
{
    size_t size = sizeof r + r.method.size() + r.path.size() + r.authorization.size() + r.contentType.size()
        + r.body.size() + r.signatureFailure.size() + r.oauthToken.size();
    for (auto& [k, v] : r.params)
        size += sizeof k * 2 + k.size() + v.size();
    for (auto& [k, v] : r.headers)
        size += sizeof k * 2 + k.size() + v.size();
    entries_.push_back(std::move(r));
    sizes_.push_back(size);
    bytes_ += size;
    while (bytes_ > kBudget && entries_.size() > 1) {
        bytes_ -= sizes_.front();
        entries_.pop_front();
        sizes_.pop_front();
    }
}

void RequestLog::clear()
{
    entries_.clear();
    sizes_.clear();
    bytes_ = 0;
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 422: return "Unprocessable Entity";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return status < 300 ? "OK" : status < 400 ? "Redirect" : status < 500 ? "Client Error" : "Server Error";
    }
}

} // namespace standin::http
