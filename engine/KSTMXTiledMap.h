// A node showing a TMX map: it reads the file and adds one KSTMXLayer child per
// visible layer (z and tag count the visible layers from 0), and answers the
// map's object groups and properties.
//
// Caveat: a map whose file cannot be parsed fails an assertion; one that
// parses but has a visible layer that cannot be built (tiles missing or short,
// tileset image missing, tiles that no tileset covers) is refused: the factory
// answers nil.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSTMXLayer.h"
#include "engine/KSTMXXMLParser.h"

#include <map>
#include <string>
#include <vector>

namespace kestrel {

class KSTMXTiledMap : public KSNode {
public:
    [[nodiscard]] static platform::Ref<KSTMXTiledMap> tiledMapWithTMXFile(const std::string& tmxFile);
    [[nodiscard]] bool initWithTMXFile(const std::string& tmxFile);

    KSTMXLayer* layerNamed(const std::string& layerName) const;
    KSTMXObjectGroup* objectGroupNamed(const std::string& groupName) const;
    KSTMXObjectGroup* groupNamed(const std::string& groupName) const { return objectGroupNamed(groupName); }
    // Nil when absent.
    const platform::Value& propertyNamed(const std::string& propertyName) const { return properties_.get(propertyName); }
    // Null when the tile has no properties.
    const KSTMXProperties* propertiesForGID(uint32_t gid) const;

    Size mapSize() const { return mapSize_; }
    Size tileSize() const { return tileSize_; }
    int mapOrientation() const { return mapOrientation_; }
    const std::vector<platform::Ref<KSTMXObjectGroup>>& objectGroups() const { return objectGroups_; }
    // Refuses null entries ("Argument must be non-nil").
    void setObjectGroups(std::vector<platform::Ref<KSTMXObjectGroup>> objectGroups);
    const KSTMXProperties& properties() const { return properties_; }
    void setProperties(KSTMXProperties properties) { properties_ = std::move(properties); }

    std::string className() const override { return "KSTMXTiledMap"; }

protected:
    KSTMXTiledMap() = default;

private:
    platform::Ref<KSTMXLayer> parseLayer(KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo);
    KSTMXTilesetInfo* tilesetForLayer(KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo) const;

    Size mapSize_ {};
    Size tileSize_ {};
    int mapOrientation_ { TMXOrientationOrthogonal };
    std::vector<platform::Ref<KSTMXObjectGroup>> objectGroups_;
    KSTMXProperties properties_;
    std::map<int, KSTMXProperties> tileProperties_;
};

} // namespace kestrel
