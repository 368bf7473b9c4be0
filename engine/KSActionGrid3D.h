// Mesh effects: grid actions that bend a node's picture on a KSGrid3D. Each step
// starts from the original mesh and moves its vertices (positions in pixels):
//   KSWaves3D   vertices rise and fall along a diagonal wave
//   KSFlipX3D   the picture turns about its vertical axis (KSFlipY3D: horizontal)
//   KSLens3D    a lens bulges the picture at a point (drawn once per position)
//   KSRipple3D  rings spread from a point
//   KSShaky3D   every vertex jitters by whole pixels (C library rand())
//   KSLiquid    the inside of the mesh sways in x and y (the border stays)
//   KSWaves     rows and/or columns sway sideways
//   KSTwirl     the picture swirls about a point
//   KSPageTurn3D the picture curls like a page turned from the bottom right
// Positions are given in points; amplitudes and radii in pixels.
#pragma once

#include "engine/KSActionGrid.h"

namespace kestrel {

// The amplitude pair shared by the swaying effects.
#define KS_AMPLITUDE_PROPERTIES                                                   \
    float amplitude() const { return amplitude_; }                                \
    void setAmplitude(float amplitude) { amplitude_ = amplitude; }                \
    float amplitudeRate() const { return amplitudeRate_; }                        \
    void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }         \
    float getAmplitudeRate() const override { return amplitudeRate_; }

class KSWaves3D : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSWaves3D> actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    KS_AMPLITUDE_PROPERTIES
    std::string className() const override { return "KSWaves3D"; }

protected:
    KSWaves3D() = default;
    int waves_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSFlipX3D : public KSGrid3DAction {
public:
    KS_GRID_ACTION_BASICS(KSFlipX3D)
    [[nodiscard]] static platform::Ref<KSFlipX3D> actionWithDuration(ksTime d);
    [[nodiscard]] bool initWithDuration(ksTime d);
    // Only a 1 x 1 grid: anything else raises "FlipX3D" "Grid size must be (1,1)".
    [[nodiscard]] bool initWithSize(ksGridSize gridSize, ksTime d) override;
    void update(float t) override;
    std::string className() const override { return "KSFlipX3D"; }

protected:
    KSFlipX3D() = default;
};

class KSFlipY3D : public KSFlipX3D {
public:
    KS_GRID_ACTION_BASICS(KSFlipY3D)
    [[nodiscard]] static platform::Ref<KSFlipY3D> actionWithDuration(ksTime d);
    void update(float t) override;
    std::string className() const override { return "KSFlipY3D"; }

protected:
    KSFlipY3D() = default;
};

class KSLens3D : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSLens3D> actionWithPosition(Point position, float radius, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithPosition(Point position, float radius, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;

    Point position() const { return position_; }
    // A new position redraws the lens at the next step.
    void setPosition(Point position);
    // Takes effect at the next redraw (a new position).
    float lensEffect() const { return lensEffect_; }
    void setLensEffect(float effect) { lensEffect_ = effect; }
    std::string className() const override { return "KSLens3D"; }

protected:
    KSLens3D() = default;
    Point position_ {};
    Point positionInPixels_ {};
    float radius_ { 0 };
    float lensEffect_ { 0.7f };
    bool dirty_ { false };
};

class KSRipple3D : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSRipple3D> actionWithPosition(Point position, float radius, int waves, float amplitude,
                                                        ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithPosition(Point position, float radius, int waves, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    Point position() const { return position_; }
    void setPosition(Point position);
    KS_AMPLITUDE_PROPERTIES
    std::string className() const override { return "KSRipple3D"; }

protected:
    KSRipple3D() = default;
    Point position_ {};
    Point positionInPixels_ {};
    float radius_ { 0 };
    int waves_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSShaky3D : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSShaky3D> actionWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    std::string className() const override { return "KSShaky3D"; }

protected:
    KSShaky3D() = default;
    int randrange_ { 0 };
    bool shakeZ_ { false };
};

class KSLiquid : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSLiquid> actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    KS_AMPLITUDE_PROPERTIES
    std::string className() const override { return "KSLiquid"; }

protected:
    KSLiquid() = default;
    int waves_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSWaves : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSWaves> actionWithWaves(int waves, float amplitude, bool horizontal, bool vertical,
                                                  ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    KS_AMPLITUDE_PROPERTIES
    std::string className() const override { return "KSWaves"; }

protected:
    KSWaves() = default;
    int waves_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
    bool vertical_ { false };
    bool horizontal_ { false };
};

class KSTwirl : public KSGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSTwirl> actionWithPosition(Point position, int twirls, float amplitude, ksGridSize gridSize,
                                                     ksTime d);
    [[nodiscard]] bool initWithPosition(Point position, int twirls, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    Point position() const { return position_; }
    void setPosition(Point position);
    KS_AMPLITUDE_PROPERTIES
    std::string className() const override { return "KSTwirl"; }

protected:
    KSTwirl() = default;
    Point position_ {};
    Point positionInPixels_ {};
    int twirls_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSPageTurn3D : public KSGrid3DAction {
public:
    KS_GRID_ACTION_BASICS(KSPageTurn3D)
    void update(float t) override;
    std::string className() const override { return "KSPageTurn3D"; }

protected:
    KSPageTurn3D() = default;
};

// An offset of whole pixels from the C library's generator, rand() % (2 range)
// - range: in [-range, range - 1] for a positive range, 0 for a range of 0 (no
// division by zero), and in [-range, -3 range - 1] for a negative one (the
// remainder keeps rand()'s sign).
int ksRandomOffset(int range);

} // namespace kestrel
