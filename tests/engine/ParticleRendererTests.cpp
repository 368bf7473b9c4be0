// Particle property lists and the two renderers: files with embedded images
// drawn into a headless framebuffer, the reader's failures, quad geometry and
// the point renderer's limits.
#include "NodeTestSupport.h"
#include "TextureTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSParticleSystemPoint.h"
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSScheduler.h"
#include "engine/KSSpriteFrame.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/Deflate.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Image.h"

#include <cmath>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

Bytes pngBytes(uint32_t size, bool alpha)
{
    Bytes rgba(size * size * 4, 255);
    auto image = Image::imageWithRGBA(size, size, std::move(rgba), alpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None);
    return *image->pngData();
}

std::string embedded(const Bytes& bytes, bool gzip = true)
{
    Bytes packed = *platform::deflateBytes(bytes, gzip ? platform::DeflateFormat::Gzip : platform::DeflateFormat::Zlib);
    return base64Encode(packed.data(), packed.size());
}

// One white particle of 8 points, standing still at the emitter for 10 s.
ValueDictionary stillParticleFile()
{
    return ValueDictionary {
        { "maxParticles", Value(20) },
        { "angle", Value(90.0) },
        { "duration", Value(-1.0) },
        { "blendFuncSource", Value(1) },
        { "blendFuncDestination", Value(771) },
        { "startColorRed", Value(1.0) },
        { "startColorGreen", Value(1.0) },
        { "startColorBlue", Value(1.0) },
        { "startColorAlpha", Value(1.0) },
        { "finishColorRed", Value(1.0) },
        { "finishColorGreen", Value(1.0) },
        { "finishColorBlue", Value(1.0) },
        { "finishColorAlpha", Value(1.0) },
        { "startParticleSize", Value(8.0) },
        { "finishParticleSize", Value(-1.0) },
        { "sourcePositionx", Value(32.0) },
        { "sourcePositiony", Value(32.0) },
        { "emitterType", Value(0) },
        { "particleLifespan", Value(10.0) },
        { "textureFileName", Value("embedded.png") },
        { "textureImageData", Value(embedded(pngBytes(8, false))) },
    };
}

// A quad system that reports when it is freed.
class CountedQuad : public KSParticleSystemQuad {
public:
    explicit CountedQuad(bool* destroyed) : destroyed_(destroyed) { }
    ~CountedQuad() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

} // namespace

class ParticleRendererTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        KSDirector::sharedDirector()->setWinSizeInPixels({ 64, 64 });
    }
    void TearDown() override
    {
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        KSDirector::purgeSharedDirector();
        GLTest::TearDown();
    }
    std::string writeParticles(const std::string& name, const ValueDictionary& d)
    {
        EXPECT_TRUE(writePropertyListFile(dir.file(name), Value(d)));
        return name;
    }
    static GLint blendSource()
    {
        GLint src = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        return src;
    }
};

TEST_F(ParticleRendererTest, QuadSystemFromAFileWithAnEmbeddedImageDrawsLitParticles)
{
    auto system = KSParticleSystemQuad::particleWithFile(writeParticles("still.plist", stillParticleFile()));
    ASSERT_TRUE(system);
    ASSERT_TRUE(system->texture());
    EXPECT_EQ(KSTextureCache::sharedTextureCache()->textureForKey("embedded.png").get(), system->texture())
        << "the embedded image is cached under the file name";
    EXPECT_EQ(system->blendFunc(), (ksBlendFunc { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA }))
        << "an opaque image has no premultiplied alpha";
    EXPECT_FLOAT_EQ(system->emissionRate(), 2.0f);

    system->update(1.0f);
    ASSERT_EQ(system->particleCount(), 1u);
    auto screen = makeScreen(64, 64);
    system->visit();
    Bytes pixels = screen->readPixels();
    // The 8-pixel square centred on (32, 32), GL's y upwards.
    EXPECT_EQ(pixelAt(pixels, 64, 32, 31)[0], 255);
    EXPECT_EQ(pixelAt(pixels, 64, 29, 28)[1], 255);
    EXPECT_EQ(pixelAt(pixels, 64, 35, 35)[2], 255);
    EXPECT_EQ(pixelAt(pixels, 64, 37, 31)[0], 0) << "nothing outside the square";
    EXPECT_EQ(pixelAt(pixels, 64, 5, 5)[3], 0);
    EXPECT_EQ(blendSource(), GL_ONE) << "the default blend function is restored";
}

TEST_F(ParticleRendererTest, PointSystemDrawsPointSprites)
{
    auto system = KSParticleSystemPoint::particleWithFile(writeParticles("still.plist", stillParticleFile()));
    ASSERT_TRUE(system);
    auto screen = makeScreen(64, 64);

    // No live particle: no drawing and no GL state touched.
    glDisable(GL_POINT_SPRITE_OES);
    system->visit();
    EXPECT_EQ(screen->readPixels(), Bytes(64 * 64 * 4, 0));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_POINT_SPRITE_OES));

    system->update(1.0f);
    ASSERT_EQ(system->particleIdx(), 1u);
    EXPECT_EQ(system->vertices()[0].size, 8.0f);
    system->visit();
    Bytes pixels = screen->readPixels();
    EXPECT_EQ(pixelAt(pixels, 64, 32, 31)[0], 255);
    EXPECT_EQ(pixelAt(pixels, 64, 29, 28)[1], 255);
    EXPECT_EQ(pixelAt(pixels, 64, 40, 31)[0], 0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << "re-enabled after drawing";
    EXPECT_FALSE(glIsEnabled(GL_POINT_SPRITE_OES));
    EXPECT_FALSE(glIsEnabled(GL_POINT_SIZE_ARRAY_OES));
    EXPECT_EQ(blendSource(), GL_ONE);
}

TEST_F(ParticleRendererTest, ReaderTakesNumbersAndNumericStrings)
{
    texture_test::writeSolidPNG(dir.file("spark.png"), 4, 4, 0xFFFFFF80);
    ValueDictionary d {
        { "maxParticles", Value("30") },
        { "angle", Value("12.5") },
        { "angleVariance", Value(3) },
        { "duration", Value(2.5) },
        { "blendFuncSource", Value(770) },
        { "blendFuncDestination", Value("1") },
        { "finishColorVarianceAlpha", Value("0.5") },
        { "startParticleSize", Value(6) },
        { "sourcePositionx", Value(10) },
        { "sourcePositiony", Value("20") },
        { "sourcePositionVariancex", Value(4) },
        { "emitterType", Value("1") },
        { "maxRadius", Value(50) },
        { "minRadius", Value(-1) },
        { "rotatePerSecond", Value(180) },
        { "gravityx", Value(99) },
        { "particleLifespan", Value(1.5) },
        { "particleLifespanVariance", Value(0.5) },
        { "textureFileName", Value("spark.png") },
        { "textureImageData", Value("!!! never read") },
    };
    auto s = KSParticleSystemQuad::particleWithFile(writeParticles("radius.plist", d));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->totalParticles(), 30u);
    EXPECT_FLOAT_EQ(s->angle(), 12.5f);
    EXPECT_FLOAT_EQ(s->duration(), 2.5f);
    EXPECT_TRUE(s->blendAdditive());
    EXPECT_EQ(s->endColorVar(), (ksColor4F { 0, 0, 0, 0.5f }));
    EXPECT_EQ(s->position(), Point(10, 20));
    EXPECT_EQ(s->posVar(), Point(4, 0));
    EXPECT_EQ(s->emitterMode(), kKSParticleModeRadius);
    EXPECT_EQ(s->startRadius(), 50.0f);
    EXPECT_EQ(s->endRadius(), kKSParticleStartRadiusEqualToEndRadius);
    EXPECT_EQ(s->endRadiusVar(), 0.0f);
    EXPECT_EQ(s->rotatePerSecond(), 180.0f);
    EXPECT_FLOAT_EQ(s->emissionRate(), 20.0f) << "particles / life";
    EXPECT_EQ(s->texture(), KSTextureCache::sharedTextureCache()->textureForKey("spark.png").get())
        << "a loadable file wins over the embedded image";

    // A zlib (not gzip) stream works as well, and a file without a name is fine.
    ValueDictionary z = stillParticleFile();
    z.set("textureImageData", Value(embedded(pngBytes(4, true), false)));
    z.remove("textureFileName");
    auto zlibSystem = KSParticleSystemPoint::particleWithFile(writeParticles("zlib.plist", z));
    ASSERT_TRUE(zlibSystem);
    EXPECT_EQ(zlibSystem->texture()->pixelsWide(), 4u);
    EXPECT_EQ(zlibSystem->blendFunc(), (ksBlendFunc { GL_ONE, GL_ONE_MINUS_SRC_ALPHA })) << "premultiplied";
}

TEST_F(ParticleRendererTest, MalformedFilesFailWithTheirMessagesAndLeaveNothingScheduled)
{
    const char* file = "engine/KSParticleSystem";
    auto expectFailure = [&](ValueDictionary d, const char* message) {
        bool destroyed = false;
        {
            auto system = adoptRef(new CountedQuad(&destroyed));
            const std::string name = writeParticles("bad.plist", d);
            EXPECT_ASSERTION(system->initWithFile(name), file, message);
        }
        EXPECT_TRUE(destroyed) << message << ": the scheduler still holds the system";
    };
    ValueDictionary d = stillParticleFile();
    d.set("textureImageData", Value("QUJD!A="));
    expectFailure(d, "KSParticleSystem: error decoding textureImageData");
    const std::string plain = "not compressed at all";
    d.set("textureImageData", Value(base64Encode(plain.data(), plain.size())));
    expectFailure(d, "KSParticleSystem: error ungzipping textureImageData");
    // Inflates, but is no image: reported by the system, never by the cache.
    d.set("textureImageData", Value(embedded(Bytes { 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g' })));
    expectFailure(d, "KSParticleSystem: error loading the texture");
    EXPECT_EQ(KSTextureCache::sharedTextureCache()->count(), 0u);
    d.remove("textureImageData");
    expectFailure(d, "KSParticleSystem: error loading the texture");
    d = stillParticleFile();
    d.set("emitterType", Value(2));
    expectFailure(d, "Invalid emitterType in config file");

    EXPECT_FALSE(KSParticleSystemQuad::particleWithFile("missing.plist")) << "a missing file is no system, no abort";
    EXPECT_FALSE(KSParticleSystemQuad::particleWithFile("/dev/zero")) << "nor is a device";
    ASSERT_TRUE(writePropertyListFile(dir.file("array.plist"), Value(ValueArray { Value(1) })));
    EXPECT_ASSERTION(KSParticleSystemQuad::particleWithFile("array.plist"), file, "Particles: file not found");
}

TEST_F(ParticleRendererTest, AbsurdParticleCountsAreRefused)
{
    for (Value count : { Value(-5), Value(1000000000LL), Value("70000"), Value(1e30) }) {
        ValueDictionary d = stillParticleFile();
        d.set("maxParticles", count);
        EXPECT_FALSE(KSParticleSystemPoint::particleWithFile(writeParticles("many.plist", d)))
            << count.debugDescription();
    }
    // Quads: 16-bit indices address 16384 quads at most.
    EXPECT_TRUE(KSParticleSystemQuad::particleWithTotalParticles(kKSParticleQuadMaxParticles));
    EXPECT_FALSE(KSParticleSystemQuad::particleWithTotalParticles(kKSParticleQuadMaxParticles + 1));
    ValueDictionary d = stillParticleFile();
    d.set("maxParticles", Value(20000));
    EXPECT_FALSE(KSParticleSystemQuad::particleWithFile(writeParticles("quads.plist", d)));
    EXPECT_TRUE(KSParticleSystemPoint::particleWithFile("quads.plist")) << "points have no index limit";
}

TEST_F(ParticleRendererTest, QuadsAreSquaresTurnedClockwiseByTheirSpin)
{
    auto s = KSParticleSystemQuad::particleWithTotalParticles(2);
    ASSERT_TRUE(s);
    const GLushort expected[] = { 0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5 };
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(s->indices()[i], expected[i]) << i;

    s->setLife(10);
    s->setPositionType(kKSPositionTypeGrouped);
    s->setSourcePosition(Point(10, 20));
    s->setStartSize(4);
    s->setEndSize(kKSParticleStartSizeEqualToEndSize);
    ASSERT_TRUE(s->addParticle());
    s->setStartSpin(90);
    s->setEndSpin(90);
    s->setSourcePosition(Point(0, 0));
    s->setStartSize(2);
    // A second quad with one corner marked by its spin: bl of a square turned
    // clockwise by 90 degrees lands where tl was.
    ASSERT_TRUE(s->addParticle());
    s->update(0.01f);
    const ksV2F_C4F_T2F_Quad& q = s->quads()[0];
    EXPECT_EQ(q.bl.vertices.x, 8.0f);
    EXPECT_EQ(q.bl.vertices.y, 18.0f);
    EXPECT_EQ(q.tr.vertices.x, 12.0f);
    EXPECT_EQ(q.tr.vertices.y, 22.0f);
    EXPECT_EQ(q.tl.vertices.x, 8.0f);
    EXPECT_EQ(q.br.vertices.y, 18.0f);
    const ksV2F_C4F_T2F_Quad& r = s->quads()[1];
    EXPECT_NEAR(r.bl.vertices.x, -1.0f, 1e-5f);
    EXPECT_NEAR(r.bl.vertices.y, 1.0f, 1e-5f);
    EXPECT_NEAR(r.tl.vertices.x, 1.0f, 1e-5f);
    EXPECT_NEAR(r.tl.vertices.y, 1.0f, 1e-5f);
    EXPECT_NEAR(r.tr.vertices.x, 1.0f, 1e-5f);
    EXPECT_NEAR(r.tr.vertices.y, -1.0f, 1e-5f);
    EXPECT_NEAR(r.br.vertices.x, -1.0f, 1e-5f);
    EXPECT_NEAR(r.br.vertices.y, -1.0f, 1e-5f);
}

TEST_F(ParticleRendererTest, TextureRectanglesAndDisplayFrames)
{
    Bytes pixels(16 * 8 * 4, 255);
    auto sheet = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 16, 8, Size(16, 8));
    auto other = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 8, 8, Size(8, 8));
    auto s = KSParticleSystemQuad::particleWithTotalParticles(3);
    ASSERT_TRUE(s);
    s->setTexture(sheet.get(), Rect(4, 2, 8, 4));
    for (int i = 0; i < 3; ++i) {
        const ksV2F_C4F_T2F_Quad& q = s->quads()[i];
        EXPECT_EQ(q.bl.texCoords.u, 0.25f);
        EXPECT_EQ(q.bl.texCoords.v, 0.75f);
        EXPECT_EQ(q.tr.texCoords.u, 0.75f);
        EXPECT_EQ(q.tr.texCoords.v, 0.25f);
    }

    // A frame of the same texture changes nothing.
    auto sameSheet = KSSpriteFrame::frameWithTexture(sheet.get(), Rect(0, 0, 2, 2));
    s->setDisplayFrame(sameSheet.get());
    EXPECT_EQ(s->quads()[0].bl.texCoords.u, 0.25f);
    // A frame of another texture shows that whole texture.
    auto otherFrame = KSSpriteFrame::frameWithTexture(other.get(), Rect(0, 0, 2, 2));
    s->setDisplayFrame(otherFrame.get());
    EXPECT_EQ(s->texture(), other.get());
    EXPECT_EQ(s->quads()[2].bl.texCoords.u, 0.0f);
    EXPECT_EQ(s->quads()[2].tr.texCoords.u, 1.0f);
    EXPECT_EQ(s->quads()[2].bl.texCoords.v, 1.0f);

    auto offset = KSSpriteFrame::frameWithTexture(sheet.get(), Rect(0, 0, 2, 2), false, Point(1, 0), Size(2, 2));
    EXPECT_ASSERTION(s->setDisplayFrame(offset.get()), "engine/KSParticleSystemQuad",
                     "QuadParticle only supports SpriteFrames with no offsets");
}

TEST_F(ParticleRendererTest, PointSizesAndSpinAreLimited)
{
    auto s = KSParticleSystemPoint::particleWithTotalParticles(1);
    ASSERT_TRUE(s);
    const char* file = "engine/KSParticleSystemPoint";
    s->setEndSize(kKSParticleStartSizeEqualToEndSize);
    s->setStartSize(64);
    EXPECT_ASSERTION(s->setStartSize(65), file, "PointParticleSystem only supports 0 <= size <= 64");
    EXPECT_ASSERTION(s->setStartSize(-1), file, "PointParticleSystem only supports 0 <= size <= 64");
    EXPECT_ASSERTION(s->setEndSize(-2), file, "PointParticleSystem only supports 0 <= size <= 64");
    EXPECT_ASSERTION(s->setStartSpin(1), file, "PointParticleSystem doesn't support spinning");
    EXPECT_ASSERTION(s->setEndSpinVar(-3), file, "PointParticleSystem doesn't support spinning");
    s->setEndSpin(0);
    EXPECT_EQ(s->startSize(), 64.0f);
}
