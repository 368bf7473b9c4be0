// The sprite-frame cache and the sprite-sheet property-list formats 0 to 3.
#include "engine/KSSpriteFrameCache.h"

#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "engine/Support/KSFileUtils.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/GeometryStrings.h"

#include <cmath>
#include <vector>

namespace kestrel {

using platform::Ref;
using platform::Value;

namespace {

KSSpriteFrameCache* gSharedSpriteFrameCache = nullptr;

Value loadDictionary(const std::string& plist)
{
    std::optional<Value> root = platform::readPropertyListFile(KSFileUtils::fullPathFromRelativePath(plist));
    if (!root || !root->isDictionary())
        return Value();
    return *root;
}

} // namespace

KSSpriteFrameCache* KSSpriteFrameCache::sharedSpriteFrameCache()
{
    if (!gSharedSpriteFrameCache)
        gSharedSpriteFrameCache = new KSSpriteFrameCache;
    return gSharedSpriteFrameCache;
}

void KSSpriteFrameCache::purgeSharedSpriteFrameCache()
{
    KSSpriteFrameCache* cache = gSharedSpriteFrameCache;
    gSharedSpriteFrameCache = nullptr;
    if (cache)
        cache->release();
}

KSSpriteFrameCache::KSSpriteFrameCache()
{
    spriteFrames_.reserve(100);
    spriteFramesAliases_.reserve(10);
}

void KSSpriteFrameCache::addSpriteFramesWithDictionary(const Value& dictionary, KSTexture2D* texture)
{
    const Value& metadata = dictionary["metadata"];
    const Value& frames = dictionary["frames"];
    int64_t format = metadata.isNil() ? 0 : metadata["format"].asInteger();
    BRISKO_ASSERT(format >= 0 && format <= 3,
                  "kestrel: WARNING: format is not supported for KSSpriteFrameCache addSpriteFramesWithDictionary:texture:");
    if (!frames.isDictionary())
        return;

    for (const auto& [frameName, frameDict] : frames.dictionary()) {
        Rect rect;
        bool rotated = false;
        Point offset;
        Size originalSize;
        if (format == 0) {
            rect = Rect(frameDict["x"].asFloat(), frameDict["y"].asFloat(), frameDict["width"].asFloat(),
                        frameDict["height"].asFloat());
            offset = Point(frameDict["offsetX"].asFloat(), frameDict["offsetY"].asFloat());
            // Some packers write negative sizes; the magnitude is meant (taken
            // as a float: the most negative integer has no positive one).
            originalSize = Size(std::fabs(static_cast<float>(frameDict["originalWidth"].asInteger())),
                                std::fabs(static_cast<float>(frameDict["originalHeight"].asInteger())));
        } else if (format == 1 || format == 2) {
            rect = platform::rectFromString(frameDict["frame"].asString());
            rotated = format == 2 && frameDict["rotated"].asBool();
            offset = platform::pointFromString(frameDict["offset"].asString());
            originalSize = platform::sizeFromString(frameDict["sourceSize"].asString());
        } else {
            Size spriteSize = platform::sizeFromString(frameDict["spriteSize"].asString());
            Rect textureRect = platform::rectFromString(frameDict["textureRect"].asString());
            rect = Rect(textureRect.origin, spriteSize);
            rotated = frameDict["textureRotated"].asBool();
            offset = platform::pointFromString(frameDict["spriteOffset"].asString());
            originalSize = platform::sizeFromString(frameDict["spriteSourceSize"].asString());
            const Value& aliases = frameDict["aliases"];
            if (aliases.isArray())
                for (const Value& alias : aliases.array())
                    if (alias.isString())
                        spriteFramesAliases_[alias.string()] = frameName;
        }
        spriteFrames_[frameName] = KSSpriteFrame::frameWithTexture(texture, rect, rotated, offset, originalSize);
    }
}

void KSSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist, KSTexture2D* texture)
{
    Value dictionary = loadDictionary(plist);
    if (dictionary.isNil())
        return;
    addSpriteFramesWithDictionary(dictionary, texture);
}

void KSSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist)
{
    Value dictionary = loadDictionary(plist);
    if (dictionary.isNil())
        return;
    std::string texturePath;
    const Value& textureFileName = dictionary["metadata"]["textureFileName"];
    if (textureFileName.isString() && !textureFileName.string().empty())
        texturePath = textureFileName.string();
    else
        texturePath = platform::path::appendingExtension(platform::path::deletingExtension(plist), "png");
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(texturePath);
    addSpriteFramesWithDictionary(dictionary, texture.get());
}

void KSSpriteFrameCache::addSpriteFrame(KSSpriteFrame* frame, const std::string& frameName)
{
    spriteFrames_[frameName] = frame;
}

void KSSpriteFrameCache::removeSpriteFrames()
{
    spriteFrames_.clear();
    spriteFramesAliases_.clear();
}

void KSSpriteFrameCache::removeUnusedSpriteFrames()
{
    std::vector<Ref<KSSpriteFrame>> dropped;
    for (auto it = spriteFrames_.begin(); it != spriteFrames_.end();) {
        if (it->second && it->second->retainCount() == 1) {
            dropped.push_back(std::move(it->second));
            it = spriteFrames_.erase(it);
        } else {
            ++it;
        }
    }
}

void KSSpriteFrameCache::removeSpriteFrameByName(const std::string& name)
{
    if (auto alias = spriteFramesAliases_.find(name); alias != spriteFramesAliases_.end()) {
        std::string key = alias->second;
        spriteFrames_.erase(key);
        spriteFramesAliases_.erase(alias);
    } else {
        spriteFrames_.erase(name);
    }
}

void KSSpriteFrameCache::removeSpriteFramesFromFile(const std::string& plist)
{
    Value dictionary = loadDictionary(plist);
    if (dictionary.isNil())
        return;
    removeSpriteFramesFromDictionary(dictionary);
}

void KSSpriteFrameCache::removeSpriteFramesFromDictionary(const Value& dictionary)
{
    const Value& frames = dictionary["frames"];
    if (!frames.isDictionary())
        return;
    for (const auto& entry : frames.dictionary())
        spriteFrames_.erase(entry.first);
}

void KSSpriteFrameCache::removeSpriteFramesFromTexture(KSTexture2D* texture)
{
    std::erase_if(spriteFrames_, [texture](const auto& entry) { return entry.second && entry.second->texture() == texture; });
}

KSSpriteFrame* KSSpriteFrameCache::spriteFrameByName(const std::string& name) const
{
    if (auto found = spriteFrames_.find(name); found != spriteFrames_.end())
        return found->second.get();
    if (auto alias = spriteFramesAliases_.find(name); alias != spriteFramesAliases_.end())
        if (auto found = spriteFrames_.find(alias->second); found != spriteFrames_.end())
            return found->second.get();
    return nullptr;
}

Ref<KSSprite> KSSpriteFrameCache::createSpriteWithFrameName(const std::string& name) const
{
    auto found = spriteFrames_.find(name);
    if (found == spriteFrames_.end())
        return nullptr;
    return KSSprite::spriteWithSpriteFrame(found->second.get());
}

std::string KSSpriteFrameCache::description() const
{
    return platform::format("<%s = %s | num of sprite frames =  %i>", className().c_str(),
                            platform::addressString(this).c_str(), static_cast<int>(spriteFrames_.size()));
}

} // namespace kestrel
