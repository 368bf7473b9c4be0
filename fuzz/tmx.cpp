// Fuzzes reading TMX maps and the external tileset files they name, then
// building what they describe: the tiled map with its layers, whose tiles are
// read, made into sprites, changed and removed, its object groups and
// properties, drawn into a small framebuffer before and after the layers
// release their maps. The input is a map file, optionally followed by
// "\n--tsx--\n" and the content of "tiles.tsx" beside it; beside both lies
// "tiles.png", 32 x 16 pixels (8 x 8 tiles of 8 pixels). Uses a real headless
// GL context.
#include "engine/KSTMXTiledMap.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

using kestrel::KSSprite;
using kestrel::KSTMXLayer;
using kestrel::Point;

namespace {

// Maps whose visible layers hold more cells are parsed but not built: a large
// map is slow to build, not wrong.
constexpr double kMaxCells = 1 << 14;

// Whole cells along each axis, as the layer counts them.
double wholeCells(float length)
{
    return length > 0 ? std::floor(static_cast<double>(length)) : 0;
}

// Small: whatever images the map names, the bundle rule and the file reader decide.
bool buildable(const kestrel::KSTMXMapInfo& info)
{
    double cells = 0;
    for (const auto& layer : info.layers())
        if (layer->visible())
            cells += wholeCells(layer->layerSize().width) * wholeCells(layer->layerSize().height);
    return cells <= kMaxCells;
}

// Reads, makes sprites for, changes and removes a few cells of a layer: the
// first filled cells and the corners.
void editLayer(KSTMXLayer& layer)
{
    const double w = wholeCells(layer.layerSize().width), h = wholeCells(layer.layerSize().height);
    if (w < 1 || h < 1 || w * h > kMaxCells || !layer.tiles())
        return;
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    (void)layer.propertyNamed("ks_vertexz");
    // Hexagonal maps take no offset (an assertion).
    (void)layer.calculateLayerOffset(layer.layerOrientation() == kestrel::TMXOrientationHexagonal ? Point() : Point(1, 1));

    std::vector<Point> cells;
    const int count = width * height;
    for (int i = 0; i < count && cells.size() < 6; ++i)
        if (layer.tiles()[i] != 0)
            cells.emplace_back(static_cast<float>(i % width), static_cast<float>(i / width));
    cells.emplace_back(0, 0);
    cells.emplace_back(static_cast<float>(width - 1), static_cast<float>(height - 1));

    const uint32_t firstGid = layer.tileset() ? layer.tileset()->firstGid() : 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const Point cell = cells[i];
        const uint32_t gid = layer.tileGIDAt(cell);
        (void)layer.positionAt(cell);
        (void)layer.vertexZForPos(cell);
        KSSprite* sprite = layer.tileAt(cell);
        if (sprite)
            sprite->setOpacity(128);
        switch (i % 4) {
        case 0:
            // Another tile of the same tileset, through the sprite when there is one.
            if (layer.tileset())
                layer.setTileGID(gid == firstGid ? firstGid + 1 : firstGid, cell);
            break;
        case 1:
            layer.removeTileAt(cell);
            break;
        case 2:
            if (sprite)
                layer.removeChild(sprite, true);
            break;
        default:
            // An empty cell filled again, its quad inserted in order.
            layer.setTileGID(0, cell);
            if (layer.tileset())
                layer.setTileGID(firstGid + static_cast<uint32_t>(i), cell);
            break;
        }
    }
}

void exercise(kestrel::KSTMXTiledMap& map)
{
    (void)map.propertyNamed("music");
    for (uint32_t gid = 0; gid < 8; ++gid)
        (void)map.propertiesForGID(gid);
    for (const auto& group : map.objectGroups()) {
        (void)map.objectGroupNamed(group->groupName());
        (void)group->propertyNamed("name");
        for (const auto& object : group->objects())
            if (const platform::Value* name = object.find("name"); name && name->isString())
                (void)group->objectNamed(name->string());
    }
    map.visit();

    std::vector<KSTMXLayer*> layers;
    if (kestrel::KSArray* children = map.children())
        for (kestrel::KSNode* child : children->objectsAs<kestrel::KSNode>())
            if (auto* layer = dynamic_cast<KSTMXLayer*>(child))
                layers.push_back(layer);
    for (KSTMXLayer* layer : layers) {
        (void)map.layerNamed(layer->layerName());
        editLayer(*layer);
    }
    map.visit();
    for (KSTMXLayer* layer : layers)
        layer->releaseMap();
    map.visit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("tmx");
    static const std::string dir = [] {
        platform::Bytes rgba(32 * 16 * 4);
        for (size_t i = 0; i < rgba.size(); ++i)
            rgba[i] = static_cast<uint8_t>(i * 7);
        platform::Image::imageWithRGBA(32, 16, std::move(rgba))->writePNG(folder.path + "/tiles.png");
        // Refused maps log their reasons; thousands of runs need not print them.
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        return folder.path;
    }();

    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view tsx;
    constexpr std::string_view separator = "\n--tsx--\n";
    if (size_t at = input.find(separator); at != std::string_view::npos) {
        tsx = input.substr(at + separator.size());
        input = input.substr(0, at);
    }
    const std::string mapPath = dir + "/map.tmx";
    writeFuzzBytes(mapPath, input);
    writeFuzzBytes(dir + "/tiles.tsx", tsx);
    try {
        auto info = kestrel::KSTMXMapInfo::formatWithTMXFile(mapPath);
        // A tileset file it names that is missing or refused: no map.
        if (!info) {
            kestrel::KSTextureCache::purgeSharedTextureCache();
            return 0;
        }
        for (const auto& layer : info->layers()) {
            // A layer with tiles holds a GID for every cell.
            if (layer->tiles() && layer->layerSize().width > 0 && layer->layerSize().height > 0) {
                size_t cells = size_t(layer->layerSize().width) * size_t(layer->layerSize().height);
                (void)layer->tiles()[cells - 1];
            }
        }
        for (const auto& tileset : info->tilesets()) {
            tileset->setImageSize(kestrel::Size(256, 256));
            (void)tileset->rectForGID(tileset->firstGid() + 17);
        }
        if (drawable && buildable(*info))
            if (auto map = kestrel::KSTMXTiledMap::tiledMapWithTMXFile(mapPath))
                exercise(*map);
    } catch (const platform::Exception&) {
        // Refused input fails an assertion; that is the expected outcome.
    }
    kestrel::KSTextureCache::purgeSharedTextureCache();
    return 0;
}
