// The tiled-grid effects: shaky and shattered tiles, shuffle, the fading
// tiles, turn-off tiles, waving and jumping tiles, split rows and columns.
#include "engine/KSActionTiledGrid.h"

#include "engine/KSActionGrid3D.h"
#include "engine/KSDirector.h"

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

constexpr float kPi = 3.1415927f;

// Adds a fresh random offset to each listed coordinate, in order.
void shake(ksQuad3& q, int range, bool z)
{
    for (float* c : { &q.bl.x, &q.br.x, &q.tl.x, &q.tr.x })
        *c += ksRandomOffset(range);
    for (float* c : { &q.bl.y, &q.br.y, &q.tl.y, &q.tr.y })
        *c += ksRandomOffset(range);
    if (z) {
        for (float* c : { &q.bl.z, &q.br.z, &q.tl.z, &q.tr.z })
            *c += ksRandomOffset(range);
    }
}

void fisherYates(int* array, int count)
{
    for (int k = count - 1; k >= 0; --k) {
        int r = std::rand() % (k + 1);
        std::swap(array[k], array[r]);
    }
}

// The cells 0 .. count-1 in shuffled order; rand() is seeded first unless the seed is -1.
std::vector<int> seededShuffledOrder(int seed, int count)
{
    if (seed != -1)
        std::srand(static_cast<unsigned>(seed));
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    fisherYates(order.data(), count);
    return order;
}

} // namespace

// Shaky tiles -------------------------------------------------------------------------------

Ref<KSShakyTiles3D> KSShakyTiles3D::actionWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSShakyTiles3D);
    return a->initWithRange(range, shakeZ, gridSize, d) ? a : nullptr;
}

bool KSShakyTiles3D::initWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    randrange_ = range;
    shakeZ_ = shakeZ;
    return true;
}

Ref<KSAction> KSShakyTiles3D::copy() const { return actionWithRange(randrange_, shakeZ_, gridSize_, duration_); }

void KSShakyTiles3D::update(float)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j) {
            ksQuad3 q = grid->originalTile({ i, j });
            shake(q, randrange_, shakeZ_);
            grid->setTile({ i, j }, q);
        }
    }
}

// Shattered tiles ---------------------------------------------------------------------------

Ref<KSShatteredTiles3D> KSShatteredTiles3D::actionWithRange(int range, bool shatterZ, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSShatteredTiles3D);
    return a->initWithRange(range, shatterZ, gridSize, d) ? a : nullptr;
}

bool KSShatteredTiles3D::initWithRange(int range, bool shatterZ, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    once_ = false;
    randrange_ = range;
    shatterZ_ = shatterZ;
    return true;
}

Ref<KSAction> KSShatteredTiles3D::copy() const
{
    return actionWithRange(randrange_, shatterZ_, gridSize_, duration_);
}

void KSShatteredTiles3D::update(float)
{
    if (once_)
        return;
    if (KSTiledGrid3D* grid = tiledGrid()) {
        for (int i = 0; i < gridSize_.x; ++i) {
            for (int j = 0; j < gridSize_.y; ++j) {
                ksQuad3 q = grid->originalTile({ i, j });
                shake(q, randrange_, shatterZ_);
                grid->setTile({ i, j }, q);
            }
        }
    }
    once_ = true;
}

// Shuffle -----------------------------------------------------------------------------------

Ref<KSShuffleTiles> KSShuffleTiles::actionWithSeed(int seed, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSShuffleTiles);
    return a->initWithSeed(seed, gridSize, d) ? a : nullptr;
}

bool KSShuffleTiles::initWithSeed(int seed, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    seed_ = seed;
    return true;
}

Ref<KSAction> KSShuffleTiles::copy() const { return actionWithSeed(seed_, gridSize_, duration_); }

void KSShuffleTiles::startWithTarget(platform::Object* target)
{
    KSTiledGrid3DAction::startWithTarget(target);
    tilesCount_ = gridSize_.x * gridSize_.y;
    tilesOrder_ = seededShuffledOrder(seed_, tilesCount_);
    tiles_.clear();
    tiles_.reserve(static_cast<size_t>(tilesCount_));
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j) {
            ShuffledTile tile;
            tile.position = tile.startPosition = { static_cast<float>(i), static_cast<float>(j) };
            tile.delta = getDelta({ i, j });
            tiles_.push_back(tile);
        }
    }
}

void KSShuffleTiles::shuffle(int* array, int count) { fisherYates(array, count); }

ksGridSize KSShuffleTiles::getDelta(ksGridSize pos) const
{
    const int v = tilesOrder_[static_cast<size_t>(pos.x * gridSize_.y + pos.y)];
    return { v / gridSize_.y - pos.x, v % gridSize_.y - pos.y };
}

void KSShuffleTiles::placeTile(ksGridSize pos, const ShuffledTile& tile)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    ksQuad3 q = grid->originalTile(pos);
    const Point step = grid->step();
    const float dx = std::trunc(tile.position.x * step.x);
    const float dy = std::trunc(tile.position.y * step.y);
    for (ksVertex3F* v : { &q.bl, &q.br, &q.tl, &q.tr }) {
        v->x += dx;
        v->y += dy;
    }
    grid->setTile(pos, q);
}

void KSShuffleTiles::update(float t)
{
    size_t k = 0;
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j, ++k) {
            if (k >= tiles_.size())
                return;
            ShuffledTile& tile = tiles_[k];
            tile.position = { tile.delta.x * t, tile.delta.y * t };
            placeTile({ i, j }, tile);
        }
    }
}

// Fading tiles ------------------------------------------------------------------------------

float KSFadeOutTRTiles::testFunc(ksGridSize pos, float time)
{
    const float n = gridSize_.x * time + gridSize_.y * time;
    if (n == 0)
        return 1.0f;
    return std::pow((pos.x + pos.y) / n, 6.0f);
}

void KSFadeOutTRTiles::turnOnTile(ksGridSize pos)
{
    if (KSTiledGrid3D* grid = tiledGrid())
        grid->setTile(pos, grid->originalTile(pos));
}

void KSFadeOutTRTiles::turnOffTile(ksGridSize pos)
{
    if (KSTiledGrid3D* grid = tiledGrid())
        grid->setTile(pos, ksQuad3 {});
}

void KSFadeOutTRTiles::transformTile(ksGridSize pos, float distance)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    ksQuad3 q = grid->originalTile(pos);
    const Point step = grid->step();
    const float hx = step.x / 2 * (1 - distance);
    const float hy = step.y / 2 * (1 - distance);
    q.bl.x += hx, q.bl.y += hy;
    q.br.x -= hx, q.br.y += hy;
    q.tl.x += hx, q.tl.y -= hy;
    q.tr.x -= hx, q.tr.y -= hy;
    grid->setTile(pos, q);
}

void KSFadeOutTRTiles::update(float t)
{
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j) {
            const float d = testFunc({ i, j }, t);
            if (d == 0)
                turnOffTile({ i, j });
            else if (d < 1)
                transformTile({ i, j }, d);
            else
                turnOnTile({ i, j });
        }
    }
}

float KSFadeOutBLTiles::testFunc(ksGridSize pos, float time)
{
    if (pos.x + pos.y == 0)
        return 1.0f;
    return std::pow((gridSize_.x * (1 - time) + gridSize_.y * (1 - time)) / (pos.x + pos.y), 6.0f);
}

float KSFadeOutUpTiles::testFunc(ksGridSize pos, float time)
{
    const float n = gridSize_.y * time;
    if (n == 0)
        return 1.0f;
    return std::pow(pos.y / n, 6.0f);
}

void KSFadeOutUpTiles::transformTile(ksGridSize pos, float distance)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    ksQuad3 q = grid->originalTile(pos);
    const float hy = grid->step().y / 2 * (1 - distance);
    q.bl.y += hy;
    q.br.y += hy;
    q.tl.y -= hy;
    q.tr.y -= hy;
    grid->setTile(pos, q);
}

float KSFadeOutDownTiles::testFunc(ksGridSize pos, float time)
{
    if (pos.y == 0)
        return 1.0f;
    return std::pow((gridSize_.y * (1 - time)) / pos.y, 6.0f);
}

// Turn off tiles ------------------------------------------------------------------------------

Ref<KSTurnOffTiles> KSTurnOffTiles::actionWithSize(ksGridSize gridSize, ksTime d) { return actionWithSeed(0, gridSize, d); }

Ref<KSTurnOffTiles> KSTurnOffTiles::actionWithSeed(int seed, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSTurnOffTiles);
    return a->initWithSeed(seed, gridSize, d) ? a : nullptr;
}

bool KSTurnOffTiles::initWithSeed(int seed, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    seed_ = seed;
    return true;
}

Ref<KSAction> KSTurnOffTiles::copy() const { return actionWithSeed(seed_, gridSize_, duration_); }

void KSTurnOffTiles::startWithTarget(platform::Object* target)
{
    KSTiledGrid3DAction::startWithTarget(target);
    tilesCount_ = gridSize_.x * gridSize_.y;
    tilesOrder_ = seededShuffledOrder(seed_, tilesCount_);
}

void KSTurnOffTiles::shuffle(int* array, int count) { fisherYates(array, count); }

void KSTurnOffTiles::turnOnTile(ksGridSize pos)
{
    if (KSTiledGrid3D* grid = tiledGrid())
        grid->setTile(pos, grid->originalTile(pos));
}

void KSTurnOffTiles::turnOffTile(ksGridSize pos)
{
    if (KSTiledGrid3D* grid = tiledGrid())
        grid->setTile(pos, ksQuad3 {});
}

void KSTurnOffTiles::update(float t)
{
    const int l = static_cast<int>(t * tilesCount_);
    for (int k = 0; k < tilesCount_ && k < static_cast<int>(tilesOrder_.size()); ++k) {
        const int v = tilesOrder_[static_cast<size_t>(k)];
        const ksGridSize cell { v / gridSize_.y, v % gridSize_.y };
        if (k < l)
            turnOffTile(cell);
        else
            turnOnTile(cell);
    }
}

// Waves and jumps -----------------------------------------------------------------------------

Ref<KSWavesTiles3D> KSWavesTiles3D::actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSWavesTiles3D);
    return a->initWithWaves(waves, amplitude, gridSize, d) ? a : nullptr;
}

bool KSWavesTiles3D::initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    waves_ = waves;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSWavesTiles3D::copy() const { return actionWithWaves(waves_, amplitude_, gridSize_, duration_); }

void KSWavesTiles3D::update(float t)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j) {
            ksQuad3 q = grid->originalTile({ i, j });
            const float z = std::sin(t * kPi * waves_ * 2 + (q.bl.y + q.bl.x) * 0.01f) * amplitude_ * amplitudeRate_;
            q.bl.z = q.br.z = q.tl.z = q.tr.z = z;
            grid->setTile({ i, j }, q);
        }
    }
}

Ref<KSJumpTiles3D> KSJumpTiles3D::actionWithJumps(int jumps, float amplitude, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSJumpTiles3D);
    return a->initWithJumps(jumps, amplitude, gridSize, d) ? a : nullptr;
}

bool KSJumpTiles3D::initWithJumps(int jumps, float amplitude, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    jumps_ = jumps;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSJumpTiles3D::copy() const { return actionWithJumps(jumps_, amplitude_, gridSize_, duration_); }

void KSJumpTiles3D::update(float t)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    const float a = amplitude_ * amplitudeRate_;
    const float z1 = std::sin(kPi * t * jumps_ * 2) * a;
    const float z2 = std::sin(kPi * (t * jumps_ * 2 + 1)) * a;
    for (int i = 0; i < gridSize_.x; ++i) {
        for (int j = 0; j < gridSize_.y; ++j) {
            ksQuad3 q = grid->originalTile({ i, j });
            const float z = (i + j) % 2 == 0 ? z1 : z2;
            q.bl.z += z, q.br.z += z, q.tl.z += z, q.tr.z += z;
            grid->setTile({ i, j }, q);
        }
    }
}

// Split rows and columns ----------------------------------------------------------------------

Ref<KSSplitRows> KSSplitRows::actionWithRows(int rows, ksTime d)
{
    auto a = adoptRef(new KSSplitRows);
    return a->initWithRows(rows, d) ? a : nullptr;
}

bool KSSplitRows::initWithRows(int rows, ksTime d)
{
    rows_ = rows;
    return initWithSize({ 1, rows }, d);
}

Ref<KSAction> KSSplitRows::copy() const { return actionWithRows(rows_, duration_); }

void KSSplitRows::startWithTarget(platform::Object* target)
{
    KSTiledGrid3DAction::startWithTarget(target);
    winSize_ = KSDirector::sharedDirector()->winSizeInPixels();
}

void KSSplitRows::update(float t)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    for (int j = 0; j < gridSize_.y; ++j) {
        ksQuad3 q = grid->originalTile({ 0, j });
        const float direction = j % 2 == 1 ? 1.0f : -1.0f;
        const float dx = direction * winSize_.width * t;
        q.bl.x += dx, q.br.x += dx, q.tl.x += dx, q.tr.x += dx;
        grid->setTile({ 0, j }, q);
    }
}

Ref<KSSplitCols> KSSplitCols::actionWithCols(int cols, ksTime d)
{
    auto a = adoptRef(new KSSplitCols);
    return a->initWithCols(cols, d) ? a : nullptr;
}

bool KSSplitCols::initWithCols(int cols, ksTime d)
{
    cols_ = cols;
    return initWithSize({ cols, 1 }, d);
}

Ref<KSAction> KSSplitCols::copy() const { return actionWithCols(cols_, duration_); }

void KSSplitCols::startWithTarget(platform::Object* target)
{
    KSTiledGrid3DAction::startWithTarget(target);
    winSize_ = KSDirector::sharedDirector()->winSizeInPixels();
}

void KSSplitCols::update(float t)
{
    KSTiledGrid3D* grid = tiledGrid();
    if (!grid)
        return;
    for (int i = 0; i < gridSize_.x; ++i) {
        ksQuad3 q = grid->originalTile({ i, 0 });
        const float direction = i % 2 == 1 ? 1.0f : -1.0f;
        const float dy = direction * winSize_.height * t;
        q.bl.y += dy, q.br.y += dy, q.tl.y += dy, q.tr.y += dy;
        grid->setTile({ i, 0 }, q);
    }
}

} // namespace kestrel
