// The blob storage host: signed forms posted to the stand-in's HTTP server.
// It reads forms itself because the signed form ends with its closing
// delimiter and no line end, which stricter form parsers refuse.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"

#include <strings.h>

#include <cctype>

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

const std::string* field(const Params& form, const std::string& name)
{
    for (auto& [n, v] : form)
        if (n == name)
            return &v;
    return nullptr;
}

} // namespace

struct StorageHostStandIn::Impl {
    http::Server server;
    std::shared_ptr<http::WorkerPool> workers;
    mutable std::mutex mutex;
    std::map<std::string, std::string> objects;
    StorageHostStandIn::ObjectPut put;
    StorageHostStandIn::ObjectGet get;
    http::RequestLog log;
    std::function<void(const std::string&)> logSink;

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
    // Through the kept store when there is one, else in memory (the mutex held).
    bool keep(const std::string& key, std::string bytes)
    {
        if (put)
            return put(key, bytes);
        objects[key] = std::move(bytes);
        return true;
    }
    std::optional<std::string> find(const std::string& key) const
    {
        if (get)
            return get(key);
        auto object = objects.find(key);
        return object == objects.end() ? std::nullopt : std::optional<std::string>(object->second);
    }
};

namespace {

// The largest form the host reads: the largest multipart body the service
// reads, and room for the signed form's fields.
constexpr size_t kMaxFormBytes = kMultipartBodyLimit + 64 * 1024;

std::string errorBody(const char* code, const std::string& message)
{
    return std::string("<Error><Code>") + code + "</Code><Message>" + message + "</Message></Error>";
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
    } else if (request.method == "POST" && strncasecmp(request.contentType.c_str(), "multipart/form-data", 19) == 0) {
        std::string fault;
        auto parts = parseMultipart(req.body, request.contentType, &fault);
        int status = parts ? 0 : 400;
        if (!parts)
            refusal = "the form cannot be read: " + fault;
        for (const char* name : { "key", "AWSAccessKeyId", "acl", "policy", "signature", "file" })
            if (parts && status == 0 && !field(*parts, name)) {
                status = 400;
                refusal = std::string("the form has no ") + name;
            }
        if (parts)
            request.params = std::move(*parts);
        if (status == 0) {
            std::lock_guard guard(mutex);
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
        std::lock_guard guard(mutex);
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
    logLine(request.method + " " + request.path + " " + std::to_string(response.status)
            + (refusal.empty() ? std::string() : ": " + refusal));
    reply(std::move(response));
}

StorageHostStandIn::StorageHostStandIn() : impl_(std::make_unique<Impl>()) { }

StorageHostStandIn::~StorageHostStandIn() { stop(); }

int StorageHostStandIn::start(int port)
{
    Impl* impl = impl_.get();
    auto workers = std::make_shared<http::WorkerPool>(2);
    impl->workers = workers;
    http::Settings settings;
    settings.bodyLimit = [](const http::Request&) { return kMaxFormBytes; };
    settings.closeAfterEachAnswer = true;
    settings.onRequest = [impl, workers](http::Request&& request, http::Reply reply) {
        if (!workers->post([impl, request = std::move(request), reply] { impl->handle(request, reply); }))
            reply(http::Response { 503, "application/xml", errorBody("ServiceUnavailable", "the host is stopping"), 0, 0 });
    };
    settings.onRefused = [impl](const std::string& method, const std::string& path, int status, const std::string& why) {
        impl->logLine(method + " " + path + " " + std::to_string(status) + " not read: " + why);
    };
    port_ = impl->server.start(port, std::move(settings));
    return port_;
}

void StorageHostStandIn::stop()
{
    if (impl_->workers)
        impl_->workers->stop();
    impl_->server.stop();
}

std::string StorageHostStandIn::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

void StorageHostStandIn::setLogSink(std::function<void(const std::string& line)> sink)
{
    std::lock_guard guard(impl_->mutex);
    impl_->logSink = std::move(sink);
}

std::optional<std::string> StorageHostStandIn::storedObject(const std::string& key) const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->find(key);
}

void StorageHostStandIn::storeObject(const std::string& key, std::string bytes)
{
    std::lock_guard guard(impl_->mutex);
    impl_->keep(key, std::move(bytes));
}

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
