// Cached or downloaded pictures of resources.
#include "social/runtime/QVResourceImageDownload.h"

#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVProvider.h"

#include "platform/foundation/Boxed.h"

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
    cached = cache ? cache->fetch(url) : nullptr;
    if (cached)
        return nullptr;
    return QVDownloadImageFromUrl(url, service, observer, onSuccess, onFailure);
}

Ref<platform::Image> QVCacheDownloadedImage(platform::Object* body, const std::string* url)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(body);
    const platform::Bytes* bytes = boxed && boxed->value().isData() ? &boxed->value().data() : nullptr;
    Ref<platform::Image> image = bytes ? platform::Image::imageWithData(bytes->data(), bytes->size()) : nullptr;
    if (image && url)
        if (QVImageCache* cache = QVImageCache::sharedInstance())
            cache->store(image, *url);
    return image;
}

} // namespace quorvel
