// Fuzzes base64 decoding of arbitrary text.
#include "engine/Support/Base64.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char* out = nullptr;
    unsigned n = kestrel::ksBase64Decode(data, unsigned(size), &out);
    if (out && n > 0)
        (void)out[n - 1];
    std::free(out);
    return 0;
}
