// The TGA tile map: the map image stays loaded; quads follow the column-major
// order of its non-empty cells.
#include "engine/KSTileMapAtlas.h"

#include "engine/Support/KSFileUtils.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

namespace kestrel {

using platform::Ref;

namespace {

std::string positionKey(ksGridSize p)
{
    return platform::format("%d,%d", p.x, p.y);
}

} // namespace

Ref<KSTileMapAtlas> KSTileMapAtlas::tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                             int tileWidth, int tileHeight)
{
    auto atlas = adoptRef(new KSTileMapAtlas);
    return atlas->initWithTileFile(tile, mapFile, tileWidth, tileHeight) ? atlas : nullptr;
}

bool KSTileMapAtlas::initWithTileFile(const std::string& tile, const std::string& mapFile, int tileWidth,
                                      int tileHeight)
{
    if (!loadTGAfile(mapFile))
        return false;
    calculateItemsToRender();
    if (static_cast<uint32_t>(itemsToRender_) > kKSTextureAtlasMaxCapacity) {
        platform::logError("KSTileMapAtlas: cannot draw the map %s: its %d tiles are more than the %u an atlas holds",
                           mapFile.c_str(), itemsToRender_, kKSTextureAtlasMaxCapacity);
        return false;
    }
    if (!KSAtlasNode::initWithTileFile(tile, tileWidth, tileHeight, itemsToRender_))
        return false;
    posToAtlasIndex_.emplace();
    posToAtlasIndex_->reserve(static_cast<size_t>(itemsToRender_));
    updateAtlasValues();
    // Item sizes are in pixels.
    setContentSizeInPixels(Size(static_cast<float>(tgaInfo_->width * itemWidth_),
                                static_cast<float>(tgaInfo_->height * itemHeight_)));
    return true;
}

KSTileMapAtlas::~KSTileMapAtlas()
{
    tgaFree(tgaInfo_);
}

bool KSTileMapAtlas::loadTGAfile(const std::string& file)
{
    const std::string path = KSFileUtils::fullPathFromRelativePath(file);
    tgaFree(tgaInfo_);
    tgaInfo_ = tgaLoadFile(path.c_str());
    // A missing or refused file is no map (the log has named it).
    if (tgaInfo_ && tgaInfo_->status == kTGAStatusOpenFailed) {
        tgaFree(tgaInfo_);
        tgaInfo_ = nullptr;
        return false;
    }
    // Cells are read three bytes apart: any other pixel size would misread them.
    if (!tgaInfo_ || tgaInfo_->status != kTGAStatusOK || tgaInfo_->pixelDepth != 24) {
        tgaFree(tgaInfo_);
        tgaInfo_ = nullptr;
        throw platform::Exception("TileMapAtlasLoadTGA", "TileMapAtas cannot load TGA file");
    }
    return true;
}

void KSTileMapAtlas::calculateItemsToRender()
{
    BRISKO_ASSERT(tgaInfo_, "tgaInfo must be non-nil");
    itemsToRender_ = 0;
    for (int x = 0; x < tgaInfo_->width; ++x)
        for (int y = 0; y < tgaInfo_->height; ++y)
            if (pixelAt({ x, y })[0])
                ++itemsToRender_;
}

const unsigned char* KSTileMapAtlas::pixelAt(ksGridSize p) const
{
    return tgaInfo_->imageData + (static_cast<size_t>(p.x) + static_cast<size_t>(p.y) * static_cast<size_t>(tgaInfo_->width)) * 3;
}

void KSTileMapAtlas::updateAtlasValues()
{
    BRISKO_ASSERT(tgaInfo_, "tgaInfo must be non-nil");
    int total = 0;
    for (int x = 0; x < tgaInfo_->width; ++x) {
        for (int y = 0; y < tgaInfo_->height && total < itemsToRender_; ++y) {
            const unsigned char* pixel = pixelAt({ x, y });
            if (pixel[0]) {
                updateAtlasValueAt({ x, y }, ksColor3B { pixel[0], pixel[1], pixel[2] }, static_cast<unsigned>(total));
                (*posToAtlasIndex_)[positionKey({ x, y })] = total;
                ++total;
            }
        }
    }
}

void KSTileMapAtlas::updateAtlasValueAt(ksGridSize p, ksColor3B value, unsigned index)
{
    const int row = value.r / itemsPerRow_;
    const int column = value.r % itemsPerRow_;
    KSTexture2D* texture = textureAtlas_->texture();
    const float textureWide = texture ? static_cast<float>(texture->pixelsWide()) : 1.0f;
    const float textureHigh = texture ? static_cast<float>(texture->pixelsHigh()) : 1.0f;
    const float w = static_cast<float>(itemWidth_);
    const float h = static_cast<float>(itemHeight_);

    const float left = static_cast<float>(column) * w / textureWide;
    const float right = left + w / textureWide;
    const float top = static_cast<float>(row) * h / textureHigh;
    const float bottom = top + h / textureHigh;

    ksV3F_C4B_T2F_Quad quad {};
    const float x0 = static_cast<float>(p.x) * w;
    const float x1 = static_cast<float>(p.x + 1) * w;
    const float y0 = static_cast<float>(p.y) * h;
    const float y1 = static_cast<float>(p.y + 1) * h;
    quad.bl.vertices = { x0, y0, 0 };
    quad.br.vertices = { x1, y0, 0 };
    quad.tl.vertices = { x0, y1, 0 };
    quad.tr.vertices = { x1, y1, 0 };
    quad.tl.texCoords = { left, top };
    quad.tr.texCoords = { right, top };
    quad.bl.texCoords = { left, bottom };
    quad.br.texCoords = { right, bottom };
    textureAtlas_->updateQuad(&quad, index);
}

ksColor3B KSTileMapAtlas::tileAt(ksGridSize p) const
{
    BRISKO_ASSERT(tgaInfo_, "tgaInfo must not be nil");
    BRISKO_ASSERT(p.x >= 0 && p.x < tgaInfo_->width, "Invalid position.x");
    BRISKO_ASSERT(p.y >= 0 && p.y < tgaInfo_->height, "Invalid position.y");
    const unsigned char* pixel = pixelAt(p);
    return { pixel[0], pixel[1], pixel[2] };
}

void KSTileMapAtlas::setTile(ksColor3B tile, ksGridSize p)
{
    BRISKO_ASSERT(tgaInfo_, "tgaInfo must not be nil");
    BRISKO_ASSERT(posToAtlasIndex_.has_value(), "posToAtlasIndex must not be nil");
    BRISKO_ASSERT(p.x >= 0 && p.x < tgaInfo_->width, "Invalid position.x");
    BRISKO_ASSERT(p.y >= 0 && p.y < tgaInfo_->height, "Invalid position.y");
    BRISKO_ASSERT(tile.r != 0, "R component must be non 0");

    unsigned char* pixel = const_cast<unsigned char*>(pixelAt(p));
    // An empty cell has no quad to retile.
    if (pixel[0] == 0)
        return;
    pixel[0] = tile.r;
    pixel[1] = tile.g;
    pixel[2] = tile.b;
    auto found = posToAtlasIndex_->find(positionKey(p));
    if (found != posToAtlasIndex_->end())
        updateAtlasValueAt(p, tile, static_cast<unsigned>(found->second));
}

void KSTileMapAtlas::releaseMap()
{
    tgaFree(tgaInfo_);
    tgaInfo_ = nullptr;
    posToAtlasIndex_.reset();
}

} // namespace kestrel
