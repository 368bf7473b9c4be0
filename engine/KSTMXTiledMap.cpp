// The tiled map: one layer node per visible layer, each over the one tileset
// its GIDs belong to.
#include "engine/KSTMXTiledMap.h"

#include "platform/foundation/Exception.h"

#include <algorithm>
#include <functional>

namespace kestrel {

using platform::Ref;

Ref<KSTMXTiledMap> KSTMXTiledMap::tiledMapWithTMXFile(const std::string& tmxFile)
{
    auto map = adoptRef(new KSTMXTiledMap);
    return map->initWithTMXFile(tmxFile) ? map : nullptr;
}

bool KSTMXTiledMap::initWithTMXFile(const std::string& tmxFile)
{
    BRISKO_ASSERT(!tmxFile.empty(), "TMXTiledMap: tmx file should not bi nil");
    if (!KSNode::init())
        return false;
    setContentSize(Size());

    // A missing or refused file has been named in the log already.
    Ref<KSTMXMapInfo> mapInfo = KSTMXMapInfo::formatWithTMXFile(tmxFile);
    if (!mapInfo)
        return false;
    BRISKO_ASSERT(!mapInfo->tilesets().empty(), "TMXTiledMap: Map not found. Please check the filename.");

    mapSize_ = mapInfo->mapSize();
    tileSize_ = mapInfo->tileSize();
    mapOrientation_ = mapInfo->orientation();
    objectGroups_ = mapInfo->objectGroups();
    properties_ = mapInfo->properties();
    tileProperties_ = mapInfo->tileProperties();

    int index = 0;
    for (const Ref<KSTMXLayerInfo>& layerInfo : mapInfo->layers()) {
        if (!layerInfo->visible())
            continue;
        Ref<KSTMXLayer> layer = parseLayer(layerInfo.get(), mapInfo.get());
        if (!layer)
            return false;
        addChild(layer.get(), index, index);
        const Size current = contentSize();
        const Size child = layer->contentSize();
        setContentSize(Size(std::max(current.width, child.width), std::max(current.height, child.height)));
        ++index;
    }
    return true;
}

Ref<KSTMXLayer> KSTMXTiledMap::parseLayer(KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo)
{
    // Layers whose data was refused have no GIDs to build from.
    if (!layerInfo->tiles())
        return nullptr;
    KSTMXTilesetInfo* tileset = tilesetForLayer(layerInfo, mapInfo);
    Ref<KSTMXLayer> layer = KSTMXLayer::layerWithTilesetInfo(tileset, layerInfo, mapInfo);
    if (!layer)
        return nullptr;
    layer->setupTiles();
    return layer;
}

KSTMXTilesetInfo* KSTMXTiledMap::tilesetForLayer(KSTMXLayerInfo* layerInfo, KSTMXMapInfo* mapInfo) const
{
    const Size size = layerInfo->layerSize();
    const size_t width = size.width > 0 ? static_cast<size_t>(size.width) : 0;
    const size_t height = size.height > 0 ? static_cast<size_t>(size.height) : 0;
    const size_t cells = std::min(width * height, layerInfo->tileCount());
    const uint32_t* tiles = layerInfo->tiles();
    // The last tileset (in file order) that holds any of the layer's GIDs is
    // the last one starting at or below its largest GID: one pass over the
    // cells, then one over the tilesets.
    const uint32_t largest = cells ? *std::max_element(tiles, tiles + cells) : 0;
    if (largest == 0)
        return nullptr;
    const auto& tilesets = mapInfo->tilesets();
    for (auto it = tilesets.rbegin(); it != tilesets.rend(); ++it) {
        if ((*it)->firstGid() <= largest)
            return it->get();
    }
    return nullptr;
}

KSTMXLayer* KSTMXTiledMap::layerNamed(const std::string& layerName) const
{
    if (KSArray* children = this->children()) {
        for (KSNode* child : children->objectsAs<KSNode>()) {
            auto* layer = dynamic_cast<KSTMXLayer*>(child);
            if (layer && layer->layerName() == layerName)
                return layer;
        }
    }
    return nullptr;
}

KSTMXObjectGroup* KSTMXTiledMap::objectGroupNamed(const std::string& groupName) const
{
    for (const Ref<KSTMXObjectGroup>& group : objectGroups_) {
        if (group->groupName() == groupName)
            return group.get();
    }
    return nullptr;
}

void KSTMXTiledMap::setObjectGroups(std::vector<Ref<KSTMXObjectGroup>> objectGroups)
{
    BRISKO_ASSERT(std::ranges::none_of(objectGroups, std::logical_not<>()), "Argument must be non-nil");
    objectGroups_ = std::move(objectGroups);
}

const KSTMXProperties* KSTMXTiledMap::propertiesForGID(uint32_t gid) const
{
    auto found = tileProperties_.find(static_cast<int>(gid));
    return found != tileProperties_.end() ? &found->second : nullptr;
}

} // namespace kestrel
