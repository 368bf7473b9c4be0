// The render texture: texture sizes, capture into the texture, raw read-back,
// PNG and JPEG files in Documents, and what end() puts back.
#include "DirectorTestSupport.h"

#include "engine/KSConfiguration.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSSprite.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <array>
#include <climits>
#include <filesystem>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

class RenderTextureTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        savedHome_ = platform::Bundle::main().homeDirectory();
        platform::Bundle::main().setHomeDirectory(dir.file("home"));
    }
    void TearDown() override
    {
        platform::Bundle::main().setHomeDirectory(savedHome_);
        DirectorTest::TearDown();
    }

    // Red below, blue in the top half: enough to tell the rows apart.
    void drawRedAndBlue(KSRenderTexture* rt, float w, float h)
    {
        auto red = KSColorLayer::layerWithColor({ 255, 0, 0, 255 }, w, h);
        auto blue = KSColorLayer::layerWithColor({ 0, 0, 255, 255 }, w, h / 2);
        blue->setPosition({ 0, h / 2 });
        rt->begin();
        red->visit();
        blue->visit();
        rt->end();
    }

    static GLint boundFramebuffer()
    {
        GLint fbo = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &fbo);
        return fbo;
    }

    std::string savedHome_;
};

TEST_F(RenderTextureTest, TextureIsThePowerOfTwoAboveThePixelSize)
{
    directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(100, 50);
    ASSERT_TRUE(rt);
    KSTexture2D* t = rt->sprite()->texture();
    EXPECT_EQ(t->pixelsWide(), 128u);
    EXPECT_EQ(t->pixelsHigh(), 64u);
    EXPECT_EQ(t->contentSizeInPixels(), platform::Size(100, 50));
    EXPECT_EQ(rt->sprite()->scaleY(), -1);
    EXPECT_EQ(rt->sprite()->parent(), rt.get());

    ksSetContentScaleFactor(2);
    auto hd = KSRenderTexture::renderTextureWithWidth(100, 50);
    ASSERT_TRUE(hd);
    EXPECT_EQ(hd->sprite()->texture()->pixelsWide(), 256u);
    EXPECT_EQ(hd->sprite()->texture()->pixelsHigh(), 128u);
    EXPECT_EQ(hd->sprite()->texture()->contentSizeInPixels(), platform::Size(200, 100));
}

// A size above the GL limit is refused before a pixel is filled (30000 x 30000
// once filled 4 GB first; a width near INT_MAX overflowed the buffer's size).
TEST_F(RenderTextureTest, SizesAboveTheTextureLimitAreRefusedFirst)
{
    directorWithView();
    const int max = KSConfiguration::sharedConfiguration()->maxTextureSize();
    platform::LogCapture log;
    for (auto [w, h] : { std::pair { max + 1, 1 }, std::pair { 1, max + 1 }, std::pair { 30000, 30000 },
                         std::pair { INT_MAX, INT_MAX / 2 + 1 }, std::pair { INT_MAX, INT_MAX } }) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        EXPECT_FALSE(KSRenderTexture::renderTextureWithWidth(w, h));
    }
    EXPECT_TRUE(log.contains("KSRenderTexture: 30000 x 30000 points is larger than the " + std::to_string(max)
                             + " pixels a texture may have"));
    ksSetContentScaleFactor(2);
    EXPECT_FALSE(KSRenderTexture::renderTextureWithWidth(max / 2 + 1, 1)) << "the limit is in pixels";
    EXPECT_TRUE(KSRenderTexture::renderTextureWithWidth(max / 2, 1));
}

TEST_F(RenderTextureTest, RawReadBackIsRGBATopRowFirst)
{
    directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(40, 20);
    drawRedAndBlue(rt.get(), 40, 20);
    auto raw = rt->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->size(), 40u * 20 * 4);
    auto px = [&](int x, int y) { return std::array<int, 4> { (*raw)[(y * 40 + x) * 4], (*raw)[(y * 40 + x) * 4 + 1], (*raw)[(y * 40 + x) * 4 + 2], (*raw)[(y * 40 + x) * 4 + 3] }; };
    EXPECT_EQ(px(0, 0), (std::array<int, 4> { 0, 0, 255, 255 })) << "the top row comes first";
    EXPECT_EQ(px(39, 9), (std::array<int, 4> { 0, 0, 255, 255 }));
    EXPECT_EQ(px(0, 10), (std::array<int, 4> { 255, 0, 0, 255 }));
    EXPECT_EQ(px(39, 19), (std::array<int, 4> { 255, 0, 0, 255 }));
}

TEST_F(RenderTextureTest, SavedPNGHasTheRequestedSizeAndPixels)
{
    directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(100, 50);
    drawRedAndBlue(rt.get(), 100, 50);
    ASSERT_TRUE(rt->saveBuffer("capture.png", kKSImageFormatPNG));
    auto image = platform::Image::imageWithContentsOfFile(dir.file("home/Documents/capture.png"));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 100u);
    ASSERT_EQ(image->height(), 50u);
    const auto& p = image->rgba();
    for (uint32_t y = 0; y < 50; ++y)
        for (uint32_t x = 0; x < 100; ++x) {
            const uint8_t* q = &p[(y * 100 + x) * 4];
            const bool top = y < 25;
            ASSERT_EQ(q[0], top ? 0 : 255) << x << "," << y;
            ASSERT_EQ(q[2], top ? 255 : 0) << x << "," << y;
            ASSERT_EQ(q[3], 255);
        }
}

TEST_F(RenderTextureTest, SaveBufferWritesAJPEGUnderExactlyTheGivenName)
{
    directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(32, 16);
    rt->clear(0, 1, 0, 1);
    ASSERT_TRUE(rt->saveBuffer("frame"));
    const std::string path = dir.file("home/Documents/frame");
    ASSERT_TRUE(std::filesystem::exists(path));
    std::string bytes = testing_support::readFile(path);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xD8) << "a JPEG file";
    auto image = platform::Image::imageWithContentsOfFile(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 32u);
    EXPECT_NEAR(image->rgba()[(8 * 32 + 16) * 4 + 1], 255, 3);
    EXPECT_NEAR(image->rgba()[(8 * 32 + 16) * 4 + 0], 0, 3);
    // Nothing but the file itself is left in Documents.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("home/Documents")),
                            std::filesystem::directory_iterator {}),
              1);
}

TEST_F(RenderTextureTest, SaveBufferRefusesNamesThatLeaveDocuments)
{
    directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(8, 8);
    platform::LogCapture log;
    for (const char* name : { "../escape.png", "sub/x.png", "..", "/tmp/abs.png", "a..b", "" })
        EXPECT_FALSE(rt->saveBuffer(name, kKSImageFormatPNG)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/escape.png")));
    EXPECT_TRUE(log.contains("refusing"));
    EXPECT_TRUE(rt->saveBuffer("ok.png", kKSImageFormatPNG));
}

TEST_F(RenderTextureTest, EndRestoresFramebufferViewportAndClearColourAcrossNestedCaptures)
{
    directorWithView();
    glClearColor(0.25f, 0.5f, 0.75f, 1);
    const GLint screen = boundFramebuffer();
    std::array<GLint, 4> screenViewport {};
    glGetIntegerv(GL_VIEWPORT, screenViewport.data());

    auto outer = KSRenderTexture::renderTextureWithWidth(64, 32);
    auto inner = KSRenderTexture::renderTextureWithWidth(16, 16);
    EXPECT_EQ(boundFramebuffer(), screen) << "making one leaves the binding alone";

    outer->beginWithClear(1, 0, 0, 1);
    inner->beginWithClear(0, 1, 0, 1);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(inner->fbo()));
    inner->end();

    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(outer->fbo()));
    std::array<GLint, 4> viewport {};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4> { 0, 0, 64, 32 })) << "the outer capture's viewport";
    std::array<GLfloat, 4> clear {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<GLfloat, 4> { 1, 0, 0, 1 })) << "the outer capture's clear colour";
    // Drawing after the inner end still lands in the outer texture.
    auto blue = KSColorLayer::layerWithColor({ 0, 0, 255, 255 }, 64, 32);
    blue->visit();
    outer->end();

    EXPECT_EQ(boundFramebuffer(), screen);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, screenViewport);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<GLfloat, 4> { 0.25f, 0.5f, 0.75f, 1 }));

    auto outerPixels = outer->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
    ASSERT_TRUE(outerPixels);
    EXPECT_EQ((*outerPixels)[2], 255);
    auto innerPixels = inner->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
    ASSERT_TRUE(innerPixels);
    EXPECT_EQ((*innerPixels)[1], 255) << "the inner capture kept its own clear";

    // A read-back in the middle of a capture of the same texture comes back to it.
    outer->begin();
    outer->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(outer->fbo()));
    outer->end();
    EXPECT_EQ(boundFramebuffer(), screen);
    // An end without a begin changes nothing.
    outer->end();
    EXPECT_EQ(boundFramebuffer(), screen);
}

TEST_F(RenderTextureTest, ShownUprightThroughItsSprite)
{
    KSDirectorIOS* d = directorWithView();
    auto rt = KSRenderTexture::renderTextureWithWidth(40, 20);
    drawRedAndBlue(rt.get(), 40, 20);
    rt->setPosition({ 160, 240 });
    auto scene = KSScene::node();
    scene->addChild(rt.get());
    d->runWithScene(scene.get());
    Ref<platform::Image> frame;
    d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
    advance(1.0 / 60);
    ASSERT_TRUE(frame);
    // Window y 245 (above the centre) is row 480 - 245 from the top.
    const uint8_t* above = &frame->rgba()[((480 - 245) * 320 + 160) * 4];
    const uint8_t* below = &frame->rgba()[((480 - 235) * 320 + 160) * 4];
    EXPECT_GT(above[2], 200);
    EXPECT_LT(above[0], 50);
    EXPECT_GT(below[0], 200);
    EXPECT_LT(below[2], 50);
}

// The texture is the framebuffer's own, whatever becomes of the sprite that
// shows it: captures go on after the sprite has left (and gone), and sprite()
// answers null once nobody keeps it.
TEST_F(RenderTextureTest, CapturesOutliveTheSpriteThatShowsThem)
{
    directorWithView();
    const std::pair<const char*, void (*)(KSRenderTexture*, KSNode*)> ways[] = {
        { "emptied with clean-up", [](KSRenderTexture* rt, KSNode*) { rt->removeAllChildrenWithCleanup(true); } },
        { "sprite moved and dropped there",
          [](KSRenderTexture* rt, KSNode* elsewhere) {
              Ref<KSSprite> sprite(rt->sprite());
              sprite->removeFromParentAndCleanup(false);
              elsewhere->addChild(sprite.get());
              elsewhere->removeChild(sprite.get(), true);
          } },
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        auto elsewhere = KSNode::node();
        auto rt = KSRenderTexture::renderTextureWithWidth(16, 8);
        leave(rt.get(), elsewhere.get());
        EXPECT_EQ(rt->sprite(), nullptr);
        rt->beginWithClear(0, 1, 0, 1);
        rt->end();
        auto raw = rt->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
        ASSERT_TRUE(raw && raw->size() == 16u * 8 * 4);
        EXPECT_EQ((std::array<int, 4> { (*raw)[0], (*raw)[1], (*raw)[2], (*raw)[3] }),
                  (std::array<int, 4> { 0, 255, 0, 255 }));
    }
}

TEST_F(RenderTextureTest, FormatsItCannotHandleFailTheirAssertions)
{
    directorWithView();
    EXPECT_ASSERTION(KSRenderTexture::renderTextureWithWidth(8, 8, kKSTexture2DPixelFormat_A8), "engine/KSRenderTexture",
                     "only RGB and RGBA formats are valid for a render texture");
    auto rgb = KSRenderTexture::renderTextureWithWidth(8, 8, kKSTexture2DPixelFormat_RGB565);
    ASSERT_TRUE(rgb);
    EXPECT_ASSERTION(rgb->saveBuffer("x.png", kKSImageFormatPNG), "engine/KSRenderTexture",
                     "only RGBA8888 can be saved as image");
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/Documents/x.png")));
}

} // namespace
