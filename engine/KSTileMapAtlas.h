// A grid map drawn from a TGA image: each pixel of the 24-bit map image is one
// cell, its red value the tile (from a sheet of equal tiles) drawn there, 0 an
// empty cell. Every non-empty cell is one quad of the atlas node, so the whole
// map is one draw call; cells can be read and retiled while the map is kept.
//
// Caveat: only cells that held a tile at load time have a quad, so setTile()
// cannot fill an empty cell. After releaseMap() the quads keep drawing but no
// cell can be read or changed.
#pragma once

#include "engine/KSAtlasNode.h"
#include "engine/Support/TGAImage.h"

#include <optional>
#include <string>
#include <unordered_map>

namespace kestrel {

class KSTileMapAtlas : public KSAtlasNode {
public:
    // A map file that cannot be loaded, or is not 24 bits per pixel, raises the
    // exception "TileMapAtlasLoadTGA" ("TileMapAtas cannot load TGA file").
    [[nodiscard]] static platform::Ref<KSTileMapAtlas> tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                                  int tileWidth, int tileHeight);
    [[nodiscard]] bool initWithTileFile(const std::string& tile, const std::string& mapFile, int tileWidth, int tileHeight);

    // The map pixel (R, G, B) of a cell.
    ksColor3B tileAt(ksGridSize position) const;
    // Retiles an occupied cell; an empty cell stays empty.
    void setTile(ksColor3B tile, ksGridSize position);
    void releaseMap();

    sImageTGA* tgaInfo() const { return tgaInfo_; }
    int itemsToRender() const { return itemsToRender_; }

    void updateAtlasValues() override;

    std::string className() const override { return "KSTileMapAtlas"; }

protected:
    KSTileMapAtlas() = default;
    ~KSTileMapAtlas() override;

private:
    // False for a missing or refused file; one that is not a 24-bit TGA
    // raises "TileMapAtlasLoadTGA".
    bool loadTGAfile(const std::string& file);
    void calculateItemsToRender();
    void updateAtlasValueAt(ksGridSize position, ksColor3B value, unsigned index);
    const unsigned char* pixelAt(ksGridSize position) const;

    sImageTGA* tgaInfo_ { nullptr };
    // "x,y" to the cell's quad index; absent after releaseMap().
    std::optional<std::unordered_map<std::string, int>> posToAtlasIndex_;
    int itemsToRender_ { 0 };
};

} // namespace kestrel
