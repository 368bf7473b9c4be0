// Fuzzes the particle property-list reader: dictionaries built from the input
// with the reader's keys, arbitrary value types and embedded images (random
// text, random bytes, compressed random bytes or a real compressed PNG), given
// as they are or written to a property-list file the system is made from,
// make a quad or point system or fail a documented assertion; a made system is
// then stepped and drawn into a small framebuffer. Uses a real headless GL
// context.
#include "engine/KSActionManager.h"
#include "engine/KSParticleSystemPoint.h"
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSScheduler.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Deflate.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLFramebuffer.h"
#include "platform/graphics/Image.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using platform::Bytes;
using platform::Value;
using platform::ValueDictionary;

namespace {

const char* const kNumberKeys[] = {
    "maxParticles", "angle", "angleVariance", "duration", "blendFuncSource", "blendFuncDestination",
    "startColorRed", "startColorGreen", "startColorBlue", "startColorAlpha", "startColorVarianceRed",
    "startColorVarianceAlpha", "finishColorRed", "finishColorAlpha", "finishColorVarianceBlue",
    "startParticleSize", "startParticleSizeVariance", "finishParticleSize", "finishParticleSizeVariance",
    "sourcePositionx", "sourcePositiony", "sourcePositionVariancex", "sourcePositionVariancey", "emitterType",
    "gravityx", "gravityy", "speed", "speedVariance", "radialAcceleration", "radialAccelVariance",
    "tangentialAcceleration", "tangentialAccelVariance", "maxRadius", "maxRadiusVariance", "minRadius",
    "rotatePerSecond", "rotatePerSecondVariance", "particleLifespan", "particleLifespanVariance",
};
// Only names that exist or are harmless: the reader opens the file it names.
const char* const kTextureNames[] = { "spark.png", "missing.png", "", "sub/none.png", "spark.pvr" };

Bytes compress(const Bytes& in, bool gzip)
{
    return platform::deflateBytes(in, gzip ? platform::DeflateFormat::Gzip : platform::DeflateFormat::Zlib, 6)
        .value_or(Bytes {});
}

std::string base64(const Bytes& b)
{
    return platform::base64Encode(b.data(), b.size());
}

const Bytes& samplePNG()
{
    static const Bytes png = [] {
        Bytes rgba(4 * 4 * 4, 200);
        return *platform::Image::imageWithRGBA(4, 4, std::move(rgba))->pngData();
    }();
    return png;
}

Value number(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: return Value(in.ConsumeIntegralInRange<int64_t>(-4, 40));
    case 1: return Value(in.ConsumeFloatingPointInRange<double>(-100, 100));
    case 2: return Value(in.ConsumeFloatingPoint<double>());
    case 3: return Value(in.ConsumeRandomLengthString(12));
    case 4: return Value(in.ConsumeIntegral<int64_t>());
    default: return Value(platform::ValueArray { Value(1) });
    }
}

Value imageData(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return Value(in.ConsumeRandomLengthString(64));
    case 1: return Value(base64(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 64))));
    case 2: return Value(base64(compress(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 64)), in.ConsumeBool())));
    case 3: {
        // A real image, possibly cut short or flipped in one byte after compression.
        Bytes packed = compress(samplePNG(), in.ConsumeBool());
        if (!packed.empty() && in.ConsumeBool())
            packed[in.ConsumeIntegralInRange<size_t>(0, packed.size() - 1)] ^= in.ConsumeIntegral<uint8_t>();
        if (in.ConsumeBool())
            packed.resize(in.ConsumeIntegralInRange<size_t>(0, packed.size()));
        return Value(base64(packed));
    }
    default: return Value(int64_t(7));
    }
}

// Systems made directly, so that the reader runs on a fresh object.
struct FuzzQuad : kestrel::KSParticleSystemQuad { };
struct FuzzPoint : kestrel::KSParticleSystemPoint { };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("particles");
    static const std::string resources = [] {
        platform::Image::imageWithRGBA(2, 2, Bytes(16, 255))->writePNG(folder.path + "/spark.png");
        platform::Bundle::main().setResourcePath(folder.path);
        return folder.path;
    }();
    if (!drawable)
        return 0;

    FuzzedDataProvider in(data, size);
    ValueDictionary d;
    for (int i = in.ConsumeIntegralInRange(0, 24); i > 0; --i)
        d.set(kNumberKeys[in.ConsumeIntegralInRange<size_t>(0, std::size(kNumberKeys) - 1)], number(in));
    if (in.ConsumeBool())
        d.set("maxParticles", Value(in.ConsumeIntegralInRange<int64_t>(0, 64)));
    if (in.ConsumeBool())
        d.set("textureFileName", Value(kTextureNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kTextureNames) - 1)]));
    if (in.ConsumeBool())
        d.set("textureImageData", imageData(in));
    const bool quads = in.ConsumeBool();
    const bool fromFile = in.ConsumeBool();

    platform::Ref<kestrel::KSParticleSystem> system =
        quads ? platform::Ref<kestrel::KSParticleSystem>(platform::adoptRef(new FuzzQuad))
              : platform::Ref<kestrel::KSParticleSystem>(platform::adoptRef(new FuzzPoint));
    bool made = false;
    try {
        const std::string file = resources + "/system.plist";
        if (fromFile && writeFuzzBytes(file, platform::writePropertyList(Value(d)).value_or("")))
            made = system->initWithFile(file);
        else
            made = system->initWithDictionary(Value(std::move(d)));
    } catch (const platform::AssertionFailure&) {
        // The documented assertions for malformed files.
    }
    if (made) {
        for (int i = in.ConsumeIntegralInRange(0, 4); i > 0; --i) {
            system->update(in.ConsumeFloatingPointInRange<float>(0, 2));
            system->visit();
        }
        platform::drainGLErrors();
    }
    system = nullptr;
    kestrel::KSScheduler::purgeSharedScheduler();
    kestrel::KSActionManager::purgeSharedManager();
    kestrel::KSTextureCache::purgeSharedTextureCache();
    return 0;
}
