// Tiled maps: layers drawn at their cells, tile editing through sprites and
// the scratch quad, placement per orientation, depth, lookups and refusals.
#include "TMXTestSupport.h"
#include "TextureTestSupport.h"

#include "engine/KSTMXTiledMap.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Image.h"

#include <functional>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;
using tmx_test::dataElement;
using tmx_test::kTileset;
using tmx_test::layer;
using tmx_test::mapDocument;
using tmx_test::writeTiles;

namespace {

std::string assertionOf(const std::function<void()>& f) { return testing_support::assertionMessage(f); }

class TMXTiledMapTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        writeTiles(dir.file("tiles.png"));
    }

    Ref<KSTMXTiledMap> load(const std::string& name, const std::string& xml)
    {
        dir.write(name, xml);
        return KSTMXTiledMap::tiledMapWithTMXFile(name);
    }

    static uint8_t redAtCell(const Bytes& pixels, int x, int y) { return pixelAt(pixels, 32, x * 8 + 4, y * 8 + 4)[0]; }
    static uint8_t alphaAtCell(const Bytes& pixels, int x, int y) { return pixelAt(pixels, 32, x * 8 + 4, y * 8 + 4)[3]; }
};

} // namespace

TEST_F(TMXTiledMapTest, OrthogonalMapDrawsAndEditsItsTiles)
{
    dir.write("tiles.tsx", "<tileset name=\"ext\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/>"
                           "<tile id=\"1\"><properties><property name=\"kind\" value=\"grass\"/></properties></tile></tileset>");
    auto map = load("level.tmx", mapDocument("orthogonal", 4, 3, 8, 8,
        "<properties><property name=\"music\" value=\"cave\"/></properties>"
        "<tileset firstgid=\"1\" source=\"tiles.tsx\"/>"
        + layer("ground", 4, 3, { 1, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 8 }, "><properties><property name=\"depth\" value=\"3\"/></properties")
        + "<objectgroup name=\"spawns\"><object name=\"hero\" x=\"8\" y=\"0\" width=\"8\" height=\"8\"/></objectgroup>"));
    ASSERT_TRUE(map);
    KSTMXLayer* ground = map->layerNamed("ground");
    ASSERT_TRUE(ground);
    EXPECT_EQ(map->contentSize(), Size(32, 24));
    EXPECT_EQ(ground->textureAtlas()->totalQuads(), 4u);
    EXPECT_EQ(ground->tileset()->imageSize(), Size(32, 16));

    // Lookups.
    EXPECT_EQ(map->propertyNamed("music"), Value("cave"));
    EXPECT_TRUE(map->propertyNamed("volume").isNil());
    EXPECT_EQ(ground->propertyNamed("depth"), Value("3"));
    ASSERT_TRUE(map->propertiesForGID(2));
    EXPECT_EQ((*map->propertiesForGID(2))["kind"], Value("grass"));
    EXPECT_EQ(map->propertiesForGID(3), nullptr);
    ASSERT_TRUE(map->objectGroupNamed("spawns"));
    EXPECT_EQ((*map->groupNamed("spawns")->objectNamed("hero"))["y"], Value(16));
    EXPECT_EQ(map->objectGroupNamed("enemies"), nullptr);
    EXPECT_EQ(map->layerNamed("sky"), nullptr);

    auto screen = makeScreen(32, 24);
    map->visit();
    Bytes pixels = screen->readPixels();
    EXPECT_EQ(redAtCell(pixels, 0, 0), 20) << "GID 1: first tile, top-left cell";
    EXPECT_EQ(redAtCell(pixels, 1, 0), 50);
    EXPECT_EQ(redAtCell(pixels, 1, 1), 80);
    EXPECT_EQ(redAtCell(pixels, 3, 2), 230) << "GID 8: second row of the image";
    EXPECT_EQ(alphaAtCell(pixels, 2, 0), 0);

    // A sprite for a cell stands for its quad.
    KSSprite* top = ground->tileAt(Point(1, 0));
    ASSERT_TRUE(top);
    EXPECT_EQ(ground->tileAt(Point(1, 0)), top) << "the same sprite twice";
    EXPECT_EQ(top->positionInPixels(), Point(8, 16));
    EXPECT_EQ(top->atlasIndex(), 1u);
    EXPECT_EQ(ground->tileAt(Point(2, 0)), nullptr) << "empty cell";
    KSSprite* middle = ground->tileAt(Point(1, 1));
    EXPECT_EQ(middle->atlasIndex(), 2u);

    ground->setTileGID(5, Point(1, 0));     // through its sprite
    ground->setTileGID(6, Point(2, 0));     // a new quad in an empty cell
    ground->setTileGID(4, Point(3, 2));     // the scratch sprite rewrites the quad
    EXPECT_EQ(middle->atlasIndex(), 3u) << "moved up by the inserted quad";
    EXPECT_EQ(ground->tileGIDAt(Point(2, 0)), 6u);
    EXPECT_EQ(ground->atlasIndexArray(), (std::vector<uint32_t> { 0, 1, 2, 5, 11 }));

    glClear(GL_COLOR_BUFFER_BIT);
    map->visit();
    pixels = screen->readPixels();
    EXPECT_EQ(redAtCell(pixels, 1, 0), 140);
    EXPECT_EQ(redAtCell(pixels, 2, 0), 170);
    EXPECT_EQ(redAtCell(pixels, 1, 1), 80) << "the shifted sprite still draws its own cell";
    EXPECT_EQ(redAtCell(pixels, 3, 2), 110);

    ground->removeTileAt(Point(0, 0));      // a quad without a sprite
    EXPECT_EQ(top->atlasIndex(), 0u);
    EXPECT_EQ(middle->atlasIndex(), 2u);
    ground->setTileGID(0, Point(1, 1));     // a cell with its sprite
    EXPECT_EQ(ground->children()->count(), 1u);
    EXPECT_EQ(ground->tileGIDAt(Point(0, 0)), 0u);
    EXPECT_EQ(ground->tileGIDAt(Point(1, 1)), 0u);
    EXPECT_EQ(ground->atlasIndexArray(), (std::vector<uint32_t> { 1, 2, 11 }));
    EXPECT_EQ(ground->textureAtlas()->totalQuads(), 3u);

    glClear(GL_COLOR_BUFFER_BIT);
    map->visit();
    pixels = screen->readPixels();
    EXPECT_EQ(alphaAtCell(pixels, 0, 0), 0);
    EXPECT_EQ(alphaAtCell(pixels, 1, 1), 0);
    EXPECT_EQ(redAtCell(pixels, 1, 0), 140);
    EXPECT_EQ(redAtCell(pixels, 2, 0), 170);

    // Removing the sprite itself empties its cell too.
    ground->removeChild(top, true);
    EXPECT_EQ(ground->tileGIDAt(Point(1, 0)), 0u);
    EXPECT_EQ(ground->atlasIndexArray(), (std::vector<uint32_t> { 2, 11 }));
}

TEST_F(TMXTiledMapTest, CellsArePlacedByOrientation)
{
    std::vector<uint32_t> hundred(100, 0);
    hundred[0] = 1;
    auto ortho = load("o.tmx", mapDocument("orthogonal", 10, 10, 32, 32, kTileset
        + layer("l", 10, 10, hundred, "><properties><property name=\"ks_vertexz\" value=\"automatic\"/></properties")));
    ASSERT_TRUE(ortho);
    KSTMXLayer* l = ortho->layerNamed("l");
    EXPECT_EQ(l->positionAt(Point(0, 0)), Point(0, 288));
    EXPECT_EQ(l->positionAt(Point(3, 9)), Point(96, 0));
    EXPECT_EQ(l->vertexZForPos(Point(0, 0)), -10);
    EXPECT_EQ(l->vertexZForPos(Point(3, 9)), -1);
    EXPECT_FLOAT_EQ(l->tileAt(Point(0, 0))->vertexZ(), -10);

    auto iso = load("i.tmx", mapDocument("isometric", 10, 10, 64, 32, kTileset
        + layer("l", 10, 10, hundred, " x=\"1\" y=\"0\"><properties><property name=\"ks_vertexz\" value=\"automatic\"/></properties")));
    ASSERT_TRUE(iso);
    l = iso->layerNamed("l");
    EXPECT_EQ(l->positionAt(Point(0, 0)), Point(288, 288));
    EXPECT_EQ(l->vertexZForPos(Point(0, 0)), -20);
    EXPECT_EQ(l->positionInPixels(), Point(32, -16));

    auto hex = load("h.tmx", mapDocument("hexagonal", 10, 10, 32, 32, kTileset + layer("l", 10, 10, hundred)));
    ASSERT_TRUE(hex);
    l = hex->layerNamed("l");
    EXPECT_EQ(l->positionAt(Point(1, 0)).y, l->positionAt(Point(0, 0)).y - 16);
    EXPECT_EQ(l->positionAt(Point(2, 0)).y, l->positionAt(Point(0, 0)).y);
    EXPECT_EQ(l->positionAt(Point(3, 4)).x, 72);

    auto fixed = load("f.tmx", mapDocument("orthogonal", 2, 1, 32, 16, kTileset
        + layer("l", 2, 1, { 1, 0 }, " x=\"1\" y=\"1\"><properties><property name=\"ks_vertexz\" value=\"-3\"/>"
                                     "<property name=\"ks_alpha_func\" value=\"0.5\"/></properties")));
    ASSERT_TRUE(fixed);
    l = fixed->layerNamed("l");
    EXPECT_EQ(l->positionInPixels(), Point(32, -16)) << "offset (1, 1) cells";
    EXPECT_EQ(l->vertexZForPos(Point(1, 0)), -3);

    EXPECT_EQ(assertionOf([&] {
        load("ho.tmx", mapDocument("hexagonal", 2, 1, 32, 32, kTileset + layer("l", 2, 1, { 1, 0 }, " x=\"1\"")));
    }), "offset for hexagonal map not implemented yet");
    EXPECT_EQ(assertionOf([&] {
        load("hz.tmx", mapDocument("hexagonal", 2, 1, 32, 32, kTileset
            + layer("l", 2, 1, { 1, 0 }, "><properties><property name=\"ks_vertexz\" value=\"automatic\"/></properties")));
    }), "TMX Hexa zOrder not supported");
}

TEST_F(TMXTiledMapTest, VisibleLayersBecomeNumberedChildren)
{
    auto map = load("m.tmx", mapDocument("orthogonal", 3, 2, 8, 8, kTileset
        + layer("a", 2, 2, { 1, 0, 0, 0 })
        + layer("hidden", 3, 2, { 1, 1, 1, 1, 1, 1 }, " visible=\"0\"")
        + layer("empty", 3, 1, { 0, 0, 0 })));
    ASSERT_TRUE(map);
    ASSERT_EQ(map->children()->count(), 2u);
    EXPECT_EQ(map->layerNamed("a")->tag(), 0);
    EXPECT_EQ(map->layerNamed("empty")->tag(), 1);
    EXPECT_EQ(map->layerNamed("empty")->zOrder(), 1);
    EXPECT_EQ(map->layerNamed("hidden"), nullptr);
    EXPECT_EQ(map->contentSize(), Size(24, 16)) << "the larger layer on each axis";
    KSTMXLayer* empty = map->layerNamed("empty");
    EXPECT_EQ(empty->tileset(), nullptr);
    EXPECT_EQ(empty->texture(), nullptr);
    EXPECT_EQ(empty->textureAtlas()->totalQuads(), 0u);
    auto screen = makeScreen(32, 24);
    map->visit();
    EXPECT_EQ(assertionOf([&] { empty->setTileGID(1, Point(0, 0)); }), "TMXLayer: invalid gid") << "no tileset to cut from";
}

// A layer draws from the last tileset, in file order, that holds any of its
// GIDs (one starting at or below its largest), whatever order the first GIDs run in.
TEST_F(TMXTiledMapTest, EachLayerDrawsFromTheLastTilesetHoldingItsTiles)
{
    struct Row {
        std::vector<int> firstGids;
        std::vector<uint32_t> gids;
        const char* tileset;
    };
    const Row rows[] = {
        { { 1, 9, 17 }, { 0, 2, 3, 0 }, "t0" },
        { { 1, 9, 17 }, { 9, 0, 0, 12 }, "t1" },
        { { 17, 1, 9 }, { 10, 0, 0, 12 }, "t2" },
        { { 9, 1 }, { 0, 0, 0, 2 }, "t1" },
    };
    for (const Row& row : rows) {
        std::string tilesets;
        for (size_t i = 0; i < row.firstGids.size(); ++i)
            tilesets += "<tileset name=\"t" + std::to_string(i) + "\" firstgid=\"" + std::to_string(row.firstGids[i])
                + "\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>";
        auto map = load("m.tmx", mapDocument("orthogonal", 2, 2, 8, 8, tilesets + layer("a", 2, 2, row.gids)));
        ASSERT_TRUE(map);
        EXPECT_EQ(map->layerNamed("a")->tileset()->name(), row.tileset) << testing::PrintToString(row.gids);
    }
}

TEST_F(TMXTiledMapTest, EditingFailsItsAssertions)
{
    auto map = load("m.tmx", mapDocument("orthogonal", 2, 2, 8, 8,
        "<tileset name=\"t\" firstgid=\"5\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>"
        + layer("a", 2, 2, { 5, 6, 0, 0 })));
    ASSERT_TRUE(map);
    KSTMXLayer* a = map->layerNamed("a");
    EXPECT_EQ(assertionOf([&] { a->setTileGID(3, Point(0, 0)); }), "TMXLayer: invalid gid");
    EXPECT_EQ(assertionOf([&] { a->tileAt(Point(2, 0)); }), "TMXLayer: invalid position");
    EXPECT_EQ(assertionOf([&] { a->tileGIDAt(Point(0, -1)); }), "TMXLayer: invalid position");
    EXPECT_EQ(assertionOf([&] { a->addChild(KSSprite::sprite().get(), 0, 0); }),
              "addChild: is not supported on KSTMXLayer. Instead use setTileGID:at:/tileAt:");
    EXPECT_EQ(a->children()->count(), 0u) << "nothing was added";
    auto stranger = KSSprite::sprite();
    EXPECT_EQ(assertionOf([&] { a->removeChild(stranger.get(), true); }), "Tile does not belong to TMXLayer");

    KSSprite* kept = a->tileAt(Point(1, 0));
    a->releaseMap();
    EXPECT_EQ(assertionOf([&] { a->tileGIDAt(Point(0, 0)); }), "TMXLayer: the tiles map has been released");
    EXPECT_EQ(assertionOf([&] { a->removeTileAt(Point(0, 0)); }), "TMXLayer: the tiles map has been released");
    auto screen = makeScreen(32, 24);
    map->visit();
    EXPECT_EQ(pixelAt(screen->readPixels(), 32, 12, 12)[0], 50) << "released layers keep drawing";
    a->removeChild(kept, true);
    EXPECT_EQ(a->textureAtlas()->totalQuads(), 1u);
}

TEST_F(TMXTiledMapTest, SetCollectionsReplaceTheParsedOnesButHoldNoNull)
{
    const std::string xml = mapDocument("orthogonal", 2, 1, 8, 8, kTileset + layer("a", 2, 1, { 1, 0 })
        + "<objectgroup name=\"spawns\"/>");
    auto map = load("m.tmx", xml);
    ASSERT_TRUE(map);
    auto extra = KSTMXObjectGroup::objectGroup();
    extra->setGroupName("extra");
    map->setObjectGroups({ extra });
    EXPECT_EQ(map->objectGroupNamed("extra"), extra.get());
    EXPECT_EQ(map->objectGroupNamed("spawns"), nullptr);
    EXPECT_EQ(assertionOf([&] { map->setObjectGroups({ extra, nullptr }); }), "Argument must be non-nil");
    EXPECT_EQ(map->objectGroups().size(), 1u) << "the groups set before are kept";

    auto info = KSTMXMapInfo::formatWithTMXFile("m.tmx");
    EXPECT_EQ(assertionOf([&] { info->setLayers({ nullptr }); }), "Argument must be non-nil");
    EXPECT_EQ(assertionOf([&] { info->setTilesets({ nullptr }); }), "Argument must be non-nil");
    EXPECT_EQ(info->layers().size(), 1u);
    EXPECT_EQ(info->tilesets().size(), 1u);
}

TEST_F(TMXTiledMapTest, MapsThatCannotBeBuiltAreRefused)
{
    EXPECT_EQ(assertionOf([&] { load("none.tmx", mapDocument("orthogonal", 1, 1, 8, 8, layer("a", 1, 1, { 1 }))); }),
              "TMXTiledMap: Map not found. Please check the filename.");
    EXPECT_EQ(assertionOf([&] { (void)KSTMXTiledMap::tiledMapWithTMXFile(""); }), "TMXTiledMap: tmx file should not bi nil");
    EXPECT_EQ(assertionOf([&] {
        load("two.tmx", mapDocument("orthogonal", 2, 1, 8, 8, kTileset
            + "<tileset name=\"u\" firstgid=\"9\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>"
            + layer("a", 2, 1, { 2, 9 })));
    }), "TMX: Only 1 tilset per layer is supported");

    // Data for fewer cells than the layer has, and a tileset whose image is missing.
    EXPECT_FALSE(load("short.tmx", mapDocument("orthogonal", 2, 2, 8, 8, kTileset + layer("a", 2, 2, { 1, 1, 1 }))));
    EXPECT_FALSE(load("noimage.tmx", mapDocument("orthogonal", 1, 1, 8, 8,
        "<tileset name=\"t\" firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\"><image source=\"gone.png\"/></tileset>"
        + layer("a", 1, 1, { 1 }))));
    // An image without a source names the map's folder, which is no image.
    EXPECT_FALSE(load("maps/folder.tmx", mapDocument("orthogonal", 1, 1, 8, 8,
        "<tileset name=\"t\" firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\"><image/></tileset>" + layer("a", 1, 1, { 1 }))));
    // A missing map file, and a map whose image is named out of the bundle
    // folder, or leads to a device from a map read by its full path.
    EXPECT_FALSE(KSTMXTiledMap::tiledMapWithTMXFile("nosuch.tmx"));
    const std::string device = mapDocument("orthogonal", 1, 1, 8, 8,
        "<tileset name=\"t\" firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\"><image source=\"../../../../../../../../dev/zero\"/>"
        "</tileset>" + layer("a", 1, 1, { 1 }));
    EXPECT_FALSE(load("maps/escape.tmx", device));
    platform::LogCapture log;
    EXPECT_FALSE(KSTMXTiledMap::tiledMapWithTMXFile(dir.write("maps/device.tmx", device)));
    EXPECT_TRUE(log.contains("/dev/zero: it is a device, not a file")) << testing::PrintToString(log.texts());
    // A layer larger than a map may afford is refused before its data is read.
    EXPECT_FALSE(load("huge.tmx", mapDocument("orthogonal", 5000, 5000, 8, 8, kTileset + layer("a", 5000, 5000, { 1 }))));
    EXPECT_TRUE(log.contains("TMX: the map \"huge.tmx\" needs more than the 64 MiB a map may take for its tiles and "
                             "tilesets (reached at layer \"a\" of 5000 x 5000 cells); it is not loaded"));
    // An invisible layer is never built, whatever its data.
    EXPECT_TRUE(load("hiddenshort.tmx", mapDocument("orthogonal", 2, 2, 8, 8, kTileset
        + layer("a", 2, 2, { 1, 1, 1 }, " visible=\"0\"") + layer("b", 1, 1, { 1 }))));
}

TEST_F(TMXTiledMapTest, AMapReadByItsFullPathFindsItsArtInASiblingFolder)
{
    // levels/maps/level.tmx beside levels/tiles/, out of the bundle folder.
    testing_support::TempDir elsewhere;
    // An image named inside a tileset file is joined to the map's folder too.
    elsewhere.write("levels/tiles/tiles.tsx", "<tileset name=\"t\" tilewidth=\"8\" tileheight=\"8\">"
                                              "<image source=\"../tiles/tiles.png\"/></tileset>");
    writeTiles(elsewhere.file("levels/tiles/tiles.png"));
    auto map = KSTMXTiledMap::tiledMapWithTMXFile(elsewhere.write("levels/maps/level.tmx",
        mapDocument("orthogonal", 2, 1, 8, 8, "<tileset firstgid=\"1\" source=\"../tiles/tiles.tsx\"/>"
                                              + layer("a", 2, 1, { 1, 2 }))));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->layerNamed("a")->tileset()->sourceImage(), elsewhere.file("levels/maps/../tiles/tiles.png"));
    EXPECT_EQ(map->layerNamed("a")->tileset()->imageSize(), Size(32, 16));
}

TEST_F(TMXTiledMapTest, AMapWithALayerNoTilesetCoversIsRefusedWithItsReason)
{
    // The tileset starts above the layer's GIDs, or at a GID that reads negative.
    for (const std::string firstGid : { "5", "-1" }) {
        SCOPED_TRACE("firstgid " + firstGid);
        platform::LogCapture log;
        EXPECT_FALSE(load("uncovered.tmx", mapDocument("orthogonal", 2, 2, 8, 8,
            "<tileset name=\"t\" firstgid=\"" + firstGid + "\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>"
            + layer("empty", 2, 1, { 0, 0 }) + layer("a", 2, 2, { 0, 2, 1, 0 }))));
        EXPECT_EQ(log.texts(), (std::vector<std::string> { "TMX: no tileset holds the tiles of layer \"a\" (GID 2)" }));
    }
    // Hidden, such a layer is never built.
    EXPECT_TRUE(load("hidden.tmx", mapDocument("orthogonal", 2, 1, 8, 8,
        "<tileset name=\"t\" firstgid=\"5\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>"
        + layer("a", 2, 1, { 1, 2 }, " visible=\"0\"") + layer("b", 1, 1, { 5 }))));
}

TEST_F(TMXTiledMapTest, ALayerWhoseTilesetIsTakenAwayGivesEmptyTiles)
{
    auto map = load("m.tmx", mapDocument("orthogonal", 2, 1, 8, 8, kTileset + layer("a", 2, 1, { 2, 3 })));
    ASSERT_TRUE(map);
    KSTMXLayer* a = map->layerNamed("a");
    KSSprite* kept = a->tileAt(Point(0, 0));
    a->setTileset(nullptr);

    KSSprite* fresh = a->tileAt(Point(1, 0));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->textureRect(), Rect());
    EXPECT_EQ(fresh->atlasIndex(), 1u);
    EXPECT_EQ(kept->textureRect(), Rect(8, 0, 8, 8)) << "sprites made before keep their tile";
    EXPECT_EQ(assertionOf([&] { a->setTileGID(4, Point(1, 0)); }), "TMXLayer: invalid gid") << "no tileset to cut from";
    a->setTileGID(0, Point(1, 0));
    EXPECT_EQ(a->tileGIDAt(Point(1, 0)), 0u);
    auto screen = makeScreen(32, 24);
    map->visit();

    // A layer made by hand whose tileset goes before its tiles are set up.
    auto info = KSTMXMapInfo::formatWithTMXFile("m.tmx");
    auto byHand = KSTMXLayer::layerWithTilesetInfo(info->tilesets()[0].get(), info->layers()[0].get(), info.get());
    ASSERT_TRUE(byHand);
    byHand->setTileset(nullptr);
    byHand->setupTiles();
    EXPECT_EQ(byHand->textureAtlas()->totalQuads(), 2u);
    EXPECT_EQ(byHand->tileAt(Point(1, 0))->textureRect(), Rect());
}
