// Cached or downloaded pictures of resources: through the shared cache's
// queue, or on a resource's own service when no cache runs.
#include "social/runtime/QVResourceImageDownload.h"

#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVProvider.h"

#include "platform/foundation/Boxed.h"

#include <utility>

namespace quorvel {

using platform::Ref;

void QVImageDataObserver::requestFinished(QVHttpRequest* request)
{
    if (request && !request->receivedData().empty())
        onSuccess_.invoke(platform::Boxed::data(request->receivedData()).get());
    else
        onFailure_.invoke(nullptr);
}

void QVImageDataObserver::requestFailed(QVHttpRequest*) { onFailure_.invoke(nullptr); }

void QVDestroyHttpService(platform::Ref<QVHttpService>& service)
{
    if (service) {
        service->cancelAllRequests();
        service = nullptr;
    }
}

Ref<QVRequestHandle> QVDownloadImageFromUrl(const std::string& url, platform::Ref<QVHttpService>& service,
                                            platform::Ref<QVHttpServiceObserver>& observer, const QVDelegate& onSuccess,
                                            const QVDelegate& onFailure)
{
    QVDestroyHttpService(service);
    bool absolute = url.rfind("http", 0) == 0 || url.rfind("www", 0) == 0;
    service = absolute ? platform::adoptRef(new QVHttpService("", false)) : QVProvider::createHttpService();
    observer = platform::adoptRef(new QVImageDataObserver(onSuccess, onFailure));
    return QVRequestHandle::requestHandle(service->startRequest(url, "GET", std::nullopt, observer.get()).get());
}

Ref<QVRequestHandle> QVGetImageFromUrl(const std::string& url, Ref<platform::Image>& cached,
                                       platform::Ref<QVHttpService>& service, platform::Ref<QVHttpServiceObserver>& observer,
                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVImageCache* cache = QVImageCache::sharedInstance();
    cached = cache ? cache->fetch(url, std::nullopt) : nullptr; // whole, never a view's reduced copy
    if (cached)
        return nullptr;
    return QVDownloadImageFromUrl(url, service, observer, onSuccess, onFailure);
}

Ref<platform::Image> QVCacheDownloadedImage(platform::Object* body, const std::string* url)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(body);
    const platform::Bytes* bytes = boxed && boxed->value().isData() ? &boxed->value().data() : nullptr;
    Ref<platform::Image> image = bytes ? QVPictureDecoder::decodeNow(*bytes, url ? *url : std::string("(no address)"))
                                       : nullptr;
    if (image && url)
        if (QVImageCache* cache = QVImageCache::sharedInstance())
            cache->store(image, *url);
    return image;
}

// One download of a resource picture: the target of its observer's values.
class QVResourcePictureDownload : public platform::Object {
public:
    QVResourcePictureDownload(QVResourcePicture& picture, platform::Object* owner, std::string url,
                              QVResourcePicture::Done done)
        : picture_(picture), fetch_(picture.fetches_), owner_(owner), url_(std::move(url)), done_(std::move(done))
    {
    }

    void succeeded(platform::Object* body)
    {
        auto* boxed = dynamic_cast<platform::Boxed*>(body);
        if (!boxed || !boxed->value().isData()) {
            finish(nullptr);
            return;
        }
        Ref<QVResourcePictureDownload> self(this);
        QVPictureDecoder::decode(boxed->value().data(), url_, [self](Ref<platform::Image> image) {
            if (image)
                if (QVImageCache* cache = QVImageCache::sharedInstance())
                    cache->store(image, self->url_);
            // A large picture decodes after its transfer ended: cancelled
            // meanwhile, or replaced by a newer download, it is not told.
            const bool current = !(self->request && self->request->isCancelled())
                && self->isLatest();
            self->finish(current ? image.get() : nullptr, current);
        });
    }
    void failed(platform::Object*) { finish(nullptr); }

    platform::Ref<QVHttpRequest> request;

private:
    // Told by the fetch's number, not the observer's address: a freed
    // observer's address can come back as a newer download's.
    bool isLatest() const { return picture_.fetches_ == fetch_; }

    void finish(platform::Image* image, bool tell = true)
    {
        Ref<QVResourcePictureDownload> keep(this);
        Ref<platform::Object> owner = owner_;
        // The observer holds this download, which holds the resource, which
        // holds the observer: let go of it, unless a newer download took its place.
        if (isLatest())
            picture_.observer_ = nullptr;
        QVResourcePicture::Done done = std::move(done_);
        if (done && tell)
            done(image);
    }

    QVResourcePicture& picture_; // a member of the owner, which this download keeps
    const uint64_t fetch_;
    Ref<platform::Object> owner_;
    std::string url_;
    QVResourcePicture::Done done_;
};

// A resource's picture waiting in the shared cache's queue: its ticket there.
class QVQueuedPicture final : public QVCancellableRequest {
public:
    uint64_t ticket { 0 }; // 0 once told or cancelled
    void cancel() override
    {
        const uint64_t t = std::exchange(ticket, 0);
        if (QVImageCache* cache = t ? QVImageCache::sharedInstance() : nullptr)
            cache->cancelPicture(t);
    }
};

QVResourcePicture::~QVResourcePicture()
{
    if (queued_)
        queued_->cancel();
    QVDestroyHttpService(service_);
}

void QVResourcePicture::cancelEarlier()
{
    if (Ref<QVCancellableRequest> earlier = std::move(queued_)) {
        earlier->cancel();
        QVRequestHandlesForModule::completeRequest(earlier.get());
    }
    QVDestroyHttpService(service_);
    observer_ = nullptr;
}

Ref<QVRequestHandle> QVResourcePicture::fetch(platform::Object* owner, const std::string& url, Done done)
{
    const uint64_t fetch = ++fetches_;
    // The earlier download is over: its picture would come after this one.
    cancelEarlier();
    QVImageCache* cache = QVImageCache::sharedInstance();
    if (Ref<platform::Image> cached = cache ? cache->fetch(url, std::nullopt) : nullptr) {
        if (done)
            done(cached.get());
        return nullptr;
    }
    if (cache) {
        auto queued = platform::makeRef<QVQueuedPicture>();
        Ref<platform::Object> keep(owner);
        const uint64_t ticket = cache->loadPicture(
            url, std::nullopt, [this, fetch, keep, queued, done = std::move(done)](Ref<platform::Image> image) {
                queued->ticket = 0;
                if (fetches_ == fetch)
                    queued_ = nullptr;
                QVRequestHandlesForModule::completeRequest(queued.get());
                if (done)
                    done(image.get());
            });
        if (!ticket)
            return nullptr;
        queued->ticket = ticket;
        queued_ = queued;
        return QVRequestHandle::requestHandle(queued.get());
    }
    auto download = platform::adoptRef(new QVResourcePictureDownload(*this, owner, url, std::move(done)));
    Ref<QVRequestHandle> handle =
        QVDownloadImageFromUrl(url, service_, observer_,
                               QVDelegate(download.get(), BRISKO_SELECTOR(QVResourcePictureDownload, succeeded)),
                               QVDelegate(download.get(), BRISKO_SELECTOR(QVResourcePictureDownload, failed)));
    download->request = handle ? platform::Ref<QVHttpRequest>(dynamic_cast<QVHttpRequest*>(handle->request())) : nullptr;
    return handle;
}

} // namespace quorvel
