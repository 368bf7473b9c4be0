// The drawing context's gradients, image patterns and transparency layers,
// checked pixel by pixel.
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Pixel {
    int r, g, b, a;
};

Pixel at(const GraphicsContext& context, uint32_t x, uint32_t y)
{
    Bytes px = context.pixelData(true);
    const uint8_t* p = px.data() + (static_cast<size_t>(y) * context.width() + x) * 4;
    return { p[0], p[1], p[2], p[3] };
}

Ref<GraphicsContext> rgba(uint32_t w, uint32_t h)
{
    auto context = GraphicsContext::create(w, h, GraphicsContext::Format::RGBA);
    EXPECT_TRUE(context);
    return context;
}

// A 2x2 checker: red, green / blue, opaque white.
Ref<Image> checker()
{
    Bytes px = { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255 };
    return Image::imageWithRGBA(2, 2, std::move(px));
}

} // namespace

TEST(GraphicsContextGradient, RunsFromTheStartColourToTheEndColourAndPadsBeyond)
{
    auto g = rgba(100, 4);
    // Out of order on purpose: stops are sorted by location.
    g->drawLinearGradient(Point(10, 0), Point(90, 0), { { 1, 0, 0, 1, 1 }, { 0, 1, 0, 0, 1 } });
    EXPECT_EQ(at(*g, 0, 1).r, 255);   // before the start: the start colour
    EXPECT_EQ(at(*g, 0, 1).b, 0);
    EXPECT_EQ(at(*g, 99, 1).b, 255);  // after the end: the end colour
    EXPECT_EQ(at(*g, 99, 1).r, 0);
    Pixel mid = at(*g, 50, 1);
    EXPECT_NEAR(mid.r, 128, 4);
    EXPECT_NEAR(mid.b, 128, 4);
    EXPECT_EQ(mid.a, 255);
    // Monotonic along the axis.
    for (uint32_t x = 11; x < 90; ++x)
        EXPECT_LE(at(*g, x, 1).r, at(*g, x - 1, 1).r) << x;
}

TEST(GraphicsContextGradient, PaintsOnlyTheClipAndThreeStopsMeetInTheMiddle)
{
    auto g = rgba(40, 40);
    g->save();
    g->beginPath();
    g->addRect(Rect(10, 10, 20, 20));
    g->clip();
    g->drawLinearGradient(Point(0, 10), Point(0, 30), { { 0, 0, 0, 0, 1 }, { 0.5f, 1, 1, 1, 1 }, { 1, 0, 0, 0, 1 } });
    g->restore();
    EXPECT_EQ(at(*g, 5, 20).a, 0);   // outside the clip: untouched
    EXPECT_EQ(at(*g, 35, 20).a, 0);
    EXPECT_GT(at(*g, 20, 20).r, 230); // the middle stop is white
    EXPECT_LT(at(*g, 20, 10).r, 20);  // both ends black
    EXPECT_LT(at(*g, 20, 29).r, 30);
    // Nothing to draw without stops.
    auto empty = rgba(4, 4);
    empty->drawLinearGradient(Point(0, 0), Point(4, 0), {});
    EXPECT_EQ(at(*empty, 2, 2).a, 0);
}

TEST(GraphicsContextPattern, TilesTheImageFromTheRectsOriginAndStopsAtItsEdge)
{
    auto image = checker();
    auto g = rgba(12, 12);
    g->drawTiledImage(*image, Rect(1, 1, 9, 7));
    EXPECT_EQ(at(*g, 0, 0).a, 0);             // outside the rect
    for (uint32_t y = 1; y < 8; ++y)
        for (uint32_t x = 1; x < 10; ++x) {
            Pixel p = at(*g, x, y);
            bool left = (x - 1) % 2 == 0, top = (y - 1) % 2 == 0;
            EXPECT_EQ(p.r, left ? (top ? 255 : 0) : (top ? 0 : 255)) << x << "," << y;
            EXPECT_EQ(p.b, top ? 0 : 255) << x << "," << y;
        }
    EXPECT_EQ(at(*g, 10, 4).a, 0);            // right of the rect
    EXPECT_EQ(at(*g, 4, 8).a, 0);             // below it
}

TEST(GraphicsContextPattern, FollowsTheTransform)
{
    auto image = checker();
    auto g = rgba(8, 8);
    g->scale(2, 2);
    g->drawTiledImage(*image, Rect(0, 0, 4, 4));
    // Each image pixel now covers 2x2 device pixels (smoothed at the seams),
    // and the tile repeats every 4.
    EXPECT_GT(at(*g, 0, 0).r, at(*g, 0, 0).g);
    EXPECT_GT(at(*g, 2, 0).g, at(*g, 2, 0).r);
    EXPECT_GT(at(*g, 0, 2).b, at(*g, 0, 2).r);
    for (uint32_t x = 0; x < 4; ++x)
        for (uint32_t y = 0; y < 4; ++y) {
            EXPECT_EQ(at(*g, x, y).r, at(*g, x + 4, y + 4).r) << x << "," << y;
            EXPECT_EQ(at(*g, x, y).g, at(*g, x + 4, y).g) << x << "," << y;
        }
}

TEST(GraphicsContextLayer, OverlappingShapesInALayerDoNotShowThroughEachOther)
{
    auto g = rgba(30, 10);
    g->setFillColor(1, 1, 1, 1);
    g->fillRect(Rect(0, 0, 30, 10));
    g->beginTransparencyLayer();
    EXPECT_EQ(g->transparencyLayerDepth(), 1);
    g->setFillColor(0, 0, 0, 1);
    g->fillRect(Rect(0, 0, 20, 10));
    g->fillRect(Rect(10, 0, 20, 10));  // overlaps the first in 10..20
    g->endTransparencyLayer(0.5f);
    EXPECT_EQ(g->transparencyLayerDepth(), 0);
    // One layer at half alpha over white: the overlap is as grey as the rest.
    EXPECT_NEAR(at(*g, 5, 5).r, 128, 2);
    EXPECT_NEAR(at(*g, 15, 5).r, 128, 2);
    EXPECT_NEAR(at(*g, 25, 5).r, 128, 2);

    // The same drawn directly at half alpha darkens the overlap twice.
    auto direct = rgba(30, 10);
    direct->setFillColor(1, 1, 1, 1);
    direct->fillRect(Rect(0, 0, 30, 10));
    direct->setFillColor(0, 0, 0, 0.5f);
    direct->fillRect(Rect(0, 0, 20, 10));
    direct->fillRect(Rect(10, 0, 20, 10));
    EXPECT_LT(at(*direct, 15, 5).r, 70);
}

TEST(GraphicsContextLayer, NestedLayersMultiplyAndStateComesBack)
{
    auto g = rgba(10, 10);
    g->beginTransparencyLayer();
    g->translate(5, 0);                  // undone by the end of the layer
    g->beginTransparencyLayer();
    g->setFillColor(1, 0, 0, 1);
    g->fillRect(Rect(0, 0, 5, 10));
    g->endTransparencyLayer(0.5f);
    g->endTransparencyLayer(0.5f);
    EXPECT_NEAR(at(*g, 7, 5).a, 64, 2);  // a quarter
    EXPECT_EQ(at(*g, 2, 5).a, 0);
    // After the layers the transform is the one before them.
    g->setFillColor(0, 0, 1, 1);
    g->fillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(at(*g, 0, 0).b, 255);
    // An unbalanced end leaves the context usable.
    g->endTransparencyLayer(1);
    EXPECT_EQ(g->transparencyLayerDepth(), 0);
    g->fillRect(Rect(1, 0, 1, 1));
    EXPECT_EQ(at(*g, 1, 0).b, 255);
}
