// The shared image cache and loading named bundle images through it.
#include "social/runtime/QVImageCache.h"
#include "support/SavedBundleFolders.h"
#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

using namespace quorvel;
using platform::Image;

namespace {

class ImageCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
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
