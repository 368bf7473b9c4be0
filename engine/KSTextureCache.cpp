// The shared texture cache: synchronous loads under the dictionary lock, and
// background loads on short-lived threads that share one auxiliary GL context.
#include "engine/KSTextureCache.h"

#include "engine/KSConfiguration.h"
#include "engine/KSDirector.h"
#include "engine/platform/EAGLView.h"
#include "engine/Support/KSFileUtils.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Text.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace kestrel {

using platform::Ref;

namespace {

KSTextureCache* gSharedTextureCache = nullptr;

std::string lowercase(std::string s)
{
    return platform::asciiLowercased(s);
}

bool hasSuffix(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && std::string_view(s).substr(s.size() - suffix.size()) == suffix;
}

} // namespace

KSTextureCache::LoadHook KSTextureCache::loadHook_;

Ref<KSAsyncObject> KSAsyncObject::make(platform::Selector<KSTexture2D*> selector, platform::Object* target,
                                       std::string data)
{
    auto object = adoptRef(new KSAsyncObject);
    object->selector_ = selector;
    object->target_ = target;
    object->data_ = std::move(data);
    return object;
}

KSTextureCache* KSTextureCache::sharedTextureCache()
{
    if (!gSharedTextureCache) {
        gSharedTextureCache = new KSTextureCache;
        gSharedTextureCache->textures_.reserve(10);
    }
    return gSharedTextureCache;
}

void KSTextureCache::purgeSharedTextureCache()
{
    KSTextureCache* cache = gSharedTextureCache;
    gSharedTextureCache = nullptr;
    if (cache) {
        cache->joinLoaders(false);
        cache->release();
    }
}

KSTextureCache::~KSTextureCache()
{
    if (gSharedTextureCache == this)
        gSharedTextureCache = nullptr;
}

Ref<KSTexture2D> KSTextureCache::addImage(const std::string& path)
{
    BRISKO_ASSERT(!path.empty(), "TextureCache: fileimage MUST not be nill");
    const std::string lower = lowercase(path);
    {
        std::lock_guard lock(dictLock_);
        if (auto found = textures_.find(path); found != textures_.end())
            return found->second;
        if (hasSuffix(lower, ".pvr") || hasSuffix(lower, ".pvr.gz") || hasSuffix(lower, ".pvr.ksz"))
            return addPVRImageLocked(path);
    }

    // Decoded and uploaded outside the lock, so that a background load does
    // not hold up the main thread's lookups; stored under it.
    if (loadHook_)
        loadHook_(path, LoadStage::Decoding);
    const std::string fullPath = KSFileUtils::fullPathFromRelativePath(path);
    Ref<platform::Image> image = platform::Image::imageWithContentsOfFile(fullPath);
    if (!image)
        return nullptr;
    if (KSConfiguration::sharedConfiguration()->OSVersion() >= 0x04000000u
        && (hasSuffix(lower, ".jpg") || hasSuffix(lower, ".jpeg"))) {
        // JPEGs pass through a PNG re-encoding, as the image loader of newer systems does.
        auto png = image->pngData();
        image = png ? platform::Image::imageWithData(png->data(), png->size()) : nullptr;
        if (!image)
            return nullptr;
    }
    Ref<KSTexture2D> texture = KSTexture2D::textureWithImage(image.get());
    if (!texture) {
        if (!platform::GLContext::current())
            platform::logError("KSTextureCache: cannot make a texture of %s: no GL context yet (make sprites after "
                               "the director has its view)",
                               path.c_str());
        return nullptr;
    }
    std::lock_guard lock(dictLock_);
    // Loaded meanwhile by another thread: everyone shares the first.
    auto [stored, added] = textures_.emplace(path, texture);
    return stored->second;
}

void KSTextureCache::addImageAsync(const std::string& path, platform::Object* target,
                                   platform::Selector<KSTexture2D*> selector)
{
    BRISKO_ASSERT(!path.empty(), "TextureCache: fileimage MUST not be nill");
    if (Ref<KSTexture2D> texture = textureForKey(path)) {
        if (target && selector)
            selector.invoke(target, texture.get());
        return;
    }
    Ref<KSAsyncObject> async = KSAsyncObject::make(selector, target, path);
    async->shareContext_ = contextToShare();
    joinLoaders(true);
    auto done = std::make_shared<std::atomic<bool>>(false);
    Ref<KSTextureCache> self(this);
    // The request (and with it the target) goes to the loader and from there
    // into the callback: the main thread holds the last reference.
    std::thread thread([self, request = std::move(async), done]() mutable {
        self->load(std::move(request));
        done->store(true);
    });
    std::lock_guard lock(loadersLock_);
    loaders_.push_back({ std::move(thread), done });
}

platform::GLContext* KSTextureCache::contextToShare()
{
    // The textures are for the director's view; without one, for whatever
    // context the caller draws with.
    if (KSDirector::hasSharedDirector())
        if (EAGLView* view = KSDirector::sharedDirector()->openGLView(); view && view->context())
            return view->context();
    return platform::GLContext::current();
}

void KSTextureCache::joinLoaders(bool finishedOnly)
{
    std::vector<Loader> joining;
    {
        std::lock_guard lock(loadersLock_);
        for (auto it = loaders_.begin(); it != loaders_.end();) {
            if (!finishedOnly || it->done->load()) {
                joining.push_back(std::move(*it));
                it = loaders_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Loader& loader : joining)
        if (loader.thread.joinable())
            loader.thread.join();
}

void KSTextureCache::addImageWithAsyncObject(KSAsyncObject* async) { load(Ref<KSAsyncObject>(async)); }

void KSTextureCache::load(Ref<KSAsyncObject> request)
{
    KSAsyncObject* async = request.get();
    const std::string path = async->data();
    // Hands this thread's only reference to the request to the main loop: the
    // target (a scene, say) is never destroyed here, where no context draws.
    auto deliver = [&request, &path](Ref<KSTexture2D> texture) {
        platform::RunLoop::main().post([request = std::move(request), texture = std::move(texture)]() mutable {
            if (request->target() && request->selector())
                request->selector().invoke(request->target(), texture.get());
            // The target may hold the last references to its textures (a
            // scene the director let go of as it ended): they leave GL only
            // with a context of theirs current, which an ended director no
            // longer keeps.
            Ref<platform::GLContext> context = request->shareContext_;
            if (!platform::GLContext::current() && context && context->makeCurrent()) {
                request = nullptr;
                texture = nullptr;
                platform::GLContext::clearCurrent();
            }
        });
        if (loadHook_)
            loadHook_(path, LoadStage::Delivered);
    };
    std::lock_guard contextLock(contextLock_);
    if (!auxContext_ && async->shareContext_) {
        std::string error;
        auxContext_ = async->shareContext_->createShared(&error);
        if (!auxContext_)
            platform::logError("kestrel: TextureCache: cannot make a loader context for %s: %s", path.c_str(),
                               error.c_str());
    }
    if (!auxContext_ || !auxContext_->makeCurrent()) {
        // Nothing can be loaded without a context: say so and answer nil.
        if (!async->shareContext_ && !auxContext_)
            platform::logError("kestrel: TextureCache: no GL context to share for %s", path.c_str());
        else
            platform::logError("kestrel: TextureCache: cannot make the loader context current for %s", path.c_str());
        deliver(nullptr);
        return;
    }
    // Nothing thrown here may leave the thread (it would end the program): a
    // load that throws fails as any failed load does, logged, and calls back
    // with nil. The context is let go of either way, so the next load can
    // make it current on its own thread.
    Ref<KSTexture2D> texture;
    try {
        texture = addImage(path);
        // The texture must be complete in GL before the main thread's context uses it.
        glFinish();
    } catch (const std::exception& e) {
        platform::logError("kestrel: TextureCache: cannot load %s: %s", path.c_str(), e.what());
        texture = nullptr;
    } catch (...) {
        platform::logError("kestrel: TextureCache: cannot load %s: an unknown exception", path.c_str());
        texture = nullptr;
    }
    platform::GLContext::clearCurrent();
    deliver(std::move(texture));
}

void KSTextureCache::setLoadHook(LoadHook hook) { loadHook_ = std::move(hook); }

Ref<KSTexture2D> KSTextureCache::addCGImage(const platform::Image* image, const std::string& key)
{
    BRISKO_ASSERT(image != nullptr, "TextureCache: image MUST not be nill");
    std::lock_guard lock(dictLock_);
    if (!key.empty())
        if (auto found = textures_.find(key); found != textures_.end())
            return found->second;
    Ref<KSTexture2D> texture = KSTexture2D::textureWithImage(image);
    if (texture && !key.empty())
        textures_.emplace(key, texture);
    return texture;
}

Ref<KSTexture2D> KSTextureCache::addPVRImage(const std::string& path)
{
    BRISKO_ASSERT(!path.empty(), "TextureCache: fileimage MUST not be nill");
    std::lock_guard lock(dictLock_);
    return addPVRImageLocked(path);
}

Ref<KSTexture2D> KSTextureCache::addPVRImageLocked(const std::string& path)
{
    if (auto found = textures_.find(path); found != textures_.end())
        return found->second;
    Ref<KSTexture2D> texture = KSTexture2D::textureWithPVRFile(KSFileUtils::fullPathFromRelativePath(path));
    if (texture)
        textures_.emplace(path, texture);
    return texture;
}

Ref<KSTexture2D> KSTextureCache::addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width)
{
    BRISKO_ASSERT(!path.empty(), "TextureCache: fileimage MUST not be nill");
    BRISKO_ASSERT(bpp == 2 || bpp == 4, "TextureCache: bpp must be either 2 or 4");
    std::lock_guard lock(dictLock_);
    if (auto found = textures_.find(path); found != textures_.end())
        return found->second;
    std::optional<platform::Bytes> read = platform::path::readFile(KSFileUtils::fullPathFromRelativePath(path));
    if (!read)
        return nullptr;
    const platform::Bytes& data = *read;
    // The upload reads width x width x bpp / 8 bytes (at least 32): the file must hold them.
    const int64_t needed = std::max<int64_t>(static_cast<int64_t>(width) * width * bpp / 8, 32);
    if (width <= 0 || static_cast<int64_t>(data.size()) < needed)
        return nullptr;
    Ref<KSTexture2D> texture = KSTexture2D::textureWithPVRTCData(data.data(), 0, bpp, hasAlpha, width);
    if (texture)
        textures_.emplace(path, texture);
    return texture;
}

std::string KSTextureCache::keyForImage(const void* image)
{
    return platform::format("%0*llX", static_cast<int>(sizeof(void*) * 2),
                            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(image)));
}

Ref<KSTexture2D> KSTextureCache::textureForKey(const std::string& key)
{
    std::lock_guard lock(dictLock_);
    auto found = textures_.find(key);
    return found != textures_.end() ? found->second : nullptr;
}

void KSTextureCache::removeAllTextures()
{
    decltype(textures_) dropped;
    {
        std::lock_guard lock(dictLock_);
        dropped.swap(textures_);
    }
}

void KSTextureCache::removeUnusedTextures()
{
    std::vector<Ref<KSTexture2D>> dropped;
    std::lock_guard lock(dictLock_);
    for (auto it = textures_.begin(); it != textures_.end();) {
        // Held by the cache alone.
        if (it->second->retainCount() == 1) {
            dropped.push_back(std::move(it->second));
            it = textures_.erase(it);
        } else {
            ++it;
        }
    }
}

void KSTextureCache::removeTexture(KSTexture2D* texture)
{
    if (!texture)
        return;
    Ref<KSTexture2D> keep(texture);
    std::lock_guard lock(dictLock_);
    std::erase_if(textures_, [texture](const auto& entry) { return entry.second.get() == texture; });
}

void KSTextureCache::removeTextureForKey(const std::string& key)
{
    Ref<KSTexture2D> dropped;
    std::lock_guard lock(dictLock_);
    if (auto found = textures_.find(key); found != textures_.end()) {
        dropped = std::move(found->second);
        textures_.erase(found);
    }
}

size_t KSTextureCache::count() const
{
    std::lock_guard lock(dictLock_);
    return textures_.size();
}

std::string KSTextureCache::description() const
{
    return platform::format("<%s = %s | num of textures =  %i>", className().c_str(),
                            platform::addressString(this).c_str(), static_cast<int>(count()));
}

} // namespace kestrel
