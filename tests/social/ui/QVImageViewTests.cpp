// Pictures by URL against the stand-in service: a cached picture at once, a
// download faded in over its documented time, a 404 or an undecodable body
// keeping the default; cancelled downloads, superseded fades, the Facebook
// badge, frames and clipping, and taps.
#include "ScreenTestKit.h"

#include "platform/foundation/Log.h"
#include "platform/net/CurlHttpTransport.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVSettings.h"
#include "social/ui/QVImageView.h"
#include "tools/standin/StandInServer.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Image;
using platform::Rect;
using platform::Ref;

namespace image_view_tests {

Ref<Image> solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    platform::Bytes rgba;
    for (uint32_t i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), { r, g, b, 255 });
    return Image::imageWithRGBA(w, h, std::move(rgba));
}

std::string png(const Ref<Image>& image)
{
    auto data = image->pngData();
    return std::string(data->begin(), data->end());
}

class Recorder : public platform::Object {
public:
    int finished { 0 };
    int taps { 0 };
    void imageFinished(platform::Object*) { ++finished; }
    void tapped() { ++taps; }
};

class ImageViewTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        transport = platform::CurlHttpTransport::create();
        platform::HttpTransport::setShared(Ref<platform::HttpTransport>(transport.get()));
        ASSERT_GT(server.start(), 0);
        standin::Answer picture;
        picture.body = png(solid(8, 6, 200, 30, 40));
        picture.contentType = "image/png";
        server.route("GET", "pics/a.png", picture);
        server.route("GET", "pics/missing.png", standin::Answer::xml("<errors/>", 404));
        standin::Answer garbage;
        garbage.body = "this is not an image";
        garbage.contentType = "image/png";
        server.route("GET", "pics/garbage.png", garbage);
        // Past the budget by its header: 8192x8192, which is never decoded.
        standin::Answer huge = picture;
        for (size_t at : { size_t(16), size_t(20) })
            huge.body.replace(at, 4, std::string("\0\0\x20\0", 4));
        server.route("GET", "pics/huge.png", huge);
        // Within it, but too large to decode on the main loop.
        standin::Answer large = picture;
        large.body = png(solid(640, 400, 10, 20, 30));
        server.route("GET", "pics/large.png", large);
        std::string settings = "<quorvel_internal_settings><environment-release><config><server-url>" + server.baseUrl()
            + "</server-url></config></environment-release></quorvel_internal_settings>";
        QVSettings::InitializeWithFile(dir.write("settings.xml", settings));
        recorder = platform::makeRef<Recorder>();
        view = QVImageView::imageViewWithFrame(Rect(20, 20, 48, 48));
        view->setCrossFadeDuration(0.25f);
        view->setImageDownloadFinishedDelegate(
            QVDelegate(recorder, QVDelegate::ShortMethod(BRISKO_SELECTOR(Recorder, imageFinished))));
        window()->addSubview(view);
    }
    void TearDown() override
    {
        view = nullptr;
        platform::HttpTransport::setShared(nullptr);
        transport = nullptr;
        server.stop();
        QVSettings::Uninitialize();
        ScreenTest::TearDown();
    }
    bool waitForFinish(int count = 1) { return loop().runUntil([&] { return recorder->finished >= count; }, testing_support::kHungAfterSeconds); }
    // Runs the fade's timer tick by tick.
    void ticks(int n) { for (int i = 0; i < n; ++i) settle(QVImageView::kFadeTick); }

    testing_support::TempDir dir;
    standin::StandInServer server;
    Ref<platform::CurlHttpTransport> transport;
    Ref<Recorder> recorder;
    Ref<QVImageView> view;
};

TEST_F(ImageViewTest, CachedPictureShowsAtOnceWithoutARequest)
{
    auto cached = solid(4, 4, 1, 2, 3);
    QVImageCache::sharedInstance()->store(cached, server.baseUrl() + "pics/a.png");
    view->setImageUrl(server.baseUrl() + "pics/a.png");
    EXPECT_EQ(view->image(), cached.get());
    EXPECT_FALSE(view->isDownloading());
    settle(1);
    EXPECT_EQ(recorder->finished, 1);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(ImageViewTest, DownloadedPictureFadesInOverEightTicks)
{
    auto fallback = solid(2, 2, 9, 9, 9);
    view->setDefaultImage(fallback);
    view->setImageUrl("pics/a.png");
    EXPECT_EQ(view->image(), fallback.get());
    ASSERT_TRUE(waitForFinish());
    ASSERT_TRUE(view->imageFadingIn());
    EXPECT_EQ(view->imageFadingIn()->width(), 8u);
    EXPECT_EQ(server.requests().front().path, "pics/a.png");
    // Stored under the path it was asked by.
    EXPECT_TRUE(QVImageCache::sharedInstance()->fetch("pics/a.png"));
    ticks(7);
    EXPECT_GT(view->fadingImageAlpha(), 0.9f);
    EXPECT_EQ(view->image(), fallback.get());
    ticks(1);
    EXPECT_FALSE(view->imageFadingIn());
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->width(), 8u);
    EXPECT_EQ(recorder->finished, 1);
}

TEST_F(ImageViewTest, MissingOrUndecodablePictureKeepsTheDefault)
{
    auto fallback = solid(2, 2, 9, 9, 9);
    view->setDefaultImage(fallback);
    view->setImageUrl(server.baseUrl() + "pics/missing.png", true);
    ASSERT_TRUE(waitForFinish());
    ticks(8);
    EXPECT_EQ(view->image(), fallback.get());
    EXPECT_FALSE(view->isDownloading());

    view->setImageUrl(server.baseUrl() + "pics/garbage.png");
    ASSERT_TRUE(waitForFinish(2));
    ticks(8);
    EXPECT_EQ(view->image(), fallback.get());
    EXPECT_FALSE(QVImageCache::sharedInstance()->fetch(server.baseUrl() + "pics/garbage.png"));
}

TEST_F(ImageViewTest, APictureFromTheServiceHasAPixelBudgetAndALargeOneDecodesOffTheMainLoop)
{
    platform::LogCapture captured;
    auto fallback = solid(2, 2, 9, 9, 9);
    view->setDefaultImage(fallback);
    view->setImageUrl("pics/huge.png");
    ASSERT_TRUE(waitForFinish());
    ticks(8);
    EXPECT_EQ(view->image(), fallback.get());
    EXPECT_FALSE(QVImageCache::sharedInstance()->fetch("pics/huge.png"));
    EXPECT_EQ(captured.texts(), std::vector<std::string> { "Quorvel: the picture pics/huge.png is 8192x8192 pixels, past "
                                                           "the budget of 3145728 (2048x1536); it is not shown" });

    view->setImageUrl("pics/large.png");
    ASSERT_TRUE(waitForFinish(2));
    ticks(8);
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->width(), 640u);
    EXPECT_TRUE(QVImageCache::sharedInstance()->fetch("pics/large.png"));
    EXPECT_FALSE(view->isDownloading());

    // A picture asked for while the last one decodes takes its place.
    QVImageCache::sharedInstance()->purge();
    view->setImageUrl("pics/large.png");
    ASSERT_TRUE(loop().runUntil([&] { return server.requestCount() == 3; }, testing_support::kHungAfterSeconds));
    view->setImageUrl("pics/a.png");
    ASSERT_TRUE(loop().runUntil([&] { return !view->isDownloading(); }, testing_support::kHungAfterSeconds));
    ticks(8);
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->width(), 8u);
}

TEST_F(ImageViewTest, EmptyUrlShowsTheDefaultWithoutARequest)
{
    auto fallback = solid(2, 2, 9, 9, 9);
    view->setDefaultImage(fallback);
    view->setImageUrl(std::string());
    EXPECT_EQ(view->image(), fallback.get());
    EXPECT_FALSE(view->isDownloading());
    settle(1);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(ImageViewTest, WithoutADefaultASpinnerShowsWhileDownloading)
{
    view->setShouldShowLoadingIndicator(true);
    view->setImageUrl("pics/a.png");
    ASSERT_TRUE(view->loadingView());
    EXPECT_TRUE(view->loadingView()->isAnimating());
    ASSERT_TRUE(waitForFinish());
    ticks(8);
    EXPECT_FALSE(view->loadingView());
}

class FakeNetImageViewTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        fake = platform::FakeHttpTransport::create();
        platform::HttpTransport::setShared(fake);
    }
    void TearDown() override
    {
        platform::HttpTransport::setShared(nullptr);
        ScreenTest::TearDown();
    }
    Ref<platform::FakeHttpTransport> fake;
};

TEST_F(FakeNetImageViewTest, HostWithoutSchemeIsAskedOverHttpAndANewUrlCancelsTheOld)
{
    auto view = QVImageView::imageViewWithFrame(Rect(0, 0, 40, 40));
    view->setImageUrl("www.example.com/a.png");
    ASSERT_EQ(fake->requests().size(), 1u);
    EXPECT_EQ(fake->requests()[0].request.url, "http://www.example.com/a.png");
    view->setImageUrl("http://pics.example.com/b.png");
    ASSERT_EQ(fake->requests().size(), 2u);
    EXPECT_TRUE(fake->requests()[0].cancelled);
    EXPECT_FALSE(fake->requests()[1].cancelled);
    std::string body = png(solid(3, 3, 5, 5, 5));
    fake->complete(platform::HttpResult::answer(200, platform::Bytes(body.begin(), body.end())));
    settle(1);
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->width(), 3u);
}

TEST_F(FakeNetImageViewTest, ANewFadeSupersedesTheRunningOne)
{
    auto a = solid(2, 2, 1, 1, 1);
    auto b = solid(5, 5, 2, 2, 2);
    QVImageCache::sharedInstance()->store(a, "a");
    QVImageCache::sharedInstance()->store(b, "b");
    auto view = QVImageView::imageViewWithFrame(Rect(0, 0, 40, 40));
    view->setCrossFadeDuration(0.25f);
    view->setImageUrl("a", true);
    settle(3 * QVImageView::kFadeTick);
    view->setImageUrl("b", true);
    EXPECT_EQ(view->fadingImageAlpha(), 0);
    settle(8 * QVImageView::kFadeTick);
    EXPECT_EQ(view->image(), b.get());
    EXPECT_FALSE(view->imageFadingIn());
    // No timer of the earlier fade is left running.
    EXPECT_EQ(loop().timerCount(), 0u);

    view->setCrossFadeDuration(0);
    view->setImageUrl("a", true);
    settle(QVImageView::kFadeTick);
    EXPECT_EQ(view->image(), a.get());

    // A negative duration fades no slower than none: the fade ends and its timer with it.
    view->setCrossFadeDuration(-1);
    view->setImageUrl("b", true);
    settle(2 * QVImageView::kFadeTick);
    EXPECT_EQ(view->image(), b.get());
    EXPECT_EQ(loop().timerCount(), 0u);
}

TEST_F(FakeNetImageViewTest, FacebookBadgeOnlyOverARealPictureOfAtLeast36Points)
{
    auto picture = solid(4, 4, 1, 1, 1);
    auto fallback = solid(4, 4, 2, 2, 2);
    auto small = QVImageView::imageViewWithFrame(Rect(0, 0, 30, 30));
    small->setUseFacebookOverlay(true);
    small->setImage(picture);
    EXPECT_FALSE(small->facebookOverlay());

    auto view = QVImageView::imageViewWithFrame(Rect(0, 0, 48, 48));
    view->setDefaultImage(fallback);
    view->setUseFacebookOverlay(true);
    EXPECT_FALSE(view->facebookOverlay());
    view->setImage(picture);
    ASSERT_TRUE(view->facebookOverlay());
    EXPECT_EQ(view->facebookOverlay()->frame(), Rect(48 - 16 - 1, 48 - 16 - 1, 16, 16));
    view->setImage(nullptr);
    EXPECT_EQ(view->image(), fallback.get());
    EXPECT_FALSE(view->facebookOverlay());
}

TEST_F(FakeNetImageViewTest, FramesAndClipFollowCornersAndFraming)
{
    auto view = QVImageView::imageViewWithFrame(Rect(0, 0, 50, 40));
    EXPECT_TRUE(view->hasBorderPath());
    view->setImage(solid(4, 4, 1, 1, 1));
    ASSERT_TRUE(view->imageFrame());
    EXPECT_EQ(view->imageFrame()->frame(), Rect(-7, -5, 64, 52));
    EXPECT_EQ(view->imageFrame()->image()->name(), "QVProfilePhotoFrame.png");
    view->setFrame(Rect(0, 0, 60, 60));
    EXPECT_EQ(view->imageFrame()->frame(), Rect(-7, -5, 74, 72));
    view->setUseSharpCorners(true);
    EXPECT_FALSE(view->imageFrame());
    EXPECT_FALSE(view->hasBorderPath());
    view->setUseSharpCorners(false);
    view->setUnframed(true);
    EXPECT_FALSE(view->imageFrame());
    EXPECT_TRUE(view->hasBorderPath());
    view->setUnframed(false);
    view->useGameCenterProfilePicture();
    view->setImage(solid(4, 4, 1, 1, 1));
    EXPECT_EQ(view->imageFrame()->image()->name(), "QVGameCenterProfileFrame.png");
}

TEST_F(FakeNetImageViewTest, SingleTapSendsTheAction)
{
    auto recorder = platform::makeRef<Recorder>();
    auto view = QVImageView::imageViewWithFrame(Rect(10, 10, 60, 60));
    view->addTarget(recorder, Control::PlainAction(BRISKO_SELECTOR(Recorder, tapped)), TouchUpInside);
    window()->addSubview(view);
    EXPECT_TRUE(driver().tap(view));
    EXPECT_TRUE(driver().tap(view, 2));
    EXPECT_EQ(recorder->taps, 1);
}

} // namespace image_view_tests

namespace image_view_tests {

// Red at the left end, blue at the right end, green between.
Ref<Image> endsMarked(uint32_t w, uint32_t h, uint32_t ends)
{
    platform::Bytes rgba;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (x < ends)
                rgba.insert(rgba.end(), { 220, 0, 0, 255 });
            else if (x >= w - ends)
                rgba.insert(rgba.end(), { 0, 0, 220, 255 });
            else
                rgba.insert(rgba.end(), { 0, 200, 0, 255 });
        }
    return Image::imageWithRGBA(w, h, std::move(rgba));
}

class StretchTest : public screen_testing::ScreenTest { };

TEST_F(StretchTest, ACappedPictureKeepsItsEndsWhileAPlainOneScales)
{
    using screen_testing::near;
    using screen_testing::pixelAt;
    Ref<Image> art = endsMarked(100, 44, 10);
    Ref<QVImageView> capped = QVImageView::imageViewWithFrame(Rect(0, 0, 320, 44));
    Ref<QVImageView> scaled = QVImageView::imageViewWithFrame(Rect(0, 60, 320, 44));
    Ref<QVImageView> tooWide = QVImageView::imageViewWithFrame(Rect(0, 120, 320, 44));
    for (auto& v : { capped, scaled, tooWide }) {
        v->setUnframed(true);
        v->setUseSharpCorners(true);
        v->setShouldScaleImageToFillRect(true);
        v->setDefaultImage(art.get());
        window()->addSubview(v.get());
    }
    capped->setStretchCaps(art.get(), 50, 0);
    tooWide->setStretchCaps(art.get(), 100, 0);
    EXPECT_EQ(tooWide->leftCapWidth(art.get()), 0) << "no column left to stretch";
    EXPECT_EQ(capped->leftCapWidth(endsMarked(100, 44, 10).get()), 0) << "the caps belong to one picture";
    settle();
    Ref<Image> shot = render("image-view-stretch");
    ASSERT_TRUE(shot);
    // Stretched: the ends stay 10 points wide.
    EXPECT_TRUE(near(pixelAt(*shot, 5, 22), 220, 0, 0));
    EXPECT_TRUE(near(pixelAt(*shot, 20, 22), 0, 200, 0));
    EXPECT_TRUE(near(pixelAt(*shot, 300, 22), 0, 200, 0));
    EXPECT_TRUE(near(pixelAt(*shot, 315, 22), 0, 0, 220));
    // Scaled: the ends grow to 32 points.
    EXPECT_TRUE(near(pixelAt(*shot, 20, 82), 220, 0, 0));
    EXPECT_TRUE(near(pixelAt(*shot, 300, 82), 0, 0, 220));
    EXPECT_TRUE(near(pixelAt(*shot, 20, 142), 220, 0, 0));
}

} // namespace image_view_tests
