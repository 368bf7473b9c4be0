// The shared image cache and the bundle image loader on top of it.
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVSharedInstance.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <set>
#include <utility>

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
} // namespace

void QVImageCache::initializeCache()
{
    if (!Shared::shared())
        Shared::set(platform::adoptRef(new QVImageCache));
}

void QVImageCache::shutdownCache() { Shared::purge(); }

QVImageCache* QVImageCache::sharedInstance() { return Shared::shared(); }

QVImageCache::QVImageCache() = default;

QVImageCache::~QVImageCache() = default;

size_t QVImageCache::picturesDecoding() const { return decoderThread_ ? decoderThread_->underWay() : 0; }

QVPictureDecoderThread& QVImageCache::decoderThread()
{
    if (!decoderThread_)
        decoderThread_ = std::make_unique<QVPictureDecoderThread>();
    return *decoderThread_;
}

Ref<Image> QVImageCache::fetch(const std::string& identifier) const
{
    auto found = images_.find(identifier);
    return found == images_.end() ? nullptr : found->second;
}

void QVImageCache::store(Ref<Image> image, const std::string& identifier)
{
    if (image)
        images_[identifier] = std::move(image);
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
