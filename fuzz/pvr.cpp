// Fuzzes the PVR header checks, level splitting and upload: any file loads or
// answers nil, never crashes. Uses a real headless GL context.
#include "engine/KSTexturePVR.h"
#include "platform/gl/GLContext.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static platform::Ref<platform::GLContext> context = [] {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        auto c = platform::GLContext::create();
        if (c)
            c->makeCurrent();
        return c;
    }();
    static const std::string path = "/tmp/fuzz_pvr_" + std::to_string(getpid()) + ".pvr";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (auto pvr = kestrel::KSTexturePVR::pvrTextureWithContentsOfFile(path))
        (void)pvr->name();
    return 0;
}
