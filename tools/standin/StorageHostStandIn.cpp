// The blob storage host: signed forms posted to the stand-in's HTTP server,
// checked as the storage service checks them (the signature over the policy,
// then the policy's expiry and conditions against the form's fields). It
// reads forms itself because the signed form ends with its closing delimiter
// and no line end, which stricter form parsers refuse.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/Base64.h"
#include "platform/foundation/Text.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string_view>

namespace standin {

namespace {

// The name="..." of a part's Content-Disposition (not the filename="...").
std::optional<std::string> partName(const std::string& headers)
{
    for (size_t at = headers.find("name=\""); at != std::string::npos; at = headers.find("name=\"", at + 1)) {
        if (at > 0 && headers[at - 1] != ' ' && headers[at - 1] != ';')
            continue;
        size_t close = headers.find('"', at + 6);
        if (close == std::string::npos)
            return std::nullopt;
        return headers.substr(at + 6, close - at - 6);
    }
    return std::nullopt;
}

} // namespace

std::optional<Params> parseMultipart(const std::string& body, const std::string& contentType, std::string* fault)
{
    auto fail = [fault](const char* why) -> std::optional<Params> {
        if (fault)
            *fault = why;
        return std::nullopt;
    };
    size_t at = contentType.find("boundary=");
    if (at == std::string::npos)
        return fail("its Content-Type names no boundary");
    std::string boundary = contentType.substr(at + 9);
    if (size_t end = boundary.find(';'); end != std::string::npos)
        boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    if (boundary.empty() || boundary.size() > 70)
        return fail("its boundary is empty or over 70 characters");
    const std::string delimiter = "--" + boundary;
    const std::string partEnd = "\r\n" + delimiter;
    // Whatever comes before the first delimiter is a preamble.
    size_t pos = body.compare(0, delimiter.size(), delimiter) == 0 ? 0 : body.find(partEnd);
    if (pos == std::string::npos)
        return fail("it holds no delimiter of its boundary");
    if (pos > 0)
        pos += 2;
    Params out;
    for (;;) {
        pos += delimiter.size();
        // "--" after the delimiter closes the form; a part starts with a line end.
        if (body.compare(pos, 2, "--") == 0)
            return out;
        if (body.compare(pos, 2, "\r\n") != 0)
            return fail("a delimiter is followed by neither a line end nor --");
        pos += 2;
        size_t headersEnd = body.compare(pos, 2, "\r\n") == 0 ? pos - 2 : body.find("\r\n\r\n", pos);
        if (headersEnd == std::string::npos)
            return fail("a part's headers do not end with an empty line");
        std::string headers = body.substr(pos, headersEnd + 2 - pos);
        size_t contentStart = headersEnd + 4;
        size_t next = body.find(partEnd, contentStart);
        if (next == std::string::npos)
            return fail("a part does not end with a delimiter (the closing one is missing)");
        auto name = partName(headers);
        if (!name)
            return fail("a part has no name");
        out.emplace_back(std::move(*name), body.substr(contentStart, next - contentStart));
        pos = next + 2;
    }
}

namespace {

// The host's access key id, which its forms name; they are signed with its secret.
constexpr const char* kAccessKeyId = "standin";
constexpr size_t kSecretBytes = 32;

std::string sign(const std::string& secret, const std::string& policy)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), secret.data(), static_cast<int>(secret.size()), reinterpret_cast<const unsigned char*>(policy.data()),
         policy.size(), mac, &length);
    return platform::base64Encode(mac, length);
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The little JSON a policy is written in.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind { Kind::Null };
    long long number { 0 };
    std::string text;
    std::string name;        // a member's, in an object
    std::vector<Json> items; // an array's items or an object's members
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : s_(text) { }

    std::optional<Json> document()
    {
        Json v;
        if (!value(v, 0))
            return std::nullopt;
        space();
        if (at_ != s_.size())
            return std::nullopt;
        return v;
    }

private:
    int peek() const { return at_ < s_.size() ? static_cast<unsigned char>(s_[at_]) : -1; }
    void space()
    {
        while (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n')
            ++at_;
    }
    bool word(std::string_view w)
    {
        if (s_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }
    bool string(std::string& out)
    {
        if (peek() != '"')
            return false;
        ++at_;
        while (at_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            int e = peek();
            ++at_;
            switch (e) {
            case '"': case '\\': case '/': out += static_cast<char>(e); break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (at_ + 4 > s_.size())
                    return false;
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    char h = s_[at_];
                    if (!std::isxdigit(static_cast<unsigned char>(h)))
                        return false;
                    code = code * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (h | 0x20) - 'a' + 10);
                    ++at_;
                }
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xc0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3f));
                } else {
                    out += static_cast<char>(0xe0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
                    out += static_cast<char>(0x80 | (code & 0x3f));
                }
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool value(Json& out, int depth)
    {
        space();
        int c = peek();
        if (depth > 32 || c < 0)
            return false;
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.text);
        }
        if (c == '[' || c == '{') {
            bool object = c == '{';
            out.kind = object ? Json::Kind::Object : Json::Kind::Array;
            ++at_;
            space();
            if (peek() == (object ? '}' : ']')) {
                ++at_;
                return true;
            }
            for (;;) {
                Json item;
                if (object) {
                    std::string name;
                    space();
                    if (!string(name))
                        return false;
                    space();
                    if (peek() != ':')
                        return false;
                    ++at_;
                    if (!value(item, depth + 1))
                        return false;
                    item.name = std::move(name);
                } else if (!value(item, depth + 1)) {
                    return false;
                }
                out.items.push_back(std::move(item));
                space();
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                if (peek() != (object ? '}' : ']'))
                    return false;
                ++at_;
                return true;
            }
        }
        if (c == '-' || std::isdigit(c)) {
            size_t start = at_;
            if (c == '-')
                ++at_;
            size_t digits = at_;
            while (std::isdigit(peek()))
                ++at_;
            if (at_ == digits || at_ - digits > 18 || peek() == '.' || peek() == 'e' || peek() == 'E')
                return false;
            out.kind = Json::Kind::Number;
            out.number = std::stoll(std::string(s_.substr(start, at_ - start)));
            return true;
        }
        if (word("true") || word("false")) {
            out.kind = Json::Kind::Bool;
            return true;
        }
        return word("null");
    }

    std::string_view s_;
    size_t at_ { 0 };
};

// "2030-01-31T12:00:00Z" (fractions of a second allowed), as seconds since 1970.
std::optional<time_t> isoTime(const std::string& text)
{
    std::tm tm {};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &consumed)
            != 6
        || consumed != 19)
        return std::nullopt;
    std::string rest = text.substr(19);
    if (!rest.empty() && rest[0] == '.') {
        size_t digits = rest.find_first_not_of("0123456789", 1);
        rest.erase(0, digits == std::string::npos ? rest.size() : digits);
    }
    if (rest != "Z" || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23
        || tm.tm_min > 59 || tm.tm_sec > 60)
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return timegm(&tm);
}

const std::string* field(const Params& form, const std::string& name)
{
    for (auto& [n, v] : form)
        if (n == name)
            return &v;
    return nullptr;
}

} // namespace

Params StorageHostStandIn::uploadForm(const std::string& key) const
{
    time_t expires = std::time(nullptr) + 24 * 3600;
    std::tm tm {};
    gmtime_r(&expires, &tm);
    char expiration[32];
    std::strftime(expiration, sizeof expiration, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::string policy = std::string("{\"expiration\":\"") + expiration + "\",\"conditions\":[{\"key\":" + jsonString(key)
        + "},{\"acl\":\"public-read\"},[\"content-length-range\",0," + std::to_string(kMultipartBodyLimit) + "]]}";
    std::string encoded = platform::base64Encode(policy.data(), policy.size());
    return { { "key", key }, { "AWSAccessKeyId", kAccessKeyId }, { "acl", "public-read" }, { "policy", encoded },
             { "signature", sign(secret(), encoded) } };
}

int StorageHostStandIn::checkUploadForm(const Params& form, std::string* why) const
{
    auto fail = [why](int status, std::string reason) {
        if (why)
            *why = std::move(reason);
        return status;
    };
    for (const char* name : { "key", "AWSAccessKeyId", "acl", "policy", "signature", "file" })
        if (!field(form, name))
            return fail(400, std::string("the form has no ") + name);
    if (*field(form, "AWSAccessKeyId") != kAccessKeyId)
        return fail(403, "the form's AWSAccessKeyId is not one the host issued");
    const std::string& policy = *field(form, "policy");
    const std::string key = secret();
    if (key.empty())
        return fail(403, "the host has no secret to check a form's signature with");
    if (*field(form, "signature") != sign(key, policy))
        return fail(403, "the form's signature does not match its policy");
    auto decoded = platform::base64Decode(policy);
    std::optional<Json> document;
    if (decoded)
        document = JsonReader(std::string_view(reinterpret_cast<const char*>(decoded->data()), decoded->size())).document();
    const Json* expiration = nullptr;
    const Json* conditions = nullptr;
    if (document && document->kind == Json::Kind::Object)
        for (auto& member : document->items) {
            if (member.name == "expiration" && member.kind == Json::Kind::String)
                expiration = &member;
            if (member.name == "conditions" && member.kind == Json::Kind::Array)
                conditions = &member;
        }
    auto expires = expiration ? isoTime(expiration->text) : std::nullopt;
    if (!expires || !conditions)
        return fail(400, "the form's policy is not a document with an expiration and conditions");
    if (*expires < std::time(nullptr))
        return fail(403, "the form's policy expired at " + expiration->text);
    // Every condition holds, and every field but these is one a condition names.
    std::set<std::string> named { "AWSAccessKeyId", "policy", "signature", "file" };
    for (auto& c : conditions->items) {
        std::string name, op, expected;
        if (c.kind == Json::Kind::Object && c.items.size() == 1 && c.items[0].kind == Json::Kind::String) {
            name = c.items[0].name;
            op = "eq";
            expected = c.items[0].text;
        } else if (c.kind == Json::Kind::Array && c.items.size() == 3 && c.items[0].kind == Json::Kind::String) {
            op = c.items[0].text;
            if (op == "content-length-range" && c.items[1].kind == Json::Kind::Number
                && c.items[2].kind == Json::Kind::Number) {
                long long size = static_cast<long long>(field(form, "file")->size());
                if (size < c.items[1].number || size > c.items[2].number)
                    return fail(403, "the file's " + std::to_string(size) + " bytes are outside the policy's range");
                continue;
            }
            if ((op != "eq" && op != "starts-with") || c.items[1].kind != Json::Kind::String
                || c.items[1].text.rfind('$', 0) != 0 || c.items[2].kind != Json::Kind::String)
                return fail(400, "the form's policy holds a condition the host does not know");
            name = c.items[1].text.substr(1);
            expected = c.items[2].text;
        } else {
            return fail(400, "the form's policy holds a condition the host does not know");
        }
        named.insert(name);
        const std::string* value = field(form, name);
        if (!value || (op == "eq" ? *value != expected : value->rfind(expected, 0) != 0))
            return fail(403, "the form's " + name + " is not the one its policy names");
    }
    for (auto& [name, value] : form)
        if (!named.count(name) && name.rfind("x-ignore-", 0) != 0)
            return fail(403, "the form's field " + name + " is not in its policy");
    return 0;
}

struct StorageHostStandIn::Impl {
    http::Server server;
    std::shared_ptr<http::WorkerPool> workers;
    mutable std::mutex mutex;
    std::string secret; // guarded by the mutex
    const StorageHostStandIn* host { nullptr }; // whose forms it checks
    std::map<std::string, std::string> objects; // without a kept store; guarded by the mutex
    StorageHostStandIn::ObjectPut put;
    StorageHostStandIn::ObjectGet get;
    http::RequestLog log;
    std::function<void(const std::string&)> logSink;
    int uploadsToFail { 0 }; // guarded by the mutex

    void handle(const http::Request& request, const http::Reply& reply);
    void logLine(const std::string& line)
    {
        std::function<void(const std::string&)> sink;
        {
            std::lock_guard guard(mutex);
            sink = logSink;
        }
        if (sink)
            sink(line);
    }
    // Through the kept store when there is one, else in memory. The kept
    // store takes its own lock, and the service's routes sign this host's
    // forms while they hold that one: it is called with the mutex released.
    bool keep(const std::string& key, std::string bytes)
    {
        StorageHostStandIn::ObjectPut kept;
        {
            std::lock_guard guard(mutex);
            if (!put) {
                objects[key] = std::move(bytes);
                return true;
            }
            kept = put;
        }
        return kept(key, bytes);
    }
    std::optional<std::string> find(const std::string& key) const
    {
        StorageHostStandIn::ObjectGet kept;
        {
            std::lock_guard guard(mutex);
            if (!get) {
                auto object = objects.find(key);
                return object == objects.end() ? std::nullopt : std::optional<std::string>(object->second);
            }
            kept = get;
        }
        return kept(key);
    }
};

namespace {

// The largest form the host reads: the largest multipart body the service
// reads, and room for the signed form's fields.
constexpr size_t kMaxFormBytes = kMultipartBodyLimit + 64 * 1024;

std::string errorBody(const char* code, const std::string& message)
{
    return std::string("<Error><Code>") + code + "</Code><Message>" + xml::escape(message) + "</Message></Error>";
}

} // namespace

void StorageHostStandIn::Impl::handle(const http::Request& req, const http::Reply& reply)
{
    LoggedRequest request;
    request.method = req.method;
    request.path = req.path();
    request.headers = req.headers;
    request.contentType = req.header("Content-Type").value_or("");
    http::Response response { 404, "application/xml", {}, 0, 0 };
    std::string refusal;
    if (req.bodyTooLarge) {
        refusal = "a form of " + std::to_string(req.bodyBytes) + " bytes is over the limit of " + std::to_string(kMaxFormBytes);
        response = { 413, "application/xml", errorBody("EntityTooLarge", refusal), 0, 0 };
    } else if (request.method == "POST" && platform::equalsIgnoringAsciiCase(std::string_view(request.contentType).substr(0, 19), "multipart/form-data")) {
        std::string fault;
        auto parts = parseMultipart(req.body, request.contentType, &fault);
        int status = parts ? host->checkUploadForm(*parts, &refusal) : 400;
        if (!parts)
            refusal = "the form cannot be read: " + fault;
        if (parts)
            request.params = std::move(*parts);
        bool failNow = false;
        if (status == 0) {
            std::lock_guard guard(mutex);
            failNow = uploadsToFail > 0;
            uploadsToFail -= failNow ? 1 : 0;
        }
        if (status == 0 && failNow) {
            refusal = "the host is in trouble (told to fail this upload)";
            response = { 503, "application/xml", errorBody("ServiceUnavailable", refusal), 0, 0 };
        } else if (status == 0) {
            if (keep(*field(request.params, "key"), *field(request.params, "file"))) {
                response = { 204, {}, {}, 0, 0 };
            } else {
                refusal = "the object could not be kept";
                response = { 500, "application/xml", errorBody("InternalError", refusal), 0, 0 };
            }
        } else {
            response = { status, "application/xml",
                         errorBody(status == 403 ? "AccessDenied" : "InvalidArgument", refusal), 0, 0 };
        }
    } else if (request.method == "GET") {
        if (auto object = find(request.path)) {
            response = { 200, "application/octet-stream", std::move(*object), 0, 0 };
        } else {
            refusal = "nothing is stored under this key";
            response.body = errorBody("NoSuchKey", refusal);
        }
    } else {
        refusal = "only a signed form's POST and a GET are served";
        response.body = errorBody("NotFound", refusal);
    }
    {
        std::lock_guard guard(mutex);
        log.add(request);
    }
    logLine(request.method + " " + http::loggable(request.path) + " " + std::to_string(response.status)
            + (refusal.empty() ? std::string() : ": " + http::loggable(refusal)));
    reply(std::move(response));
}

StorageHostStandIn::StorageHostStandIn() : impl_(std::make_unique<Impl>())
{
    impl_->host = this;
    // Without the system's random bytes the host has no secret, and no form it signs is taken.
    impl_->secret = randomHex(kSecretBytes).value_or("");
}

std::string StorageHostStandIn::secret() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->secret;
}

void StorageHostStandIn::setSecret(std::string secret)
{
    std::lock_guard guard(impl_->mutex);
    impl_->secret = std::move(secret);
}

StorageHostStandIn::~StorageHostStandIn() { stop(); }

int StorageHostStandIn::start(int port, const std::string& address)
{
    Impl* impl = impl_.get();
    auto workers = std::make_shared<http::WorkerPool>(2);
    impl->workers = workers;
    http::Settings settings;
    settings.bodyLimit = [](const http::Request&) { return kMaxFormBytes; };
    settings.closeAfterEachAnswer = true;
    settings.onRequest = [impl, workers](http::Request&& request, http::Reply reply) {
        if (workers->post([impl, request = std::move(request), reply] { impl->handle(request, reply); })
            != http::WorkerPool::Posted::Queued)
            reply(http::Response { 503, "application/xml", errorBody("ServiceUnavailable", "the host is stopping"), 0, 0 });
    };
    settings.onRefused = [impl](const std::string& method, const std::string& path, int status, const std::string& why) {
        impl->logLine(http::loggable(method) + " " + http::loggable(path) + " " + std::to_string(status)
                      + " not read: " + http::loggable(why));
    };
    port_ = impl->server.start(port, std::move(settings), address);
    address_ = address;
    return port_;
}

void StorageHostStandIn::stop()
{
    if (impl_->workers)
        impl_->workers->stop();
    impl_->server.stop();
}

std::string StorageHostStandIn::baseUrl() const { return "http://" + address_ + ":" + std::to_string(port_) + "/"; }

void StorageHostStandIn::failUploads(int count)
{
    std::lock_guard guard(impl_->mutex);
    impl_->uploadsToFail = std::max(0, count);
}

void StorageHostStandIn::setLogSink(std::function<void(const std::string& line)> sink)
{
    std::lock_guard guard(impl_->mutex);
    impl_->logSink = std::move(sink);
}

std::optional<std::string> StorageHostStandIn::storedObject(const std::string& key) const { return impl_->find(key); }

void StorageHostStandIn::storeObject(const std::string& key, std::string bytes) { impl_->keep(key, std::move(bytes)); }

void StorageHostStandIn::setObjectStore(ObjectPut put, ObjectGet get)
{
    std::lock_guard guard(impl_->mutex);
    impl_->put = std::move(put);
    impl_->get = std::move(get);
}

std::vector<LoggedRequest> StorageHostStandIn::requests() const
{
    std::lock_guard guard(impl_->mutex);
    return { impl_->log.entries().begin(), impl_->log.entries().end() };
}

} // namespace standin
