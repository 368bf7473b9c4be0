// Fuzzes the sprite-sheet frame reader over formats 0 to 3: dictionaries built
// from the input with arbitrary keys, types and values load or are skipped,
// never crash. (The property-list text parser has a fuzz target of its own.)
#include "engine/KSSpriteFrameCache.h"
#include "platform/foundation/Exception.h"

#include <fuzzer/FuzzedDataProvider.h>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    ValueDictionary frames;
    for (int i = in.ConsumeIntegralInRange(0, 8); i > 0; --i)
        frames.set(in.ConsumeRandomLengthString(8), randomValue(in, 0));
    ValueDictionary root;
    root.set("metadata", Value(ValueDictionary { { "format", Value(in.ConsumeIntegralInRange(0, 3)) } }));
    root.set("frames", Value(std::move(frames)));
    kestrel::KSSpriteFrameCache* cache = kestrel::KSSpriteFrameCache::sharedSpriteFrameCache();
    cache->addSpriteFramesWithDictionary(Value(std::move(root)), nullptr);
    for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i)
        (void)cache->spriteFrameByName(in.ConsumeRandomLengthString(8));
    cache->removeSpriteFrames();
    return 0;
}
