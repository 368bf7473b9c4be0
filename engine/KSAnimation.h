// A named, ordered list of sprite frames with one delay between frames, and
// the process-wide cache of animations by name.
//
// Caveat: every initialiser copies the frame list it is given; changing the
// caller's list afterwards does not change the animation.
#pragma once

#include "engine/KSAnimate.h"
#include "engine/KSSpriteFrame.h"
#include "platform/foundation/Object.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace kestrel {

using KSSpriteFrameList = std::vector<platform::Ref<KSSpriteFrame>>;

class KSAnimation : public KSAnimationFrames {
public:
    [[nodiscard]] static platform::Ref<KSAnimation> animation();
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithFrames(const KSSpriteFrameList& frames);
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithFrames(const KSSpriteFrameList& frames, float delay);
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithName(const std::string& name);
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithName(const std::string& name, const KSSpriteFrameList& frames);
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithName(const std::string& name, float delay);
    [[nodiscard]] static platform::Ref<KSAnimation> animationWithName(const std::string& name, float delay,
                                                        const KSSpriteFrameList& frames);

    bool init() { return initWithFrames({}, 0); }
    [[nodiscard]] bool initWithFrames(const KSSpriteFrameList& frames) { return initWithFrames(frames, 0); }
    [[nodiscard]] bool initWithFrames(const KSSpriteFrameList& frames, float delay);
    [[nodiscard]] bool initWithName(const std::string& name) { return initWithName(name, 0, {}); }
    [[nodiscard]] bool initWithName(const std::string& name, const KSSpriteFrameList& frames) { return initWithName(name, 0, frames); }
    [[nodiscard]] bool initWithName(const std::string& name, float delay) { return initWithName(name, delay, {}); }
    [[nodiscard]] bool initWithName(const std::string& name, float delay, const KSSpriteFrameList& frames);

    void addFrame(KSSpriteFrame* frame);
    // A frame covering the whole image, from the texture cache; an image that cannot be
    // loaded adds a frame with a nil texture and an empty rectangle.
    void addFrameWithFilename(const std::string& filename);
    void addFrameWithTexture(KSTexture2D* texture, Rect rect);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    float delay() const override { return delay_; }
    void setDelay(float delay) { delay_ = delay; }
    const KSSpriteFrameList& frames() const { return frames_; }
    unsigned frameCount() const override { return static_cast<unsigned>(frames_.size()); }
    KSSpriteFrame* frameAtIndex(unsigned index) const override { return frames_.at(index).get(); }
    // Copies of the frames in reverse order, same delay, no name.
    platform::Ref<KSAnimationFrames> reversedAnimation() const override;
    void setFrames(KSSpriteFrameList frames) { frames_ = std::move(frames); }

    std::string className() const override { return "KSAnimation"; }
    std::string description() const override;

protected:
    KSAnimation() = default;

private:
    std::string name_;
    float delay_ { 0 };
    KSSpriteFrameList frames_;
};

class KSAnimationCache : public platform::Object {
public:
    static KSAnimationCache* sharedAnimationCache();
    static void purgeSharedAnimationCache();

    void addAnimation(KSAnimation* animation, const std::string& name);
    void removeAnimationByName(const std::string& name);
    KSAnimation* animationByName(const std::string& name) const;

    size_t count() const { return animations_.size(); }
    std::string className() const override { return "KSAnimationCache"; }
    std::string description() const override;

private:
    KSAnimationCache() { animations_.reserve(20); }
    std::unordered_map<std::string, platform::Ref<KSAnimation>> animations_;
};

} // namespace kestrel
