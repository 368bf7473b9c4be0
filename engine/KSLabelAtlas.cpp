// Character-map labels: one atlas quad per byte of the string.
#include "engine/KSLabelAtlas.h"

#include "platform/foundation/Log.h"

#include <algorithm>

namespace kestrel {

using platform::Ref;

Ref<KSLabelAtlas> KSLabelAtlas::labelWithString(const std::string& string, const std::string& charMapFile,
                                                int itemWidth, int itemHeight, char startCharMap)
{
    auto label = adoptRef(new KSLabelAtlas);
    return label->initWithString(string, charMapFile, itemWidth, itemHeight, startCharMap) ? label : nullptr;
}

Ref<KSLabelAtlas> KSLabelAtlas::labelAtlasWithString(const std::string& string, const std::string& charMapFile,
                                                     int itemWidth, int itemHeight, char startCharMap)
{
    return labelWithString(string, charMapFile, itemWidth, itemHeight, startCharMap);
}

bool KSLabelAtlas::initWithString(const std::string& string, const std::string& charMapFile, int itemWidth,
                                  int itemHeight, char startCharMap)
{
    const size_t slots = std::min<size_t>(string.size(), kKSTextureAtlasMaxCapacity);
    if (!initWithTileFile(charMapFile, itemWidth, itemHeight, static_cast<int>(slots)))
        return false;
    mapStartChar_ = startCharMap;
    setString(string);
    return true;
}

void KSLabelAtlas::setString(const std::string& string)
{
    // The label keeps, draws and measures the characters its atlas holds:
    // 16-bit indices reach 16384 quads.
    string_ = string;
    if (string_.size() > kKSTextureAtlasMaxCapacity) {
        platform::logError("KSLabelAtlas: a text of %zu characters is more than the %u a label atlas draws; it keeps "
                           "the first %u", string_.size(), kKSTextureAtlasMaxCapacity, kKSTextureAtlasMaxCapacity);
        string_.resize(kKSTextureAtlasMaxCapacity);
    }
    if (string_.size() > textureAtlas_->capacity()
        && !textureAtlas_->resizeCapacity(static_cast<uint32_t>(string_.size()))) {
        platform::logError("KSLabelAtlas: no memory for the quads of %zu characters; it keeps the first %u",
                           string_.size(), textureAtlas_->capacity());
        string_.resize(textureAtlas_->capacity());
    }
    updateAtlasValues();
    setContentSizeInPixels(Size(static_cast<float>(string_.size() * static_cast<size_t>(itemWidth_)),
                                static_cast<float>(itemHeight_)));
}

void KSLabelAtlas::updateAtlasValues()
{
    KSTexture2D* texture = textureAtlas_->texture();
    // Without a texture (set to nil) or with no whole cell in it there is nothing to map.
    if (!texture || itemsPerRow_ <= 0)
        return;
    const float textureWide = static_cast<float>(texture->pixelsWide());
    const float textureHigh = static_cast<float>(texture->pixelsHigh());
    const size_t n = std::min<size_t>(string_.size(), textureAtlas_->capacity());
    for (size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(static_cast<unsigned char>(string_[i]) - static_cast<unsigned char>(mapStartChar_));
        const int cx = a % itemsPerRow_;
        const int cy = a / itemsPerRow_;
        const float left = static_cast<float>(cx * itemWidth_) / textureWide;
        const float right = left + static_cast<float>(itemWidth_) / textureWide;
        const float top = static_cast<float>(cy * itemHeight_) / textureHigh;
        const float bottom = top + static_cast<float>(itemHeight_) / textureHigh;

        ksV3F_C4B_T2F_Quad quad {};
        quad.tl.texCoords = { left, top };
        quad.tr.texCoords = { right, top };
        quad.bl.texCoords = { left, bottom };
        quad.br.texCoords = { right, bottom };
        const float x0 = static_cast<float>(i * static_cast<size_t>(itemWidth_));
        const float x1 = static_cast<float>((i + 1) * static_cast<size_t>(itemWidth_));
        quad.bl.vertices = { x0, 0, 0 };
        quad.br.vertices = { x1, 0, 0 };
        quad.tl.vertices = { x0, static_cast<float>(itemHeight_), 0 };
        quad.tr.vertices = { x1, static_cast<float>(itemHeight_), 0 };
        textureAtlas_->updateQuad(&quad, static_cast<uint32_t>(i));
    }
}

void KSLabelAtlas::draw()
{
    drawQuads(static_cast<uint32_t>(std::min<size_t>(string_.size(), textureAtlas_->capacity())));
}

} // namespace kestrel
