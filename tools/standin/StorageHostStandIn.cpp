// The blob storage host: a small HTTP/1.1 server on plain sockets. It reads
// forms itself because the signed form ends with its closing delimiter and no
// line end, which stricter form parsers refuse.
#include "tools/standin/StandInServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace standin {

Params parseMultipart(const std::string& body, const std::string& contentType)
{
    Params out;
    size_t at = contentType.find("boundary=");
    if (at == std::string::npos)
        return out;
    std::string boundary = contentType.substr(at + 9);
    if (size_t end = boundary.find(';'); end != std::string::npos)
        boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    const std::string delimiter = "--" + boundary;
    size_t pos = body.find(delimiter);
    while (pos != std::string::npos) {
        pos += delimiter.size();
        // "--" after the delimiter closes the form; a part starts with a line end.
        if (body.compare(pos, 2, "\r\n") != 0)
            break;
        pos += 2;
        size_t headersEnd = body.find("\r\n\r\n", pos);
        if (headersEnd == std::string::npos)
            break;
        std::string headers = body.substr(pos, headersEnd - pos);
        size_t contentStart = headersEnd + 4;
        size_t next = body.find("\r\n" + delimiter, contentStart);
        if (next == std::string::npos)
            break;
        std::string name;
        if (size_t n = headers.find("name=\""); n != std::string::npos) {
            size_t close = headers.find('"', n + 6);
            if (close != std::string::npos)
                name = headers.substr(n + 6, close - n - 6);
        }
        out.emplace_back(name, body.substr(contentStart, next - contentStart));
        pos = next + 2;
    }
    return out;
}

struct StorageHostStandIn::Impl {
    int listener { -1 };
    std::thread thread;
    std::atomic<bool> stopping { false };
    mutable std::mutex mutex;
    std::map<std::string, std::string> objects;
    StorageHostStandIn::ObjectPut put;
    StorageHostStandIn::ObjectGet get;
    std::vector<LoggedRequest> log;
    std::function<void(const std::string&)> logSink;

    void serve();
    void answer(int client);
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

bool readSome(int fd, std::string& into)
{
    char buffer[16384];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0)
        return false;
    into.append(buffer, size_t(n));
    return true;
}

void sendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += size_t(n);
    }
}

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// The largest form the host reads: the largest multipart body the service
// reads, and room for the signed form's fields.
constexpr size_t kMaxFormBytes = kMultipartBodyLimit + 64 * 1024;

} // namespace

void StorageHostStandIn::Impl::answer(int client)
{
    // One request: headers, then a body of Content-Length bytes.
    std::string data;
    size_t headerEnd;
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > 65536 || !readSome(client, data))
            return;
    }
    LoggedRequest request;
    std::string head = data.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t space1 = requestLine.find(' '), space2 = requestLine.rfind(' ');
    if (space1 == std::string::npos || space2 == space1)
        return;
    request.method = requestLine.substr(0, space1);
    std::string target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    request.path = target.substr(0, target.find('?'));
    if (!request.path.empty() && request.path[0] == '/')
        request.path.erase(0, 1);
    size_t contentLength = 0;
    for (size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2; pos < head.size();) {
        size_t end = head.find("\r\n", pos);
        std::string line = head.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? head.size() : end + 2;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        request.headers.emplace_back(name, value);
        if (strcasecmp(name.c_str(), "Content-Length") == 0)
            contentLength = std::strtoul(value.c_str(), nullptr, 10);
        if (strcasecmp(name.c_str(), "Content-Type") == 0)
            request.contentType = value;
    }
    request.body = data.substr(headerEnd + 4);
    // A form larger than the largest blob and its fields is read and dropped, then refused.
    const bool tooLarge = contentLength > kMaxFormBytes;
    size_t received = request.body.size();
    while (received < contentLength) {
        std::string more;
        if (!readSome(client, more))
            return;
        received += more.size();
        if (!tooLarge)
            request.body += more;
    }
    if (tooLarge)
        request.body.clear();
    else
        request.body.resize(contentLength);

    int status = 404;
    std::string body;
    std::string type = "application/xml";
    std::string refusal;
    if (tooLarge) {
        status = 413;
        refusal = "a form of " + std::to_string(contentLength) + " bytes is over the limit of "
            + std::to_string(kMaxFormBytes);
        body = "<Error><Code>EntityTooLarge</Code><Message>" + refusal + "</Message></Error>";
    } else if (request.method == "POST" && request.contentType.rfind("multipart/form-data", 0) == 0) {
        request.params = parseMultipart(request.body, request.contentType);
        auto part = [&](const char* name) -> const std::string* {
            for (const auto& [n, v] : request.params)
                if (n == name)
                    return &v;
            return nullptr;
        };
        status = 204;
        for (const char* field : { "key", "AWSAccessKeyId", "acl", "policy", "signature", "file" })
            if (!part(field)) {
                status = 400;
                refusal = std::string("the form has no ") + field;
            }
        std::lock_guard guard(mutex);
        if (status == 204 && !keep(*part("key"), *part("file"))) {
            status = 500;
            refusal = "the object could not be kept";
            body = "<Error><Code>InternalError</Code></Error>";
        } else if (status != 204) {
            body = "<Error><Code>InvalidArgument</Code></Error>";
        }
    } else if (request.method == "GET") {
        std::lock_guard guard(mutex);
        if (auto object = find(request.path)) {
            status = 200;
            body = std::move(*object);
            type = "application/octet-stream";
        } else {
            body = "<Error><Code>NoSuchKey</Code></Error>";
            refusal = "nothing is stored under this key";
        }
    }
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard guard(mutex);
        log.push_back(request);
        sink = logSink;
    }
    if (sink)
        sink(request.method + " " + request.path + " " + std::to_string(status)
             + (refusal.empty() ? std::string() : ": " + refusal));
    std::string response = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    if (status != 204)
        response += "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    if (status != 204)
        response += body;
    sendAll(client, response);
}

void StorageHostStandIn::Impl::serve()
{
    while (!stopping) {
        pollfd p { listener, POLLIN, 0 };
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        answer(client);
        ::shutdown(client, SHUT_WR);
        ::close(client);
    }
}

StorageHostStandIn::StorageHostStandIn() : impl_(std::make_unique<Impl>()) { }

StorageHostStandIn::~StorageHostStandIn() { stop(); }

int StorageHostStandIn::start(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    impl_->listener = fd;
    impl_->stopping = false;
    port_ = ntohs(address.sin_port);
    impl_->thread = std::thread([this] { impl_->serve(); });
    return port_;
}

void StorageHostStandIn::stop()
{
    impl_->stopping = true;
    if (impl_->thread.joinable())
        impl_->thread.join();
    if (impl_->listener >= 0)
        ::close(impl_->listener);
    impl_->listener = -1;
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
    return impl_->log;
}

} // namespace standin
