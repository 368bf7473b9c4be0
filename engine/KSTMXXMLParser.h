// Reading TMX tile maps: KSTMXMapInfo parses a map file (and the external
// tileset files it names) with the platform's SAX reader into a plain description — tilesets,
// layers with their GID arrays, object groups and string properties. Nothing
// is drawn here; the tiled map turns the description into nodes.
//
// Caveat: the whole file is read inside the initialiser. A file that cannot be
// read or parsed, a refused compression and a non-base64 layer fail assertions;
// a layer whose data cannot be decoded, or holds fewer GIDs than its cells,
// keeps no tiles (tiles() is null) and must not be built into a layer node.
// What a map may cost is bounded as a whole (kKSTMXMapBudget): a map past it
// is no map, and the log says so.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class SaxReader;
}

namespace kestrel {

// What one map may take, its tiles and its tilesets together: every byte its
// layers' data decode to (at least 4 a cell, the GIDs kept), and what each
// tileset, tile and tile property it describes keeps, counted again for every
// reference to a tileset file. The parse stops as soon as a map goes past it.
inline constexpr size_t kKSTMXMapBudget = 64u * 1024 * 1024;

enum {
    TMXOrientationOrthogonal = 0,
    TMXOrientationHexagonal = 1,
    TMXOrientationIsometric = 2,
};

// The element the next <property> belongs to.
enum {
    TMXParentNone = 0,
    TMXParentMap = 1,
    TMXParentLayer = 2,
    TMXParentObjectGroup = 3,
    TMXParentObject = 4,
    TMXParentTile = 5,
};

// Bits of a <data> element's encoding.
enum {
    TMXLayerDataNone = 1 << 0,
    TMXLayerDataBase64 = 1 << 1,
    TMXLayerDataGzip = 1 << 2,
};

// Name to value string.
using KSTMXProperties = platform::ValueDictionary;

// One <layer>: its size in cells and its GIDs, row-major from the top row
// (cell (x, y) at x + y x width; 0 is an empty cell).
class KSTMXLayerInfo : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTMXLayerInfo> layerInfo();

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    Size layerSize() const { return layerSize_; }
    void setLayerSize(Size s) { layerSize_ = s; }
    // Null until a <data> element gave the layer at least width x height GIDs.
    uint32_t* tiles() const { return tiles_.get(); }
    size_t tileCount() const { return tileCount_; }
    void setTiles(std::unique_ptr<uint32_t[]> tiles, size_t count);
    // Hands the GID array over to its new owner (the layer node); the info keeps none.
    std::unique_ptr<uint32_t[]> takeTiles();
    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }
    uint8_t opacity() const { return opacity_; }
    void setOpacity(uint8_t o) { opacity_ = o; }
    uint32_t minGID() const { return minGID_; }
    void setMinGID(uint32_t g) { minGID_ = g; }
    uint32_t maxGID() const { return maxGID_; }
    void setMaxGID(uint32_t g) { maxGID_ = g; }
    KSTMXProperties& properties() { return properties_; }
    const KSTMXProperties& properties() const { return properties_; }
    // In cells.
    Point offset() const { return offset_; }
    void setOffset(Point p) { offset_ = p; }

    std::string className() const override { return "KSTMXLayerInfo"; }

private:
    KSTMXLayerInfo() = default;

    std::string name_;
    Size layerSize_ {};
    std::unique_ptr<uint32_t[]> tiles_;
    size_t tileCount_ { 0 };
    bool visible_ { false };
    uint8_t opacity_ { 0 };
    uint32_t minGID_ { 100000 };
    uint32_t maxGID_ { 0 };
    KSTMXProperties properties_;
    Point offset_ {};
};

// One tileset: an image cut into tiles of one size, numbered from firstGid.
class KSTMXTilesetInfo : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTMXTilesetInfo> tilesetInfo();

    // The tile's rectangle in the image in pixels, y from the image's top. A
    // tileset whose tiles do not fit the image's width once answers a zero rectangle.
    Rect rectForGID(uint32_t gid) const;

    const std::string& name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    uint32_t firstGid() const { return firstGid_; }
    void setFirstGid(uint32_t g) { firstGid_ = g; }
    Size tileSize() const { return tileSize_; }
    void setTileSize(Size s) { tileSize_ = s; }
    unsigned spacing() const { return spacing_; }
    void setSpacing(unsigned s) { spacing_ = s; }
    unsigned margin() const { return margin_; }
    void setMargin(unsigned m) { margin_ = m; }
    const std::string& sourceImage() const { return sourceImage_; }
    void setSourceImage(std::string s) { sourceImage_ = std::move(s); }
    // Set by the layer from its texture; the parser leaves it zero.
    Size imageSize() const { return imageSize_; }
    void setImageSize(Size s) { imageSize_ = s; }

    std::string className() const override { return "KSTMXTilesetInfo"; }

private:
    KSTMXTilesetInfo() = default;

    std::string name_;
    uint32_t firstGid_ { 0 };
    Size tileSize_ {};
    unsigned spacing_ { 0 };
    unsigned margin_ { 0 };
    std::string sourceImage_;
    Size imageSize_ {};
};

// One <objectgroup>: named objects (dictionaries holding "name", "type", "x",
// "y" as integers in engine coordinates, "width" and "height" as the file's
// strings, then the object's properties) and the group's properties.
class KSTMXObjectGroup : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTMXObjectGroup> objectGroup();

    // The first object whose "name" equals name; null when none.
    const platform::ValueDictionary* objectNamed(const std::string& name) const;
    // Nil when absent.
    const platform::Value& propertyNamed(const std::string& name) const { return properties_.get(name); }

    const std::string& groupName() const { return groupName_; }
    void setGroupName(std::string n) { groupName_ = std::move(n); }
    // In pixels.
    Point positionOffset() const { return positionOffset_; }
    void setPositionOffset(Point p) { positionOffset_ = p; }
    std::vector<platform::ValueDictionary>& objects() { return objects_; }
    const std::vector<platform::ValueDictionary>& objects() const { return objects_; }
    KSTMXProperties& properties() { return properties_; }
    const KSTMXProperties& properties() const { return properties_; }

    std::string className() const override { return "KSTMXObjectGroup"; }

private:
    KSTMXObjectGroup() = default;

    std::string groupName_;
    Point positionOffset_ {};
    std::vector<platform::ValueDictionary> objects_;
    KSTMXProperties properties_;
};

class KSTMXMapInfo : public platform::Object {
public:
    // Reads the file (a bundle resource name or a path) before returning; nil
    // when it, or a tileset file it names, is missing or refused (logged).
    [[nodiscard]] static platform::Ref<KSTMXMapInfo> formatWithTMXFile(const std::string& tmxFile);
    [[nodiscard]] bool initWithTMXFile(const std::string& tmxFile);

    // Parses one file into this description: false when it cannot be read
    // (missing, or refused) or the map goes past its budget; one that is not
    // well-formed XML fails the assertion "Error parsing file: <path>.".
    bool parseXMLFile(const std::string& xmlFilename);

    int orientation() const { return orientation_; }
    void setOrientation(int o) { orientation_ = o; }
    Size mapSize() const { return mapSize_; }
    void setMapSize(Size s) { mapSize_ = s; }
    Size tileSize() const { return tileSize_; }
    void setTileSize(Size s) { tileSize_ = s; }
    // The collections' setters refuse null entries ("Argument must be non-nil").
    const std::vector<platform::Ref<KSTMXLayerInfo>>& layers() const { return layers_; }
    void setLayers(std::vector<platform::Ref<KSTMXLayerInfo>> layers);
    const std::vector<platform::Ref<KSTMXTilesetInfo>>& tilesets() const { return tilesets_; }
    void setTilesets(std::vector<platform::Ref<KSTMXTilesetInfo>> tilesets);
    const std::vector<platform::Ref<KSTMXObjectGroup>>& objectGroups() const { return objectGroups_; }
    void setObjectGroups(std::vector<platform::Ref<KSTMXObjectGroup>> objectGroups);
    // External tileset files and images are found beside this file.
    const std::string& filename() const { return filename_; }
    void setFilename(std::string filename) { filename_ = std::move(filename); }
    const KSTMXProperties& properties() const { return properties_; }
    void setProperties(KSTMXProperties properties) { properties_ = std::move(properties); }
    // GID to that tile's properties.
    const std::map<int, KSTMXProperties>& tileProperties() const { return tileProperties_; }
    void setTileProperties(std::map<int, KSTMXProperties> tileProperties) { tileProperties_ = std::move(tileProperties); }

    std::string className() const override { return "KSTMXMapInfo"; }

    // The reader's events (public for the SAX handler only).
    void startElement(const char* name, const char** attributes);
    void endElement(const char* name);
    void foundCharacters(const char* text, int length);

    // A tileset file as read: the elements that act in one, in file order.
    struct TilesetFile;

private:
    KSTMXMapInfo() = default;
    // Takes `bytes` of the map's budget for `what`; false (and the parse
    // stopped, the reason logged once) when the map cannot afford them.
    bool charge(double bytes, const std::string& what);
    // The tileset file at a resolved path, read the first time it is named;
    // null when it cannot be read.
    const TilesetFile* tilesetFile(const std::string& path);
    // One per element the reader understands; `attributes` as startElement's.
    void startMap(const char** attributes);
    void startTileset(const char** attributes);
    void startTile(const char** attributes);
    void startLayer(const char** attributes);
    void startObjectGroup(const char** attributes);
    void startImage(const char** attributes);
    void startData(const char** attributes);
    void startObject(const char** attributes);
    void startProperty(const char** attributes);
    void endData();

    std::string currentString_;
    bool storingCharacters_ { false };
    int layerAttribs_ { TMXLayerDataNone };
    int parentElement_ { TMXParentNone };
    uint32_t parentGID_ { 0 };
    std::string filename_;
    int orientation_ { TMXOrientationOrthogonal };
    Size mapSize_ {};
    Size tileSize_ {};
    std::vector<platform::Ref<KSTMXLayerInfo>> layers_;
    std::vector<platform::Ref<KSTMXTilesetInfo>> tilesets_;
    std::vector<platform::Ref<KSTMXObjectGroup>> objectGroups_;
    KSTMXProperties properties_;
    std::map<int, KSTMXProperties> tileProperties_;
    // Inside an external tileset file: only the tileset's own elements count,
    // and its first GID comes from the referencing element when it names none.
    int externalDepth_ { 0 };
    bool unreadable_ { false }; // a tileset file it names is missing or refused
    uint32_t externalFirstGid_ { 0 };
    // Each tileset file read once, by resolved path (null: it cannot be read).
    std::map<std::string, std::shared_ptr<const TilesetFile>> tilesetFiles_;
    // What the map has taken of kKSTMXMapBudget; past it, nothing more is read.
    size_t spent_ { 0 };
    bool overBudget_ { false };
    // The reader of the map file while it runs, stopped when the map goes past its budget.
    platform::SaxReader* reader_ { nullptr };
};

} // namespace kestrel
