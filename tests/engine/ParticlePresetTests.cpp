// The eleven particle presets: their values against the effects' tables, the
// explosion's single burst, other particle counts, and the shipped fire.png.
#include "TextureTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSDirector.h"
#include "engine/KSParticleExamples.h"
#include "engine/KSScheduler.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Bundle.h"
#include "platform/graphics/Image.h"

#include <cstdlib>
#include <functional>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

struct Expected {
    const char* name;
    std::function<Ref<KSParticleSystemPoint>()> make;
    unsigned particles;
    float duration;
    Point gravity;
    float speed, speedVar, radial, radialVar, tangential, tangentialVar, angle, angleVar;
    Point position, posVar;
    float life, lifeVar, startSize, startSizeVar, rate;
    bool additive;
    ksColor4F startColor, startColorVar, endColor, endColorVar;
};

template <class T>
std::function<Ref<KSParticleSystemPoint>()> maker()
{
    return [] { return Ref<KSParticleSystemPoint>(T::node()); };
}

// On a 480 x 320 window.
const Expected kPresets[] = {
    { "fireworks", maker<KSParticleFireworks>(), 1500, -1, { 0, -90 }, 180, 50, 0, 0, 0, 0, 90, 20, { 240, 160 },
      { 0, 0 }, 3.5f, 1, 8, 2, 1500 / 3.5f, false,
      { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0.1f }, { 0.1f, 0.1f, 0.1f, 0.2f }, { 0.1f, 0.1f, 0.1f, 0.2f } },
    { "fire", maker<KSParticleFire>(), 250, -1, { 0, 0 }, 60, 20, 0, 0, 0, 0, 90, 10, { 240, 60 }, { 40, 20 },
      3, 0.25f, 54, 10, 250 / 3.0f, true,
      { 0.76f, 0.25f, 0.12f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "sun", maker<KSParticleSun>(), 350, -1, { 0, 0 }, 20, 5, 0, 0, 0, 0, 90, 360, { 240, 160 }, { 0, 0 },
      1, 0.5f, 30, 10, 350, true,
      { 0.76f, 0.25f, 0.12f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "galaxy", maker<KSParticleGalaxy>(), 200, -1, { 0, 0 }, 60, 10, -80, 0, 80, 0, 90, 360, { 240, 160 },
      { 0, 0 }, 4, 1, 37, 10, 50, true,
      { 0.12f, 0.25f, 0.76f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "flower", maker<KSParticleFlower>(), 250, -1, { 0, 0 }, 80, 10, -60, 0, 15, 0, 90, 360, { 240, 160 },
      { 0, 0 }, 4, 1, 30, 10, 62.5f, true,
      { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0.5f }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "meteor", maker<KSParticleMeteor>(), 150, -1, { -200, 200 }, 15, 5, 0, 0, 0, 0, 90, 360, { 240, 160 },
      { 0, 0 }, 2, 1, 60, 10, 75, true,
      { 0.2f, 0.4f, 0.7f, 1 }, { 0, 0, 0.2f, 0.1f }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "spiral", maker<KSParticleSpiral>(), 500, -1, { 0, 0 }, 150, 0, -380, 0, 45, 0, 90, 0, { 240, 160 },
      { 0, 0 }, 12, 0, 20, 0, 500 / 12.0f, false,
      { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0 } },
    { "explosion", maker<KSParticleExplosion>(), 700, 0.1f, { 0, 0 }, 70, 40, 0, 0, 0, 0, 90, 360, { 240, 160 },
      { 0, 0 }, 5, 2, 15, 10, 700 / 0.1f, false,
      { 0.7f, 0.1f, 0.2f, 1 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 0 } },
    { "smoke", maker<KSParticleSmoke>(), 200, -1, { 0, 0 }, 25, 10, 0, 0, 0, 0, 90, 5, { 240, 0 }, { 20, 0 },
      4, 1, 60, 10, 50, false,
      { 0.8f, 0.8f, 0.8f, 1 }, { 0.02f, 0.02f, 0.02f, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
    { "snow", maker<KSParticleSnow>(), 700, -1, { 0, -1 }, 5, 1, 0, 1, 0, 1, -90, 5, { 240, 330 }, { 240, 0 },
      45, 15, 10, 5, 10, false,
      { 1, 1, 1, 1 }, { 0, 0, 0, 0 }, { 1, 1, 1, 0 }, { 0, 0, 0, 0 } },
    { "rain", maker<KSParticleRain>(), 1000, -1, { 10, -10 }, 130, 30, 0, 1, 0, 1, -90, 5, { 240, 320 }, { 240, 0 },
      4.5f, 0, 4, 2, 20, false,
      { 0.7f, 0.8f, 1, 1 }, { 0, 0, 0, 0 }, { 0.7f, 0.8f, 1, 0.5f }, { 0, 0, 0, 0 } },
};

} // namespace

class ParticlePresetTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        const char* source = std::getenv("BRISKO_SOURCE_DIR");
        if (!source)
            GTEST_SKIP() << "BRISKO_SOURCE_DIR names the source tree (ctest sets it)";
        bundle.useResources(std::string(source) + "/resources");
        KSDirector::sharedDirector()->setWinSizeInPixels({ 480, 320 });
    }
    void TearDown() override
    {
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        KSDirector::purgeSharedDirector();
        GLTest::TearDown();
    }
};

TEST_F(ParticlePresetTest, EveryPresetMatchesItsTable)
{
    for (const Expected& e : kPresets) {
        SCOPED_TRACE(e.name);
        Ref<KSParticleSystemPoint> s = e.make();
        ASSERT_TRUE(s);
        EXPECT_EQ(s->totalParticles(), e.particles);
        EXPECT_EQ(s->duration(), e.duration);
        EXPECT_EQ(s->emitterMode(), kKSParticleModeGravity);
        EXPECT_EQ(s->gravity(), e.gravity);
        EXPECT_EQ(s->speed(), e.speed);
        EXPECT_EQ(s->speedVar(), e.speedVar);
        EXPECT_EQ(s->radialAccel(), e.radial);
        EXPECT_EQ(s->radialAccelVar(), e.radialVar);
        EXPECT_EQ(s->tangentialAccel(), e.tangential);
        EXPECT_EQ(s->tangentialAccelVar(), e.tangentialVar);
        EXPECT_EQ(s->angle(), e.angle);
        EXPECT_EQ(s->angleVar(), e.angleVar);
        EXPECT_EQ(s->position(), e.position);
        EXPECT_EQ(s->posVar(), e.posVar);
        EXPECT_EQ(s->life(), e.life);
        EXPECT_EQ(s->lifeVar(), e.lifeVar);
        EXPECT_EQ(s->startSize(), e.startSize);
        EXPECT_EQ(s->startSizeVar(), e.startSizeVar);
        EXPECT_EQ(s->endSize(), kKSParticleStartSizeEqualToEndSize);
        EXPECT_FLOAT_EQ(s->emissionRate(), e.rate);
        EXPECT_EQ(s->startColor(), e.startColor);
        EXPECT_EQ(s->startColorVar(), e.startColorVar);
        EXPECT_EQ(s->endColor(), e.endColor);
        EXPECT_EQ(s->endColorVar(), e.endColorVar);
        EXPECT_EQ(s->startSpin(), 0.0f);
        EXPECT_EQ(s->endSpin(), 0.0f);
        EXPECT_EQ(s->blendAdditive(), e.additive);
        ASSERT_TRUE(s->texture()) << "fire.png from the bundle";
        EXPECT_EQ(s->texture(), KSTextureCache::sharedTextureCache()->textureForKey("fire.png").get());
        if (!e.additive) {
            EXPECT_EQ(s->blendFunc(), (ksBlendFunc { GL_ONE, GL_ONE_MINUS_SRC_ALPHA })) << "premultiplied fire.png";
        }
    }
}

TEST_F(ParticlePresetTest, ExplosionBurstsOnceAndDrawsUntilItsParticlesDie)
{
    srandom(3);
    auto boom = KSParticleExplosion::node();
    ASSERT_TRUE(boom);
    boom->update(0.05f);
    boom->update(0.05f);
    EXPECT_TRUE(boom->active()) << "0.1 s have not been exceeded yet";
    boom->update(0.05f);
    EXPECT_FALSE(boom->active());
    EXPECT_EQ(boom->particleCount(), 700u) << "the whole count within its burst";

    auto screen = makeScreen(480, 320);
    boom->update(1.0f);
    EXPECT_EQ(boom->particleCount(), 700u) << "no particle lives less than 3 s";
    boom->visit();
    Bytes pixels = screen->readPixels();
    // The burst has spread out from the centre by 30 to 110 points.
    int lit = 0;
    for (uint32_t y = 0; y < 320; ++y)
        for (uint32_t x = 0; x < 480; ++x)
            lit += pixelAt(pixels, 480, x, y)[3] > 0;
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(pixelAt(pixels, 480, 240, 160)[3], 0) << "nothing is left at the centre";
    EXPECT_EQ(pixelAt(pixels, 480, 5, 5)[3], 0);
    boom->update(8.0f);
    EXPECT_EQ(boom->particleCount(), 0u);

    auto fire = KSParticleFire::node();
    fire->update(100.0f);
    fire->update(100.0f);
    EXPECT_TRUE(fire->active()) << "the other presets emit for ever";
}

TEST_F(ParticlePresetTest, AnotherCountKeepsTheValuesButTheRate)
{
    auto fire = KSParticleFire::particleWithTotalParticles(100);
    ASSERT_TRUE(fire);
    EXPECT_EQ(fire->totalParticles(), 100u);
    EXPECT_FLOAT_EQ(fire->emissionRate(), 100 / 3.0f);
    EXPECT_EQ(fire->startSize(), 54.0f);
    EXPECT_EQ(fire->position(), Point(240, 60));
    EXPECT_FLOAT_EQ(KSParticleExplosion::particleWithTotalParticles(70)->emissionRate(), 700.0f);
    EXPECT_EQ(KSParticleSnow::particleWithTotalParticles(50)->emissionRate(), 10.0f);
    EXPECT_EQ(KSParticleRain::particleWithTotalParticles(50)->emissionRate(), 20.0f);
}

TEST_F(ParticlePresetTest, SnowAndRainFallFromAboveAcrossTheWholeWidth)
{
    srandom(11);
    auto snow = KSParticleSnow::node();
    snow->update(1.0f);
    ASSERT_GT(snow->particleCount(), 5u);
    for (unsigned i = 0; i < snow->particleCount(); ++i) {
        const ksPointSprite& v = snow->vertices()[i];
        // Relative to the emitter at (240, 330): within half the width either side.
        EXPECT_GE(v.pos.x, -241.0f);
        EXPECT_LE(v.pos.x, 241.0f);
        EXPECT_LT(v.pos.y, 0.0f) << "falling";
    }
    EXPECT_EQ(snow->position().y, 330.0f) << "10 points above the top edge";
}

TEST_F(ParticlePresetTest, FireImageIsASoftBlob)
{
    auto image = Image::imageWithContentsOfFile(Bundle::main().pathForResource("fire", "png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 32u);
    EXPECT_EQ(image->height(), 32u);
    auto alpha = [&image](uint32_t x, uint32_t y) { return image->rgba()[(y * 32 + x) * 4 + 3]; };
    EXPECT_GT(alpha(16, 16), 200);
    EXPECT_GT(alpha(16, 16), alpha(16, 8));
    EXPECT_GT(alpha(16, 8), alpha(16, 2));
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(image->rgba()[(16 * 32 + 16) * 4], 255) << "white";
}
