// Draws the frame-rate display's character map, resources/fps_images.png: one
// row of 16 x 24 cells for the characters '.', '/', '0' to '9' (in character
// order from '.', as the label atlas maps them), white seven-segment glyphs on
// a transparent background. Usage: make_fps_images OUTPUT.png
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <cstdio>
#include <fstream>

using platform::GraphicsContext;
using platform::Rect;

namespace {

constexpr int kCellWidth = 16;
constexpr int kCellHeight = 24;
constexpr char kFirst = '.';
constexpr char kLast = '9';

// Segments a..g of a seven-segment digit: top, top right, bottom right,
// bottom, bottom left, top left, middle.
constexpr unsigned char kDigitSegments[10] = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
    0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
};

void drawDigit(GraphicsContext& g, float x, int digit)
{
    // A 10 x 18 glyph with 2-pixel strokes, centred in the cell.
    const float left = x + 3, top = 3, w = 10, h = 18, t = 2;
    const float mid = top + (h - t) / 2;
    const Rect segments[7] = {
        { left + 1, top, w - 2, t },                      // a
        { left + w - t, top + 1, t, h / 2 - 1 },          // b
        { left + w - t, top + h / 2, t, h / 2 - 1 },      // c
        { left + 1, top + h - t, w - 2, t },              // d
        { left, top + h / 2, t, h / 2 - 1 },              // e
        { left, top + 1, t, h / 2 - 1 },                  // f
        { left + 1, mid, w - 2, t },                      // g
    };
    for (int s = 0; s < 7; ++s)
        if (kDigitSegments[digit] & (1 << s))
            g.fillRect(segments[s]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int cells = kLast - kFirst + 1;
    auto g = GraphicsContext::create(cells * kCellWidth, kCellHeight, GraphicsContext::Format::RGBA);
    if (!g) {
        std::fprintf(stderr, "cannot make the bitmap\n");
        return 1;
    }
    g->setFillColor(1, 1, 1, 1);
    for (char c = kFirst; c <= kLast; ++c) {
        const float x = static_cast<float>((c - kFirst) * kCellWidth);
        if (c == '.') {
            g->fillRect({ x + 6, 18, 3, 3 });
        } else if (c == '/') {
            g->beginPath();
            g->moveTo(x + 11, 3);
            g->lineTo(x + 13, 3);
            g->lineTo(x + 5, 21);
            g->lineTo(x + 3, 21);
            g->closePath();
            g->fillPath();
        } else {
            drawDigit(*g, x, c - '0');
        }
    }
    auto png = g->makeImage()->pngData();
    if (!png) {
        std::fprintf(stderr, "cannot encode the image\n");
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
