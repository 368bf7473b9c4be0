// The shared texture cache: sharing by key, removal, PVR and PVRTC entries,
// and background loading with the callback on the main run loop.
#include "TextureTestSupport.h"

#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

class Receiver : public Object {
public:
    void textureLoaded(KSTexture2D* texture)
    {
        ++calls;
        last = texture;
        onMainThread = RunLoop::isMainThread();
    }
    int calls { 0 };
    Ref<KSTexture2D> last;
    bool onMainThread { false };
};

// A load's target that notes where its last reference went.
class Watched : public Object {
public:
    explicit Watched(int* destroyedOnMain, int* destroyedElsewhere) : onMain_(destroyedOnMain), elsewhere_(destroyedElsewhere) {}
    ~Watched() override { ++*(RunLoop::isMainThread() ? onMain_ : elsewhere_); }
    void textureLoaded(KSTexture2D*)
    {
        if (loaded)
            loaded();
    }
    std::function<void()> loaded;

private:
    int* onMain_;
    int* elsewhere_;
};

// A load's target that keeps its texture and notes its GL name.
class Keeper : public Object {
public:
    explicit Keeper(GLuint* name) : name_(name) {}
    void textureLoaded(KSTexture2D* texture)
    {
        kept = texture;
        *name_ = texture ? texture->name() : 0;
    }
    Ref<KSTexture2D> kept;

private:
    GLuint* name_;
};

} // namespace

class TextureCacheTest : public GLTest {
protected:
    KSTextureCache* cache() { return KSTextureCache::sharedTextureCache(); }
};

TEST_F(TextureCacheTest, SameNameSharesOneTextureAndFullPathIsAnotherKey)
{
    texture_test::writeSolidPNG(dir.file("a.png"), 10, 10, 0xFF0000FF);
    auto first = cache()->addImage("a.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(cache()->addImage("a.png").get(), first.get());
    EXPECT_EQ(cache()->textureForKey("a.png").get(), first.get());
    auto byPath = cache()->addImage(dir.file("a.png"));
    ASSERT_TRUE(byPath);
    EXPECT_NE(byPath.get(), first.get());
    EXPECT_EQ(cache()->count(), 2u);
    EXPECT_NE(cache()->description().find("| num of textures =  2>"), std::string::npos);
}

TEST_F(TextureCacheTest, UnloadableImagesStoreNothing)
{
    texture_test::writeBytes(dir.file("broken.png"), Bytes { 0x89, 'P', 'N', 'G', 1, 2, 3 });
    EXPECT_FALSE(cache()->addImage("broken.png"));
    EXPECT_FALSE(cache()->addImage("missing.png"));
    EXPECT_FALSE(cache()->addImage("missing.pvr"));
    // A device never ends: refused before it is read, on every road.
    platform::LogCapture log;
    for (const char* name : { "zero.png", "zero.pvr", "zero.pvr.gz", "zero.pvr.ksz" }) {
        ASSERT_EQ(::symlink("/dev/zero", dir.file(name).c_str()), 0);
        EXPECT_FALSE(cache()->addImage(name)) << name;
        EXPECT_TRUE(log.contains("cannot read " + dir.file(name) + ": it is a device, not a file")) << name;
    }
    EXPECT_FALSE(KSSprite::spriteWithFile("/dev/zero"));
    EXPECT_EQ(cache()->count(), 0u);
    EXPECT_ASSERTION(cache()->addImage(""), "engine/KSTextureCache",
                     "TextureCache: fileimage MUST not be nill");
}

TEST_F(TextureCacheTest, JPEGAndPVRNamesLoadThroughTheirPaths)
{
    auto image = Image::imageWithRGBA(8, 8, Bytes(8 * 8 * 4, 200), ImageAlphaInfo::None);
    ASSERT_TRUE(image->writeJPEG(dir.file("photo.JPG")));
    auto jpeg = cache()->addImage("photo.JPG");
    ASSERT_TRUE(jpeg);
    EXPECT_FALSE(jpeg->hasPremultipliedAlpha());
    texture_test::writeGzip(dir.file("t.pvr.gz"), texture_test::pvrFile(4, 4, 0x12, Bytes(64, 9)));
    auto pvr = cache()->addImage("t.pvr.gz");
    ASSERT_TRUE(pvr);
    EXPECT_EQ(pvr->pixelsWide(), 4u);
    EXPECT_EQ(cache()->addPVRImage("t.pvr.gz").get(), pvr.get());
}

TEST_F(TextureCacheTest, ImageKeysUseTheWholeAddress)
{
    const auto low = reinterpret_cast<const void*>(static_cast<uintptr_t>(0x12345678u));
    const auto high = reinterpret_cast<const void*>((static_cast<uintptr_t>(1) << 40) | 0x12345678u);
    EXPECT_NE(KSTextureCache::keyForImage(low), KSTextureCache::keyForImage(high));
    EXPECT_EQ(KSTextureCache::keyForImage(high), "0000010012345678");
}

TEST_F(TextureCacheTest, PVRTCEntriesCheckBitsPerPixelAndSupport)
{
    texture_test::writeBytes(dir.file("raw.pvrtc"), Bytes(32, 0));
    EXPECT_ASSERTION(cache()->addPVRTCImage("raw.pvrtc", 3, true, 8), "engine/KSTextureCache",
                     "TextureCache: bpp must be either 2 or 4");
    EXPECT_FALSE(cache()->addPVRTCImage("raw.pvrtc", 2, true, 8));
}

TEST_F(TextureCacheTest, RemovalsKeepTexturesOthersHold)
{
    texture_test::writeSolidPNG(dir.file("held.png"), 4, 4, 0x00FF00FF);
    texture_test::writeSolidPNG(dir.file("free.png"), 4, 4, 0x0000FFFF);
    Ref<KSTexture2D> held = cache()->addImage("held.png");
    cache()->addImage("free.png");
    cache()->removeUnusedTextures();
    EXPECT_TRUE(cache()->textureForKey("held.png"));
    EXPECT_FALSE(cache()->textureForKey("free.png"));

    auto image = Image::imageWithContentsOfFile(dir.file("held.png"));
    auto alias = cache()->addCGImage(image.get(), "other-key");
    ASSERT_TRUE(alias);
    EXPECT_EQ(cache()->addCGImage(image.get(), "other-key").get(), alias.get());
    cache()->removeTexture(held.get());
    EXPECT_FALSE(cache()->textureForKey("held.png"));
    EXPECT_TRUE(cache()->textureForKey("other-key"));
    cache()->removeTextureForKey("other-key");
    cache()->removeTexture(nullptr);
    EXPECT_EQ(cache()->count(), 0u);
    // Still valid for its holder.
    EXPECT_NE(held->name(), 0u);
    EXPECT_TRUE(glIsTexture(held->name()));

    cache()->addImage("free.png");
    KSTextureCache::purgeSharedTextureCache();
    EXPECT_EQ(KSTextureCache::sharedTextureCache()->count(), 0u);
}

TEST_F(TextureCacheTest, AsyncLoadCallsBackOnTheMainLoop)
{
    texture_test::writeSolidPNG(dir.file("async.png"), 16, 8, 0x336699FF);
    auto receiver = makeRef<Receiver>();
    cache()->addImageAsync("async.png", receiver.get(), BRISKO_SELECTOR(Receiver, textureLoaded));
    EXPECT_EQ(receiver->calls, 0) << "only the main loop delivers";
    ASSERT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(receiver->calls, 1);
    EXPECT_TRUE(receiver->onMainThread);
    ASSERT_TRUE(receiver->last);
    EXPECT_EQ(receiver->last.get(), cache()->textureForKey("async.png").get());
    EXPECT_EQ(receiver->last->pixelsWide(), 16u);

    // The texture made on the loader's shared context draws on the main one.
    auto screen = makeScreen(16, 8);
    glDisable(GL_BLEND);
    glDisableClientState(GL_COLOR_ARRAY);
    receiver->last->drawAtPoint(Point(0, 0));
    glEnableClientState(GL_COLOR_ARRAY);
    Bytes pixels = screen->readPixels();
    EXPECT_EQ(pixelAt(pixels, 16, 3, 3)[0], 0x33);
    EXPECT_EQ(pixelAt(pixels, 16, 3, 3)[2], 0x99);
}

TEST_F(TextureCacheTest, AsyncLoadOfACachedNameCallsBackAtOnce)
{
    texture_test::writeSolidPNG(dir.file("cached.png"), 4, 4, 0xFFFFFFFF);
    auto texture = cache()->addImage("cached.png");
    auto receiver = makeRef<Receiver>();
    cache()->addImageAsync("cached.png", receiver.get(), BRISKO_SELECTOR(Receiver, textureLoaded));
    EXPECT_EQ(receiver->calls, 1);
    EXPECT_EQ(receiver->last.get(), texture.get());
}

TEST_F(TextureCacheTest, FailedAsyncLoadCallsBackWithNil)
{
    texture_test::writeSolidPNG(dir.file("odd.png"), 4, 4, 0xFFFFFFFF);
    texture_test::writeSolidPNG(dir.file("after.png"), 4, 4, 0xFFFFFFFF);
    struct Row {
        const char* name;
        const char* file;
        KSTexture2DPixelFormat format;
        const char* logged; // null: loads, or fails unlogged when `loads` is false
        bool loads;
    };
    const Row rows[] = {
        { "a missing file", "nothing.png", kKSTexture2DPixelFormat_Default, nullptr, false },
        // The texture refuses the format as it is made, on the loader thread.
        { "a texture that throws", "odd.png", kKSTexture2DPixelFormat_Automatic, "Invalid pixel format", false },
        { "the next load", "after.png", kKSTexture2DPixelFormat_Default, nullptr, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KSTexture2D::setDefaultAlphaPixelFormat(row.format);
        platform::LogCapture log;
        auto receiver = makeRef<Receiver>();
        cache()->addImageAsync(row.file, receiver.get(), BRISKO_SELECTOR(Receiver, textureLoaded));
        ASSERT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
        EXPECT_EQ(receiver->calls, 1);
        EXPECT_TRUE(receiver->onMainThread);
        EXPECT_EQ(static_cast<bool>(receiver->last), row.loads);
        EXPECT_EQ(static_cast<bool>(cache()->textureForKey(row.file)), row.loads);
        if (row.logged) {
            EXPECT_TRUE(log.contains(row.file) && log.contains(row.logged));
        }
    }
    // On the main thread the same failure is the caller's to catch.
    KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_Automatic);
    EXPECT_THROW(cache()->addImage("odd.png"), platform::Exception);
    KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_Default);
}

TEST_F(TextureCacheTest, ManyLoadersAndMainThreadLookupsShareTheDictionarySafely)
{
    const int count = 6;
    for (int i = 0; i < count; ++i)
        texture_test::writeSolidPNG(dir.file("m" + std::to_string(i) + ".png"), 8, 8, 0x10203040u + i);
    auto receiver = makeRef<Receiver>();
    for (int i = 0; i < count; ++i)
        cache()->addImageAsync("m" + std::to_string(i) + ".png", receiver.get(), BRISKO_SELECTOR(Receiver, textureLoaded));
    // Main-thread readers and removals while the loaders store.
    for (int round = 0; round < 200 && receiver->calls < count; ++round) {
        for (int i = 0; i < count; ++i)
            cache()->textureForKey("m" + std::to_string(i) + ".png");
        cache()->removeTextureForKey("unrelated");
        loop().runOnce(0.01);
    }
    ASSERT_TRUE(loop().runUntil([&] { return receiver->calls == count; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(cache()->count(), static_cast<size_t>(count));
}

// A background load decodes outside the cache's lock (the main thread's
// lookups go on meanwhile) and lets go of its target before the callback is
// posted: the target dies on the main thread, whichever side finishes last.
TEST_F(TextureCacheTest, ABackgroundLoadHoldsUpNoLookupAndItsTargetDiesOnTheMainThread)
{
    texture_test::writeSolidPNG(dir.file("kept.png"), 4, 4, 0xFFFFFFFF);
    texture_test::writeSolidPNG(dir.file("held.png"), 8, 8, 0x112233FF);
    auto kept = cache()->addImage("kept.png");
    std::mutex m;
    std::condition_variable cv;
    bool decoding = false, lookedUp = false, calledBack = false;
    auto wait = [&](bool& flag) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return flag; });
    };
    auto signal = [&](bool& flag) {
        {
            std::lock_guard lock(m);
            flag = true;
        }
        cv.notify_all();
    };
    KSTextureCache::setLoadHook([&](const std::string& path, KSTextureCache::LoadStage stage) {
        if (path != "held.png")
            return;
        if (stage == KSTextureCache::LoadStage::Decoding) {
            signal(decoding);
            wait(lookedUp);
        } else {
            wait(calledBack);
        }
    });
    int onMain = 0, elsewhere = 0;
    {
        auto target = makeRef<Watched>(&onMain, &elsewhere);
        target->loaded = [&] { signal(calledBack); };
        cache()->addImageAsync("held.png", target.get(), BRISKO_SELECTOR(Watched, textureLoaded));
    }
    wait(decoding);
    EXPECT_EQ(cache()->textureForKey("kept.png").get(), kept.get());
    signal(lookedUp);
    ASSERT_TRUE(loop().runUntil([&] { return onMain + elsewhere > 0; }, testing_support::kHungAfterSeconds));
    KSTextureCache::purgeSharedTextureCache();
    KSTextureCache::setLoadHook(nullptr);
    EXPECT_EQ(onMain, 1);
    EXPECT_EQ(elsewhere, 0);
}

// A load delivered with no context current (the director ended and let go of
// its view meanwhile) to a target holding the last reference to its texture:
// the texture still leaves GL, and no context is left current.
TEST_F(TextureCacheTest, ALoadDeliveredWithNoContextCurrentTakesItsTextureOutOfGL)
{
    texture_test::writeSolidPNG(dir.file("late.png"), 8, 8, 0x445566FF);
    GLuint name = 0;
    cache()->addImageAsync("late.png", makeRef<Keeper>(&name).get(), BRISKO_SELECTOR(Keeper, textureLoaded));
    // Joins the loader: the delivery waits on the main loop and the cache is gone.
    KSTextureCache::purgeSharedTextureCache();
    GLContext::clearCurrent();
    ASSERT_TRUE(loop().runUntil([&] { return name != 0; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(GLContext::current(), nullptr);
    ASSERT_TRUE(context()->makeCurrent());
    EXPECT_FALSE(glIsTexture(name));
}
