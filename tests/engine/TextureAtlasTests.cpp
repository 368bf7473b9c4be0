// Texture atlases: quad bookkeeping, the 16-bit index buffer, capacity limits
// and an indexed draw read back from a framebuffer.
#include "TextureTestSupport.h"

#include "engine/KSTextureAtlas.h"
#include "platform/foundation/Exception.h"

#include <cstdlib>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

ksV3F_C4B_T2F_Quad quadTagged(float tag)
{
    ksV3F_C4B_T2F_Quad q {};
    q.tl.vertices.x = tag;
    return q;
}

std::vector<float> tags(const KSTextureAtlas& atlas)
{
    std::vector<float> out;
    for (uint32_t i = 0; i < atlas.totalQuads(); ++i)
        out.push_back(atlas.quads()[i].tl.vertices.x);
    return out;
}

// A quad covering (x, y, w, h) in pixels with the texture rectangle (u0, v0)-(u1, v1),
// v0 at the top.
ksV3F_C4B_T2F_Quad quadAt(float x, float y, float w, float h, float u0, float v0, float u1, float v1,
                          ksColor4B color = { 255, 255, 255, 255 })
{
    ksV3F_C4B_T2F_Quad q {};
    q.bl = { { x, y, 0 }, color, { u0, v1 } };
    q.br = { { x + w, y, 0 }, color, { u1, v1 } };
    q.tl = { { x, y + h, 0 }, color, { u0, v0 } };
    q.tr = { { x + w, y + h, 0 }, color, { u1, v0 } };
    return q;
}

} // namespace

class TextureAtlasTest : public GLTest {
protected:
    Ref<KSTextureAtlas> atlas(uint32_t capacity)
    {
        Bytes pixels(4 * 4 * 4, 255);
        texture_ = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 4, 4, Size(4, 4));
        return KSTextureAtlas::textureAtlasWithTexture(texture_.get(), capacity);
    }
    Ref<KSTexture2D> texture_;
};

TEST_F(TextureAtlasTest, IndicesFormTwoTrianglesPerQuad)
{
    auto a = atlas(3);
    ASSERT_TRUE(a);
    const GLushort expected[] = { 0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5, 8, 9, 10, 11, 10, 9 };
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(a->indices()[i], expected[i]) << i;
    EXPECT_EQ(a->texture(), texture_.get());
    EXPECT_NE(a->description().find("| totalQuads =  0>"), std::string::npos);
}

TEST_F(TextureAtlasTest, QuadBookkeeping)
{
    auto a = atlas(10);
    auto q = quadTagged(5);
    a->updateQuad(&q, 5);
    EXPECT_EQ(a->totalQuads(), 6u);

    a->removeAllQuads();
    for (float t : { 1.f, 2.f, 3.f }) {
        auto quad = quadTagged(t);
        a->updateQuad(&quad, a->totalQuads());
    }
    a->insertQuadFromIndex(0, 2);
    EXPECT_EQ(tags(*a), (std::vector<float> { 2, 3, 1 }));
    a->insertQuadFromIndex(2, 0);
    EXPECT_EQ(tags(*a), (std::vector<float> { 1, 2, 3 }));
    auto inserted = quadTagged(9);
    a->insertQuad(&inserted, 1);
    EXPECT_EQ(tags(*a), (std::vector<float> { 1, 9, 2, 3 }));
    a->removeQuadAtIndex(0);
    EXPECT_EQ(tags(*a), (std::vector<float> { 9, 2, 3 }));

    EXPECT_ASSERTION(a->removeQuadAtIndex(3), "engine/KSTextureAtlas",
                     "removeQuadAtIndex: Invalid index");
    EXPECT_ASSERTION(a->updateQuad(&inserted, 10), "engine/KSTextureAtlas",
                     "updateQuadWithTexture: Invalid index");
}

TEST_F(TextureAtlasTest, ResizingKeepsThePrefixAndRebuildsIndices)
{
    auto a = atlas(5);
    for (float t : { 1.f, 2.f, 3.f, 4.f, 5.f }) {
        auto quad = quadTagged(t);
        a->updateQuad(&quad, a->totalQuads());
    }
    ASSERT_TRUE(a->resizeCapacity(2));
    EXPECT_EQ(a->totalQuads(), 2u);
    EXPECT_EQ(tags(*a), (std::vector<float> { 1, 2 }));
    ASSERT_TRUE(a->resizeCapacity(20));
    EXPECT_EQ(a->capacity(), 20u);
    EXPECT_EQ(a->indices()[19 * 6 + 3], 79);
}

TEST_F(TextureAtlasTest, ALargeAtlasKeepsItsQuadsAsItGrowsAndShrinksAndTakesACallersBlock)
{
    auto a = atlas(5);
    for (float t : { 1.f, 2.f, 3.f, 4.f, 5.f }) {
        auto quad = quadTagged(t);
        a->updateQuad(&quad, a->totalQuads());
    }
    // Past the size where the blocks stop coming from the allocator, and further.
    for (uint32_t capacity : { 1000u, 16384u }) {
        ASSERT_TRUE(a->resizeCapacity(capacity));
        EXPECT_EQ(tags(*a), (std::vector<float> { 1, 2, 3, 4, 5 }));
        EXPECT_EQ(a->indices()[(capacity - 1) * 6 + 3], (capacity - 1) * 4 + 3);
    }
    auto last = quadTagged(9);
    a->updateQuad(&last, 16383);
    EXPECT_EQ(a->quads()[16383].tl.vertices.x, 9);
    ASSERT_TRUE(a->resizeCapacity(3));
    EXPECT_EQ(tags(*a), (std::vector<float> { 1, 2, 3 }));

    // A caller's malloc'ed block, large, grown and shrunk, then freed with the atlas.
    ASSERT_TRUE(a->resizeCapacity(2000));
    auto* own = static_cast<ksV3F_C4B_T2F_Quad*>(std::calloc(2000, sizeof(ksV3F_C4B_T2F_Quad)));
    ASSERT_NE(own, nullptr);
    own[0] = quadTagged(7);
    a->setQuads(own);
    ASSERT_TRUE(a->resizeCapacity(4000));
    EXPECT_EQ(a->quads()[0].tl.vertices.x, 7);
    ASSERT_TRUE(a->resizeCapacity(4));
    EXPECT_EQ(a->quads()[0].tl.vertices.x, 7);
}

TEST_F(TextureAtlasTest, CapacitiesBeyondSixteenBitIndicesAreRefused)
{
    EXPECT_TRUE(atlas(16384));
    EXPECT_FALSE(atlas(16385));
    auto a = atlas(4);
    auto quad = quadTagged(7);
    a->updateQuad(&quad, 0);
    EXPECT_FALSE(a->resizeCapacity(20000));
    EXPECT_EQ(a->capacity(), 4u) << "a refused resize leaves the atlas as it was";
    EXPECT_EQ(tags(*a), (std::vector<float> { 7 }));
}

TEST_F(TextureAtlasTest, DrawsQuadsWithTheirTextureAndColours)
{
    // 2x1 texture: left texel red, right texel blue.
    Bytes pixels = { 255, 0, 0, 255, 0, 0, 255, 255 };
    auto texture = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 2, 1, Size(2, 1));
    texture->setAliasTexParameters();
    auto a = KSTextureAtlas::textureAtlasWithTexture(texture.get(), 4);
    auto left = quadAt(0, 0, 4, 4, 0, 0, 0.5f, 1);
    auto right = quadAt(4, 0, 4, 4, 0.5f, 0, 1, 1, { 255, 255, 255, 255 });
    auto tinted = quadAt(8, 0, 4, 4, 0, 0, 0.5f, 1, { 0, 255, 255, 255 }); // red x cyan = black
    a->updateQuad(&left, 0);
    a->updateQuad(&right, 1);
    a->updateQuad(&tinted, 2);

    auto screen = makeScreen(16, 4);
    glDisable(GL_BLEND);
    a->drawNumberOfQuads(2);
    Bytes twoQuads = screen->readPixels();
    EXPECT_EQ(pixelAt(twoQuads, 16, 1, 1)[0], 255);
    EXPECT_EQ(pixelAt(twoQuads, 16, 5, 1)[2], 255);
    EXPECT_EQ(pixelAt(twoQuads, 16, 9, 1)[3], 0) << "the third quad was not drawn";

    a->drawQuads();
    Bytes all = screen->readPixels();
    EXPECT_EQ(pixelAt(all, 16, 9, 1)[0], 0);
    EXPECT_EQ(pixelAt(all, 16, 9, 1)[3], 255);
    // Asking for more than the capacity draws what the index buffer holds.
    a->drawNumberOfQuads(1000);
    glEnable(GL_BLEND);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
