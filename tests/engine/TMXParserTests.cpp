// The TMX reader: map and layer attributes, layer data encodings, external
// tilesets, object groups, properties and the refused inputs.
#include "TMXTestSupport.h"

#include "engine/KSTMXXMLParser.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"

#include "support/SavedBundleFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/inotify.h>
#include <unistd.h>

using namespace kestrel;
using namespace platform;
using tmx_test::dataElement;

namespace {

class TMXParserTest : public ::testing::Test {
protected:
    void SetUp() override { bundle.useResources(dir.path()); }

    Ref<KSTMXMapInfo> load(const std::string& name, const std::string& xml)
    {
        dir.write(name, xml);
        return KSTMXMapInfo::formatWithTMXFile(name);
    }

    // The assertion message raised while loading, or "" when none.
    std::string failure(const std::string& name, const std::string& xml)
    {
        dir.write(name, xml);
        auto raised = testing_support::raisedBy([&] { (void)KSTMXMapInfo::formatWithTMXFile(name); });
        if (raised.kind == testing_support::Raised::Kind::Assertion) {
            EXPECT_EQ(raised.file, "engine/KSTMXXMLParser");
        }
        return raised.message;
    }

    static std::string map(const std::string& body, const std::string& attrs = "version=\"1.0\" width=\"3\" height=\"2\" tilewidth=\"32\" tileheight=\"16\"")
    {
        return "<?xml version=\"1.0\"?>\n<map " + attrs + ">\n" + body + "\n</map>\n";
    }

    static std::string tileset(const std::string& extra = "")
    {
        return "<tileset name=\"ground\" firstgid=\"1\" tilewidth=\"32\" tileheight=\"16\">"
               "<image source=\"ground.png\"/>" + extra + "</tileset>";
    }

    testing_support::SavedBundleFolders bundle;
    testing_support::TempDir dir;
    testing_support::TempDir outside; // a folder out of the bundle
};

} // namespace

TEST_F(TMXParserTest, ReadsMapAndLayerAttributes)
{
    auto info = load("m.tmx", map(tileset()
        + "<layer name=\"a\" width=\"3\" height=\"2\" visible=\"0\" opacity=\"0.5\">" + dataElement({ 1, 2, 3, 4, 5, 6 }) + "</layer>"
        + "<layer name=\"b\" width=\"3\" height=\"2\" visible=\"1\" x=\"1\" y=\"2\">" + dataElement({ 0, 0, 0, 0, 0, 7 }, "") + "</layer>"
        + "<layer name=\"c\" width=\"3\" height=\"2\">" + dataElement({ 9, 9, 9, 9, 9, 9 }, "gzip") + "</layer>",
        "version=\"2.0\" width=\"3\" height=\"2\" tilewidth=\"32\" tileheight=\"16\""));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->orientation(), TMXOrientationOrthogonal) << "no orientation attribute";
    EXPECT_EQ(info->mapSize(), Size(3, 2));
    EXPECT_EQ(info->tileSize(), Size(32, 16));
    ASSERT_EQ(info->layers().size(), 3u);

    const KSTMXLayerInfo* a = info->layers()[0].get();
    EXPECT_EQ(a->name(), "a");
    EXPECT_FALSE(a->visible());
    EXPECT_EQ(a->opacity(), 127);
    ASSERT_TRUE(a->tiles());
    EXPECT_EQ(a->tiles()[0], 1u);
    EXPECT_EQ(a->tiles()[5], 6u) << "row-major from the top row";

    const KSTMXLayerInfo* b = info->layers()[1].get();
    EXPECT_TRUE(b->visible());
    EXPECT_EQ(b->opacity(), 255);
    EXPECT_EQ(b->offset(), Point(1, 2));
    ASSERT_TRUE(b->tiles()) << "base64 without compression";
    EXPECT_EQ(b->tiles()[5], 7u);
    EXPECT_TRUE(info->layers()[2]->visible()) << "no visible attribute";

    // Orientation names; an unknown one leaves the previous value.
    EXPECT_EQ(load("i.tmx", map("", "orientation=\"isometric\""))->orientation(), TMXOrientationIsometric);
    EXPECT_EQ(load("h.tmx", map("", "orientation=\"hexagonal\""))->orientation(), TMXOrientationHexagonal);
    EXPECT_EQ(load("x.tmx", map("", "orientation=\"staggered\""))->orientation(), TMXOrientationOrthogonal);
}

TEST_F(TMXParserTest, DecodesLayerDataAsLittleEndianGIDs)
{
    // A gzip-labelled layer holding a zlib stream still inflates.
    auto info = load("m.tmx", map(tileset()
        + "<layer name=\"z\" width=\"2\" height=\"1\">" + dataElement({ 0x01020304, 0x80000001 }, "") + "</layer>"
        + "<layer name=\"g\" width=\"2\" height=\"1\"><data encoding=\"base64\" compression=\"gzip\">"
        + tmx_test::base64(tmx_test::deflateBytes(tmx_test::gidBytes({ 5, 6 }), 15)) + "</data></layer>"));
    ASSERT_TRUE(info);
    ASSERT_TRUE(info->layers()[0]->tiles());
    EXPECT_EQ(info->layers()[0]->tiles()[0], 0x01020304u);
    EXPECT_EQ(info->layers()[0]->tiles()[1], 0x80000001u);
    ASSERT_TRUE(info->layers()[1]->tiles());
    EXPECT_EQ(info->layers()[1]->tiles()[1], 6u);
}

TEST_F(TMXParserTest, LayersWithoutUsableDataKeepNoTiles)
{
    auto info = load("m.tmx", map(tileset()
        + "<layer name=\"short\" width=\"3\" height=\"2\">" + dataElement({ 1, 2, 3, 4, 5 }) + "</layer>"
        + "<layer name=\"broken\" width=\"1\" height=\"1\"><data encoding=\"base64\" compression=\"gzip\">AAAAAAAA</data></layer>"
        + "<layer name=\"ok\" width=\"1\" height=\"1\">" + dataElement({ 3 }) + "</layer>"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->layers()[0]->tiles(), nullptr) << "five GIDs for six cells";
    EXPECT_EQ(info->layers()[1]->tiles(), nullptr) << "not a compressed stream";
    ASSERT_TRUE(info->layers()[2]->tiles()) << "the parse went on";
    EXPECT_EQ(info->layers()[2]->tiles()[0], 3u);
}

TEST_F(TMXParserTest, RefusesUnsupportedEncodingsAndUnreadableFiles)
{
    EXPECT_EQ(failure("zlib.tmx", map(tileset() + "<layer width=\"1\" height=\"1\">" + dataElement({ 1 }, "zlib") + "</layer>")),
              "TMX: unsupported compression method");
    EXPECT_EQ(failure("csv.tmx", map(tileset() + "<layer width=\"1\" height=\"1\"><data encoding=\"csv\">1</data></layer>")),
              "TMX tile map: Only base64 and/or gzip maps are supported");
    // The encoding of an earlier layer does not carry over to the next one.
    EXPECT_EQ(failure("mixed.tmx", map(tileset()
                  + "<layer width=\"1\" height=\"1\">" + dataElement({ 1 }) + "</layer>"
                  + "<layer width=\"1\" height=\"1\"><data><tile gid=\"1\"/></data></layer>")),
              "TMX tile map: Only base64 and/or gzip maps are supported");
    EXPECT_EQ(failure("bad.tmx", map("<layer>")), "Error parsing file: bad.tmx.");
}

// A missing or refused file, the map's own or a tileset file it names, is no
// map and no abort. The names a map gives are joined to its folder, ".."
// steps included; a relative result is a bundle resource.
TEST_F(TMXParserTest, MissingOrRefusedFilesGiveNoMapAndNamesJoinTheMapsFolder)
{
    LogCapture log;
    EXPECT_FALSE(KSTMXMapInfo::formatWithTMXFile("missing.tmx"));
    EXPECT_TRUE(log.contains("KSFileUtils: cannot find \"missing.tmx\": it is not in the bundle folder"));
    EXPECT_FALSE(load("maps/gone.tmx", map("<tileset firstgid=\"1\" source=\"gone.tsx\"/>")));
    EXPECT_FALSE(KSTMXMapInfo::formatWithTMXFile("/dev/zero"));
    EXPECT_TRUE(log.contains("cannot read /dev/zero: it is a device, not a file"));

    const std::string climbing = "../../../../../../../../dev/zero";
    EXPECT_FALSE(load("maps/escape.tmx", map("<tileset firstgid=\"1\" source=\"" + climbing + "\"/>")));
    EXPECT_TRUE(log.contains("KSFileUtils: cannot find \"maps/" + climbing + "\": a resource name stays inside the "
                             "bundle folder " + Bundle::main().resourcePath()));
    // Read by its full path, the name leads to the device, which the read refuses.
    outside.write("maps/escape.tmx", map("<tileset firstgid=\"1\" source=\"" + climbing + "\"/>"));
    EXPECT_FALSE(KSTMXMapInfo::formatWithTMXFile(outside.file("maps/escape.tmx")));
    EXPECT_TRUE(log.contains("cannot read " + outside.file("maps/" + climbing) + ": it is a device, not a file"));

    const std::string images = "<tileset name=\"t\" firstgid=\"1\"><image source=\"" + climbing + "\"/></tileset>"
                               "<tileset name=\"u\" firstgid=\"9\"><image source=\"/dev/zero\"/></tileset>"
                               "<tileset name=\"v\" firstgid=\"17\"><image source=\"../art/v.png\"/></tileset>";
    dir.write("maps/images.tmx", map(images));
    outside.write("maps/images.tmx", map(images));
    for (const std::string& file : { std::string("maps/images.tmx"), dir.file("maps/images.tmx"),
                                     outside.file("maps/images.tmx") }) {
        SCOPED_TRACE(file);
        auto info = KSTMXMapInfo::formatWithTMXFile(file);
        ASSERT_TRUE(info);
        const std::string folder = path::deletingLastComponent(file);
        EXPECT_EQ(info->tilesets()[0]->sourceImage(), folder + "/" + climbing);
        EXPECT_EQ(info->tilesets()[1]->sourceImage(), folder + "/dev/zero") << "joined as any name";
        EXPECT_EQ(info->tilesets()[2]->sourceImage(), folder + "/../art/v.png") << "a sibling folder";
    }
}

TEST_F(TMXParserTest, RefusesEntityExpansionAndDeepNesting)
{
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE map [<!ENTITY a \"aaaaaaaaaa\">"
                         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>";
    EXPECT_EQ(failure("laughs.tmx", laughs + map("<properties><property name=\"p\" value=\"&b;\"/></properties>")),
              "Error parsing file: laughs.tmx.");
    std::string defaults = "<?xml version=\"1.0\"?><!DOCTYPE map [<!ATTLIST property d CDATA \"dddddddddd\">]>";
    EXPECT_EQ(failure("defaults.tmx", defaults + map("<properties><property name=\"p\" value=\"v\"/></properties>")),
              "Error parsing file: defaults.tmx.");
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<properties>";
    for (int i = 0; i < 300; ++i)
        deep += "</properties>";
    EXPECT_EQ(failure("deep.tmx", map(deep)), "Error parsing file: deep.tmx.");
    EXPECT_EQ(failure("shallow.tmx", map("<properties><property name=\"p\" value=\"v\"/></properties>")), "");
}

TEST_F(TMXParserTest, ExternalTilesetsLoadIntoTheSameDescription)
{
    dir.write("maps/tiles.tsx", "<?xml version=\"1.0\"?><tileset name=\"ext\" tilewidth=\"32\" tileheight=\"16\" spacing=\"2\" margin=\"1\">"
                                "<image source=\"art/tiles.png\" width=\"64\" height=\"64\"/>"
                                "<tile id=\"3\"><properties><property name=\"kind\" value=\"wall\"/></properties></tile>"
                                "<tileset source=\"tiles.tsx\"/>"
                                "<layer name=\"stray\" width=\"1\" height=\"1\"/>"
                                "</tileset>");
    auto info = load("maps/level.tmx", map("<tileset firstgid=\"10\" source=\"tiles.tsx\"/>"));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->tilesets().size(), 1u) << "a tileset file naming another (here itself) is not followed";
    const KSTMXTilesetInfo* t = info->tilesets()[0].get();
    EXPECT_EQ(t->name(), "ext");
    EXPECT_EQ(t->firstGid(), 10u) << "taken from the map when the file names none";
    EXPECT_EQ(t->spacing(), 2u);
    EXPECT_EQ(t->margin(), 1u);
    EXPECT_EQ(t->tileSize(), Size(32, 16));
    EXPECT_EQ(t->sourceImage(), "maps/art/tiles.png") << "joined to the map file's directory";
    ASSERT_EQ(info->tileProperties().count(13), 1u);
    EXPECT_EQ(info->tileProperties().at(13)["kind"], Value("wall"));
    EXPECT_TRUE(info->layers().empty()) << "map elements inside a tileset file are ignored";

    dir.write("maps/own.tsx", "<tileset firstgid=\"4\" name=\"own\"/>");
    EXPECT_EQ(load("maps/own.tmx", map("<tileset firstgid=\"10\" source=\"own.tsx\"/>"))->tilesets()[0]->firstGid(), 4u);

    // A tileset in a sibling folder, reached through "..", stays inside the bundle.
    dir.write("tilesets/t.tsx", "<tileset name=\"sibling\" tilewidth=\"8\" tileheight=\"8\"/>");
    auto sibling = load("maps/sibling.tmx", map("<tileset firstgid=\"1\" source=\"../tilesets/t.tsx\"/>"));
    ASSERT_TRUE(sibling);
    ASSERT_EQ(sibling->tilesets().size(), 1u);
    EXPECT_EQ(sibling->tilesets()[0]->name(), "sibling");
}

TEST_F(TMXParserTest, ObjectGroupsPlaceObjectsInEngineCoordinates)
{
    auto info = load("m.tmx", map(tileset()
        + "<objectgroup name=\"spawns\">"
          "<object name=\"hero\" type=\"start\" x=\"40\" y=\"0\" width=\"32\" height=\"32\"/>"
          "<object name=\"nameless-size\" x=\"1\" y=\"10\"/></objectgroup>"
          "<objectgroup name=\"shifted\" x=\"2\" y=\"1\"><property name=\"color\" value=\"red\"/>"
          "<object name=\"box\" x=\"5\" y=\"4\" width=\"8\" height=\"6\"/></objectgroup>",
        "width=\"10\" height=\"10\" tilewidth=\"32\" tileheight=\"32\""));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->objectGroups().size(), 2u);
    const KSTMXObjectGroup* spawns = info->objectGroups()[0].get();
    const ValueDictionary* hero = spawns->objectNamed("hero");
    ASSERT_TRUE(hero);
    EXPECT_EQ((*hero)["type"], Value("start"));
    EXPECT_EQ((*hero)["x"], Value(40));
    EXPECT_EQ((*hero)["y"], Value(288)) << "bottom edge, counted up from the map's bottom";
    EXPECT_EQ((*hero)["width"], Value("32")) << "sizes stay the file's strings";
    EXPECT_FALSE(spawns->objectNamed("nameless-size")->contains("width"));
    EXPECT_EQ(spawns->objectNamed("villain"), nullptr);

    // On 32 x 32 cells the offset (2, 1) cells is (64, 32) pixels.
    const KSTMXObjectGroup* shifted = info->objectGroups()[1].get();
    EXPECT_EQ(shifted->positionOffset(), Point(64, 32));
    EXPECT_EQ((*shifted->objectNamed("box"))["x"], Value(69));
    EXPECT_EQ((*shifted->objectNamed("box"))["y"], Value(320 - 36 - 6));
    EXPECT_EQ(shifted->propertyNamed("color"), Value("red"));
    EXPECT_TRUE(shifted->propertyNamed("size").isNil());
}

TEST_F(TMXParserTest, PropertiesGoToTheElementTheyFollow)
{
    auto info = load("m.tmx", map(
        "<properties><property name=\"music\" value=\"cave\"/><property name=\"gone\" value=\"1\"/></properties>"
        "<tileset name=\"t\" firstgid=\"10\" tilewidth=\"32\" tileheight=\"16\">"
        "<property name=\"inTileset\" value=\"map\"/>"
        "<tile id=\"3\"><properties><property name=\"solid\" value=\"yes\"/><property name=\"novalue\"/></properties></tile>"
        "</tileset>"
        "<objectgroup name=\"g\"><object name=\"o\"><properties><property name=\"hp\" value=\"3\"/></properties></object></objectgroup>"
        "<layer name=\"l\" width=\"1\" height=\"1\"><properties><property name=\"depth\" value=\"2\"/></properties>"
        + dataElement({ 10 }) + "</layer>"
        "<property name=\"dropped\" value=\"x\"/>"
        "<map><property name=\"gone\"/></map>"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->properties()["music"], Value("cave"));
    EXPECT_EQ(info->properties()["inTileset"], Value("map")) << "a tileset right after the map leaves the map the parent";
    EXPECT_FALSE(info->properties().contains("gone")) << "a property without a value removes the name";
    EXPECT_FALSE(info->properties().contains("dropped")) << "after </layer> nothing is the parent";
    ASSERT_EQ(info->tileProperties().count(13), 1u);
    EXPECT_EQ(info->tileProperties().at(13)["solid"], Value("yes"));
    EXPECT_FALSE(info->tileProperties().at(13).contains("novalue"));
    EXPECT_EQ((*info->objectGroups()[0]->objectNamed("o"))["hp"], Value("3"));
    EXPECT_EQ(info->layers()[0]->properties()["depth"], Value("2")) << "the layer, not the earlier object";
}

TEST_F(TMXParserTest, ElementsOutOfPlaceAreIgnored)
{
    auto info = load("m.tmx", map("<image source=\"x.png\"/><tile id=\"1\"><property name=\"p\" value=\"v\"/></tile>"
                                  "<object name=\"loose\"/><data encoding=\"base64\">AQAAAA==</data>"));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->tilesets().empty());
    EXPECT_TRUE(info->tileProperties().empty());
    EXPECT_TRUE(info->objectGroups().empty());
    EXPECT_TRUE(info->layers().empty());
}

TEST(TMXTilesetTest, RectForGIDCountsColumnsWithSpacingAndMargin)
{
    auto t = KSTMXTilesetInfo::tilesetInfo();
    t->setFirstGid(5);
    t->setTileSize(Size(32, 32));
    t->setSpacing(2);
    t->setMargin(1);
    t->setImageSize(Size(256, 256));
    // (256 - 2 + 2) / 34 = 7 columns.
    EXPECT_EQ(t->rectForGID(5), Rect(1, 1, 32, 32));
    EXPECT_EQ(t->rectForGID(5 + 7), Rect(1, 35, 32, 32));
    EXPECT_EQ(t->rectForGID(5 + 9), Rect(1 + 2 * 34, 35, 32, 32));

    t->setImageSize(Size(16, 256));
    EXPECT_EQ(t->rectForGID(6), Rect()) << "tiles wider than the image";
    t->setImageSize(Size());
    t->setTileSize(Size());
    t->setSpacing(0);
    EXPECT_EQ(t->rectForGID(6), Rect()) << "no tile size";
}

namespace {

// Counts the times a file is opened while this watches it. Closes are watched
// too: identical events in a row would be merged into one.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& file)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(inotify_add_watch(fd_, file.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0) << file;
    }
    ~OpenCounter() { ::close(fd_); }
    int opens()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                opens_ += (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) ? 1 : 0;
        return opens_;
    }

private:
    int fd_;
    int opens_ { 0 };
};

} // namespace

// A map's tiles and tilesets share one budget: a small file that would
// inflate to hundreds of megabytes, or name a tileset file thousands of times,
// is no map, and the log says why. Each tileset file is read once however
// many times the map names it.
TEST_F(TMXParserTest, AMapPastItsBudgetIsNoMapAndATilesetFileIsReadOnce)
{
    const std::string big = "version=\"1.0\" width=\"4096\" height=\"4096\" tilewidth=\"8\" tileheight=\"8\"";
    const std::string empty4096 = tmx_test::zeroDataElement(4096u * 4096 * 4);
    const std::string forty = tmx_test::zeroDataElement(40u << 20);
    std::string eightLayers, twoSmall;
    for (int i = 0; i < 8; ++i)
        eightLayers += "<layer name=\"l" + std::to_string(i) + "\" width=\"4096\" height=\"4096\">" + empty4096 + "</layer>";
    for (int i = 0; i < 2; ++i)
        twoSmall += "<layer name=\"s" + std::to_string(i) + "\" width=\"1\" height=\"1\">" + forty + "</layer>";
    // One tileset file, or one holding 2,001, named 2,000 times.
    dir.write("one.tsx", "<tileset name=\"one\" tilewidth=\"8\" tileheight=\"8\"><image source=\"t.png\"/></tileset>");
    std::string many = "<tileset name=\"many\" tilewidth=\"8\" tileheight=\"8\">";
    for (int i = 0; i < 2000; ++i)
        many += "<tileset name=\"n" + std::to_string(i) + "\"/>";
    dir.write("many.tsx", many + "</tileset>");
    auto naming = [](const std::string& file) {
        std::string refs;
        for (int i = 0; i < 2000; ++i)
            refs += "<tileset firstgid=\"" + std::to_string(1 + i * 64) + "\" source=\"" + file + "\"/>";
        return refs;
    };

    struct Row {
        const char* name;
        std::string body, attrs, tsx;
        size_t tilesets; // 0: no map
    };
    const Row rows[] = {
        { "eight empty 4096 x 4096 layers", tileset() + eightLayers, big, "", 0 },
        { "two 1 x 1 layers of 40 MiB of data", tileset() + twoSmall, big, "", 0 },
        { "a tileset file named 2,000 times", naming("one.tsx"), big, "one.tsx", 2000 },
        { "2,001 tilesets named 2,000 times", naming("many.tsx"), big, "many.tsx", 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<OpenCounter> reads;
        if (!row.tsx.empty())
            reads.emplace(dir.file(row.tsx));
        LogCapture log;
        auto info = load("big.tmx", map(row.body, row.attrs));
        EXPECT_EQ(info ? info->tilesets().size() : 0u, row.tilesets);
        if (row.tilesets == 0) {
            EXPECT_TRUE(log.contains("TMX: the map \"big.tmx\" needs more than the 64 MiB a map may take for its "
                                     "tiles and tilesets"))
                << testing::PrintToString(log.texts());
        }
        if (reads) {
            EXPECT_EQ(reads->opens(), 1);
        }
    }
}
