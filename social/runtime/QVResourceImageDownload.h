// Pictures of resources (profile pictures, icons): the image from the shared
// image cache when it is there, else a download through the cache's queue
// (QVImageCache::loadPicture), shared with every view and record asking for
// that address. With no cache (no client running) a resource downloads on its
// own HTTP service, whose observer hands the body to the resource.
//
// A URL beginning with "http" or "www" is fetched as it is; any other is
// relative to the server ("server-url"). A new download of the same resource
// cancels its earlier one.
#pragma once

#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVRequestHandle.h"

#include "platform/graphics/Image.h"

#include <cstdint>
#include <functional>

namespace quorvel {

// Observer of an image transfer: a body of non-zero length goes to the success
// value (as Boxed data), an empty body or a failed transfer to the failure
// value with null.
class QVImageDataObserver : public QVHttpServiceObserver {
public:
    QVImageDataObserver(const QVDelegate& onSuccess, const QVDelegate& onFailure)
        : onSuccess_(onSuccess), onFailure_(onFailure)
    {
    }
    void requestFinished(QVHttpRequest* request) override;
    void requestFailed(QVHttpRequest* request) override;

private:
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
};

// Cancels any download the service pointer holds and releases the service.
void QVDestroyHttpService(platform::Ref<QVHttpService>& service);

// Starts a GET of the URL on a new service held by `service`, reporting to a
// new QVImageDataObserver held by `observer`; answers its handle.
platform::Ref<QVRequestHandle> QVDownloadImageFromUrl(const std::string& url, platform::Ref<QVHttpService>& service,
                                                      platform::Ref<QVHttpServiceObserver>& observer,
                                                      const QVDelegate& onSuccess, const QVDelegate& onFailure);

// `cached` receives the shared cache's image for the URL; when there is one no
// download starts and the answer is null, else the download's handle.
platform::Ref<QVRequestHandle> QVGetImageFromUrl(const std::string& url, platform::Ref<platform::Image>& cached,
                                                 platform::Ref<QVHttpService>& service,
                                                 platform::Ref<QVHttpServiceObserver>& observer,
                                                 const QVDelegate& onSuccess, const QVDelegate& onFailure);

// The image in a download's body (Boxed data, as QVImageDataObserver hands it
// over), decoded at once within the service pictures' budget
// (QVPictureDecoder) and stored in the shared cache under `url` when one is
// given; null when the body is refused or does not decode.
platform::Ref<platform::Image> QVCacheDownloadedImage(platform::Object* body, const std::string* url);

// The picture of one resource (a profile picture, an icon), a member of the
// resource: the shared cache's image, else a download through its queue.
class QVResourcePicture {
public:
    // Receives the image, or null when the download failed or did not decode.
    using Done = std::function<void(platform::Image*)>;

    QVResourcePicture() = default;
    QVResourcePicture(const QVResourcePicture&) = delete;
    QVResourcePicture& operator=(const QVResourcePicture&) = delete;
    ~QVResourcePicture();

    // The picture at `url`, whole. A cached one goes to `done` at once and the
    // answer is null. Otherwise the cache's queue downloads it (cancelling
    // this picture's earlier fetch) and the answer is its handle; the image it
    // brings is decoded as QVPictureDecoder does (a large one off the main
    // loop), stored in the cache under `url` and told on a later turn.
    // `owner`, the resource, is kept until `done` has run. Once the handle is
    // cancelled, or a newer fetch of this picture started, `done` is not
    // called, even for a picture still decoding.
    platform::Ref<QVRequestHandle> fetch(platform::Object* owner, const std::string& url, Done done);

private:
    friend class QVResourcePictureDownload;
    void cancelEarlier();
    platform::Ref<QVHttpService> service_;                 // a download of its own, with no cache
    platform::Ref<QVHttpServiceObserver> observer_;
    platform::Ref<QVCancellableRequest> queued_;           // the latest fetch waiting in the cache's queue
    uint64_t fetches_ { 0 }; // the latest fetch's number: a download still current has it
};

} // namespace quorvel
