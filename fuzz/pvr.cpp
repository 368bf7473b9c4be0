// Fuzzes PVR files from the header checks, level splitting and upload on to
// what the engine shows: any file loads or answers nil, never crashes. The
// input is read as a plain ".pvr", and through the texture cache as it is and
// wrapped in gzip (".pvr.gz") and in the engine's ".ksz" container
// (".pvr.ksz"); each texture it gives makes a sprite, shown whole and in part,
// drawn into a small framebuffer. Uses a real headless GL context.
#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTexturePVR.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Deflate.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The ".ksz" container: "KSZ!", type 0, version 2, reserved, length, zlib data.
platform::Bytes kszOf(const uint8_t* data, size_t size)
{
    platform::Bytes file { 'K', 'S', 'Z', '!', 0, 0, 0, 2, 0, 0, 0, 0 };
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<uint8_t>(size >> shift));
    const auto zlib = platform::deflateBytes(data, size, platform::DeflateFormat::Zlib, 1);
    if (zlib)
        file.insert(file.end(), zlib->begin(), zlib->end());
    return file;
}

std::string_view viewOf(const platform::Bytes& bytes)
{
    return { reinterpret_cast<const char*>(bytes.data()), bytes.size() };
}

void show(kestrel::KSTexture2D* texture)
{
    auto sprite = kestrel::KSSprite::spriteWithTexture(texture);
    if (!sprite)
        return;
    sprite->setPosition({ 16, 16 });
    sprite->visit();
    const kestrel::Size size = texture->contentSize();
    sprite->setTextureRect(kestrel::Rect(size.width / 4, size.height / 4, size.width / 2, size.height / 2));
    sprite->visit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("pvr");
    static const bool quiet = [] {
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        return true;
    }();
    (void)quiet;
    const std::string plain = folder.path + "/t.pvr";
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!writeFuzzBytes(plain, input))
        return 0;
    if (auto pvr = kestrel::KSTexturePVR::pvrTextureWithContentsOfFile(plain))
        (void)pvr->name();
    if (!drawable)
        return 0;

    const auto gzip = platform::deflateBytes(data, size, platform::DeflateFormat::Gzip, 1);
    const std::string gz = folder.path + "/t.pvr.gz", ksz = folder.path + "/t.pvr.ksz";
    const bool wrapped = gzip && writeFuzzBytes(gz, viewOf(*gzip)) && writeFuzzBytes(ksz, viewOf(kszOf(data, size)));
    kestrel::KSTextureCache* cache = kestrel::KSTextureCache::sharedTextureCache();
    for (const std::string& path : { plain, gz, ksz }) {
        if (path != plain && !wrapped)
            break;
        if (auto texture = cache->addImage(path))
            show(texture.get());
    }
    cache->removeAllTextures();
    platform::drainGLErrors();
    // The rasteriser frees a texture once the drawing that used it is done.
    glFinish();
    return 0;
}
