// Pictures from the service: the pixel budget read from the header, small
// ones decoded at once, larger ones on the image cache's decoder thread
// whose images come back through the main loop.
#include "social/runtime/QVPictureDecoder.h"

#include "social/runtime/QVImageCache.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

namespace quorvel {

using platform::Image;
using platform::Ref;

namespace {

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
    if (uint64_t(size->width) * size->height <= kInlinePixels && bytes.size() <= kInlineBytes) {
        done(decodeNow(bytes, source));
        return;
    }
    QVImageCache* cache = QVImageCache::sharedInstance();
    if (!cache) {
        done(decodeNow(bytes, source));
        return;
    }
    cache->decoderThread().add(std::move(bytes), source, std::move(done));
}

void QVPictureDecoderThread::add(platform::Bytes bytes, std::string source, QVPictureDecoder::Done done)
{
    std::lock_guard guard(mutex_);
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    jobs_.push_back(Job { std::move(bytes), std::move(source), std::move(done) });
    ++*underWay_;
    wake_.notify_one();
}

size_t QVPictureDecoder::decodesUnderWay()
{
    QVImageCache* cache = QVImageCache::sharedInstance();
    return cache ? cache->picturesDecoding() : 0;
}

void QVPictureDecoderThread::run()
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
        std::lock_guard guard(mutex_);
        if (stopping_) {
            leftovers_.push_back(std::move(job));
            return;
        }
        // Counted down once the delivery has run, or when the loop drops it unrun.
        std::shared_ptr<void> delivered(nullptr, [underWay = underWay_](void*) { --*underWay; });
        platform::RunLoop::main().post(
            [done = std::move(job.done), image = std::move(image), delivered = std::move(delivered)]() mutable {
                done(std::move(image));
                delivered.reset();
            });
    }
}

QVPictureDecoderThread::~QVPictureDecoderThread()
{
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    // What it had not decoded is dropped; deliveries already posted still count down.
    *underWay_ -= jobs_.size() + leftovers_.size();
}

} // namespace quorvel
