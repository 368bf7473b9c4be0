// Fuzzes in-memory inflation of zlib and gzip streams.
#include "engine/Support/Compression.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char* out = nullptr;
    unsigned n = kestrel::ksInflateBuffer(data, unsigned(size), &out);
    if (out && n > 0)
        (void)out[n - 1];
    std::free(out);
    return 0;
}
