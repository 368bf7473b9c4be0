// A node that leaves a fading ribbon behind itself as it moves: every frame it
// adds a point at its world position once it has moved farther than the
// minimum segment length.
//
// Caveat: the ribbon's points are kept in world space; the streak moves its
// ribbon child by the opposite of its own world position so they draw in place.
// Once the ribbon leaves the streak (taken off, or the streak emptied) the
// streak forgets it: it draws no band, has no texture, and ribbon() is null.
#pragma once

#include "engine/KSRibbon.h"

namespace kestrel {

class KSMotionStreak : public KSNode, public KSTextureProtocol {
public:
    [[nodiscard]] static platform::Ref<KSMotionStreak> streakWithFade(float fade, float minSeg, const std::string& image, float width,
                                                        float length, ksColor4B color);
    [[nodiscard]] bool initWithFade(float fade, float minSeg, const std::string& image, float width, float length, ksColor4B color);

    void update(ksTime dt) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    KSRibbon* ribbon() const { return ribbon_; }
    KSTexture2D* texture() const override { return ribbon_ ? ribbon_->texture() : nullptr; }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override;
    void setBlendFunc(ksBlendFunc blendFunc) override;

    std::string className() const override { return "KSMotionStreak"; }

protected:
    KSMotionStreak() = default;

private:
    // Owned through the child list; cleared when it leaves.
    KSRibbon* ribbon_ { nullptr };
    float segThreshold_ { 0 };
    float width_ { 0 };
    Point lastLocation_ {};
};

} // namespace kestrel
