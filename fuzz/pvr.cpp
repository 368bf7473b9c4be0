// Fuzzes the PVR header checks, level splitting and upload: any file loads or
// answers nil, never crashes. Uses a real headless GL context.
#include "engine/KSTexturePVR.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureFuzzGL();
    const std::string path = writeFuzzFile(data, size, ".pvr");
    if (path.empty())
        return 0;
    if (auto pvr = kestrel::KSTexturePVR::pvrTextureWithContentsOfFile(path))
        (void)pvr->name();
    return 0;
}
