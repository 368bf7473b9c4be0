// Tiled-grid effects: grid actions on a KSTiledGrid3D that move, hide or
// shuffle the tiles of a node's picture.
//   KSShakyTiles3D / KSShatteredTiles3D  tiles jitter every step / once
//   KSShuffleTiles                       tiles slide to shuffled cells
//   KSFadeOutTRTiles, ...BL, ...Up, ...Down  tiles shrink away along a diagonal or a row
//   KSTurnOffTiles                       tiles vanish one by one in shuffled order
//   KSWavesTiles3D / KSJumpTiles3D       whole tiles rise and fall
//   KSSplitRows / KSSplitCols            alternate strips slide off screen in opposite directions
//
// Caveat: the shakes and shuffles draw from the C library's shared rand(); a
// seed other than -1 re-seeds it (srand) each time the action starts.
#pragma once

#include "engine/KSActionGrid.h"

#include <vector>

namespace kestrel {

class KSShakyTiles3D : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSShakyTiles3D> actionWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    std::string className() const override { return "KSShakyTiles3D"; }

protected:
    KSShakyTiles3D() = default;
    int randrange_ { 0 };
    bool shakeZ_ { false };
};

class KSShatteredTiles3D : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSShatteredTiles3D> actionWithRange(int range, bool shatterZ, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithRange(int range, bool shatterZ, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    // Displaces the tiles on the first step only.
    void update(float t) override;
    std::string className() const override { return "KSShatteredTiles3D"; }

protected:
    KSShatteredTiles3D() = default;
    int randrange_ { 0 };
    bool once_ { false };
    bool shatterZ_ { false };
};

// One tile of a shuffle: its own cell, its current offset in cells and the
// offset to the cell where it ends.
struct ShuffledTile {
    Point position {};
    Point startPosition {};
    ksGridSize delta {};
};

class KSShuffleTiles : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSShuffleTiles> actionWithSeed(int seed, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithSeed(int seed, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

    // Fisher-Yates from the end, with rand().
    void shuffle(int* array, int count);
    ksGridSize getDelta(ksGridSize pos) const;
    void placeTile(ksGridSize pos, const ShuffledTile& tile);

    const std::vector<int>& tilesOrder() const { return tilesOrder_; }
    const std::vector<ShuffledTile>& tiles() const { return tiles_; }
    std::string className() const override { return "KSShuffleTiles"; }

protected:
    KSShuffleTiles() = default;
    int seed_ { -1 };
    int tilesCount_ { 0 };
    std::vector<int> tilesOrder_;
    std::vector<ShuffledTile> tiles_;
};

class KSFadeOutTRTiles : public KSTiledGrid3DAction {
public:
    KS_GRID_ACTION_BASICS(KSFadeOutTRTiles)
    void update(float t) override;
    // 0 turns the tile off, 1 or more leaves it whole, between shrinks it.
    virtual float testFunc(ksGridSize pos, float time);
    void turnOnTile(ksGridSize pos);
    void turnOffTile(ksGridSize pos);
    virtual void transformTile(ksGridSize pos, float distance);
    std::string className() const override { return "KSFadeOutTRTiles"; }

protected:
    KSFadeOutTRTiles() = default;
};

class KSFadeOutBLTiles : public KSFadeOutTRTiles {
public:
    KS_GRID_ACTION_BASICS(KSFadeOutBLTiles)
    float testFunc(ksGridSize pos, float time) override;
    std::string className() const override { return "KSFadeOutBLTiles"; }

protected:
    KSFadeOutBLTiles() = default;
};

class KSFadeOutUpTiles : public KSFadeOutTRTiles {
public:
    KS_GRID_ACTION_BASICS(KSFadeOutUpTiles)
    float testFunc(ksGridSize pos, float time) override;
    void transformTile(ksGridSize pos, float distance) override;
    std::string className() const override { return "KSFadeOutUpTiles"; }

protected:
    KSFadeOutUpTiles() = default;
};

class KSFadeOutDownTiles : public KSFadeOutUpTiles {
public:
    KS_GRID_ACTION_BASICS(KSFadeOutDownTiles)
    float testFunc(ksGridSize pos, float time) override;
    std::string className() const override { return "KSFadeOutDownTiles"; }

protected:
    KSFadeOutDownTiles() = default;
};

class KSTurnOffTiles : public KSTiledGrid3DAction {
public:
    // Made from a size alone, the seed is 0.
    [[nodiscard]] static platform::Ref<KSTurnOffTiles> actionWithSize(ksGridSize gridSize, ksTime d);
    [[nodiscard]] static platform::Ref<KSTurnOffTiles> actionWithSeed(int seed, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithSeed(int seed, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

    void shuffle(int* array, int count);
    void turnOnTile(ksGridSize pos);
    void turnOffTile(ksGridSize pos);

    const std::vector<int>& tilesOrder() const { return tilesOrder_; }
    std::string className() const override { return "KSTurnOffTiles"; }

protected:
    KSTurnOffTiles() = default;
    int seed_ { 0 };
    int tilesCount_ { 0 };
    std::vector<int> tilesOrder_;
};

class KSWavesTiles3D : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSWavesTiles3D> actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    float amplitude() const { return amplitude_; }
    void setAmplitude(float amplitude) { amplitude_ = amplitude; }
    float amplitudeRate() const { return amplitudeRate_; }
    void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }
    float getAmplitudeRate() const override { return amplitudeRate_; }
    std::string className() const override { return "KSWavesTiles3D"; }

protected:
    KSWavesTiles3D() = default;
    int waves_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSJumpTiles3D : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSJumpTiles3D> actionWithJumps(int jumps, float amplitude, ksGridSize gridSize, ksTime d);
    [[nodiscard]] bool initWithJumps(int jumps, float amplitude, ksGridSize gridSize, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    float amplitude() const { return amplitude_; }
    void setAmplitude(float amplitude) { amplitude_ = amplitude; }
    float amplitudeRate() const { return amplitudeRate_; }
    void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }
    float getAmplitudeRate() const override { return amplitudeRate_; }
    std::string className() const override { return "KSJumpTiles3D"; }

protected:
    KSJumpTiles3D() = default;
    int jumps_ { 0 };
    float amplitude_ { 0 };
    float amplitudeRate_ { 1 };
};

class KSSplitRows : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSSplitRows> actionWithRows(int rows, ksTime d);
    [[nodiscard]] bool initWithRows(int rows, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    std::string className() const override { return "KSSplitRows"; }

protected:
    KSSplitRows() = default;
    int rows_ { 0 };
    Size winSize_ {};
};

class KSSplitCols : public KSTiledGrid3DAction {
public:
    [[nodiscard]] static platform::Ref<KSSplitCols> actionWithCols(int cols, ksTime d);
    [[nodiscard]] bool initWithCols(int cols, ksTime d);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    std::string className() const override { return "KSSplitCols"; }

protected:
    KSSplitCols() = default;
    int cols_ { 0 };
    Size winSize_ {};
};

} // namespace kestrel
