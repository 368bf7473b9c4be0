// A node that shows part of a sprite's image as a progress indicator: a pie
// slice sweeping around the anchor point (radial types) or a bar growing from
// one edge (bar types), set by a percentage from 0 to 100. KSProgressTo and
// KSProgressFromTo (KSActionProgressTimer.h) animate the percentage.
//
// Caveat: the geometry is built by setPercentage() with a new value only;
// changing the type or the sprite discards it, and a new timer at 0 draws
// nothing until its percentage changes.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSTexture2D.h"

#include <string>
#include <vector>

namespace kestrel {

class KSSprite;

enum KSProgressTimerType : int {
    kKSProgressTimerTypeRadialCCW = 0,
    kKSProgressTimerTypeRadialCW = 1,
    kKSProgressTimerTypeHorizontalBarLR = 2,
    kKSProgressTimerTypeHorizontalBarRL = 3,
    kKSProgressTimerTypeVerticalBarBT = 4,
    kKSProgressTimerTypeVerticalBarTB = 5,
};

class KSProgressTimer : public KSNode {
public:
    // Empty when the image cannot be loaded.
    [[nodiscard]] static platform::Ref<KSProgressTimer> progressWithFile(const std::string& filename);
    [[nodiscard]] static platform::Ref<KSProgressTimer> progressWithTexture(KSTexture2D* texture);
    [[nodiscard]] bool initWithFile(const std::string& filename);
    [[nodiscard]] bool initWithTexture(KSTexture2D* texture);

    std::string className() const override { return "KSProgressTimer"; }
    const KSFloatProperties& floatProperties() const override;

    float percentage() const { return percentage_; }
    // Clamped to 0..100; an unchanged value does nothing.
    void setPercentage(float percentage);
    int type() const { return type_; }
    void setType(int type);
    KSSprite* sprite() const { return sprite_.get(); }
    void setSprite(KSSprite* sprite);

    // The triangle fan (radial) or strip (bar) as built, for inspection.
    const std::vector<ksV2F_C4F_T2F>& vertexData() const { return vertexData_; }
    int vertexDataCount() const { return static_cast<int>(vertexData_.size()); }

    void draw() override;

protected:
    KSProgressTimer() = default;

    void updateProgress();
    void updateRadial();
    void updateBar();
    void updateColor();
    Point vertexFromTexCoord(Point texCoord) const;
    Point boundaryTexCoord(int index) const;

private:
    void applyFlips(ksV2F_C4F_T2F& vertex) const;
    void setVertex(int index, Point texCoord);

    int type_ { kKSProgressTimerTypeRadialCCW };
    float percentage_ { 0 };
    platform::Ref<KSSprite> sprite_;
    std::vector<ksV2F_C4F_T2F> vertexData_;
};

} // namespace kestrel
