// TMX layers: quads in cell order, kept sorted by the atlas index array (entry
// i names the cell of quad i), with sprites made on demand for single cells.
#include "engine/KSTMXLayer.h"

#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kestrel {

using platform::Ref;

namespace {

uint32_t cellsIn(Size size)
{
    const double w = size.width > 0 ? std::floor(size.width) : 0;
    const double h = size.height > 0 ? std::floor(size.height) : 0;
    const double n = w * h;
    return n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n);
}

} // namespace

Ref<KSTMXLayer> KSTMXLayer::layerWithTilesetInfo(KSTMXTilesetInfo* tilesetInfo, KSTMXLayerInfo* layerInfo,
                                                 KSTMXMapInfo* mapInfo)
{
    auto layer = adoptRef(new KSTMXLayer);
    return layer->initWithTilesetInfo(tilesetInfo, layerInfo, mapInfo) ? layer : nullptr;
}

bool KSTMXLayer::initWithTilesetInfo(KSTMXTilesetInfo* tilesetInfo, KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo)
{
    const Size size = layerInfo->layerSize();
    const uint32_t cells = cellsIn(size);
    // Every cell is read: a layer needs a GID for each.
    if (!layerInfo->tiles() || layerInfo->tileCount() < cells)
        return false;
    // About a third of the cells hold tiles in a typical map; the atlas grows when needed.
    const double wanted = static_cast<double>(cells) * 0.35 + 1;
    const auto capacity = static_cast<uint32_t>(std::min<double>(wanted, kKSTextureAtlasMaxCapacity));

    // Tiles need a tileset to be cut from: a layer that none covers (every
    // first GID above its GIDs) is refused rather than built without a picture.
    if (!tilesetInfo) {
        const uint32_t* tiles = layerInfo->tiles();
        if (const uint32_t* used = std::find_if(tiles, tiles + cells, [](uint32_t gid) { return gid != 0; });
            used != tiles + cells) {
            platform::logError("TMX: no tileset holds the tiles of layer \"%s\" (GID %u)", layerInfo->name().c_str(),
                               *used);
            return false;
        }
    }
    Ref<KSTexture2D> texture;
    if (tilesetInfo) {
        // A tileset without an image (none named, or a name refused) draws nothing.
        if (tilesetInfo->sourceImage().empty()) {
            platform::logError("TMX: the tileset \"%s\" of layer \"%s\" has no image", tilesetInfo->name().c_str(),
                               layerInfo->name().c_str());
            return false;
        }
        texture = KSTextureCache::sharedTextureCache()->addImage(tilesetInfo->sourceImage());
        // Tiles without their image cannot be drawn.
        if (!texture)
            return false;
    }
    if (!KSSpriteBatchNode::initWithTexture(texture.get(), capacity))
        return false;

    layerName_ = layerInfo->name();
    layerSize_ = size;
    tiles_ = layerInfo->takeTiles();
    minGID_ = layerInfo->minGID();
    maxGID_ = layerInfo->maxGID();
    opacity_ = layerInfo->opacity();
    properties_ = layerInfo->properties();
    tileset_ = tilesetInfo;
    mapTileSize_ = mapInfo->tileSize();
    layerOrientation_ = mapInfo->orientation();

    setPositionInPixels(calculateLayerOffset(layerInfo->offset()));
    atlasIndexArray_.emplace();
    atlasIndexArray_->reserve(cells ? cells : 1);
    setContentSizeInPixels(Size(layerSize_.width * mapTileSize_.width, layerSize_.height * mapTileSize_.height));
    useAutomaticVertexZ_ = false;
    vertexZvalue_ = 0;
    alphaFuncValue_ = 0;
    return true;
}

void KSTMXLayer::setupTiles()
{
    KSTexture2D* texture = this->texture();
    if (tileset_ && texture)
        tileset_->setImageSize(texture->contentSizeInPixels());
    if (texture)
        texture->setAliasTexParameters();
    parseInternalProperties();

    const uint32_t cells = cellsIn(layerSize_);
    if (tiles_ && cells) {
        const auto width = static_cast<uint32_t>(layerSize_.width);
        for (uint32_t index = 0; index < cells; ++index) {
            const uint32_t gid = tiles_[index];
            if (gid == 0)
                continue;
            appendTileForGID(gid, Point(static_cast<float>(index % width), static_cast<float>(index / width)));
            minGID_ = std::min(gid, minGID_);
            maxGID_ = std::max(gid, maxGID_);
        }
    }
    const uint32_t firstGid = tileset_ ? tileset_->firstGid() : 0;
    BRISKO_ASSERT(maxGID_ >= firstGid && minGID_ >= firstGid, "TMX: Only 1 tilset per layer is supported");
}

void KSTMXLayer::parseInternalProperties()
{
    const platform::Value& vertexZ = propertyNamed("ks_vertexz");
    if (vertexZ.isString()) {
        if (vertexZ.string() == "automatic")
            useAutomaticVertexZ_ = true;
        else
            vertexZvalue_ = vertexZ.asInt();
    }
    alphaFuncValue_ = propertyNamed("ks_alpha_func").asFloat();
}

const std::vector<uint32_t>& KSTMXLayer::atlasIndexArray() const
{
    static const std::vector<uint32_t> none;
    return atlasIndexArray_ ? *atlasIndexArray_ : none;
}

// MARK: - Cells

void KSTMXLayer::checkPosition(Point p) const
{
    BRISKO_ASSERT(p.x >= 0 && p.x < layerSize_.width && p.y >= 0 && p.y < layerSize_.height,
                  "TMXLayer: invalid position");
    BRISKO_ASSERT(tiles_ && atlasIndexArray_, "TMXLayer: the tiles map has been released");
}

uint32_t KSTMXLayer::cellIndex(Point p) const
{
    return static_cast<uint32_t>(p.x + p.y * layerSize_.width);
}

uint32_t KSTMXLayer::tileGIDAt(Point p) const
{
    checkPosition(p);
    return tiles_[cellIndex(p)];
}

KSSprite* KSTMXLayer::tileAt(Point p)
{
    checkPosition(p);
    const uint32_t gid = tileGIDAt(p);
    if (gid == 0)
        return nullptr;
    const uint32_t z = cellIndex(p);
    if (KSNode* child = getChildByTag(static_cast<int>(z)))
        return static_cast<KSSprite*>(child);

    Ref<KSSprite> tile = KSSprite::sprite();
    prepareTile(tile.get(), gid, p);
    // The sprite takes over the quad already in the atlas for this cell.
    addSpriteWithoutQuad(tile.get(), atlasIndexForExistantZ(z), static_cast<int>(z));
    return tile.get();
}

void KSTMXLayer::setTileGID(uint32_t gid, Point p)
{
    checkPosition(p);
    BRISKO_ASSERT(gid == 0 || gid >= (tileset_ ? tileset_->firstGid() : 0), "TMXLayer: invalid gid");
    const uint32_t current = tileGIDAt(p);
    if (current == gid)
        return;
    if (gid == 0) {
        removeTileAt(p);
        return;
    }
    // A layer that had no tiles has no tileset to cut new ones from.
    BRISKO_ASSERT(tileset_, "TMXLayer: invalid gid");
    if (current == 0) {
        insertTileForGID(gid, p);
        return;
    }
    const uint32_t z = cellIndex(p);
    if (auto* sprite = static_cast<KSSprite*>(getChildByTag(static_cast<int>(z)))) {
        const Rect rect = tileset_->rectForGID(gid);
        sprite->setTextureRectInPixels(rect, false, rect.size);
        tiles_[z] = gid;
    } else {
        updateTileForGID(gid, p);
    }
}

void KSTMXLayer::removeTileAt(Point p)
{
    checkPosition(p);
    const uint32_t gid = tileGIDAt(p);
    if (gid == 0)
        return;
    const uint32_t z = cellIndex(p);
    const uint32_t atlasIndex = atlasIndexForExistantZ(z);
    tiles_[z] = 0;
    atlasIndexArray_->erase(atlasIndexArray_->begin() + atlasIndex);

    if (KSNode* sprite = getChildByTag(static_cast<int>(z))) {
        KSSpriteBatchNode::removeChild(sprite, true);
    } else {
        textureAtlas()->removeQuadAtIndex(atlasIndex);
        if (KSArray* children = this->children())
            for (KSSprite* child : children->objectsAs<KSSprite>())
                if (child->atlasIndex() >= atlasIndex)
                    child->setAtlasIndex(child->atlasIndex() - 1);
    }
}

void KSTMXLayer::releaseMap()
{
    tiles_.reset();
    atlasIndexArray_.reset();
}

// MARK: - Quads

void KSTMXLayer::prepareTile(KSSprite* sprite, uint32_t gid, Point p)
{
    // Without a tileset (no tileset of the map covers the layer's GIDs, or it
    // was taken away) the cell still gets its quad, with nothing to show.
    const Rect rect = tileset_ ? tileset_->rectForGID(gid) : Rect();
    if (!sprite->initWithBatchNodeRectInPixels(this, rect))
        return;
    sprite->setPositionInPixels(positionAt(p));
    sprite->setVertexZ(static_cast<float>(vertexZForPos(p)));
    sprite->setAnchorPoint(Point());
    sprite->setOpacity(opacity_);
}

KSSprite* KSTMXLayer::appendTileForGID(uint32_t gid, Point p)
{
    if (!reusedTile_)
        reusedTile_ = KSSprite::sprite();
    prepareTile(reusedTile_.get(), gid, p);
    const auto index = static_cast<uint32_t>(atlasIndexArray_->size());
    addQuadFromSprite(reusedTile_.get(), index);
    atlasIndexArray_->insert(atlasIndexArray_->begin() + index, cellIndex(p));
    return reusedTile_.get();
}

KSSprite* KSTMXLayer::insertTileForGID(uint32_t gid, Point p)
{
    if (!reusedTile_)
        reusedTile_ = KSSprite::sprite();
    prepareTile(reusedTile_.get(), gid, p);
    const uint32_t z = cellIndex(p);
    const uint32_t index = atlasIndexForNewZ(z);
    addQuadFromSprite(reusedTile_.get(), index);
    atlasIndexArray_->insert(atlasIndexArray_->begin() + index, z);
    if (KSArray* children = this->children())
        for (KSSprite* child : children->objectsAs<KSSprite>())
            if (child->atlasIndex() >= index)
                child->setAtlasIndex(child->atlasIndex() + 1);
    tiles_[z] = gid;
    return reusedTile_.get();
}

KSSprite* KSTMXLayer::updateTileForGID(uint32_t gid, Point p)
{
    if (!reusedTile_)
        reusedTile_ = KSSprite::sprite();
    prepareTile(reusedTile_.get(), gid, p);
    const uint32_t z = cellIndex(p);
    reusedTile_->setAtlasIndex(atlasIndexForExistantZ(z));
    reusedTile_->setDirty(true);
    reusedTile_->updateTransform();
    tiles_[z] = gid;
    return reusedTile_.get();
}

uint32_t KSTMXLayer::atlasIndexForExistantZ(uint32_t z) const
{
    const std::vector<uint32_t>& a = *atlasIndexArray_;
    auto found = std::lower_bound(a.begin(), a.end(), z);
    BRISKO_ASSERT(found != a.end() && *found == z, "TMX atlas index not found. Shall not happen");
    return static_cast<uint32_t>(found - a.begin());
}

uint32_t KSTMXLayer::atlasIndexForNewZ(uint32_t z) const
{
    const std::vector<uint32_t>& a = *atlasIndexArray_;
    return static_cast<uint32_t>(std::upper_bound(a.begin(), a.end(), z) - a.begin());
}

void KSTMXLayer::addQuadFromSprite(KSSprite* sprite, uint32_t index)
{
    BRISKO_ASSERT(sprite != nullptr, "Argument must be non-nil");
    BRISKO_ASSERT(dynamic_cast<KSSprite*>(static_cast<KSNode*>(sprite)), "KSSpriteSheet only supports KSSprites as children");
    KSTextureAtlas* atlas = textureAtlas();
    while (index >= atlas->capacity() || atlas->capacity() == atlas->totalQuads())
        increaseAtlasCapacity();
    ksV3F_C4B_T2F_Quad quad = sprite->quad();
    sprite->useBatchNode(this);
    sprite->setAtlasIndex(index);
    atlas->insertQuad(&quad, index);
    sprite->setDirty(true);
    sprite->updateTransform();
}

KSSpriteBatchNode* KSTMXLayer::addSpriteWithoutQuad(KSSprite* sprite, uint32_t z, int tag)
{
    BRISKO_ASSERT(sprite != nullptr, "Argument must be non-nil");
    BRISKO_ASSERT(dynamic_cast<KSSprite*>(static_cast<KSNode*>(sprite)), "KSSpriteSheet only supports KSSprites as children");
    sprite->setAtlasIndex(z);
    KSArray* list = descendants();
    uint32_t i = 0;
    while (i < list->count() && list->objectAtIndexAs<KSSprite>(i)->atlasIndex() < z)
        ++i;
    list->insertObject(sprite, i);
    // The plain node insertion: the batch node's would add a second quad.
    KSNode::addChild(sprite, static_cast<int>(z), tag);
    return this;
}

// MARK: - Children and drawing

void KSTMXLayer::addChild(KSNode*, int, int)
{
    BRISKO_ASSERT(false, "addChild: is not supported on KSTMXLayer. Instead use setTileGID:at:/tileAt:");
}

void KSTMXLayer::removeChild(KSNode* child, bool cleanup)
{
    if (!child)
        return;
    BRISKO_ASSERT(children() && children()->containsObject(child), "Tile does not belong to TMXLayer");
    auto* sprite = static_cast<KSSprite*>(child);
    // After releaseMap there is no cell to empty; the quad still goes.
    if (tiles_ && atlasIndexArray_ && sprite->atlasIndex() < atlasIndexArray_->size()) {
        const uint32_t atlasIndex = sprite->atlasIndex();
        const uint32_t z = (*atlasIndexArray_)[atlasIndex];
        tiles_[z] = 0;
        atlasIndexArray_->erase(atlasIndexArray_->begin() + atlasIndex);
    }
    KSSpriteBatchNode::removeChild(child, cleanup);
}

void KSTMXLayer::draw()
{
    if (useAutomaticVertexZ_) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, alphaFuncValue_);
    }
    KSSpriteBatchNode::draw();
    if (useAutomaticVertexZ_)
        glDisable(GL_ALPHA_TEST);
}

// MARK: - Placement

Point KSTMXLayer::positionAt(Point p) const
{
    switch (layerOrientation_) {
    case TMXOrientationOrthogonal:
        return positionForOrthoAt(p);
    case TMXOrientationIsometric:
        return positionForIsoAt(p);
    case TMXOrientationHexagonal:
        return positionForHexAt(p);
    default:
        return Point();
    }
}

namespace {

Point roundedPixels(double x, double y)
{
    return Point(static_cast<float>(ksTruncateToInt(x + 0.49)), static_cast<float>(ksTruncateToInt(y + 0.49)));
}

} // namespace

Point KSTMXLayer::positionForOrthoAt(Point p) const
{
    return roundedPixels(static_cast<double>(p.x) * mapTileSize_.width,
                         (static_cast<double>(layerSize_.height) - p.y - 1) * mapTileSize_.height);
}

Point KSTMXLayer::positionForIsoAt(Point p) const
{
    const double w = mapTileSize_.width, h = mapTileSize_.height;
    return roundedPixels(w / 2 * (static_cast<double>(layerSize_.width) + p.x - p.y - 1),
                         h / 2 * ((2.0 * layerSize_.height - p.x - p.y) - 2));
}

Point KSTMXLayer::positionForHexAt(Point p) const
{
    const double w = mapTileSize_.width, h = mapTileSize_.height;
    const double diffY = ksTruncateToInt(p.x) % 2 == 1 ? -h / 2 : 0;
    return roundedPixels(p.x * w * 3 / 4, (static_cast<double>(layerSize_.height) - p.y - 1) * h + diffY);
}

Point KSTMXLayer::calculateLayerOffset(Point offset) const
{
    const float w = mapTileSize_.width, h = mapTileSize_.height;
    switch (layerOrientation_) {
    case TMXOrientationOrthogonal:
        return Point(offset.x * w, -offset.y * h);
    case TMXOrientationIsometric:
        return Point(w / 2 * (offset.x - offset.y), h / 2 * (-offset.x - offset.y));
    case TMXOrientationHexagonal:
        BRISKO_ASSERT(offset == Point(), "offset for hexagonal map not implemented yet");
        return Point();
    default:
        return Point();
    }
}

int KSTMXLayer::vertexZForPos(Point p) const
{
    if (!useAutomaticVertexZ_)
        return vertexZvalue_;
    switch (layerOrientation_) {
    case TMXOrientationIsometric: {
        const auto maxVal = static_cast<uint32_t>(layerSize_.width + layerSize_.height);
        return ksTruncateToInt(-(static_cast<double>(maxVal) - (p.x + p.y)));
    }
    case TMXOrientationOrthogonal:
        return ksTruncateToInt(-(static_cast<double>(layerSize_.height) - p.y));
    case TMXOrientationHexagonal:
        BRISKO_ASSERT(false, "TMX Hexa zOrder not supported");
        return 0;
    default:
        BRISKO_ASSERT(false, "TMX invalid value");
        return 0;
    }
}

} // namespace kestrel
