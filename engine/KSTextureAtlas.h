// An array of textured, coloured quads over one texture with a fixed index
// buffer, drawn (any prefix of it) in one indexed call. Sprite batches,
// particle systems and tile maps render through it.
//
// Caveat: indices are 16-bit, so capacity is at most kKSTextureAtlasMaxCapacity
// quads; larger capacities are refused. The caller keeps the vertex and
// texture-coordinate client arrays enabled while drawing.
#pragma once

#include "engine/KSTexture2D.h"
#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr uint32_t kKSTextureAtlasMaxCapacity = 16384;

class KSTextureAtlas : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTextureAtlas> textureAtlasWithFile(const std::string& file, uint32_t capacity);
    [[nodiscard]] static platform::Ref<KSTextureAtlas> textureAtlasWithTexture(KSTexture2D* texture, uint32_t capacity);

    [[nodiscard]] bool initWithFile(const std::string& file, uint32_t capacity);
    [[nodiscard]] bool initWithTexture(KSTexture2D* texture, uint32_t capacity);

    void updateQuad(const ksV3F_C4B_T2F_Quad* quad, uint32_t index)
    {
        if (index >= capacity_) [[unlikely]]
            invalidUpdateIndex();
        totalQuads_ = index + 1 > totalQuads_ ? index + 1 : totalQuads_;
        quads_[index] = *quad;
    }
    // The quad at index, for its owner to rewrite in place (the same bounds and
    // count as updateQuad), so that nothing is built elsewhere and copied in.
    ksV3F_C4B_T2F_Quad& quadToUpdate(uint32_t index)
    {
        if (index >= capacity_) [[unlikely]]
            invalidUpdateIndex();
        totalQuads_ = index + 1 > totalQuads_ ? index + 1 : totalQuads_;
        return quads_[index];
    }
    void insertQuad(const ksV3F_C4B_T2F_Quad* quad, uint32_t index);
    void insertQuadFromIndex(uint32_t oldIndex, uint32_t newIndex);
    void removeQuadAtIndex(uint32_t index);
    void removeAllQuads();
    // False (atlas unchanged) above the 16-bit limit; false (atlas emptied) when memory runs out.
    bool resizeCapacity(uint32_t newCapacity);

    void drawQuads();
    void drawNumberOfQuads(uint32_t n);

    uint32_t totalQuads() const { return totalQuads_; }
    uint32_t capacity() const { return capacity_; }
    ksV3F_C4B_T2F_Quad* quads() const { return quads_; }
    // Takes over a malloc'ed block of capacity() quads (the old block is freed).
    void setQuads(ksV3F_C4B_T2F_Quad* quads);
    const GLushort* indices() const { return indices_; }
    KSTexture2D* texture() const { return texture_.get(); }
    void setTexture(KSTexture2D* texture) { texture_ = texture; }

    std::string className() const override { return "KSTextureAtlas"; }
    std::string description() const override;

protected:
    KSTextureAtlas() = default;
    ~KSTextureAtlas() override;

private:
    void initIndices();
    void freeQuads();
    [[noreturn]] static void invalidUpdateIndex();

    uint32_t totalQuads_ { 0 };
    uint32_t capacity_ { 0 };
    ksV3F_C4B_T2F_Quad* quads_ { nullptr };
    GLushort* indices_ { nullptr };
    platform::Ref<KSTexture2D> texture_;
    // The quads are a malloc'ed block a caller handed over (setQuads), not
    // one of the atlas's own (KSLargeBlock: large ones are mapped).
    bool quadsFromCaller_ { false };
};

} // namespace kestrel
