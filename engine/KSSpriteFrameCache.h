// The process-wide table of sprite frames by name, filled from sprite-sheet
// property lists (formats 0 to 3, format 3 with aliases) and from frames the
// application adds.
//
// Caveat: a sheet whose texture cannot be loaded still adds its frames, with
// a nil texture; a format outside 0 to 3 is a programming error (assertion).
#pragma once

#include "engine/KSSpriteFrame.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <string>
#include <unordered_map>

namespace kestrel {

class KSSprite;

class KSSpriteFrameCache : public platform::Object {
public:
    static KSSpriteFrameCache* sharedSpriteFrameCache();
    static void purgeSharedSpriteFrameCache();

    void addSpriteFramesWithFile(const std::string& plist);
    void addSpriteFramesWithFile(const std::string& plist, KSTexture2D* texture);
    void addSpriteFramesWithDictionary(const platform::Value& dictionary, KSTexture2D* texture);
    void addSpriteFrame(KSSpriteFrame* frame, const std::string& frameName);

    void removeSpriteFrames();
    void removeUnusedSpriteFrames();
    void removeSpriteFrameByName(const std::string& name);
    void removeSpriteFramesFromFile(const std::string& plist);
    void removeSpriteFramesFromDictionary(const platform::Value& dictionary);
    void removeSpriteFramesFromTexture(KSTexture2D* texture);

    // The frame under name, else under the name an alias maps it to; nil otherwise.
    KSSpriteFrame* spriteFrameByName(const std::string& name) const;
    // A sprite showing the frame stored under exactly that name (aliases are
    // not consulted); nil when there is none.
    platform::Ref<KSSprite> createSpriteWithFrameName(const std::string& name) const;

    size_t count() const { return spriteFrames_.size(); }
    std::string className() const override { return "KSSpriteFrameCache"; }
    std::string description() const override;

private:
    KSSpriteFrameCache();

    std::unordered_map<std::string, platform::Ref<KSSpriteFrame>> spriteFrames_;
    std::unordered_map<std::string, std::string> spriteFramesAliases_;
};

} // namespace kestrel
