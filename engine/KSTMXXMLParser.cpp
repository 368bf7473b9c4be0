// The TMX reader: SAX events build the map description element by element.
// <data> text is collected, base64-decoded, inflated when gzip, and turned into
// GIDs read explicitly as little-endian 32-bit values.
#include "engine/KSTMXXMLParser.h"

#include "engine/Support/Base64.h"
#include "engine/Support/Compression.h"
#include "engine/Support/KSFileUtils.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/SaxReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

namespace kestrel {

using platform::Ref;
using platform::Value;
using platform::ValueDictionary;
namespace path = platform::path;
using platform::SaxReader;

namespace {

// Leading blanks, a sign and digits, as far as they go; absent or not a number
// reads 0, and values beyond int saturate.
int intValue(const char* text)
{
    if (!text)
        return 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

float floatValue(const char* text)
{
    return text ? platform::parseFloat(text, nullptr) : 0.0f;
}


bool equals(const char* a, const char* b)
{
    return a && std::strcmp(a, b) == 0;
}

// Hands the reader's events to the map info; an assertion a callback raises
// leaves the reader's parse() once expat is out of the way.
class MapHandler : public platform::SaxHandler {
public:
    explicit MapHandler(KSTMXMapInfo& info) : info_(info) { }
    void startElement(const char* name, const char** attributes) override { info_.startElement(name, attributes); }
    void characters(const char* text, size_t length) override
    {
        info_.foundCharacters(text, static_cast<int>(std::min<size_t>(length, INT_MAX)));
    }
    void endElement(const char* name) override { info_.endElement(name); }

private:
    KSTMXMapInfo& info_;
};

} // namespace

// MARK: - Layer, tileset and object group

Ref<KSTMXLayerInfo> KSTMXLayerInfo::layerInfo()
{
    return adoptRef(new KSTMXLayerInfo);
}

void KSTMXLayerInfo::setTiles(std::unique_ptr<uint32_t[]> tiles, size_t count)
{
    tiles_ = std::move(tiles);
    tileCount_ = tiles_ ? count : 0;
}

std::unique_ptr<uint32_t[]> KSTMXLayerInfo::takeTiles()
{
    tileCount_ = 0;
    return std::move(tiles_);
}

Ref<KSTMXTilesetInfo> KSTMXTilesetInfo::tilesetInfo()
{
    return adoptRef(new KSTMXTilesetInfo);
}

Rect KSTMXTilesetInfo::rectForGID(uint32_t gid) const
{
    const double s = spacing_;
    const double m = margin_;
    const double w = tileSize_.width;
    const double h = tileSize_.height;
    const double columnsExact = (static_cast<double>(imageSize_.width) - 2 * m + s) / (w + s);
    // No whole column (tiles wider than the image, or no size at all): no rectangle.
    if (!(columnsExact >= 1.0) || columnsExact > static_cast<double>(UINT32_MAX))
        return Rect();
    const auto columns = static_cast<uint32_t>(columnsExact);
    const uint32_t g = gid - firstGid_;
    const double x = m + static_cast<double>(g % columns) * (w + s);
    const double y = m + static_cast<double>(g / columns) * (h + s);
    return Rect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h));
}

Ref<KSTMXObjectGroup> KSTMXObjectGroup::objectGroup()
{
    return adoptRef(new KSTMXObjectGroup);
}

const ValueDictionary* KSTMXObjectGroup::objectNamed(const std::string& name) const
{
    for (const ValueDictionary& object : objects_) {
        const Value* v = object.find("name");
        if (v && v->isString() && v->string() == name)
            return &object;
    }
    return nullptr;
}

// MARK: - Map info

Ref<KSTMXMapInfo> KSTMXMapInfo::formatWithTMXFile(const std::string& tmxFile)
{
    auto info = adoptRef(new KSTMXMapInfo);
    return info->initWithTMXFile(tmxFile) ? info : nullptr;
}

namespace {

template <typename T>
bool noneNull(const std::vector<Ref<T>>& objects)
{
    return std::ranges::none_of(objects, std::logical_not<>());
}

} // namespace

void KSTMXMapInfo::setLayers(std::vector<Ref<KSTMXLayerInfo>> layers)
{
    BRISKO_ASSERT(noneNull(layers), "Argument must be non-nil");
    layers_ = std::move(layers);
}

void KSTMXMapInfo::setTilesets(std::vector<Ref<KSTMXTilesetInfo>> tilesets)
{
    BRISKO_ASSERT(noneNull(tilesets), "Argument must be non-nil");
    tilesets_ = std::move(tilesets);
}

void KSTMXMapInfo::setObjectGroups(std::vector<Ref<KSTMXObjectGroup>> objectGroups)
{
    BRISKO_ASSERT(noneNull(objectGroups), "Argument must be non-nil");
    objectGroups_ = std::move(objectGroups);
}

bool KSTMXMapInfo::initWithTMXFile(const std::string& tmxFile)
{
    filename_ = tmxFile;
    currentString_.reserve(1024);
    storingCharacters_ = false;
    layerAttribs_ = TMXLayerDataNone;
    parentElement_ = TMXParentNone;
    // A map that is missing or refused, or names a tileset file that is, is
    // no map (the log has said why); one that does not parse fails below.
    return parseXMLFile(filename_) && !unreadable_;
}

bool KSTMXMapInfo::parseXMLFile(const std::string& xmlFilename)
{
    const std::string fullPath = KSFileUtils::fullPathFromRelativePath(xmlFilename);
    unsigned char* data = nullptr;
    const int length = fullPath.empty() ? -1 : ksLoadFileIntoMemory(fullPath.c_str(), &data);
    if (length < 0)
        return false;
    // The buffer is freed however the parse ends, an assertion included.
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(data, &std::free);
    MapHandler handler(*this);
    platform::SaxReader reader(handler);
    // A map keeps a tile element as its number, not as an element.
    reader.setCosts(16, 16);
    const bool parsed = reader.parse(data, static_cast<size_t>(length));
    BRISKO_ASSERT(parsed, platform::format("Error parsing file: %s.", xmlFilename.c_str()));
    return true;
}

void KSTMXMapInfo::startElement(const char* name, const char** attributes)
{
    using Start = void (KSTMXMapInfo::*)(const char**);
    static const std::pair<const char*, Start> starts[] = {
        { "map", &KSTMXMapInfo::startMap },
        { "tileset", &KSTMXMapInfo::startTileset },
        { "tile", &KSTMXMapInfo::startTile },
        { "layer", &KSTMXMapInfo::startLayer },
        { "objectgroup", &KSTMXMapInfo::startObjectGroup },
        { "image", &KSTMXMapInfo::startImage },
        { "data", &KSTMXMapInfo::startData },
        { "object", &KSTMXMapInfo::startObject },
        { "property", &KSTMXMapInfo::startProperty },
    };
    for (const auto& [element, start] : starts) {
        if (std::strcmp(name, element) == 0)
            return (this->*start)(attributes);
    }
}

// An external tileset file contributes only its tileset's own elements: the
// map, its layers, object groups and data are skipped there.

void KSTMXMapInfo::startMap(const char** attributes)
{
    if (externalDepth_ > 0)
        return;
    auto attr = [attributes](const char* key) { return SaxReader::attribute(attributes, key); };
    const char* orientation = attr("orientation"); // every version loads alike
    if (equals(orientation, "orthogonal"))
        orientation_ = TMXOrientationOrthogonal;
    else if (equals(orientation, "isometric"))
        orientation_ = TMXOrientationIsometric;
    else if (equals(orientation, "hexagonal"))
        orientation_ = TMXOrientationHexagonal;
    mapSize_ = Size(static_cast<float>(intValue(attr("width"))), static_cast<float>(intValue(attr("height"))));
    tileSize_ = Size(static_cast<float>(intValue(attr("tilewidth"))), static_cast<float>(intValue(attr("tileheight"))));
    parentElement_ = TMXParentMap;
}

void KSTMXMapInfo::startTileset(const char** attributes)
{
    auto attr = [attributes](const char* key) { return SaxReader::attribute(attributes, key); };
    const bool inExternal = externalDepth_ > 0;
    if (const char* source = attr("source")) {
        // One level only: a tileset file naming another could name itself.
        if (inExternal)
            return;
        const std::string externalPath = KSFileUtils::resourceNamedBy(filename_, source);
        if (externalPath.empty()) {
            unreadable_ = true;
            return;
        }
        externalFirstGid_ = static_cast<uint32_t>(intValue(attr("firstgid")));
        struct Depth {
            int& depth;
            explicit Depth(int& d) : depth(d) { ++depth; }
            ~Depth() { --depth; }
        } depth(externalDepth_);
        if (!parseXMLFile(externalPath))
            unreadable_ = true;
        return;
    }
    auto tileset = KSTMXTilesetInfo::tilesetInfo();
    tileset->setName(attr("name") ? attr("name") : "");
    // A tileset file usually leaves its first GID to the map that names it.
    const char* firstGid = attr("firstgid");
    tileset->setFirstGid(inExternal && !firstGid ? externalFirstGid_ : static_cast<uint32_t>(intValue(firstGid)));
    tileset->setSpacing(static_cast<unsigned>(intValue(attr("spacing"))));
    tileset->setMargin(static_cast<unsigned>(intValue(attr("margin"))));
    tileset->setTileSize(Size(static_cast<float>(intValue(attr("tilewidth"))),
                              static_cast<float>(intValue(attr("tileheight")))));
    tilesets_.push_back(std::move(tileset));
}

void KSTMXMapInfo::startTile(const char** attributes)
{
    if (tilesets_.empty())
        return;
    parentGID_ = tilesets_.back()->firstGid() + static_cast<uint32_t>(intValue(SaxReader::attribute(attributes, "id")));
    tileProperties_[static_cast<int>(parentGID_)] = KSTMXProperties();
    parentElement_ = TMXParentTile;
}

void KSTMXMapInfo::startLayer(const char** attributes)
{
    if (externalDepth_ > 0)
        return;
    auto attr = [attributes](const char* key) { return SaxReader::attribute(attributes, key); };
    auto layer = KSTMXLayerInfo::layerInfo();
    layer->setName(attr("name") ? attr("name") : "");
    layer->setLayerSize(Size(static_cast<float>(intValue(attr("width"))), static_cast<float>(intValue(attr("height")))));
    layer->setVisible(!equals(attr("visible"), "0"));
    if (const char* opacity = attr("opacity")) {
        const int value = ksTruncateToInt(255.0 * static_cast<double>(floatValue(opacity)));
        layer->setOpacity(static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value));
    } else {
        layer->setOpacity(255);
    }
    layer->setOffset(Point(static_cast<float>(intValue(attr("x"))), static_cast<float>(intValue(attr("y")))));
    layers_.push_back(std::move(layer));
    parentElement_ = TMXParentLayer;
}

void KSTMXMapInfo::startObjectGroup(const char** attributes)
{
    if (externalDepth_ > 0)
        return;
    auto attr = [attributes](const char* key) { return SaxReader::attribute(attributes, key); };
    auto group = KSTMXObjectGroup::objectGroup();
    group->setGroupName(attr("name") ? attr("name") : "");
    group->setPositionOffset(Point(static_cast<float>(intValue(attr("x"))) * tileSize_.width,
                                   static_cast<float>(intValue(attr("y"))) * tileSize_.height));
    objectGroups_.push_back(std::move(group));
    parentElement_ = TMXParentObjectGroup;
}

void KSTMXMapInfo::startImage(const char** attributes)
{
    if (tilesets_.empty())
        return;
    const char* source = SaxReader::attribute(attributes, "source");
    // Joined to the map's folder; an image that cannot be read is refused where it is loaded.
    tilesets_.back()->setSourceImage(KSFileUtils::resourceNamedBy(filename_, source ? source : ""));
}

void KSTMXMapInfo::startData(const char** attributes)
{
    if (externalDepth_ > 0)
        return;
    // The encoding is the layer's own: nothing carries over from an earlier <data>.
    layerAttribs_ = TMXLayerDataNone;
    currentString_.clear();
    const char* compression = SaxReader::attribute(attributes, "compression");
    if (equals(SaxReader::attribute(attributes, "encoding"), "base64")) {
        layerAttribs_ |= TMXLayerDataBase64;
        storingCharacters_ = true;
        if (equals(compression, "gzip"))
            layerAttribs_ |= TMXLayerDataGzip;
    }
    BRISKO_ASSERT(!compression || equals(compression, "gzip"), "TMX: unsupported compression method");
    BRISKO_ASSERT(layerAttribs_ != TMXLayerDataNone, "TMX tile map: Only base64 and/or gzip maps are supported");
}

void KSTMXMapInfo::startObject(const char** attributes)
{
    if (externalDepth_ > 0 || objectGroups_.empty())
        return;
    auto attr = [attributes](const char* key) { return SaxReader::attribute(attributes, key); };
    KSTMXObjectGroup* group = objectGroups_.back().get();
    ValueDictionary object;
    if (const char* objectName = attr("name"))
        object.set("name", Value(objectName));
    if (const char* type = attr("type"))
        object.set("type", Value(type));
    const Point offset = group->positionOffset();
    object.set("x", Value(ksTruncateToInt(static_cast<double>(intValue(attr("x"))) + offset.x)));
    // The file counts y down from the top; the engine up from the bottom, to the object's bottom edge.
    const double mapHeight = static_cast<double>(mapSize_.height) * tileSize_.height;
    const int top = ksTruncateToInt(static_cast<double>(intValue(attr("y"))) + offset.y);
    const int height = intValue(attr("height"));
    object.set("y", Value(ksTruncateToInt(mapHeight - top - height)));
    if (const char* width = attr("width"))
        object.set("width", Value(width));
    if (const char* h = attr("height"))
        object.set("height", Value(h));
    group->objects().push_back(std::move(object));
    parentElement_ = TMXParentObject;
}

void KSTMXMapInfo::startProperty(const char** attributes)
{
    const char* propertyName = SaxReader::attribute(attributes, "name");
    const char* value = SaxReader::attribute(attributes, "value");
    if (!propertyName)
        return;
    // Without a value the name's entry goes, as for any key set to nothing.
    auto store = [&](KSTMXProperties& properties) {
        if (value)
            properties.set(propertyName, Value(value));
        else
            properties.remove(propertyName);
    };
    switch (parentElement_) {
    case TMXParentMap:
        store(properties_);
        break;
    case TMXParentLayer:
        if (!layers_.empty())
            store(layers_.back()->properties());
        break;
    case TMXParentObjectGroup:
        if (!objectGroups_.empty())
            store(objectGroups_.back()->properties());
        break;
    case TMXParentObject:
        if (!objectGroups_.empty() && !objectGroups_.back()->objects().empty())
            store(objectGroups_.back()->objects().back());
        break;
    case TMXParentTile:
        if (value)
            tileProperties_[static_cast<int>(parentGID_)].set(propertyName, Value(value));
        break;
    default:
        break;
    }
}

void KSTMXMapInfo::endElement(const char* name)
{
    if (std::strcmp(name, "data") == 0) {
        if (externalDepth_ == 0 && (layerAttribs_ & TMXLayerDataBase64))
            endData();
    } else if (std::strcmp(name, "map") == 0 || std::strcmp(name, "layer") == 0
               || std::strcmp(name, "objectgroup") == 0 || std::strcmp(name, "object") == 0) {
        if (externalDepth_ == 0)
            parentElement_ = TMXParentNone;
    }
}

void KSTMXMapInfo::foundCharacters(const char* text, int length)
{
    if (storingCharacters_ && length > 0)
        currentString_.append(text, static_cast<size_t>(length));
}

void KSTMXMapInfo::endData()
{
    storingCharacters_ = false;
    std::string text;
    text.swap(currentString_);
    if (layers_.empty())
        return;
    KSTMXLayerInfo* layer = layers_.back().get();

    unsigned char* decoded = nullptr;
    unsigned int length = ksBase64Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                         static_cast<unsigned int>(text.size()), &decoded);
    if (!decoded)
        return;
    if (layerAttribs_ & TMXLayerDataGzip) {
        unsigned char* inflated = nullptr;
        length = ksInflateBuffer(decoded, length, &inflated);
        std::free(decoded);
        decoded = inflated;
        if (!decoded)
            return;
    }

    // Every cell is read when the layer is built: data for fewer cells is refused.
    const Size size = layer->layerSize();
    const double cells = static_cast<double>(size.width > 0 ? size.width : 0)
        * static_cast<double>(size.height > 0 ? size.height : 0);
    const size_t count = length / 4;
    if (static_cast<double>(count) < cells) {
        std::free(decoded);
        return;
    }
    std::unique_ptr<uint32_t[]> tiles(new (std::nothrow) uint32_t[count ? count : 1]);
    if (tiles) {
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* b = decoded + i * 4;
            tiles[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8
                | static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        }
        layer->setTiles(std::move(tiles), count);
    }
    std::free(decoded);
}

} // namespace kestrel
