// Pictures from the service: the pixel budget read from the header, small
// ones decoded at once, larger ones on one decoder thread whose images come
// back through the main loop.
#include "social/runtime/QVPictureDecoder.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvel {

using platform::Image;
using platform::Ref;

namespace {

struct Job {
    platform::Bytes bytes;
    std::string source;
    // Only ever moved on the decoder thread: what it holds is made, called
    // and let go of on the main thread.
    QVPictureDecoder::Done done;
};

// The decoder thread, started at the first large picture and stopped when
// the process ends.
class DecoderThread {
public:
    static DecoderThread& shared()
    {
        static DecoderThread thread;
        return thread;
    }

    void add(Job job)
    {
        std::lock_guard guard(mutex_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
        jobs_.push_back(std::move(job));
        wake_.notify_one();
    }

    ~DecoderThread()
    {
        {
            std::lock_guard guard(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

private:
    DecoderThread() = default;

    void run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_)
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            Ref<Image> image = QVPictureDecoder::decodeNow(job.bytes, job.source);
            platform::RunLoop::main().post(
                [done = std::move(job.done), image = std::move(image)]() mutable { done(std::move(image)); });
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ { false };
    std::thread thread_;
};

// The size its header gives, when within the budget; a refusal is logged.
std::optional<Image::Dimensions> withinBudget(const platform::Bytes& bytes, const std::string& source)
{
    std::optional<Image::Dimensions> size = Image::dimensionsOfData(bytes.data(), bytes.size());
    if (!size) {
        platform::logWarning("Quorvel: the picture %s is not a PNG or JPEG image; it is not shown", source.c_str());
        return std::nullopt;
    }
    const uint64_t pixels = uint64_t(size->width) * size->height;
    if (pixels > QVPictureDecoder::kMaxPixels) {
        platform::logWarning("Quorvel: the picture %s is %ux%u pixels, past the budget of %llu (2048x1536); it is not "
                             "shown",
                             source.c_str(), size->width, size->height,
                             static_cast<unsigned long long>(QVPictureDecoder::kMaxPixels));
        return std::nullopt;
    }
    return size;
}

} // namespace

Ref<Image> QVPictureDecoder::decodeNow(const platform::Bytes& bytes, const std::string& source)
{
    if (!withinBudget(bytes, source))
        return nullptr;
    std::string error;
    Ref<Image> image = Image::imageWithData(bytes.data(), bytes.size(), &error, kMaxPixels);
    if (!image)
        platform::logWarning("Quorvel: the picture %s does not decode (%s); it is not shown", source.c_str(),
                             error.c_str());
    return image;
}

void QVPictureDecoder::decode(platform::Bytes bytes, const std::string& source, Done done)
{
    std::optional<Image::Dimensions> size = withinBudget(bytes, source);
    if (!size) {
        done(nullptr);
        return;
    }
    if (uint64_t(size->width) * size->height <= kInlinePixels) {
        done(decodeNow(bytes, source));
        return;
    }
    DecoderThread::shared().add(Job { std::move(bytes), source, std::move(done) });
}

} // namespace quorvel
