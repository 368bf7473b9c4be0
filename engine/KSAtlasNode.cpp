// The atlas node: a tile image's atlas drawn with one colour and blend function.
#include "engine/KSAtlasNode.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"

namespace kestrel {

using platform::Ref;

Ref<KSAtlasNode> KSAtlasNode::atlasWithTileFile(const std::string& tile, int tileWidth, int tileHeight,
                                                int itemsToRender)
{
    auto node = adoptRef(new KSAtlasNode);
    return node->initWithTileFile(tile, tileWidth, tileHeight, itemsToRender) ? node : nullptr;
}

bool KSAtlasNode::initWithTileFile(const std::string& tile, int tileWidth, int tileHeight, int itemsToRender)
{
    if (!KSNode::init())
        return false;
    itemWidth_ = static_cast<int>(static_cast<float>(tileWidth) * ksContentScaleFactor());
    itemHeight_ = static_cast<int>(static_cast<float>(tileHeight) * ksContentScaleFactor());
    opacity_ = 255;
    color_ = colorUnmodified_ = ksWHITE;
    opacityModifyRGB_ = true;
    blendFunc_ = { KS_BLEND_SRC, KS_BLEND_DST };
    if (itemsToRender < 0)
        return false;
    if (static_cast<uint32_t>(itemsToRender) > kKSTextureAtlasMaxCapacity) {
        platform::logError("KSAtlasNode: cannot draw %d items of %s: an atlas holds at most %u", itemsToRender,
                           tile.c_str(), kKSTextureAtlasMaxCapacity);
        return false;
    }
    textureAtlas_ = KSTextureAtlas::textureAtlasWithFile(tile, static_cast<uint32_t>(itemsToRender));
    if (!textureAtlas_)
        return false;
    // A cell must fit in the image at least once: the cell arithmetic divides by
    // the cells per row and column.
    const Size content = textureAtlas_->texture()->contentSizeInPixels();
    if (itemWidth_ <= 0 || itemHeight_ <= 0 || static_cast<float>(itemWidth_) > content.width
        || static_cast<float>(itemHeight_) > content.height) {
        textureAtlas_ = nullptr;
        return false;
    }
    updateBlendFunc();
    updateOpacityModifyRGB();
    calculateMaxItems();
    return true;
}

void KSAtlasNode::calculateMaxItems()
{
    KSTexture2D* texture = this->texture();
    if (!texture || itemWidth_ <= 0 || itemHeight_ <= 0)
        return;
    const Size s = texture->contentSizeInPixels();
    itemsPerColumn_ = static_cast<int>(s.height / static_cast<float>(itemHeight_));
    itemsPerRow_ = static_cast<int>(s.width / static_cast<float>(itemWidth_));
}

void KSAtlasNode::updateAtlasValues()
{
    throw platform::Exception("KSAtlasNode:Abstract", "updateAtlasValue not overriden");
}

void KSAtlasNode::updateBlendFunc()
{
    KSTexture2D* texture = this->texture();
    if (texture && !texture->hasPremultipliedAlpha())
        blendFunc_ = { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
}

void KSAtlasNode::updateOpacityModifyRGB()
{
    KSTexture2D* texture = this->texture();
    opacityModifyRGB_ = texture && texture->hasPremultipliedAlpha();
}

void KSAtlasNode::setTexture(KSTexture2D* texture)
{
    textureAtlas_->setTexture(texture);
    updateBlendFunc();
    updateOpacityModifyRGB();
}

void KSAtlasNode::setColor(ksColor3B color)
{
    color_ = colorUnmodified_ = color;
    if (opacityModifyRGB_) {
        color_.r = static_cast<GLubyte>(color.r * opacity_ / 255);
        color_.g = static_cast<GLubyte>(color.g * opacity_ / 255);
        color_.b = static_cast<GLubyte>(color.b * opacity_ / 255);
    }
}

ksColor3B KSAtlasNode::color() const
{
    return opacityModifyRGB_ ? colorUnmodified_ : color_;
}

void KSAtlasNode::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    if (opacityModifyRGB_)
        setColor(colorUnmodified_);
}

void KSAtlasNode::setOpacityModifyRGB(bool modify)
{
    ksColor3B old = color();
    opacityModifyRGB_ = modify;
    setColor(old);
}

void KSAtlasNode::drawQuads(uint32_t n)
{
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4ub(color_.r, color_.g, color_.b, opacity_);
    const bool newBlend = blendFunc_.src != KS_BLEND_SRC || blendFunc_.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    textureAtlas_->drawNumberOfQuads(n);
    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
    glEnableClientState(GL_COLOR_ARRAY);
}

void KSAtlasNode::draw()
{
    drawQuads(textureAtlas_->totalQuads());
}

const KSFloatProperties& KSAtlasNode::floatProperties() const
{
    static const KSFloatProperties properties(&KSNode::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSAtlasNode*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
