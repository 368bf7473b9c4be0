// Fuzzes loading TGA images from a file, then the tile map a TGA describes:
// the map atlas over a 32 x 32 sheet of 8 x 8 tiles, its cells read and
// retiled, drawn into a small framebuffer before and after the map is
// released. Uses a real headless GL context.
#include "FuzzFile.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTileMapAtlas.h"
#include "engine/Support/TGAImage.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Exception.h"
#include "platform/graphics/Image.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string sheetPath() { return "/tmp/brisko-fuzz-tga-sheet-" + std::to_string(getpid()) + ".png"; }

// Maps of more cells are loaded but not built: a large map is slow to build, not wrong.
constexpr int kMaxCells = 1 << 14;

void exercise(kestrel::KSTileMapAtlas& atlas, int width, int height)
{
    atlas.visit();
    const kestrel::ksGridSize corners[] = { { 0, 0 }, { width - 1, 0 }, { 0, height - 1 }, { width - 1, height - 1 } };
    for (const kestrel::ksGridSize& cell : corners) {
        const kestrel::ksColor3B tile = atlas.tileAt(cell);
        atlas.setTile({ static_cast<GLubyte>(tile.r == 255 ? 1 : tile.r + 1), tile.g, tile.b }, cell);
    }
    atlas.visit();
    atlas.releaseMap();
    atlas.visit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const std::string sheet = [] {
        platform::Bytes rgba(32 * 32 * 4);
        for (size_t i = 0; i < rgba.size(); ++i)
            rgba[i] = static_cast<uint8_t>(i * 13);
        platform::Image::imageWithRGBA(32, 32, std::move(rgba))->writePNG(sheetPath());
        std::atexit([] { unlink(sheetPath().c_str()); });
        return sheetPath();
    }();

    std::string path = writeFuzzFile(data, size, ".tga");
    if (path.empty())
        return 0;
    kestrel::sImageTGA* image = kestrel::tgaLoadFile(path.c_str());
    bool buildable = false;
    int width = 0, height = 0;
    if (image && image->status == kestrel::kTGAStatusOK) {
        size_t bytes = size_t(image->width) * size_t(image->height) * (image->pixelDepth / 8);
        if (bytes)
            (void)image->imageData[bytes - 1];
        width = image->width;
        height = image->height;
        buildable = image->pixelDepth == 24 && width > 0 && height > 0 && width * height <= kMaxCells;
    }
    kestrel::tgaFree(image);

    if (drawable && buildable) {
        try {
            if (auto atlas = kestrel::KSTileMapAtlas::tileMapAtlasWithTileFile(sheet, path, 8, 8))
                exercise(*atlas, width, height);
        } catch (const platform::Exception&) {
            // Refused maps raise the documented exception or fail an assertion.
        }
        kestrel::KSTextureCache::purgeSharedTextureCache();
    }
    return 0;
}
