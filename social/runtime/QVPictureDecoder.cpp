// Pictures from the service: the pixel budget read from the header, small
// ones decoded at once, larger ones on the image cache's decoder thread
// whose images come back through the main loop.
#include "social/runtime/QVPictureDecoder.h"

#include "social/runtime/QVImageCache.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>

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

QVPictureDecoder::Dimensions QVPictureDecoder::pixelsOfPoints(float width, float height)
{
    auto pixels = [](float points) {
        const float p = std::ceil(std::max(points, 0.0f) * kPixelsPerPoint);
        return p < float(Image::kMaxDimension) ? uint32_t(p) : Image::kMaxDimension;
    };
    return Dimensions { pixels(width), pixels(height) };
}

Ref<Image> QVPictureDecoder::reduced(Ref<Image> image, Dimensions shown)
{
    if (!image || shown.width == 0 || shown.height == 0)
        return image;
    const uint32_t w = image->width(), h = image->height();
    // The smaller of the two reductions would leave one side short of the box.
    const double scale = std::max(double(shown.width) / w, double(shown.height) / h);
    if (scale >= 1)
        return image;
    const uint32_t nw = std::max<uint32_t>(1, uint32_t(std::ceil(w * scale)));
    const uint32_t nh = std::max<uint32_t>(1, uint32_t(std::ceil(h * scale)));
    if (nw >= w && nh >= h)
        return image;
    const platform::Bytes& from = image->rgba();
    platform::Bytes to(size_t(nw) * nh * 4);
    // Each new pixel is the mean of the old ones its area covers, alpha-weighted
    // so that transparent pixels lend no colour.
    for (uint32_t y = 0; y < nh; ++y) {
        const uint32_t y0 = uint32_t(uint64_t(y) * h / nh), y1 = std::max(y0 + 1, uint32_t(uint64_t(y + 1) * h / nh));
        for (uint32_t x = 0; x < nw; ++x) {
            const uint32_t x0 = uint32_t(uint64_t(x) * w / nw), x1 = std::max(x0 + 1, uint32_t(uint64_t(x + 1) * w / nw));
            uint64_t r = 0, g = 0, b = 0, a = 0;
            for (uint32_t sy = y0; sy < y1; ++sy) {
                const uint8_t* p = &from[(size_t(sy) * w + x0) * 4];
                for (uint32_t sx = x0; sx < x1; ++sx, p += 4) {
                    r += uint64_t(p[0]) * p[3];
                    g += uint64_t(p[1]) * p[3];
                    b += uint64_t(p[2]) * p[3];
                    a += p[3];
                }
            }
            const uint64_t n = uint64_t(y1 - y0) * (x1 - x0);
            uint8_t* q = &to[(size_t(y) * nw + x) * 4];
            if (a) {
                q[0] = uint8_t((r + a / 2) / a);
                q[1] = uint8_t((g + a / 2) / a);
                q[2] = uint8_t((b + a / 2) / a);
            }
            q[3] = uint8_t((a + n / 2) / n);
        }
    }
    Ref<Image> small = Image::imageWithRGBA(nw, nh, std::move(to), image->alphaInfo(), image->colorModel(),
                                            image->bitsPerComponent());
    return small ? small : image;
}

Ref<Image> QVPictureDecoder::decodeNow(const platform::Bytes& bytes, const std::string& source,
                                       std::optional<Dimensions> shown)
{
    if (!withinBudget(bytes, source))
        return nullptr;
    std::string error;
    Ref<Image> image = Image::imageWithData(bytes.data(), bytes.size(), &error, kMaxPixels);
    if (!image)
        platform::logWarning("Quorvel: the picture %s does not decode (%s); it is not shown", source.c_str(),
                             error.c_str());
    return shown ? reduced(std::move(image), *shown) : image;
}

void QVPictureDecoder::decode(platform::Bytes bytes, const std::string& source, std::optional<Dimensions> shown,
                              Done done)
{
    std::optional<Image::Dimensions> size = withinBudget(bytes, source);
    if (!size) {
        done(nullptr);
        return;
    }
    if (uint64_t(size->width) * size->height <= kInlinePixels && bytes.size() <= kInlineBytes) {
        done(decodeNow(bytes, source, shown));
        return;
    }
    QVImageCache* cache = QVImageCache::sharedInstance();
    if (!cache) {
        done(decodeNow(bytes, source, shown));
        return;
    }
    cache->decoderThread().add(std::move(bytes), source, shown, std::move(done));
}

void QVPictureDecoderThread::add(platform::Bytes bytes, std::string source,
                                 std::optional<QVPictureDecoder::Dimensions> shown, QVPictureDecoder::Done done)
{
    std::lock_guard guard(mutex_);
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    jobs_.push_back(Job { std::move(bytes), std::move(source), shown, std::move(done) });
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
        Ref<Image> image = QVPictureDecoder::decodeNow(job.bytes, job.source, job.shown);
        job.bytes = platform::Bytes(); // the file is let go of with the full-size image
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
