// One layer of a TMX map as a sprite batch node over its tileset's image:
// every non-empty cell is one quad of the atlas, written through a reused
// scratch sprite. A cell gets a sprite of its own only when tileAt() asks for
// it; from then on that sprite moves, tints or animates the cell's quad.
//
// Caveat: children can only come from tileAt(); addChild() is refused. After
// releaseMap() the layer keeps drawing but no cell can be read or changed.
#pragma once

#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTMXXMLParser.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class KSTMXLayer : public KSSpriteBatchNode {
public:
    // Takes the layer info's GIDs. Nil when the tileset image cannot be loaded,
    // or when the layer has tiles but no tileset (none of the map's covers
    // them; logged).
    [[nodiscard]] static platform::Ref<KSTMXLayer> layerWithTilesetInfo(KSTMXTilesetInfo* tilesetInfo, KSTMXLayerInfo* layerInfo,
                                                          KSTMXMapInfo* mapInfo);
    [[nodiscard]] bool initWithTilesetInfo(KSTMXTilesetInfo* tilesetInfo, KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo);
    // Writes one quad per non-empty cell; the map calls it once the layer owns the GIDs.
    void setupTiles();

    // The cell's sprite (made on first request), or null for an empty cell.
    KSSprite* tileAt(Point position);
    uint32_t tileGIDAt(Point position) const;
    // 0 empties the cell; otherwise gid must belong to the layer's tileset.
    void setTileGID(uint32_t gid, Point position);
    void removeTileAt(Point position);
    void releaseMap();

    // The bottom-left corner of the cell's tile, in pixels.
    Point positionAt(Point position) const;
    Point positionForOrthoAt(Point position) const;
    Point positionForIsoAt(Point position) const;
    Point positionForHexAt(Point position) const;
    Point calculateLayerOffset(Point offset) const;
    int vertexZForPos(Point position) const;
    // Nil when absent.
    const platform::Value& propertyNamed(const std::string& name) const { return properties_.get(name); }

    // The batch node's additions for tile layers: a quad without a child, and a
    // child (already owning a quad) without a new quad.
    void addQuadFromSprite(KSSprite* sprite, uint32_t index);
    KSSpriteBatchNode* addSpriteWithoutQuad(KSSprite* sprite, uint32_t z, int tag);

    using KSSpriteBatchNode::addChild;
    void addChild(KSNode* child, int z, int tag) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void draw() override;

    // Null for a layer whose cells are all empty. Tile sprites made while the
    // layer has none show an empty rectangle.
    KSTMXTilesetInfo* tileset() const { return tileset_.get(); }
    void setTileset(KSTMXTilesetInfo* tileset) { tileset_ = tileset; }
    const std::string& layerName() const { return layerName_; }
    void setLayerName(std::string name) { layerName_ = std::move(name); }
    Size layerSize() const { return layerSize_; }
    // Where tiles are placed from now on; the quads already written stay.
    Size mapTileSize() const { return mapTileSize_; }
    void setMapTileSize(Size size) { mapTileSize_ = size; }
    // The GIDs and the layer size are set together only, by the layer info.
    uint32_t* tiles() const { return tiles_.get(); }
    int layerOrientation() const { return layerOrientation_; }
    void setLayerOrientation(int orientation) { layerOrientation_ = orientation; }
    const KSTMXProperties& properties() const { return properties_; }
    void setProperties(KSTMXProperties properties) { properties_ = std::move(properties); }
    uint32_t minGID() const { return minGID_; }
    uint32_t maxGID() const { return maxGID_; }
    // Entry i is the cell index of the quad at atlas index i (empty after releaseMap).
    const std::vector<uint32_t>& atlasIndexArray() const;

    std::string className() const override { return "KSTMXLayer"; }

protected:
    KSTMXLayer() = default;

private:
    void parseInternalProperties();
    KSSprite* appendTileForGID(uint32_t gid, Point position);
    KSSprite* insertTileForGID(uint32_t gid, Point position);
    KSSprite* updateTileForGID(uint32_t gid, Point position);
    void prepareTile(KSSprite* sprite, uint32_t gid, Point position);
    uint32_t atlasIndexForExistantZ(uint32_t z) const;
    uint32_t atlasIndexForNewZ(uint32_t z) const;
    uint32_t cellIndex(Point position) const;
    void checkPosition(Point position) const;

    platform::Ref<KSTMXTilesetInfo> tileset_;
    std::string layerName_;
    Size layerSize_ {};
    Size mapTileSize_ {};
    std::unique_ptr<uint32_t[]> tiles_;
    int layerOrientation_ { TMXOrientationOrthogonal };
    KSTMXProperties properties_;
    GLubyte opacity_ { 255 };
    uint32_t minGID_ { 0 };
    uint32_t maxGID_ { 0 };
    int vertexZvalue_ { 0 };
    bool useAutomaticVertexZ_ { false };
    float alphaFuncValue_ { 0 };
    platform::Ref<KSSprite> reusedTile_;
    std::optional<std::vector<uint32_t>> atlasIndexArray_;
};

} // namespace kestrel
