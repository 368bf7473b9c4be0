// Animations (frame lists with a delay) and the shared animation cache.
#include "engine/KSAnimation.h"

#include "engine/KSTextureCache.h"
#include "platform/foundation/Format.h"

namespace kestrel {

using platform::Ref;

namespace {
KSAnimationCache* gSharedAnimationCache = nullptr;
}

Ref<KSAnimation> KSAnimation::animation() { return animationWithFrames({}, 0); }
Ref<KSAnimation> KSAnimation::animationWithFrames(const KSSpriteFrameList& frames) { return animationWithFrames(frames, 0); }

Ref<KSAnimation> KSAnimation::animationWithFrames(const KSSpriteFrameList& frames, float delay)
{
    auto a = adoptRef(new KSAnimation);
    return a->initWithFrames(frames, delay) ? a : nullptr;
}

Ref<KSAnimation> KSAnimation::animationWithName(const std::string& name) { return animationWithName(name, 0, {}); }
Ref<KSAnimation> KSAnimation::animationWithName(const std::string& name, const KSSpriteFrameList& frames)
{
    return animationWithName(name, 0, frames);
}
Ref<KSAnimation> KSAnimation::animationWithName(const std::string& name, float delay)
{
    return animationWithName(name, delay, {});
}

Ref<KSAnimation> KSAnimation::animationWithName(const std::string& name, float delay, const KSSpriteFrameList& frames)
{
    auto a = adoptRef(new KSAnimation);
    return a->initWithName(name, delay, frames) ? a : nullptr;
}

bool KSAnimation::initWithFrames(const KSSpriteFrameList& frames, float delay)
{
    delay_ = delay;
    frames_ = frames;
    return true;
}

bool KSAnimation::initWithName(const std::string& name, float delay, const KSSpriteFrameList& frames)
{
    delay_ = delay;
    name_ = name;
    frames_ = frames;
    return true;
}

void KSAnimation::addFrame(KSSpriteFrame* frame)
{
    frames_.emplace_back(frame);
}

void KSAnimation::addFrameWithFilename(const std::string& filename)
{
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(filename);
    Rect rect;
    if (texture)
        rect.size = texture->contentSize();
    frames_.push_back(KSSpriteFrame::frameWithTexture(texture.get(), rect));
}

void KSAnimation::addFrameWithTexture(KSTexture2D* texture, Rect rect)
{
    frames_.push_back(KSSpriteFrame::frameWithTexture(texture, rect));
}

Ref<KSAnimationFrames> KSAnimation::reversedAnimation() const
{
    KSSpriteFrameList reversed;
    reversed.reserve(frames_.size());
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
        reversed.push_back(*it ? (*it)->copy() : nullptr);
    return animationWithFrames(reversed, delay_);
}

std::string KSAnimation::description() const
{
    return platform::format("<%s = %s | frames=%d, delay:%f>", className().c_str(),
                            platform::addressString(this).c_str(), static_cast<int>(frames_.size()), delay_);
}

KSAnimationCache* KSAnimationCache::sharedAnimationCache()
{
    if (!gSharedAnimationCache)
        gSharedAnimationCache = new KSAnimationCache;
    return gSharedAnimationCache;
}

void KSAnimationCache::purgeSharedAnimationCache()
{
    KSAnimationCache* cache = gSharedAnimationCache;
    gSharedAnimationCache = nullptr;
    if (cache)
        cache->release();
}

void KSAnimationCache::addAnimation(KSAnimation* animation, const std::string& name)
{
    animations_[name] = animation;
}

void KSAnimationCache::removeAnimationByName(const std::string& name)
{
    animations_.erase(name);
}

KSAnimation* KSAnimationCache::animationByName(const std::string& name) const
{
    auto found = animations_.find(name);
    return found != animations_.end() ? found->second.get() : nullptr;
}

std::string KSAnimationCache::description() const
{
    return platform::format("<%s = %s | num of animations =  %i>", className().c_str(),
                            platform::addressString(this).c_str(), static_cast<int>(animations_.size()));
}

} // namespace kestrel
