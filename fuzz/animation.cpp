// Fuzzes loading animations from sprite-frame files: the input is the text of
// a sprite-sheet property list, read from the bundle folder as "sheet.plist"
// beside a 16 x 16 "sheet.png" (its default image, or the one its metadata
// names through the bundle rule). The frames it gives, in the order of their
// names, make an animation whose delay comes from the input's length; the
// animation goes into the animation cache and runs, forwards and reversed,
// on a sprite of its first frame that is stepped through the action manager
// and drawn into a small framebuffer. Uses a real headless GL context.
#include "engine/KSActionInterval.h"
#include "engine/KSActionManager.h"
#include "engine/KSAnimate.h"
#include "engine/KSAnimation.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using kestrel::KSAnimation;
using kestrel::KSSpriteFrameCache;

namespace {

// The names the file gives its frames, sorted as a packer numbers them.
std::vector<std::string> frameNames(const uint8_t* data, size_t size)
{
    std::vector<std::string> names;
    std::optional<platform::Value> root = platform::readPropertyList(data, size);
    if (root && root->isDictionary() && (*root)["frames"].isDictionary())
        names = (*root)["frames"].dictionary().keys();
    std::sort(names.begin(), names.end());
    if (names.size() > 16)
        names.resize(16);
    return names;
}

void run(kestrel::KSSprite& sprite, KSAnimation& animation)
{
    kestrel::KSActionManager* actions = kestrel::KSActionManager::sharedManager();
    auto forwards = kestrel::KSAnimate::actionWithAnimation(&animation, true);
    auto backwards = forwards->reverse();
    actions->addAction(kestrel::KSSequence::actions({ forwards.get(), backwards.get() }).get(), &sprite, false);
    for (int frame = 0; frame < 12; ++frame) {
        actions->update(frame % 3 == 0 ? 0.0f : 0.07f);
        sprite.visit();
    }
    actions->removeAllActionsFromTarget(&sprite);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("animation");
    static const bool ready = [] {
        platform::Bytes rgba(16 * 16 * 4);
        for (size_t i = 0; i < rgba.size(); ++i)
            rgba[i] = static_cast<uint8_t>(i * 11);
        platform::Image::imageWithRGBA(16, 16, std::move(rgba))->writePNG(folder.path + "/sheet.png");
        platform::Bundle::main().replaceResourcePath(folder.path);
        // Names the bundle rule refuses are logged; thousands of runs need not print them.
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        return true;
    }();
    (void)ready;
    if (!drawable
        || !writeFuzzBytes(folder.path + "/sheet.plist", std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;

    KSSpriteFrameCache* frames = KSSpriteFrameCache::sharedSpriteFrameCache();
    try {
        frames->addSpriteFramesWithFile("sheet.plist");
        kestrel::KSSpriteFrameList list;
        for (const std::string& name : frameNames(data, size))
            if (kestrel::KSSpriteFrame* frame = frames->spriteFrameByName(name))
                list.emplace_back(frame);
        // A delay of 0 too: the animation then takes no time.
        auto animation = KSAnimation::animationWithName("fuzz", static_cast<float>(size % 3) * 0.05f, list);
        kestrel::KSAnimationCache::sharedAnimationCache()->addAnimation(animation.get(), "fuzz");
        KSAnimation* cached = kestrel::KSAnimationCache::sharedAnimationCache()->animationByName("fuzz");
        if (cached && !list.empty())
            if (auto sprite = kestrel::KSSprite::spriteWithSpriteFrame(list.front().get()))
                run(*sprite, *cached);
        platform::drainGLErrors();
        // The rasteriser frees a texture once the drawing that used it is done.
        glFinish();
    } catch (const platform::AssertionFailure&) {
        // A format outside 0 to 3 fails its documented assertion.
    }
    frames->removeSpriteFrames();
    kestrel::KSAnimationCache::purgeSharedAnimationCache();
    kestrel::KSTextureCache::purgeSharedTextureCache();
    return 0;
}
