// The shared image cache (its byte budget, reduced pictures) and loading named
// bundle images through it.
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "support/SavedBundleFolders.h"
#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/net/FakeHttpTransport.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

using namespace quorvel;
using platform::Image;

namespace {

class ImageCacheTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        bundle.useResources(dir.path());
        auto image = Image::imageWithRGBA(2, 1, platform::Bytes(8, 200));
        auto png = image->pngData();
        ASSERT_TRUE(png);
        dir.write("QVBadge.png", std::string(png->begin(), png->end()));
        dir.write("broken.png", "not a png");
    }
    void TearDown() override
    {
        QVImageCache::shutdownCache();
        ManualClockTest::TearDown();
    }
    testing_support::SavedBundleFolders bundle;
    testing_support::TempDir dir;
    platform::LogCapture log;
};

TEST_F(ImageCacheTest, SharedCacheLivesBetweenInitializeAndShutdown)
{
    EXPECT_EQ(QVImageCache::sharedInstance(), nullptr);
    QVImageCache::initializeCache();
    QVImageCache* cache = QVImageCache::sharedInstance();
    ASSERT_NE(cache, nullptr);
    auto a = Image::imageWithRGBA(1, 1, platform::Bytes(4, 1));
    auto b = Image::imageWithRGBA(1, 1, platform::Bytes(4, 2));
    cache->store(a, "http://pics/1");
    cache->store(b, "http://pics/1");
    cache->store(nullptr, "http://pics/2");
    EXPECT_EQ(cache->fetch("http://pics/1").get(), b.get());
    EXPECT_EQ(cache->fetch("http://pics/2"), nullptr);
    cache->purge();
    EXPECT_EQ(cache->fetch("http://pics/1"), nullptr);
    QVImageCache::shutdownCache();
    EXPECT_EQ(QVImageCache::sharedInstance(), nullptr);
}

// 10x10 pictures cost 400 bytes each; the budget holds two and a half.
TEST_F(ImageCacheTest, PastItsBudgetTheLeastRecentlyUsedPictureGoesUnlessItIsInUse)
{
    QVImageCache::initializeCache();
    QVImageCache* cache = QVImageCache::sharedInstance();
    cache->setByteBudget(1000);
    auto picture = [] { return Image::imageWithRGBA(10, 10, platform::Bytes(400, 7)); };
    auto held = [&](const char* id) { return cache->fetch(id) != nullptr; };
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<const char*> kept, gone;
        size_t bytes;
    } walk[] = {
        { "two fit", [&] { cache->store(picture(), "a"); cache->store(picture(), "b"); }, { "a", "b" }, {}, 800 },
        // a, just fetched, is the most recently used: b goes.
        { "the oldest goes", [&] { cache->fetch("a"); cache->store(picture(), "c"); }, { "a", "c" }, { "b" }, 800 },
        { "a replacement is counted once", [&] { cache->store(picture(), "c"); }, { "a", "c" }, {}, 800 },
    };
    for (const Step& step : walk) {
        SCOPED_TRACE(step.what);
        step.act();
        for (const char* id : step.gone)
            EXPECT_FALSE(cache->fetch(id)) << id;
        for (const char* id : step.kept)
            EXPECT_TRUE(held(id)) << id;
        EXPECT_EQ(cache->bytes(), step.bytes);
    }
    // Pictures someone shows stay whatever the budget, and go once let go of.
    auto shownA = cache->fetch("a");
    auto shownC = cache->fetch("c");
    cache->setByteBudget(0);
    EXPECT_EQ(cache->count(), 2u);
    shownA = nullptr;
    cache->store(picture(), "d");
    EXPECT_FALSE(cache->fetch("a"));
    EXPECT_TRUE(cache->fetch("c"));
    EXPECT_EQ(cache->bytes(), 400u) << "d, let go of, is not kept either";
    EXPECT_EQ(cache->peakBytes(), 1200u);
    cache->purge();
    EXPECT_EQ(cache->bytes(), 0u);
}

TEST_F(ImageCacheTest, AReducedPictureServesOnlyTheBoxesItCovers)
{
    QVImageCache::initializeCache();
    QVImageCache* cache = QVImageCache::sharedInstance();
    // A 4:3 picture reduced for a 96x96 box keeps its shape and covers the box.
    auto wide = Image::imageWithRGBA(400, 300, platform::Bytes(400 * 300 * 4, 90));
    auto small = QVPictureDecoder::reduced(wide, { 96, 96 });
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width(), 128u);
    EXPECT_EQ(small->height(), 96u);
    EXPECT_EQ(small->rgba(), platform::Bytes(128 * 96 * 4, 90));
    EXPECT_EQ(QVPictureDecoder::reduced(wide, { 800, 10 }).get(), wide.get()) << "never enlarged";
    cache->store(small, "reduced", true);
    cache->store(wide, "whole");
    using D = QVImageCache::Dimensions;
    struct Row {
        const char* id;
        std::optional<D> shown;
        bool served;
    } rows[] = {
        { "reduced", D { 96, 96 }, true },  { "reduced", D { 80, 40 }, true },  { "reduced", D { 130, 96 }, false },
        { "reduced", std::nullopt, false }, { "whole", D { 1000, 1000 }, true }, { "whole", std::nullopt, true },
    };
    for (const Row& row : rows)
        EXPECT_EQ(cache->fetch(row.id, row.shown) != nullptr, row.served)
            << row.id << " " << (row.shown ? std::to_string(row.shown->width) : "whole");
}

TEST_F(ImageCacheTest, AReductionIsTheMeanOfWhatEachPixelCoversAndTransparencyLendsNoColour)
{
    // Two columns: opaque red and transparent green; reduced to one pixel.
    platform::Bytes rgba = { 255, 0, 0, 255, 0, 255, 0, 0, 255, 0, 0, 255, 0, 255, 0, 0 };
    auto pair = Image::imageWithRGBA(2, 2, rgba);
    auto one = QVPictureDecoder::reduced(pair, { 1, 1 });
    ASSERT_TRUE(one);
    ASSERT_EQ(one->width(), 1u);
    EXPECT_EQ(one->rgba(), (platform::Bytes { 255, 0, 0, 128 }));
}

// Pictures asked for by address: one transfer per address, at most
// kMaxDownloads at once and the rest in the order asked; a ticket let go of
// is not told, and a transfer nobody waits for stops.
TEST_F(ImageCacheTest, PictureDownloadsAreSharedByAddressAndAFewRunAtOnce)
{
    auto fake = platform::FakeHttpTransport::create();
    platform::HttpTransport::setShared(fake);
    struct Restore {
        ~Restore() { platform::HttpTransport::setShared(nullptr); }
    } restore;
    QVImageCache::initializeCache();
    QVImageCache* cache = QVImageCache::sharedInstance();
    ASSERT_EQ(QVImageCache::kMaxDownloads, 4u);
    std::map<std::string, int> told; // per asker: the width it got, 0 for none
    auto ask = [&](const std::string& asker, int picture) {
        return cache->loadPicture("http://pics.test/" + std::to_string(picture) + ".png", std::nullopt,
                                  [&told, asker](platform::Ref<Image> image) { told[asker] = image ? int(image->width()) : 0; });
    };
    auto png = [](uint32_t width) {
        auto data = *Image::imageWithRGBA(width, 1, platform::Bytes(width * 4, 50))->pngData();
        return platform::HttpResult::answer(200, data);
    };
    auto urls = [&] {
        std::vector<std::string> out;
        for (auto& r : fake->requests())
            out.push_back(r.request.url.substr(r.request.url.rfind('/') + 1) + (r.cancelled ? " cancelled" : ""));
        return out;
    };
    std::map<std::string, uint64_t> tickets;
    tickets["a"] = ask("a", 1);
    tickets["b"] = ask("b", 1);
    for (int picture = 2; picture <= 6; ++picture)
        tickets["p" + std::to_string(picture)] = ask("p" + std::to_string(picture), picture);
    tickets["p6 again"] = ask("p6 again", 6);
    EXPECT_EQ(urls(), (std::vector<std::string> { "1.png", "2.png", "3.png", "4.png" }));
    EXPECT_EQ(cache->downloadsQueued(), 2u);

    cache->cancelPicture(tickets["a"]); // b still waits for 1
    ASSERT_TRUE(fake->complete(png(3), fake->requests()[0].id));
    EXPECT_TRUE(told.empty()) << "delivered on a coming turn, not inside the transfer's";
    EXPECT_EQ(urls().size(), 4u) << "a download keeps its place until its picture is delivered";
    loop().drain();
    EXPECT_EQ(told, (std::map<std::string, int> { { "b", 3 } }));
    EXPECT_EQ(urls().back(), "5.png") << "the next in line starts";

    // Nobody waits for 2 any longer: its transfer stops and 6, asked for twice, takes its place.
    cache->cancelPicture(tickets["p2"]);
    EXPECT_EQ(urls(), (std::vector<std::string> { "1.png", "2.png cancelled", "3.png", "4.png", "5.png", "6.png" }));
    cache->cancelPicture(tickets["p6 again"]);
    EXPECT_EQ(urls().back(), "6.png") << "p6 still waits for it";
    EXPECT_EQ(cache->downloadsRunning(), 4u);
    EXPECT_EQ(cache->downloadsQueued(), 0u);

    // A failed transfer tells its askers so; a cached picture is served at once.
    ASSERT_TRUE(fake->complete(platform::HttpResult::answer(404), fake->requests()[2].id));
    loop().drain();
    EXPECT_EQ(told["p3"], 0);
    EXPECT_EQ(ask("c", 1), 0u);
    EXPECT_EQ(told["c"], 3);
    EXPECT_EQ(told.count("a") + told.count("p2") + told.count("p6 again"), 0u);
    QVImageCache::shutdownCache();
    EXPECT_TRUE(fake->requests()[3].cancelled) << "a cache that ends stops its transfers";
    EXPECT_EQ(told.count("p4"), 0u);
}

// A 640x480 picture (decoded off the main loop) asked for by one asker, and
// by another while that decode is under way: each gets at least its own box.
TEST_F(ImageCacheTest, AnAskerJoiningADecodeGetsThePictureAtLeastAtItsOwnSize)
{
    QVImageCache::initializeCache();
    QVImageCache* cache = QVImageCache::sharedInstance();
    const platform::Bytes picture = *Image::imageWithRGBA(640, 480, platform::Bytes(640 * 480 * 4, 60))->pngData();
    using D = std::optional<QVImageCache::Dimensions>;
    struct Row {
        const char* what;
        D first, joiner;
        uint32_t firstWidth, joinerWidth;
    } rows[] = {
        { "a box, then whole", D({ 100, 100 }), std::nullopt, 134, 640 },
        { "a box, then a larger box", D({ 100, 100 }), D({ 300, 300 }), 134, 400 },
        { "a box, then a smaller one", D({ 100, 100 }), D({ 50, 50 }), 134, 134 },
        { "whole, then a box", std::nullopt, D({ 100, 100 }), 640, 640 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        cache->purge();
        uint32_t first = 0, joiner = 0;
        cache->decodePicture("photo", picture, "photo", row.first, [&](platform::Ref<Image> i) { first = i->width(); });
        ASSERT_EQ(QVPictureDecoder::decodesUnderWay(), 1u);
        cache->decodePicture("photo", picture, "photo", row.joiner, [&](platform::Ref<Image> i) { joiner = i->width(); });
        ASSERT_TRUE(loop().runUntil([&] { return QVPictureDecoder::decodesUnderWay() == 0; },
                                    testing_support::kHungAfterSeconds));
        EXPECT_EQ(first, row.firstWidth);
        EXPECT_EQ(joiner, row.joinerWidth);
    }
}

TEST_F(ImageCacheTest, LoaderReadsTheBundleOnceThenServesTheCache)
{
    QVImageCache::initializeCache();
    auto first = QVImageLoader::loadImage("QVBadge.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width(), 2u);
    EXPECT_EQ(QVImageLoader::loadImage("QVBadge.png").get(), first.get());
    EXPECT_EQ(QVImageLoader::loadImage("QVMissing.png"), nullptr);
    EXPECT_EQ(QVImageLoader::loadImage("broken.png"), nullptr);
    EXPECT_TRUE(log.contains("cannot load broken.png"));
    EXPECT_EQ(QVImageCache::sharedInstance()->count(), 1u);
}

// A missing image is named with the folder searched, once however often a screen asks.
TEST_F(ImageCacheTest, AMissingImageIsNamedOnceWithTheFolderSearched)
{
    QVImageCache::initializeCache();
    EXPECT_EQ(QVImageLoader::loadImage("QVMissing.png"), nullptr);
    EXPECT_EQ(QVImageLoader::loadImage("QVMissing.png"), nullptr);
    const std::string line = "QVImageLoader: cannot find \"QVMissing.png\" in the bundle folder " + dir.path();
    int said = 0;
    for (auto& text : log.texts())
        said += text.find(line) != std::string::npos;
    EXPECT_EQ(said, 1) << testing::PrintToString(log.texts());
}

TEST_F(ImageCacheTest, LoaderWorksWithoutASharedCache)
{
    auto image = QVImageLoader::loadImage("QVBadge.png");
    ASSERT_TRUE(image);
    EXPECT_NE(QVImageLoader::loadImage("QVBadge.png").get(), image.get());
}

TEST_F(ImageCacheTest, LoaderRefusesNamesOutsideTheBundle)
{
    // The bundle is a folder inside dir; a valid image lies next to it.
    auto png = Image::imageWithRGBA(1, 1, platform::Bytes(4, 9))->pngData();
    ASSERT_TRUE(png);
    dir.write("bundle/inside.png", std::string(png->begin(), png->end()));
    std::string outside = dir.write("outside.png", std::string(png->begin(), png->end()));
    bundle.useResources(dir.file("bundle"));
    QVImageCache::initializeCache();
    EXPECT_EQ(QVImageLoader::loadImage("../outside.png"), nullptr);
    EXPECT_EQ(QVImageLoader::loadImage("sub/../../outside.png"), nullptr);
    EXPECT_EQ(QVImageLoader::loadImage(outside), nullptr);
    // Not even an image cached under such a name is handed out as a bundle image.
    QVImageCache::sharedInstance()->store(Image::imageWithRGBA(1, 1, platform::Bytes(4, 3)), "../outside.png");
    EXPECT_EQ(QVImageLoader::loadImage("../outside.png"), nullptr);
    EXPECT_TRUE(QVImageLoader::loadImage("inside.png"));
}

} // namespace
