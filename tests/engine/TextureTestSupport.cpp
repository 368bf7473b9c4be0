// Shared fixtures of the texture tests.
#include "TextureTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSAnimation.h"
#include "engine/KSConfiguration.h"
#include "engine/KSScheduler.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Bundle.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace platform;

namespace texture_test {

GLContext* GLTest::context()
{
    static Ref<GLContext> shared = [] {
        // Software rasterising even where a GPU is present: read-backs must be exact.
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        std::string error;
        auto c = GLContext::create(&error);
        if (!c)
            ADD_FAILURE() << error;
        return c;
    }();
    return shared.get();
}

void GLTest::SetUp()
{
    ManualClockTest::SetUp();
    ASSERT_TRUE(context());
    ASSERT_TRUE(context()->makeCurrent());
    drainGLErrors();
    bundle.useResources(dir.path());
    kestrel::KSTexture2D::setDefaultAlphaPixelFormat(kestrel::kKSTexture2DPixelFormat_Default);
    kestrel::ksSetContentScaleFactor(1.0f);
}

void GLTest::TearDown()
{
    // A node that stops its actions (removed with clean-up) makes the shared
    // action manager, which registers with the shared scheduler: both go, or
    // a later test that replaces the scheduler keeps a manager nothing ticks.
    kestrel::KSActionManager::purgeSharedManager();
    kestrel::KSScheduler::purgeSharedScheduler();
    kestrel::KSAnimationCache::purgeSharedAnimationCache();
    kestrel::KSSpriteFrameCache::purgeSharedSpriteFrameCache();
    kestrel::KSTextureCache::purgeSharedTextureCache();
    kestrel::KSTexture2D::setDefaultAlphaPixelFormat(kestrel::kKSTexture2DPixelFormat_Default);
    kestrel::ksSetContentScaleFactor(1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left pending";
    ManualClockTest::TearDown();
}

Ref<GLFramebuffer> GLTest::makeScreen(uint32_t width, uint32_t height)
{
    std::string error;
    auto fb = GLFramebuffer::create(width, height, &error);
    EXPECT_TRUE(fb) << error;
    if (!fb)
        return nullptr;
    fb->bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, static_cast<GLfloat>(width), 0, static_cast<GLfloat>(height), -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ub(255, 255, 255, 255);
    return fb;
}

const uint8_t* GLTest::pixelAt(const Bytes& pixels, uint32_t width, uint32_t x, uint32_t y)
{
    return &pixels[(static_cast<size_t>(y) * width + x) * 4];
}

platform::Ref<kestrel::KSTexture2D> whiteTexture(uint32_t side)
{
    std::vector<uint8_t> white(static_cast<size_t>(side) * side * 4, 255);
    return kestrel::KSTexture2D::textureWithData(white.data(), kestrel::kKSTexture2DPixelFormat_RGBA8888, side, side,
                                                 platform::Size(static_cast<float>(side), static_cast<float>(side)));
}

void writeHeroSheet(const testing_support::TempDir& folder)
{
    writeSolidPNG(folder.file("sheet.png"), 64, 64, 0x3060C0FF);
    folder.write("sheet.plist",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                 "<key>metadata</key><dict><key>format</key><integer>1</integer></dict>"
                 "<key>frames</key><dict><key>hero.png</key><dict><key>frame</key><string>{{0,0},{16,16}}</string>"
                 "</dict></dict></dict></plist>\n");
}

std::string writeSolidPNG(const std::string& path, uint32_t width, uint32_t height, uint32_t rgba, bool alpha)
{
    Bytes pixels(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<uint8_t>(rgba >> 24);
        pixels[i + 1] = static_cast<uint8_t>(rgba >> 16);
        pixels[i + 2] = static_cast<uint8_t>(rgba >> 8);
        pixels[i + 3] = alpha ? static_cast<uint8_t>(rgba) : 255;
    }
    auto image = Image::imageWithRGBA(width, height, std::move(pixels),
                                      alpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None);
    EXPECT_TRUE(image && image->writePNG(path));
    return path;
}

Bytes pvrFile(uint32_t width, uint32_t height, uint32_t formatCode, const Bytes& data, uint32_t alphaMask,
              int64_t dataLengthOverride, const char* tag)
{
    Bytes file(52 + data.size(), 0);
    std::copy(data.begin(), data.end(), file.begin() + 52);
    auto put = [&file](size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 52);
    put(4, height);
    put(8, width);
    put(16, formatCode | 0x8000);
    put(20, dataLengthOverride >= 0 ? static_cast<uint32_t>(dataLengthOverride) : static_cast<uint32_t>(data.size()));
    put(40, alphaMask);
    for (int i = 0; i < 4; ++i)
        file[44 + i] = static_cast<uint8_t>(tag[i]);
    put(48, 1);
    return file;
}

std::string writeBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_TRUE(f);
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string writeGzip(const std::string& path, const Bytes& bytes)
{
    gzFile f = gzopen(path.c_str(), "wb");
    EXPECT_TRUE(f);
    if (f) {
        gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
        gzclose(f);
    }
    return path;
}

std::string writeKsz(const std::string& path, const Bytes& bytes)
{
    uLongf compressedLength = compressBound(static_cast<uLong>(bytes.size()));
    Bytes file(16 + compressedLength, 0);
    std::memcpy(file.data(), "KSZ!", 4);
    file[7] = 1; // version
    uint32_t length = static_cast<uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i)
        file[12 + i] = static_cast<uint8_t>(length >> (8 * (3 - i)));
    compress(file.data() + 16, &compressedLength, bytes.data(), static_cast<uLong>(bytes.size()));
    file.resize(16 + compressedLength);
    return writeBytes(path, file);
}

} // namespace texture_test
