// Fuzzes loading TGA images from a file.
#include "FuzzFile.h"
#include "engine/Support/TGAImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = writeFuzzFile(data, size, ".tga");
    if (path.empty())
        return 0;
    kestrel::sImageTGA* image = kestrel::tgaLoadFile(path.c_str());
    if (image && image->status == kestrel::kTGAStatusOK) {
        size_t bytes = size_t(image->width) * size_t(image->height) * (image->pixelDepth / 8);
        if (bytes)
            (void)image->imageData[bytes - 1];
    }
    kestrel::tgaFree(image);
    return 0;
}
