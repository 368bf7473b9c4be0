// QVImageCache: the client's identifier-to-image store (pictures by URL, bundle
// images by name), shared while the client runs. Entries live until purge()
// (memory warning, dashboard closed). Main thread only.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace quorvel {

class QVPictureDecoderThread;

class QVImageCache : public platform::Object {
public:
    static void initializeCache();
    static void shutdownCache();
    // Null before initializeCache() and after shutdownCache().
    static QVImageCache* sharedInstance();

    // The image stored under the identifier, or null.
    platform::Ref<platform::Image> fetch(const std::string& identifier) const;
    // Replaces an earlier image of that identifier; a null image stores nothing.
    void store(platform::Ref<platform::Image> image, const std::string& identifier);
    void purge() { images_.clear(); }
    size_t count() const { return images_.size(); }

    // The thread large pictures from the service decode on (QVPictureDecoder),
    // started on first use and stopped with the cache.
    QVPictureDecoderThread& decoderThread();
    // Pictures its decoder thread has not delivered yet.
    size_t picturesDecoding() const;

    ~QVImageCache() override;

private:
    QVImageCache();
    std::unordered_map<std::string, platform::Ref<platform::Image>> images_;
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
