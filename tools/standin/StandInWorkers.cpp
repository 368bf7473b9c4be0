// The worker pool the stand-in's handlers run on, the bounded log of the
// requests it took, and the reason phrases of its statuses.
#include "tools/standin/StandInHttp.h"

namespace standin::http {

// --- workers ---

WorkerPool::WorkerPool(size_t threads, size_t maxWaiting) : maxWaiting_(maxWaiting)
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

WorkerPool::Posted WorkerPool::post(std::function<void()> task)
{
    {
        std::lock_guard guard(mutex_);
        if (stopping_)
            return Posted::Stopped;
        if (tasks_.size() >= maxWaiting_)
            return Posted::Full;
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return Posted::Queued;
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
