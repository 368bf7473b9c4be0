// The shared image cache, its picture downloads (queued, decoded and delivered
// a turn's share at a time), and the bundle image loader on top of it.
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSharedInstance.h"
#include "social/runtime/QVTurns.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace quorvel {

using platform::Image;
using platform::Ref;

namespace {
using Shared = QVSharedInstance<QVImageCache>;

// An image missing from the bundle is named once per bundle folder: screens
// ask for the same picture again and again.
void reportMissing(const std::string& name)
{
    static std::set<std::pair<std::string, std::string>> reported;
    const std::string& folder = platform::Bundle::main().resourcePath();
    if (reported.emplace(folder, name).second)
        platform::logWarning("QVImageLoader: cannot find \"%s\" in the bundle folder %s: it is not drawn", name.c_str(),
                             folder.c_str());
}
// Counted across caches: a ticket of an ended cache names nothing in the next.
uint64_t nextTicket()
{
    static uint64_t last = 0;
    return ++last;
}

} // namespace

// One picture's download, shared by every ticket asking for its address, and
// then its decoding and delivery. Its own observer: the request holds it
// while it runs. Its steps after the transfer run on the cache's arrival turns.
class QVPictureDownload : public QVHttpServiceObserver {
public:
    QVPictureDownload(QVImageCache& cache, std::string url) : cache_(&cache), url_(std::move(url)) { }

    struct Waiter {
        uint64_t ticket;
        std::optional<QVImageCache::Dimensions> shown;
        QVImageCache::PictureDone done;
    };

    void start()
    {
        started_ = true;
        holdsPlace = true;
        std::string path = url_;
        if (url_.rfind("http", 0) == 0) {
            service_ = platform::makeRef<QVHttpService>("", false);
        } else if (url_.rfind("www", 0) == 0) {
            // A host without a scheme: an empty base would leave no usable address.
            service_ = platform::makeRef<QVHttpService>("", false);
            path = "http://" + url_;
        } else {
            service_ = QVProvider::createHttpService();
        }
        service_->startRequest(path, "GET", std::nullopt, this);
    }

    // Stops the transfer (no observer is called); a decode under way ends unheard.
    void stop()
    {
        cache_ = nullptr;
        waiters_.clear();
        bytes_ = platform::Bytes();
        if (Ref<QVHttpService> service = std::move(service_))
            service->cancelAllRequests();
    }

    void requestFinished(QVHttpRequest* request) override
    {
        if (!request || request->receivedData().empty()) {
            requestFailed(request);
            return;
        }
        service_ = nullptr;
        take(request->receivedData(), url_);
        if (cache_)
            cache_->arrived(this);
    }

    void requestFailed(QVHttpRequest*) override
    {
        service_ = nullptr;
        failed_ = true;
        if (cache_)
            cache_->arrived(this);
    }

    // The picture's file, kept until the download is over: an asker for a
    // larger box than it was decoded for has it decoded again.
    void take(const platform::Bytes& bytes, std::string source)
    {
        bytes_ = bytes;
        source_ = std::move(source);
        file_ = Image::dimensionsOfData(bytes_.data(), bytes_.size());
    }

    // Its next step once arrived: the picture decoded (a small one at once,
    // then delivered), or delivered, or dropped when nobody waits for it yet.
    void advance()
    {
        if (!cache_)
            return;
        if (failed_) {
            deliver(nullptr);
        } else if (decodedImage_) {
            deliver(std::move(decodedImage_));
        } else if (waiters_.empty()) {
            bytes_ = platform::Bytes();
            cache_->finished(this);
        } else {
            decode();
        }
    }

    const std::string& url() const { return url_; }
    bool isWaiting(uint64_t ticket) const
    {
        return std::any_of(waiters_.begin(), waiters_.end(), [&](const Waiter& w) { return w.ticket == ticket; });
    }
    bool transferring() const { return started_ && service_; }
    std::vector<Waiter> waiters_;
    bool holdsPlace { false }; // counted among the cache's running downloads

private:
    // A reduced copy serves a box it covers; a whole picture serves any.
    static bool serves(const Image& image, bool reduced, const std::optional<QVImageCache::Dimensions>& shown)
    {
        return !reduced || (shown && image.width() >= shown->width && image.height() >= shown->height);
    }

    // Decodes for every asker at once, at the largest box any shows it in;
    // one that shows it at its own size wants it whole.
    void decode()
    {
        std::optional<QVImageCache::Dimensions> shown = QVImageCache::Dimensions {};
        for (const Waiter& w : waiters_) {
            if (!w.shown) {
                shown = std::nullopt;
                break;
            }
            shown->width = std::max(shown->width, w.shown->width);
            shown->height = std::max(shown->height, w.shown->height);
        }
        Ref<QVPictureDownload> self(this);
        decoding_ = true;
        decodingHere_ = true;
        QVPictureDecoder::decode(bytes_, source_, shown, [self](Ref<Image> image) {
            self->decoding_ = false;
            self->failed_ = !image;
            self->decodedImage_ = std::move(image);
            // From the decoder thread it waits for its turn; decoded here, it goes on at once.
            if (!self->decodingHere_ && self->cache_)
                self->cache_->arrived(self.get());
        });
        decodingHere_ = false;
        if (!decoding_)
            advance();
    }

    void deliver(Ref<Image> image)
    {
        QVImageCache* cache = cache_;
        Ref<QVPictureDownload> keep(this);
        const bool reduced = image && file_ && (image->width() < file_->width || image->height() < file_->height);
        // A reduced copy does not take the place of a whole one.
        if (image && (!reduced || !cache->fetch(url_, std::nullopt)))
            cache->store(image, url_, reduced);
        // Those it serves are told; the rest (who joined after the decode began,
        // for a larger box) wait for a copy decoded again for theirs.
        std::vector<Waiter> told, still;
        for (Waiter& w : waiters_)
            (image && !serves(*image, reduced, w.shown) ? still : told).push_back(std::move(w));
        waiters_ = std::move(still);
        failed_ = false;
        if (waiters_.empty()) {
            bytes_ = platform::Bytes();
            cache->finished(this);
        } else {
            cache->arrived(this);
        }
        // A waiter's callback may ask for pictures again, or end the cache.
        for (Waiter& w : told)
            if (w.done)
                w.done(image);
    }

    QVImageCache* cache_; // cleared when the cache ends or the download is stopped
    std::string url_;
    Ref<QVHttpService> service_; // while the transfer runs
    bool started_ { false };
    bool failed_ { false };
    bool decoding_ { false };
    bool decodingHere_ { false };
    platform::Bytes bytes_;
    std::string source_;
    std::optional<Image::Dimensions> file_;
    Ref<Image> decodedImage_;
};

void QVImageCache::initializeCache()
{
    if (!Shared::shared())
        Shared::set(platform::adoptRef(new QVImageCache));
}

void QVImageCache::shutdownCache() { Shared::purge(); }

QVImageCache* QVImageCache::sharedInstance() { return Shared::shared(); }

QVImageCache::QVImageCache() = default;

QVImageCache::~QVImageCache()
{
    // Nothing is told once the cache is gone, and no download goes on.
    auto downloads = std::move(downloads_);
    queue_.clear();
    arrivals_.clear();
    if (arrivalsTurn_)
        arrivalsTurn_->invalidate();
    for (auto& [url, download] : downloads)
        download->stop();
}

size_t QVImageCache::picturesDecoding() const
{
    return (decoderThread_ ? decoderThread_->underWay() : 0) + arrivals_.size();
}

QVPictureDecoderThread& QVImageCache::decoderThread()
{
    if (!decoderThread_)
        decoderThread_ = std::make_unique<QVPictureDecoderThread>();
    return *decoderThread_;
}

Ref<Image> QVImageCache::fetch(const std::string& identifier)
{
    auto found = entries_.find(identifier);
    if (found == entries_.end())
        return nullptr;
    uses_.splice(uses_.end(), uses_, found->second.use);
    return found->second.image;
}

Ref<Image> QVImageCache::fetch(const std::string& identifier, std::optional<Dimensions> shown)
{
    auto found = entries_.find(identifier);
    if (found == entries_.end())
        return nullptr;
    const Entry& entry = found->second;
    if (entry.reduced
        && (!shown || entry.image->width() < shown->width || entry.image->height() < shown->height))
        return nullptr;
    return fetch(identifier);
}

void QVImageCache::store(Ref<Image> image, const std::string& identifier, bool reduced)
{
    if (!image)
        return;
    auto found = entries_.find(identifier);
    if (found != entries_.end())
        erase(found);
    const size_t size = image->rgba().size();
    uses_.push_back(identifier);
    entries_.emplace(identifier, Entry { std::move(image), size, reduced, std::prev(uses_.end()) });
    bytes_ += size;
    peakBytes_ = std::max(peakBytes_, bytes_);
    trim();
}

void QVImageCache::purge()
{
    entries_.clear();
    uses_.clear();
    bytes_ = 0;
}

void QVImageCache::setByteBudget(size_t budget)
{
    budget_ = budget;
    trim();
}

void QVImageCache::erase(std::unordered_map<std::string, Entry>::iterator found)
{
    bytes_ -= found->second.bytes;
    uses_.erase(found->second.use);
    entries_.erase(found);
}

void QVImageCache::trim()
{
    // Oldest first; an image someone else holds is in use and stays.
    for (auto use = uses_.begin(); use != uses_.end() && bytes_ > budget_;) {
        auto found = entries_.find(*use);
        ++use;
        if (found->second.image->retainCount() == 1)
            erase(found);
    }
}

uint64_t QVImageCache::loadPicture(const std::string& url, std::optional<Dimensions> shown, PictureDone done)
{
    if (Ref<Image> cached = fetch(url, shown)) {
        if (done)
            done(cached);
        return 0;
    }
    Ref<QVPictureDownload>& download = downloads_[url];
    if (!download) {
        download = platform::makeRef<QVPictureDownload>(*this, url);
        queue_.push_back(download);
    }
    const uint64_t ticket = nextTicket();
    download->waiters_.push_back({ ticket, shown, std::move(done) });
    startQueued();
    return ticket;
}

uint64_t QVImageCache::decodePicture(const std::string& identifier, const platform::Bytes& bytes,
                                     const std::string& source, std::optional<Dimensions> shown, PictureDone done)
{
    if (Ref<Image> cached = fetch(identifier, shown)) {
        if (done)
            done(cached);
        return 0;
    }
    Ref<QVPictureDownload>& slot = downloads_[identifier];
    const bool fresh = !slot;
    if (fresh) {
        slot = platform::makeRef<QVPictureDownload>(*this, identifier);
        slot->take(bytes, source);
    }
    Ref<QVPictureDownload> decoding = slot;
    const uint64_t ticket = nextTicket();
    decoding->waiters_.push_back({ ticket, shown, std::move(done) });
    if (fresh)
        decoding->advance();
    return decoding->isWaiting(ticket) ? ticket : 0;
}

void QVImageCache::cancelPicture(uint64_t ticket)
{
    if (!ticket)
        return;
    for (auto it = downloads_.begin(); it != downloads_.end(); ++it) {
        Ref<QVPictureDownload> download = it->second;
        auto& waiters = download->waiters_;
        auto waiter = std::find_if(waiters.begin(), waiters.end(), [&](auto& w) { return w.ticket == ticket; });
        if (waiter == waiters.end())
            continue;
        // Let go of outside the list: its callback may hold what calls back in.
        PictureDone done = std::move(waiter->done);
        waiters.erase(waiter);
        if (!waiters.empty())
            return;
        // Nobody waits any longer: a queued or running transfer is dropped; a
        // body that is in goes undecoded, a decode under way still ends in the cache.
        auto queued = std::find_if(queue_.begin(), queue_.end(), [&](auto& d) { return d.get() == download.get(); });
        if (queued != queue_.end()) {
            queue_.erase(queued);
            downloads_.erase(it);
        } else if (download->transferring()) {
            downloads_.erase(it);
            download->stop();
            download->holdsPlace = false;
            --running_;
            startQueued();
        }
        return;
    }
}

void QVImageCache::arrived(QVPictureDownload* download)
{
    arrivals_.emplace_back(download);
    scheduleArrivals();
}

void QVImageCache::scheduleArrivals()
{
    if (arrivalsTurn_ && arrivalsTurn_->isValid())
        return;
    // The next turn of the main loop (as QVNextTurn), kept to know it is due.
    platform::Weak<QVImageCache> weak(this);
    arrivalsTurn_ = platform::RunLoop::main().performAfter(0, [weak] {
        if (Ref<QVImageCache> cache = weak.lock())
            cache->takeArrivals();
    });
}

void QVImageCache::takeArrivals()
{
    arrivalsTurn_ = nullptr;
    // At least one a turn, then as many as the turn's share allows.
    QVTurnBudget budget;
    for (bool first = true; !arrivals_.empty(); first = false) {
        if (!first && budget.spent()) {
            scheduleArrivals();
            return;
        }
        Ref<QVPictureDownload> next = std::move(arrivals_.front());
        arrivals_.pop_front();
        next->advance();
        // A callback ended the cache: what it still held is not taken on.
        if (Shared::shared() != this)
            return;
    }
}

void QVImageCache::finished(QVPictureDownload* download)
{
    auto found = downloads_.find(download->url());
    if (found != downloads_.end() && found->second.get() == download)
        downloads_.erase(found);
    if (download->holdsPlace) {
        download->holdsPlace = false;
        --running_;
        startQueued();
    }
}

void QVImageCache::startQueued()
{
    while (running_ < kMaxDownloads && !queue_.empty()) {
        Ref<QVPictureDownload> next = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        next->start();
    }
}

Ref<Image> QVImageLoader::loadImage(const std::string& name)
{
    // Bundle images only: a name that would reach outside the bundle is refused.
    if (!platform::path::staysInside(name))
        return nullptr;
    QVImageCache* cache = QVImageCache::sharedInstance();
    if (cache) {
        if (Ref<Image> cached = cache->fetch(name))
            return cached;
    }
    std::string path = platform::Bundle::main().pathForResource(name, "");
    if (path.empty()) {
        reportMissing(name);
        return nullptr;
    }
    std::string error;
    Ref<Image> image = Image::imageWithContentsOfFile(path, &error);
    if (!image) {
        platform::logWarning("QVImageLoader: cannot load %s: %s", name.c_str(), error.c_str());
        return nullptr;
    }
    if (cache)
        cache->store(image, name);
    return image;
}

} // namespace quorvel
