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
#include "platform/foundation/Log.h"
#include "platform/foundation/SaxReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

// What a tileset, a tile and a tile property keep beyond their strings: the
// object or the map entry, and the slot that holds it.
constexpr size_t kTilesetCost = sizeof(KSTMXTilesetInfo) + 2 * sizeof(void*);
constexpr size_t kTileCost = sizeof(std::pair<const int, KSTMXProperties>) + 4 * sizeof(void*);
constexpr size_t kPropertyCost = 2 * sizeof(std::string) + sizeof(Value) + 4 * sizeof(void*);

} // namespace

struct KSTMXMapInfo::TilesetFile {
    struct Element {
        std::string name;
        std::vector<std::string> attributes; // name, value, name, value, ...
    };
    std::vector<Element> elements;
    size_t bytes { 0 };
};

namespace {

// Keeps, of a tileset file, the elements that act there (a tileset, its tiles,
// image and properties); the rest is ignored in such a file anyway.
class TilesetRecorder : public platform::SaxHandler {
public:
    explicit TilesetRecorder(KSTMXMapInfo::TilesetFile& file) : file_(file) { }
    void startElement(const char* name, const char** attributes) override
    {
        const bool acts = equals(name, "tile") || equals(name, "image") || equals(name, "property")
            || (equals(name, "tileset") && !SaxReader::attribute(attributes, "source"));
        if (!acts)
            return;
        KSTMXMapInfo::TilesetFile::Element element { name, {} };
        file_.bytes += sizeof(element) + element.name.size();
        for (const char** a = attributes; a && a[0] && a[1]; a += 2) {
            element.attributes.emplace_back(a[0]);
            element.attributes.emplace_back(a[1]);
            file_.bytes += 2 * sizeof(std::string) + std::strlen(a[0]) + std::strlen(a[1]);
        }
        file_.elements.push_back(std::move(element));
    }

private:
    KSTMXMapInfo::TilesetFile& file_;
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
    // A map that is missing or refused, names a tileset file that is, or goes
    // past its budget is no map (the log has said why); one that does not
    // parse fails below.
    const bool parsed = parseXMLFile(filename_);
    tilesetFiles_.clear();
    return parsed && !unreadable_ && !overBudget_;
}

namespace {

// The whole file, or null when it cannot be read (the log says why). The
// buffer is freed however the parse ends, an assertion included.
std::unique_ptr<unsigned char, decltype(&std::free)> loadFile(const std::string& name, size_t* length)
{
    const std::string fullPath = KSFileUtils::fullPathFromRelativePath(name);
    unsigned char* data = nullptr;
    const int read = fullPath.empty() ? -1 : ksLoadFileIntoMemory(fullPath.c_str(), &data);
    *length = read < 0 ? 0 : static_cast<size_t>(read);
    return { read < 0 ? nullptr : data, &std::free };
}

} // namespace

bool KSTMXMapInfo::parseXMLFile(const std::string& xmlFilename)
{
    size_t length = 0;
    auto data = loadFile(xmlFilename, &length);
    if (!data)
        return false;
    MapHandler handler(*this);
    platform::SaxReader reader(handler);
    // A map keeps a tile element as its number, not as an element.
    reader.setCosts(16, 16);
    struct Current {
        platform::SaxReader*& slot;
        platform::SaxReader* outer;
        Current(platform::SaxReader*& s, platform::SaxReader* r) : slot(s), outer(s) { slot = r; }
        ~Current() { slot = outer; }
    } current(reader_, &reader);
    const bool parsed = reader.parse(data.get(), length);
    // Stopped for its budget, the map has said why.
    if (overBudget_)
        return false;
    BRISKO_ASSERT(parsed, platform::format("Error parsing file: %s.", xmlFilename.c_str()));
    return true;
}

const KSTMXMapInfo::TilesetFile* KSTMXMapInfo::tilesetFile(const std::string& path)
{
    if (auto known = tilesetFiles_.find(path); known != tilesetFiles_.end())
        return known->second.get();
    std::shared_ptr<TilesetFile> file;
    size_t length = 0;
    if (auto data = loadFile(path, &length)) {
        file = std::make_shared<TilesetFile>();
        TilesetRecorder recorder(*file);
        platform::SaxReader reader(recorder);
        reader.setCosts(16, 16);
        const bool parsed = reader.parse(data.get(), length);
        BRISKO_ASSERT(parsed, platform::format("Error parsing file: %s.", path.c_str()));
    }
    tilesetFiles_.emplace(path, file);
    // What is kept of it while the map is read.
    if (file && !charge(static_cast<double>(file->bytes), "tileset file " + path))
        return nullptr;
    return file.get();
}

bool KSTMXMapInfo::charge(double bytes, const std::string& what)
{
    if (overBudget_)
        return false;
    if (bytes <= static_cast<double>(kKSTMXMapBudget - spent_)) {
        spent_ += static_cast<size_t>(bytes);
        return true;
    }
    overBudget_ = true;
    platform::logError("TMX: the map \"%s\" needs more than the %zu MiB a map may take for its tiles and tilesets "
                       "(reached at %s); it is not loaded",
                       filename_.c_str(), kKSTMXMapBudget >> 20, what.c_str());
    if (reader_)
        reader_->stop("the map is past its budget");
    return false;
}

void KSTMXMapInfo::startElement(const char* name, const char** attributes)
{
    if (overBudget_)
        return;
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
        // Read once, however many times the map names it; applied at each reference.
        const TilesetFile* file = externalPath.empty() ? nullptr : tilesetFile(externalPath);
        if (!file) {
            if (!overBudget_)
                unreadable_ = true;
            return;
        }
        externalFirstGid_ = static_cast<uint32_t>(intValue(attr("firstgid")));
        struct Depth {
            int& depth;
            explicit Depth(int& d) : depth(d) { ++depth; }
            ~Depth() { --depth; }
        } depth(externalDepth_);
        std::vector<const char*> list;
        for (const TilesetFile::Element& element : file->elements) {
            if (overBudget_)
                break;
            list.clear();
            for (const std::string& a : element.attributes)
                list.push_back(a.c_str());
            list.push_back(nullptr);
            startElement(element.name.c_str(), list.data());
        }
        return;
    }
    const char* tilesetName = attr("name");
    if (!charge(static_cast<double>(kTilesetCost + (tilesetName ? std::strlen(tilesetName) : 0)),
                platform::format("tileset \"%s\"", tilesetName ? tilesetName : "")))
        return;
    auto tileset = KSTMXTilesetInfo::tilesetInfo();
    tileset->setName(tilesetName ? tilesetName : "");
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
    if (!charge(kTileCost, platform::format("a tile of tileset \"%s\"", tilesets_.back()->name().c_str())))
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
        if (value && charge(static_cast<double>(kPropertyCost + std::strlen(propertyName) + std::strlen(value)),
                            platform::format("a property of tile %u", parentGID_)))
            tileProperties_[static_cast<int>(parentGID_)].set(propertyName, Value(value));
        break;
    default:
        break;
    }
}

void KSTMXMapInfo::endElement(const char* name)
{
    if (overBudget_)
        return;
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
    // Only a map's own <data> holds text that counts.
    if (storingCharacters_ && length > 0 && externalDepth_ == 0 && !overBudget_)
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
    const Size size = layer->layerSize();
    const double cells = static_cast<double>(size.width > 0 ? size.width : 0)
        * static_cast<double>(size.height > 0 ? size.height : 0);
    const std::string what = platform::format("layer \"%s\" of %.0f x %.0f cells", layer->name().c_str(),
                                              static_cast<double>(size.width), static_cast<double>(size.height));
    // A GID a cell is what the layer keeps: a map that cannot afford them
    // stops here, before anything is decoded.
    if (cells * 4 > static_cast<double>(kKSTMXMapBudget - spent_)) {
        charge(cells * 4, what);
        return;
    }

    unsigned char* decoded = nullptr;
    unsigned int length = ksBase64Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                         static_cast<unsigned int>(text.size()), &decoded);
    if (!decoded)
        return;
    if (layerAttribs_ & TMXLayerDataGzip) {
        // Inflated no further than the map can still afford.
        unsigned char* inflated = nullptr;
        bool beyondLimit = false;
        length = ksInflateBuffer(decoded, length, &inflated, kKSTMXMapBudget - spent_, &beyondLimit);
        std::free(decoded);
        decoded = inflated;
        if (beyondLimit)
            charge(static_cast<double>(kKSTMXMapBudget) + 1, "the data of " + what);
        if (!decoded)
            return;
    }
    if (!charge(length, "the data of " + what)) {
        std::free(decoded);
        return;
    }

    // Every cell is read when the layer is built: data for fewer cells is
    // refused, and data beyond them is not kept.
    const size_t count = length / 4;
    if (static_cast<double>(count) < cells) {
        std::free(decoded);
        return;
    }
    const auto kept = static_cast<size_t>(cells);
    std::unique_ptr<uint32_t[]> tiles(new (std::nothrow) uint32_t[kept ? kept : 1]);
    if (tiles) {
        for (size_t i = 0; i < kept; ++i) {
            const unsigned char* b = decoded + i * 4;
            tiles[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8
                | static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        }
        layer->setTiles(std::move(tiles), kept);
    }
    std::free(decoded);
}

} // namespace kestrel
