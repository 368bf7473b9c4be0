// The shared image cache, its picture downloads, and the bundle image loader on top of it.
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSharedInstance.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

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
// then its decoding. Its own observer: the request holds it while it runs.
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
        if (Ref<QVHttpService> service = std::move(service_))
            service->cancelAllRequests();
    }

    void requestFinished(QVHttpRequest* request) override
    {
        if (!request || request->receivedData().empty()) {
            requestFailed(request);
            return;
        }
        transferEnded();
        decode(request->receivedData(), url_);
    }

    // Decodes the picture for every asker at once, at the largest box any
    // shows it in; one that shows it at its own size wants it whole.
    void decode(const platform::Bytes& bytes, const std::string& source)
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
        std::optional<Image::Dimensions> file = Image::dimensionsOfData(bytes.data(), bytes.size());
        Ref<QVPictureDownload> self(this);
        QVPictureDecoder::decode(bytes, source, shown, [self, file](Ref<Image> image) {
            const bool reduced = image && file && (image->width() < file->width || image->height() < file->height);
            self->finish(std::move(image), reduced);
        });
    }

    void requestFailed(QVHttpRequest*) override
    {
        transferEnded();
        finish(nullptr, false);
    }

    const std::string& url() const { return url_; }
    bool isWaiting(uint64_t ticket) const
    {
        return std::any_of(waiters_.begin(), waiters_.end(), [&](const Waiter& w) { return w.ticket == ticket; });
    }
    bool transferring() const { return started_ && service_; }
    std::vector<Waiter> waiters_;

private:
    void transferEnded()
    {
        service_ = nullptr;
        if (cache_)
            cache_->downloadEnded(this);
    }

    void finish(Ref<Image> image, bool reduced)
    {
        QVImageCache* cache = cache_;
        if (!cache)
            return;
        cache_ = nullptr;
        Ref<QVPictureDownload> keep(this);
        auto found = cache->downloads_.find(url_);
        if (found != cache->downloads_.end() && found->second.get() == this)
            cache->downloads_.erase(found);
        std::vector<Waiter> waiters = std::move(waiters_);
        waiters_.clear();
        if (image)
            cache->store(image, url_, reduced);
        // A waiter's callback may ask for pictures again, or end the cache.
        for (Waiter& w : waiters)
            if (w.done)
                w.done(image);
    }

    QVImageCache* cache_; // cleared when the cache ends or the download is over
    std::string url_;
    Ref<QVHttpService> service_; // while the transfer runs
    bool started_ { false };
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
    for (auto& [url, download] : downloads)
        download->stop();
}

size_t QVImageCache::picturesDecoding() const { return decoderThread_ ? decoderThread_->underWay() : 0; }

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
    if (fresh)
        slot = platform::makeRef<QVPictureDownload>(*this, identifier);
    Ref<QVPictureDownload> decoding = slot;
    const uint64_t ticket = nextTicket();
    decoding->waiters_.push_back({ ticket, shown, std::move(done) });
    if (fresh)
        decoding->decode(bytes, source);
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
        // decode under way still ends in the cache.
        auto queued = std::find_if(queue_.begin(), queue_.end(), [&](auto& d) { return d.get() == download.get(); });
        if (queued != queue_.end()) {
            queue_.erase(queued);
            downloads_.erase(it);
        } else if (download->transferring()) {
            downloads_.erase(it);
            download->stop();
            --running_;
            startQueued();
        }
        return;
    }
}

void QVImageCache::downloadEnded(QVPictureDownload*)
{
    --running_;
    startQueued();
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
