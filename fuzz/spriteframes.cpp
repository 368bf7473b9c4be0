// Fuzzes the sprite-sheet frame reader over formats 0 to 3 and the sprites a
// sheet makes: dictionaries built from the input with arbitrary keys, types
// and values load or are skipped, never crash, over the sheet's image or over
// none, read as they are or from a property-list file beside the image it
// names by default. Every frame then makes a sprite, shown in a batch node
// over the sheet's image (or in a plain node when its texture differs),
// flipped, switched to another frame and drawn into a small framebuffer.
// (The property-list text parser has a fuzz target of its own.) Uses a real
// headless GL context.
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using platform::Value;
using platform::ValueArray;
using platform::ValueDictionary;

namespace {

const char* const kKeys[] = { "x", "y", "width", "height", "offsetX", "offsetY", "originalWidth", "originalHeight",
                              "frame", "rotated", "offset", "sourceSize", "spriteSize", "spriteOffset",
                              "spriteSourceSize", "textureRect", "textureRotated", "aliases" };

Value randomValue(FuzzedDataProvider& in, int depth)
{
    switch (in.ConsumeIntegralInRange(0, depth > 1 ? 4 : 6)) {
    case 0: return Value(in.ConsumeIntegral<int64_t>());
    case 1: return Value(in.ConsumeFloatingPoint<double>());
    case 2: return Value(in.ConsumeBool());
    case 3: return Value(in.ConsumeRandomLengthString(32));
    case 4: return Value();
    case 5: {
        ValueArray a;
        for (int i = in.ConsumeIntegralInRange(0, 4); i > 0; --i)
            a.push_back(randomValue(in, depth + 1));
        return Value(std::move(a));
    }
    default: {
        ValueDictionary d;
        for (int i = in.ConsumeIntegralInRange(0, 6); i > 0; --i) {
            std::string key = in.ConsumeBool() ? kKeys[in.ConsumeIntegralInRange<size_t>(0, std::size(kKeys) - 1)]
                                               : in.ConsumeRandomLengthString(8);
            d.set(key, randomValue(in, depth + 1));
        }
        return Value(std::move(d));
    }
    }
}

// Sprites of every frame, in a batch node over the sheet's texture when
// theirs is that one, else in a plain node; flipped, given another frame and drawn.
void showFrames(kestrel::KSSpriteFrameCache& cache, const std::vector<std::string>& names, kestrel::KSTexture2D* sheet,
                FuzzedDataProvider& in)
{
    auto batch = kestrel::KSSpriteBatchNode::batchNodeWithTexture(sheet, 4);
    auto plain = kestrel::KSNode::node();
    std::vector<platform::Ref<kestrel::KSSprite>> sprites;
    for (const std::string& name : names) {
        kestrel::KSSpriteFrame* frame = cache.spriteFrameByName(name);
        if (!frame || !frame->texture())
            continue;
        platform::Ref<kestrel::KSSprite> sprite = in.ConsumeBool() ? kestrel::KSSprite::spriteWithSpriteFrameName(name)
                                                                   : cache.createSpriteWithFrameName(name);
        if (!sprite)
            continue;
        sprite->setFlipX(in.ConsumeBool());
        sprite->setFlipY(in.ConsumeBool());
        if (batch && frame->texture() == sheet)
            batch->addChild(sprite.get(), static_cast<int>(sprites.size()), 0);
        else
            plain->addChild(sprite.get());
        sprites.push_back(std::move(sprite));
    }
    // Every sprite switched to another frame of its own texture.
    for (size_t i = 0; i < sprites.size(); ++i) {
        const std::string& name = names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
        kestrel::KSSpriteFrame* frame = cache.spriteFrameByName(name);
        if (frame && frame->texture() == sprites[i]->texture()) {
            sprites[i]->setDisplayFrame(frame);
            (void)sprites[i]->isFrameDisplayed(frame);
        }
    }
    if (batch)
        batch->visit();
    plain->visit();
    platform::drainGLErrors();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("spriteframes");
    static const std::string dir = [] {
        platform::Bytes rgba(16 * 16 * 4);
        for (size_t i = 0; i < rgba.size(); ++i)
            rgba[i] = static_cast<uint8_t>(i * 5);
        platform::Image::imageWithRGBA(16, 16, std::move(rgba))->writePNG(folder.path + "/sheet.png");
        return folder.path;
    }();

    FuzzedDataProvider in(data, size);
    ValueDictionary frames;
    for (int i = in.ConsumeIntegralInRange(0, 8); i > 0; --i)
        frames.set(in.ConsumeRandomLengthString(8), randomValue(in, 0));
    std::vector<std::string> names = frames.keys();
    ValueDictionary root;
    root.set("metadata", Value(ValueDictionary { { "format", Value(in.ConsumeIntegralInRange(0, 3)) } }));
    root.set("frames", Value(std::move(frames)));
    kestrel::KSSpriteFrameCache* cache = kestrel::KSSpriteFrameCache::sharedSpriteFrameCache();
    // The sheet's image unless the input asks for none, or the file beside it.
    const bool withoutImage = in.ConsumeBool();
    const bool fromFile = drawable && in.ConsumeBool();
    // Loaded once and kept in the cache, where the file's sheet finds it too.
    static const platform::Ref<kestrel::KSTexture2D> sheet =
        drawable ? kestrel::KSTextureCache::sharedTextureCache()->addImage(dir + "/sheet.png") : nullptr;
    try {
        const std::string plist = dir + "/sheet.plist";
        if (fromFile && writeFuzzBytes(plist, platform::writePropertyList(Value(root)).value_or("")))
            cache->addSpriteFramesWithFile(plist);
        else
            cache->addSpriteFramesWithDictionary(Value(std::move(root)), withoutImage ? nullptr : sheet.get());
        for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i)
            (void)cache->spriteFrameByName(in.ConsumeRandomLengthString(8));
        if (drawable && !names.empty())
            showFrames(*cache, names, sheet.get(), in);
    } catch (const platform::AssertionFailure&) {
        // The documented assertions (a format outside 0 to 3 is refused before).
    }
    cache->removeSpriteFrames();
    return 0;
}
