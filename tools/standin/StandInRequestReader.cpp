// What the stand-in's HTTP server reads a request with, apart from its
// connections: the checks of a method and an address, the log's escaping,
// the budget of bodies held at once, and the request reader (pure, fuzzed),
// which takes a request off a connection's bytes however they are split.
#include "tools/standin/StandInHttp.h"

#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace standin::http {

namespace {

using Clock = std::chrono::steady_clock;

bool isTokenChar(unsigned char c)
{
    return (c < 128 && std::isalnum(c)) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return isTokenChar(static_cast<unsigned char>(c)); });
}

std::string lowered(std::string text)
{
    return platform::asciiLowercased(text);
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
        if (platform::equalsIgnoringAsciiCase(k, name))
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
        if (!platform::equalsIgnoringAsciiCase(name, "Content-Length"))
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
        if (!platform::equalsIgnoringAsciiCase(name, "Transfer-Encoding"))
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

} // namespace standin::http
