// A node that draws quads of one texture atlas made from a tile image (an
// image cut into equal cells), applying one colour, opacity and blend
// function to all of them; subclasses fill the quads in updateAtlasValues().
//
// Caveat: a cell size of zero or larger than the tile image is refused (the
// initialiser answers false), so cell arithmetic never divides by zero.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSTextureAtlas.h"

#include <string>

namespace kestrel {

class KSAtlasNode : public KSNode, public KSRGBAProtocol, public KSTextureProtocol {
public:
    // Tile size in points; itemsToRender is the atlas capacity.
    [[nodiscard]] static platform::Ref<KSAtlasNode> atlasWithTileFile(const std::string& tile, int tileWidth, int tileHeight,
                                                        int itemsToRender);
    [[nodiscard]] bool initWithTileFile(const std::string& tile, int tileWidth, int tileHeight, int itemsToRender);

    void calculateMaxItems();
    // Fills the atlas's quads; subclasses implement it.
    virtual void updateAtlasValues();
    void updateBlendFunc();
    void updateOpacityModifyRGB();
    void draw() override;

    void setColor(ksColor3B color) override;
    ksColor3B color() const override;
    GLubyte opacity() const override { return opacity_; }
    void setOpacity(GLubyte opacity) override;
    void setOpacityModifyRGB(bool modify) override;
    bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }

    KSTexture2D* texture() const override { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ksBlendFunc blendFunc) override { blendFunc_ = blendFunc; }
    KSTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
    void setTextureAtlas(KSTextureAtlas* atlas) { textureAtlas_ = atlas; }

    int itemsPerRow() const { return itemsPerRow_; }
    int itemsPerColumn() const { return itemsPerColumn_; }
    int itemWidth() const { return itemWidth_; }
    int itemHeight() const { return itemHeight_; }

    std::string className() const override { return "KSAtlasNode"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSAtlasNode() = default;
    // Draws n quads of the atlas with the node's colour and blending.
    void drawQuads(uint32_t n);

    platform::Ref<KSTextureAtlas> textureAtlas_;
    int itemsPerRow_ { 0 };
    int itemsPerColumn_ { 0 };
    int itemWidth_ { 0 };
    int itemHeight_ { 0 };
    ksBlendFunc blendFunc_ { KS_BLEND_SRC, KS_BLEND_DST };
    GLubyte opacity_ { 255 };
    ksColor3B color_ { ksWHITE };
    ksColor3B colorUnmodified_ { ksWHITE };
    bool opacityModifyRGB_ { true };
};

} // namespace kestrel
