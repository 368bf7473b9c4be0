// Draws the showcase's tile map: a tileset of eight 32 x 32 tiles in
// "showcase-tiles.png" (128 x 64), the external tileset file
// "showcase-tiles.tsx" that describes it, and the orthogonal map
// "showcase-map.tmx" (40 x 15 tiles, wider than the screen) whose one layer is
// stored base64 + gzip and names the tileset file.
//
// Usage: make_tile_map OUTPUT_FOLDER   (the committed copies are in resources/)
#include "platform/foundation/Deflate.h"
#include "platform/foundation/Base64.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"


#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kTile = 32;
constexpr int kColumns = 4; // tiles per row of the tileset image
constexpr int kMapWidth = 40;
constexpr int kMapHeight = 15;

enum Tile { Grass, Water, Sand, Path, Tree, Wall, Flowers, Roof };

void fill(platform::GraphicsContext& c, float r, float g, float b) { c.setFillColor(r, g, b, 1), c.fillRect({ 0, 0, kTile, kTile }); }

void dot(platform::GraphicsContext& c, float x, float y, float radius)
{
    c.beginPath();
    c.addArc(x, y, radius, 0, 2 * static_cast<float>(M_PI), false);
    c.fillPath();
}

void drawTile(platform::GraphicsContext& c, Tile tile)
{
    switch (tile) {
    case Grass:
    case Tree:
    case Flowers:
        fill(c, 0.30f, 0.62f, 0.25f);
        c.setFillColor(0.25f, 0.52f, 0.20f, 1);
        for (int i = 0; i < 6; ++i)
            c.fillRect({ static_cast<float>((i * 11) % 29), static_cast<float>((i * 7 + 3) % 29), 2, 3 });
        if (tile == Tree) {
            c.setFillColor(0.40f, 0.25f, 0.10f, 1);
            c.fillRect({ 14, 20, 4, 10 });
            c.setFillColor(0.10f, 0.40f, 0.12f, 1);
            dot(c, 16, 14, 11);
        } else if (tile == Flowers) {
            const float colours[3][3] = { { 1, 0.9f, 0.2f }, { 1, 0.4f, 0.6f }, { 1, 1, 1 } };
            for (int i = 0; i < 5; ++i) {
                const float* col = colours[i % 3];
                c.setFillColor(col[0], col[1], col[2], 1);
                dot(c, 5.0f + static_cast<float>((i * 13) % 23), 6.0f + static_cast<float>((i * 9) % 21), 2.5f);
            }
        }
        break;
    case Water:
        fill(c, 0.15f, 0.40f, 0.80f);
        c.setStrokeColor(0.55f, 0.75f, 1.0f, 1);
        c.setLineWidth(2);
        for (int row = 0; row < 2; ++row) {
            const float y = 9.0f + row * 14.0f;
            c.beginPath();
            c.moveTo(4, y);
            c.curveTo(9, y - 4, 13, y + 4, 18, y);
            c.strokePath();
        }
        break;
    case Sand:
        fill(c, 0.90f, 0.80f, 0.50f);
        c.setFillColor(0.80f, 0.68f, 0.40f, 1);
        for (int i = 0; i < 8; ++i)
            c.fillRect({ static_cast<float>((i * 13 + 2) % 30), static_cast<float>((i * 5 + 1) % 30), 2, 2 });
        break;
    case Path:
        fill(c, 0.55f, 0.52f, 0.48f);
        c.setFillColor(0.68f, 0.65f, 0.60f, 1);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                c.fillRect({ 2.0f + x * 16 + (y % 2) * 3, 2.0f + y * 16, 12, 12 });
        break;
    case Wall:
        fill(c, 0.60f, 0.25f, 0.18f);
        c.setFillColor(0.85f, 0.80f, 0.72f, 1);
        for (int y = 0; y < 4; ++y) {
            c.fillRect({ 0, y * 8.0f + 7, kTile, 1 });
            for (int x = (y % 2) * 8; x < kTile; x += 16)
                c.fillRect({ static_cast<float>(x), y * 8.0f, 1, 7 });
        }
        break;
    case Roof:
        fill(c, 0.45f, 0.15f, 0.45f);
        c.setFillColor(0.60f, 0.25f, 0.60f, 1);
        for (int y = 0; y < kTile; y += 8)
            c.fillRect({ 0, static_cast<float>(y), kTile, 4 });
        break;
    }
}

Tile tileAt(int x, int y)
{
    // A river winding down the map, sand along it, a path across, houses and trees.
    const int river = 10 + static_cast<int>(std::lround(3 * std::sin(y * 0.6)));
    if (x == river || x == river + 1)
        return y == 7 ? Path : Water;
    if (x == river - 1 || x == river + 2)
        return y == 7 ? Path : Sand;
    if (y == 7)
        return Path;
    if (x >= 20 && x <= 23 && y >= 3 && y <= 5)
        return y == 3 ? Roof : Wall;
    if (x >= 30 && x <= 34 && y >= 9 && y <= 12)
        return y == 9 ? Roof : Wall;
    const unsigned hash = static_cast<unsigned>(x * 73856093) ^ static_cast<unsigned>(y * 19349663);
    if (hash % 7 == 0)
        return Tree;
    if (hash % 11 == 0)
        return Flowers;
    return Grass;
}

bool gzip(const std::vector<uint8_t>& in, std::vector<uint8_t>& out)
{
    auto packed = platform::deflateBytes(in, platform::DeflateFormat::Gzip);
    if (!packed)
        return false;
    out = std::move(*packed);
    return true;
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    constexpr int kTiles = 8;
    auto context = platform::GraphicsContext::create(kColumns * kTile, (kTiles / kColumns) * kTile,
                                                     platform::GraphicsContext::Format::RGBA);
    if (!context) {
        std::fprintf(stderr, "cannot make the tileset bitmap\n");
        return 1;
    }
    for (int i = 0; i < kTiles; ++i) {
        context->save();
        context->translate(static_cast<float>((i % kColumns) * kTile), static_cast<float>((i / kColumns) * kTile));
        context->beginPath();
        context->addRect({ 0, 0, kTile, kTile });
        context->clip();
        drawTile(*context, static_cast<Tile>(i));
        context->restore();
    }
    auto image = context->makeImage();
    if (!image || !image->writePNG(folder + "/showcase-tiles.png")) {
        std::fprintf(stderr, "cannot write %s/showcase-tiles.png\n", folder.c_str());
        return 1;
    }

    // GIDs: 32-bit little-endian, row-major from the top row; the tileset starts at 1.
    std::vector<uint8_t> cells;
    for (int y = 0; y < kMapHeight; ++y)
        for (int x = 0; x < kMapWidth; ++x) {
            const uint32_t gid = static_cast<uint32_t>(tileAt(x, y)) + 1;
            for (int b = 0; b < 4; ++b)
                cells.push_back(static_cast<uint8_t>(gid >> (8 * b)));
        }
    std::vector<uint8_t> packed;
    if (!gzip(cells, packed)) {
        std::fprintf(stderr, "cannot compress the layer\n");
        return 1;
    }
    const std::string tileset = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<tileset name=\"showcase\" tilewidth=\"32\" tileheight=\"32\">\n"
                                " <image source=\"showcase-tiles.png\" width=\"128\" height=\"64\"/>\n"
                                "</tileset>\n";
    const std::string map = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<map version=\"1.0\" orientation=\"orthogonal\" width=\"40\" height=\"15\" tilewidth=\"32\" "
                            "tileheight=\"32\">\n"
                            " <tileset firstgid=\"1\" source=\"showcase-tiles.tsx\"/>\n"
                            " <layer name=\"ground\" width=\"40\" height=\"15\">\n"
                            "  <data encoding=\"base64\" compression=\"gzip\">\n   "
                            + platform::base64Encode(packed.data(), packed.size())
                            + "\n  </data>\n"
                              " </layer>\n"
                              "</map>\n";
    if (!writeText(folder + "/showcase-tiles.tsx", tileset) || !writeText(folder + "/showcase-map.tmx", map)) {
        std::fprintf(stderr, "cannot write the map files into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
