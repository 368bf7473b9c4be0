// QVPictureDecoder: pictures from the service (profile pictures, icons)
// turned into images without letting one answer cost what it likes.
//
// A picture's size is read from its header first: past kMaxPixels it is
// refused with a warning naming where it came from, and nothing is decoded.
// A small one (up to kInlinePixels in at most kInlineBytes, an icon or a
// profile picture, well under a millisecond) decodes at once; a larger one decodes on the image cache's
// decoder thread (QVPictureDecoderThread), one at a time in the order asked,
// and its image comes back through the main run loop, so that no decode
// holds a frame. A caller that shows the picture scaled into a box of known
// size gives that size in pixels: the image is then kept no larger than what
// covers the box (its shape kept), reduced where it was decoded. Main thread
// only; what the caller hands in to be called back is made, called and let
// go of on the main thread.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {

class QVPictureDecoder {
public:
    // What the largest screen shows: the tablet's 1024x768 points at scale 2.
    static constexpr uint64_t kMaxPixels = 2048ull * 1536;
    // Decoded on the spot up to this many pixels, when the file is no larger
    // than this: what takes a decoder long is in the bytes (chunks, scans)
    // as much as in the pixels.
    static constexpr uint64_t kInlinePixels = 256ull * 256;
    static constexpr size_t kInlineBytes = 64 * 1024;
    // Pixels per point of the sharpest screen: a box's size in pixels.
    static constexpr float kPixelsPerPoint = 2;

    using Dimensions = platform::Image::Dimensions;
    // The pixels a box of that many points covers on the sharpest screen.
    static Dimensions pixelsOfPoints(float width, float height);

    // Receives the image, or null when the picture was refused or does not decode.
    using Done = std::function<void(platform::Ref<platform::Image>)>;

    // Decodes `bytes` (what the service sent for `source`, a URL, named in
    // the log) and hands the outcome to `done`: before answering when the
    // picture is refused, undecodable by its header or small (or when no
    // image cache runs), else on a later turn of the main loop.
    static void decode(platform::Bytes bytes, const std::string& source, Done done)
    {
        decode(std::move(bytes), source, std::nullopt, std::move(done));
    }
    // The same, the image reduced to cover `shown` pixels.
    static void decode(platform::Bytes bytes, const std::string& source, std::optional<Dimensions> shown, Done done);

    // The same checks, decoding on the calling thread whatever the size.
    static platform::Ref<platform::Image> decodeNow(const platform::Bytes& bytes, const std::string& source,
                                                    std::optional<Dimensions> shown = std::nullopt);

    // The image scaled down (by the mean of the pixels each new one covers)
    // to the smallest size of its shape that covers `shown`; the image itself
    // when it is no larger than that or `shown` is empty.
    static platform::Ref<platform::Image> reduced(platform::Ref<platform::Image> image, Dimensions shown);

    // Pictures the image cache has in hand and has not delivered yet (on its
    // decoder thread, or waiting for their turn): a test waits for none before it looks.
    static size_t decodesUnderWay();
};

// The thread larger pictures decode on, one per image cache (QVImageCache),
// started at its first picture. Destroyed, it drops what it has not decoded
// and waits for the picture it is decoding; its outcome is dropped too.
class QVPictureDecoderThread {
public:
    QVPictureDecoderThread() = default;
    ~QVPictureDecoderThread();
    QVPictureDecoderThread(const QVPictureDecoderThread&) = delete;
    QVPictureDecoderThread& operator=(const QVPictureDecoderThread&) = delete;

    void add(platform::Bytes bytes, std::string source, std::optional<QVPictureDecoder::Dimensions> shown,
             QVPictureDecoder::Done done);
    // Added and not yet delivered on the main loop (nor dropped).
    size_t underWay() const { return *underWay_; }

private:
    struct Job {
        platform::Bytes bytes;
        std::string source;
        std::optional<QVPictureDecoder::Dimensions> shown;
        QVPictureDecoder::Done done; // only ever moved on the decoder thread
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::vector<Job> leftovers_; // decoded after the stop: let go of on the main thread
    bool stopping_ { false };
    // Shared with the deliveries posted to the main loop, which may outlive the thread.
    std::shared_ptr<std::atomic<size_t>> underWay_ { std::make_shared<std::atomic<size_t>>(0) };
    std::thread thread_;
};

} // namespace quorvel
