// A textured band of constant width along a path of points added one by one.
// Each point can fade out over the fade time; the texture repeats along the
// band every texture length. Points live in fixed segments of 50, drawn as one
// triangle strip each; segments whose points have all faded are reused.
//
// Caveat: the ribbon is not scheduled itself: its owner calls update() with
// each frame's interval (the motion streak does).
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSTexture2D.h"

#include <string>
#include <vector>

namespace kestrel {

inline constexpr unsigned kKSRibbonSegmentPoints = 50;

// 50 points of the band, two edge vertices each.
class KSRibbonSegment : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSRibbonSegment> segment();
    void reset();
    // Draws the points not yet faded at time `curTime`; fading alphas go from
    // 255 to 0 over `fadeTime` (0: no fading, the plain colour).
    void draw(float curTime, float fadeTime, ksColor4B color);

    std::string className() const override { return "KSRibbonSegment"; }
    std::string description() const override;

    GLfloat verts[kKSRibbonSegmentPoints * 6] {};
    GLfloat coords[kKSRibbonSegmentPoints * 4] {};
    GLubyte colors[kKSRibbonSegmentPoints * 8] {};
    float creationTime[kKSRibbonSegmentPoints] {};
    bool finished { false };
    unsigned end { 0 };
    unsigned begin { 0 };

private:
    KSRibbonSegment() = default;
};

class KSRibbon : public KSNode, public KSTextureProtocol {
public:
    // A texture length of 0 fails the assertion "Ribbon texture length must be non 0".
    [[nodiscard]] static platform::Ref<KSRibbon> ribbonWithWidth(float width, const std::string& image, float length, ksColor4B color,
                                                   float fade);
    [[nodiscard]] bool initWithWidth(float width, const std::string& image, float length, ksColor4B color, float fade);

    // Extends the band to a point (in points) with the given full width.
    void addPointAt(Point location, float width);
    void update(ksTime dt) override;
    void draw() override;

    static Point rotatePoint(Point point, float rotation);
    static float sideOfLine(Point p, Point l1, Point l2);

    KSTexture2D* texture() const override { return texture_.get(); }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ksBlendFunc blendFunc) override { blendFunc_ = blendFunc; }
    ksColor4B color() const { return color_; }
    void setColor(ksColor4B color) { color_ = color; }
    float textureLength() const { return textureLength_; }
    void setTextureLength(float length);

    const std::vector<platform::Ref<KSRibbonSegment>>& segments() const { return segments_; }
    const std::vector<platform::Ref<KSRibbonSegment>>& deletedSegments() const { return deletedSegments_; }

    std::string className() const override { return "KSRibbon"; }

protected:
    KSRibbon() = default;

private:
    std::vector<platform::Ref<KSRibbonSegment>> segments_;
    std::vector<platform::Ref<KSRibbonSegment>> deletedSegments_;
    Point lastLocation_ {};
    float texVPos_ { 0 };
    float curTime_ { 0 };
    float fadeTime_ { 0 };
    float delta_ { 0 };
    float lastWidth_ { 0 };
    bool pastFirstPoint_ { false };
    platform::Ref<KSTexture2D> texture_;
    float textureLength_ { 1 };
    ksColor4B color_ {};
    ksBlendFunc blendFunc_ { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
};

} // namespace kestrel
