// Fuzzes the PNG and JPEG decoders: any input decodes or is refused, never crashes.
#include "platform/graphics/Image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A small pixel budget keeps each run fast; the limits are checked before allocation.
    auto image = platform::Image::imageWithData(data, size, nullptr, 1u << 20);
    if (image)
        (void)image->pngData();
    return 0;
}
