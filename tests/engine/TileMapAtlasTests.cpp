// The TGA tile map: quad order and placement, drawing, retiling, and the
// refused maps and positions.
#include "TextureTestSupport.h"

#include "engine/KSTileMapAtlas.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Image.h"

#include <functional>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

// An uncompressed TGA, rows bottom-up; `rgb` lists rows from the bottom, pixels R, G, B.
std::string writeTGA(const std::string& path, int width, int height, const Bytes& rgb, int depth = 24)
{
    Bytes file(18, 0);
    file[2] = 2;
    file[12] = static_cast<uint8_t>(width);
    file[13] = static_cast<uint8_t>(width >> 8);
    file[14] = static_cast<uint8_t>(height);
    file[15] = static_cast<uint8_t>(height >> 8);
    file[16] = static_cast<uint8_t>(depth);
    const int bpp = depth / 8;
    for (int i = 0; i < width * height; ++i) {
        file.push_back(rgb[i * 3 + 2]);
        file.push_back(rgb[i * 3 + 1]);
        file.push_back(rgb[i * 3]);
        for (int extra = 3; extra < bpp; ++extra)
            file.push_back(255);
    }
    return texture_test::writeBytes(path, file);
}

// A 3 x 2 map: (0,0) = 1, (2,0) = 5, (1,1) = 2, the rest empty.
std::string writeMap(const std::string& path, int depth = 24)
{
    Bytes rgb(3 * 2 * 3, 0);
    rgb[(0 + 0 * 3) * 3] = 1;
    rgb[(2 + 0 * 3) * 3] = 5;
    rgb[(1 + 1 * 3) * 3] = 2;
    rgb[(1 + 1 * 3) * 3 + 1] = 9;
    return writeTGA(path, 3, 2, rgb, depth);
}

// A sheet of 4 x 2 tiles of 4 x 4 pixels; tile i is red 30 i + 10, green 100, opaque.
std::string writeSheet(const std::string& path)
{
    const uint32_t w = 16, h = 8;
    Bytes rgba(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(y * w + x) * 4];
            p[0] = static_cast<uint8_t>(30 * ((y / 4) * 4 + x / 4) + 10);
            p[1] = 100;
            p[2] = 0;
            p[3] = 255;
        }
    EXPECT_TRUE(Image::imageWithRGBA(w, h, std::move(rgba), ImageAlphaInfo::None)->writePNG(path));
    return path;
}

std::string assertionOf(const std::function<void()>& f)
{
    auto raised = testing_support::raisedBy(f);
    if (raised.kind == testing_support::Raised::Kind::Assertion) {
        EXPECT_EQ(raised.file, "engine/KSTileMapAtlas");
    }
    return raised.message;
}

class TileMapAtlasTest : public GLTest {
protected:
    Ref<KSTileMapAtlas> makeMap()
    {
        writeSheet(dir.file("sheet.png"));
        writeMap(dir.file("map.tga"));
        return KSTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map.tga", 4, 4);
    }
};

} // namespace

TEST_F(TileMapAtlasTest, QuadsFollowTheColumnsOfNonEmptyCells)
{
    auto map = makeMap();
    ASSERT_TRUE(map);
    EXPECT_EQ(map->itemsToRender(), 3);
    EXPECT_EQ(map->contentSize(), Size(12, 8));
    KSTextureAtlas* atlas = map->textureAtlas();
    ASSERT_EQ(atlas->totalQuads(), 3u);
    EXPECT_EQ(atlas->capacity(), 3u);
    // Quad 0 is cell (0,0), 1 is (1,1), 2 is (2,0).
    EXPECT_FLOAT_EQ(atlas->quads()[0].bl.vertices.x, 0);
    EXPECT_FLOAT_EQ(atlas->quads()[1].bl.vertices.x, 4);
    EXPECT_FLOAT_EQ(atlas->quads()[1].bl.vertices.y, 4);
    EXPECT_FLOAT_EQ(atlas->quads()[1].tr.vertices.y, 8);
    EXPECT_FLOAT_EQ(atlas->quads()[2].br.vertices.x, 12);
    // Red 5 with 4 tiles a row: sheet row 1, column 1.
    EXPECT_FLOAT_EQ(atlas->quads()[2].tl.texCoords.u, 4.0f / 16);
    EXPECT_FLOAT_EQ(atlas->quads()[2].tr.texCoords.u, 8.0f / 16);
    EXPECT_FLOAT_EQ(atlas->quads()[2].tl.texCoords.v, 4.0f / 8);
    EXPECT_FLOAT_EQ(atlas->quads()[2].bl.texCoords.v, 1.0f);
    EXPECT_EQ(map->tileAt({ 1, 1 }), (ksColor3B { 2, 9, 0 }));
    EXPECT_EQ(map->tileAt({ 1, 0 }), (ksColor3B { 0, 0, 0 }));

    // On a double-density screen the tiles are twice as many pixels, the
    // map's size in points the same.
    ksSetContentScaleFactor(2);
    auto dense = makeMap();
    ksSetContentScaleFactor(1);
    ASSERT_TRUE(dense);
    EXPECT_EQ(dense->contentSizeInPixels(), Size(24, 16));
    EXPECT_EQ(dense->contentSize(), Size(12, 8));
}

TEST_F(TileMapAtlasTest, DrawsEachCellWithItsTileAndRetilesOccupiedCells)
{
    auto map = makeMap();
    ASSERT_TRUE(map);
    auto screen = makeScreen(12, 8);
    map->draw();
    Bytes pixels = screen->readPixels();
    // Read-back rows count from the top: map row 0 is at the bottom.
    EXPECT_EQ(pixelAt(pixels, 12, 1, 6)[0], 40) << "cell (0,0): tile 1";
    EXPECT_EQ(pixelAt(pixels, 12, 9, 5)[0], 160) << "cell (2,0): tile 5";
    EXPECT_EQ(pixelAt(pixels, 12, 5, 2)[0], 70) << "cell (1,1): tile 2";
    EXPECT_EQ(pixelAt(pixels, 12, 5, 6)[3], 0) << "empty cell (1,0)";

    map->setTile(ksColor3B { 7, 1, 2 }, { 1, 1 });
    EXPECT_EQ(map->tileAt({ 1, 1 }), (ksColor3B { 7, 1, 2 }));
    map->setTile(ksColor3B { 3, 0, 0 }, { 1, 0 });
    EXPECT_EQ(map->tileAt({ 1, 0 }).r, 0) << "an empty cell stays empty";
    EXPECT_EQ(map->textureAtlas()->totalQuads(), 3u);

    glClear(GL_COLOR_BUFFER_BIT);
    map->draw();
    pixels = screen->readPixels();
    EXPECT_EQ(pixelAt(pixels, 12, 5, 2)[0], 220) << "quad 1 now shows tile 7";
    EXPECT_EQ(pixelAt(pixels, 12, 5, 6)[3], 0);

    // Released: the quads keep drawing, the cells are gone.
    map->releaseMap();
    EXPECT_EQ(assertionOf([&] { map->tileAt({ 0, 0 }); }), "tgaInfo must not be nil");
    EXPECT_EQ(assertionOf([&] { map->setTile(ksColor3B { 1, 0, 0 }, { 0, 0 }); }), "tgaInfo must not be nil");
    glClear(GL_COLOR_BUFFER_BIT);
    map->draw();
    EXPECT_EQ(pixelAt(screen->readPixels(), 12, 1, 6)[0], 40);
}

TEST_F(TileMapAtlasTest, RefusesPositionsOutsideTheMap)
{
    auto map = makeMap();
    ASSERT_TRUE(map);
    EXPECT_EQ(assertionOf([&] { map->tileAt({ 0, 2 }); }), "Invalid position.y");
    EXPECT_EQ(assertionOf([&] { map->tileAt({ 3, 0 }); }), "Invalid position.x");
    EXPECT_EQ(assertionOf([&] { map->tileAt({ -1, 0 }); }), "Invalid position.x");
    EXPECT_EQ(assertionOf([&] { map->tileAt({ 0, -1 }); }), "Invalid position.y");
    EXPECT_EQ(assertionOf([&] { map->setTile(ksColor3B { 1, 0, 0 }, { 0, -2 }); }), "Invalid position.y");
    EXPECT_EQ(assertionOf([&] { map->setTile(ksColor3B { 0, 5, 5 }, { 0, 0 }); }), "R component must be non 0");
}

TEST_F(TileMapAtlasTest, RefusesMapsThatAreMissingOrNot24Bit)
{
    writeSheet(dir.file("sheet.png"));
    writeMap(dir.file("map32.tga"), 32);
    EXPECT_EXCEPTION(KSTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "map32.tga", 4, 4), "TileMapAtlasLoadTGA",
                     "TileMapAtas cannot load TGA file");
    // A missing or refused map file is no map, and no abort; the log has named it.
    platform::LogCapture log;
    EXPECT_FALSE(KSTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "missing.tga", 4, 4));
    EXPECT_TRUE(log.contains("KSFileUtils: cannot find \"missing.tga\": it is not in the bundle folder"));
    EXPECT_FALSE(KSTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "/dev/zero", 4, 4));
    EXPECT_TRUE(log.contains("cannot read /dev/zero: it is a device, not a file"));
    writeMap(dir.file("map.tga"));
    EXPECT_FALSE(KSTileMapAtlas::tileMapAtlasWithTileFile("missing.png", "map.tga", 4, 4)) << "no tile sheet";

    // More tiles than an atlas draws: refused, and said with the limit.
    writeTGA(dir.file("huge.tga"), 200, 100, Bytes(200 * 100 * 3, 1));
    EXPECT_FALSE(KSTileMapAtlas::tileMapAtlasWithTileFile("sheet.png", "huge.tga", 4, 4));
    EXPECT_TRUE(log.contains("KSTileMapAtlas: cannot draw the map huge.tga: its 20000 tiles are more than the 16384 "
                             "an atlas holds")) << testing::PrintToString(log.texts());
}
