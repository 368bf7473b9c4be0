// The process-wide owner of loaded textures, keyed by the name they were
// asked for, so that everything naming one image shares one GL texture.
//
// addImageAsync() loads on a thread of its own with a GL context shared with
// the director's view's context (or, without a view, the one current on the
// calling thread), and calls back on the main run loop, with nil when the
// image or the loader's context fails, or when making the texture throws (an
// unsupported default pixel format, say: logged, never out of the thread).
// Caveat: every dictionary access takes the dictionary lock, since a loader
// thread may be storing into it; the context lock is only ever taken before
// the dictionary lock.
#pragma once

#include "engine/KSTexture2D.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Selector.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <string>
#include <unordered_map>

namespace platform {
class GLContext;
class Image;
}

namespace kestrel {

// One background request: the image path, and whom to call back with what.
class KSAsyncObject : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSAsyncObject> make(platform::Selector<KSTexture2D*> selector, platform::Object* target,
                                             std::string data);
    platform::Selector<KSTexture2D*> selector() const { return selector_; }
    platform::Object* target() const { return target_.get(); }
    const std::string& data() const { return data_; }
    std::string className() const override { return "KSAsyncObject"; }

private:
    KSAsyncObject() = default;
    platform::Selector<KSTexture2D*> selector_;
    platform::Ref<platform::Object> target_;
    std::string data_;
    platform::Ref<platform::GLContext> shareContext_;
    friend class KSTextureCache;
};

class KSTextureCache : public platform::Object {
public:
    static KSTextureCache* sharedTextureCache();
    static void purgeSharedTextureCache();

    // The texture for path (loaded now unless cached); nil when it cannot be loaded.
    platform::Ref<KSTexture2D> addImage(const std::string& path);
    // Loads on a background thread; selector receives the texture (or nil) on the main
    // run loop. A cached name calls back at once, before this returns.
    void addImageAsync(const std::string& path, platform::Object* target, platform::Selector<KSTexture2D*> selector);
    // The background thread's entry.
    void addImageWithAsyncObject(KSAsyncObject* async);
    // Watches loads: called on the loading thread as a file's decode starts
    // (outside the cache's lock) and after a background load posted its
    // callback (when the loader holds no reference to its target). For tests
    // and tools; set it while no load runs.
    enum class LoadStage { Decoding, Delivered };
    using LoadHook = std::function<void(const std::string& path, LoadStage stage)>;
    static void setLoadHook(LoadHook hook);
    // A texture from an image in memory, stored under key unless the key is empty.
    platform::Ref<KSTexture2D> addCGImage(const platform::Image* image, const std::string& key);
    platform::Ref<KSTexture2D> addPVRImage(const std::string& path);
    platform::Ref<KSTexture2D> addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width);

    platform::Ref<KSTexture2D> textureForKey(const std::string& key);
    // The cache key for an image known only by its address (sprites made from an
    // image): the full pointer in hex, so that two images never share a key
    // because their addresses agree in the low 32 bits.
    static std::string keyForImage(const void* image);
    void removeAllTextures();
    void removeUnusedTextures();
    void removeTexture(KSTexture2D* texture);
    void removeTextureForKey(const std::string& key);

    size_t count() const;
    std::string className() const override { return "KSTextureCache"; }
    std::string description() const override;

private:
    KSTextureCache() = default;
    ~KSTextureCache() override;
    platform::Ref<KSTexture2D> addPVRImageLocked(const std::string& path);
    void load(platform::Ref<KSAsyncObject> request);
    static LoadHook loadHook_;
    void joinLoaders(bool finishedOnly);
    static platform::GLContext* contextToShare();

    struct Loader {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    std::unordered_map<std::string, platform::Ref<KSTexture2D>> textures_;
    mutable std::recursive_mutex dictLock_;
    std::mutex contextLock_;
    // Shared with the main context; made by the first background load.
    platform::Ref<platform::GLContext> auxContext_;
    // Loader threads, joined when the cache is purged so that none outlives it.
    std::mutex loadersLock_;
    std::vector<Loader> loaders_;
};

} // namespace kestrel
