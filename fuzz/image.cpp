// Fuzzes the PNG and JPEG decoders and what the engine makes of an image:
// any input decodes within the engine's pixel budget or is refused, never
// crashes. A decoded image goes on through the texture cache (as a ".png", or
// as a ".jpg" when it is one, which the cache re-encodes as PNG first) to a
// texture, a sprite shown whole and in part, drawn into a small framebuffer.
// Uses a real headless GL context.
#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("image");
    static const bool quiet = [] {
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        return true;
    }();
    (void)quiet;
    // The budget the engine loads with: the checks come before any allocation.
    auto image = platform::Image::imageWithData(data, size);
    if (!image)
        return 0;
    (void)image->pngData();
    if (!drawable)
        return 0;

    const bool jpeg = size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    const std::string path = folder.path + (jpeg ? "/input.jpg" : "/input.png");
    if (!writeFuzzBytes(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    kestrel::KSTextureCache* cache = kestrel::KSTextureCache::sharedTextureCache();
    if (auto texture = cache->addImage(path)) {
        if (auto sprite = kestrel::KSSprite::spriteWithTexture(texture.get())) {
            sprite->setPosition({ 16, 16 });
            sprite->visit();
            const kestrel::Size s = texture->contentSize();
            sprite->setTextureRect(kestrel::Rect(s.width / 3, s.height / 3, s.width / 3, s.height / 3));
            sprite->setFlipX(true);
            sprite->visit();
        }
    }
    cache->removeAllTextures();
    platform::drainGLErrors();
    // The rasteriser frees a texture once the drawing that used it is done.
    glFinish();
    return 0;
}
