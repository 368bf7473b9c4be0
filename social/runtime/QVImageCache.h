// QVImageCache: the client's identifier-to-image store (pictures by URL, bundle
// images by name, address-book photos by contact), shared while the client
// runs. It keeps what it holds within a byte budget (4 bytes a pixel): past
// it, the least recently fetched or stored images go first, except those in
// use (held by someone besides the cache), which stay until let go of. A
// picture shown in a box smaller than itself is kept reduced to that box
// (QVPictureDecoder); such an image serves later askers only for boxes it
// covers. purge() (memory warning, dashboard closed) drops everything.
//
// It also downloads every picture the client shows or hands to the game
// (loadPicture: views, records' pictures and icons): one download per address
// however many ask, at most kMaxDownloads at once and the rest queued in the
// order asked. A download keeps its place until its picture is delivered, so
// what is in flight (bodies, pictures decoding) stays bounded however long the
// queue. What arrives is decoded (a large picture on the decoder thread) and
// delivered on the main loop's coming turns, a turn's share (kQVTurnBudget)
// at a time, so that a page of pictures holds no frame. Main thread only.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace quorvel {

class QVPictureDecoderThread;
class QVPictureDownload;

class QVImageCache : public platform::Object {
public:
    static constexpr size_t kByteBudget = 32 * 1024 * 1024;
    static constexpr size_t kMaxDownloads = 4;
    using Dimensions = platform::Image::Dimensions;

    static void initializeCache();
    static void shutdownCache();
    // Null before initializeCache() and after shutdownCache().
    static QVImageCache* sharedInstance();

    // The image stored under the identifier, or null; a fetched image counts
    // as recently used.
    platform::Ref<platform::Image> fetch(const std::string& identifier);
    // The same, only when it shows in a box of `shown` pixels without losing
    // detail: stored at full size, or reduced to a size that covers the box.
    platform::Ref<platform::Image> fetch(const std::string& identifier, std::optional<Dimensions> shown);
    // Replaces an earlier image of that identifier; a null image stores
    // nothing. `reduced`: the image is a picture made smaller than its file.
    void store(platform::Ref<platform::Image> image, const std::string& identifier, bool reduced = false);
    void purge();
    size_t count() const { return entries_.size(); }

    // Bytes of the images held, their highest since the cache began (or since
    // resetPeakBytes), and the budget (which a test may lower).
    size_t bytes() const { return bytes_; }
    size_t peakBytes() const { return peakBytes_; }
    void resetPeakBytes() { peakBytes_ = bytes_; }
    size_t byteBudget() const { return budget_; }
    void setByteBudget(size_t budget);

    // The picture at `url` for a view that shows it in a box of `shown`
    // pixels (nullopt: at its own size). A URL beginning with "http" is
    // fetched as it is, one beginning with "www" over http, any other under
    // the server's address. A picture the cache holds (and that covers the
    // box) goes to `done` at once and the answer is 0. Otherwise the answer is
    // a ticket and `done` hears, on a later turn of the main loop, the image
    // (stored in the cache) or null when the download failed or the picture
    // was refused. The image covers the asker's box: one that joins a download
    // decoded for a smaller box gets a copy decoded again for its own. Once the
    // ticket is cancelled `done` is not called; a download no ticket waits for
    // any longer is stopped (one whose body is in is not decoded; a decode
    // under way still ends in the cache). When the cache ends, its downloads
    // stop and nobody is told.
    using PictureDone = std::function<void(platform::Ref<platform::Image>)>;
    uint64_t loadPicture(const std::string& url, std::optional<Dimensions> shown, PictureDone done);
    // A picture in hand (an address-book photo) decoded as a download's is,
    // once however many ask for it while it decodes, and kept under
    // `identifier`; `source` names it in the log. Answers and calls back as
    // loadPicture does, except that a small picture is told at once (answer 0).
    uint64_t decodePicture(const std::string& identifier, const platform::Bytes& bytes, const std::string& source,
                           std::optional<Dimensions> shown, PictureDone done);
    void cancelPicture(uint64_t ticket);
    size_t downloadsRunning() const { return running_; }
    size_t downloadsQueued() const { return queue_.size(); }

    // The thread large pictures from the service decode on (QVPictureDecoder),
    // started on first use and stopped with the cache.
    QVPictureDecoderThread& decoderThread();
    // Pictures in and not delivered yet: decoding, or waiting for their turn.
    size_t picturesDecoding() const;

    ~QVImageCache() override;

private:
    friend class QVPictureDownload;
    QVImageCache();

    struct Entry {
        platform::Ref<platform::Image> image;
        size_t bytes { 0 };
        bool reduced { false };
        std::list<std::string>::iterator use; // its place in uses_
    };
    void trim();
    void erase(std::unordered_map<std::string, Entry>::iterator found);
    void startQueued();
    // A download's body (or its decoded picture, or its failure) is in: it
    // is taken on at a coming turn, in the order things arrived.
    void arrived(QVPictureDownload* download);
    void scheduleArrivals();
    void takeArrivals();
    // Over: no longer joined by new askers, and its place goes to the next in line.
    void finished(QVPictureDownload* download);

    std::unordered_map<std::string, Entry> entries_;
    std::list<std::string> uses_; // identifiers, least recently used first
    size_t bytes_ { 0 };
    size_t peakBytes_ { 0 };
    size_t budget_ { kByteBudget };

    std::map<std::string, platform::Ref<QVPictureDownload>> downloads_; // by URL, running or queued
    std::deque<platform::Ref<QVPictureDownload>> queue_;
    size_t running_ { 0 }; // downloads holding a place: transferring, decoding or waiting to be delivered
    std::deque<platform::Ref<QVPictureDownload>> arrivals_;
    platform::Ref<platform::Timer> arrivalsTurn_; // the coming turn that takes them on

    std::unique_ptr<QVPictureDecoderThread> decoderThread_;
};

// Named images of the client, loaded from the bundle through the shared cache.
class QVImageLoader {
public:
    // The cached image of that name, else the bundle file of that exact name
    // (kept in the cache when there is one); null when the file is missing
    // (a warning names it and the folder, once) or not an image, and for a
    // name that leaves the bundle (absolute, or with a ".." step).
    static platform::Ref<platform::Image> loadImage(const std::string& name);
};

} // namespace quorvel
