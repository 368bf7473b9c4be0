// Fuzzes loading .ksz containers from a file.
#include "FuzzFile.h"
#include "engine/Support/Compression.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = writeFuzzFile(data, size, ".ksz");
    if (path.empty())
        return 0;
    unsigned char* out = nullptr;
    int n = kestrel::ksInflateKSZFile(path.c_str(), &out);
    if (out && n > 0)
        (void)out[n - 1];
    std::free(out);
    return 0;
}
