// The showcase: runs the engine headless on a display-link director (320 x 480
// RGB565 view, 1/30 s, frame-rate display on), shows each scene for a moment,
// saves selected frames as PNG files into a folder it names, and prints one
// line per scene. Time is virtual: one frame per 1/30 s of a manual clock, as
// fast as the machine draws, so every run saves the same frames; --real-time
// paces the frames on the real clock instead. --cycles N shows each engine
// scene N times in a row instead, and after each showing prints the memory in
// use and the live GL textures, so that what a scene leaves behind shows as
// growth from one showing to the next. Exits 1 when a scene fails or a frame
// cannot be saved. Usage: showcase [--real-time] [--cycles N] [OUTPUT_FOLDER]
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "engine/KSTexture2D.h"
#include "engine/platform/KSDirectorIOS.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"

#include <clocale>
#include <malloc.h>
#include <sys/stat.h>
#if defined(__SANITIZE_ADDRESS__)
#define SHOWCASE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHOWCASE_ASAN 1
#endif
#endif
#if SHOWCASE_ASAN
#include <sanitizer/allocator_interface.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

using namespace kestrel;

namespace {

std::string makeOutputDir(const char* asked)
{
    if (asked) {
        mkdir(asked, 0755);
        struct stat st {};
        return stat(asked, &st) == 0 && S_ISDIR(st.st_mode) ? asked : "";
    }
    char pattern[] = "/tmp/brisko-showcase-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

// Heap bytes the program holds now (the sanitizer's count under it).
size_t bytesInUse()
{
#if SHOWCASE_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    // Software rasterising everywhere, so the frames are the same on every machine.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // As a game does, for its own texts: the engine's files and frames do not change with it.
    std::setlocale(LC_ALL, "");
    bool realTime = false;
    int cycles = 0;
    const char* asked = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--real-time") == 0) {
            realTime = true;
        } else if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            cycles = std::atoi(argv[++i]);
        } else if (argv[i][0] == '-' || asked) {
            std::fprintf(stderr, "usage: showcase [--real-time] [--cycles N] [OUTPUT_FOLDER]\n");
            return 2;
        } else {
            asked = argv[i];
        }
    }
    // Before the director exists, so its loop starts on this clock.
    if (!realTime)
        platform::RunLoop::main().setClock(std::make_shared<platform::ManualClock>(0.0));
    std::string output = makeOutputDir(asked);
    if (output.empty()) {
        std::fprintf(stderr, "showcase: cannot make an output folder\n");
        return 1;
    }

    if (!KSDirector::setDirectorType(kKSDirectorTypeDisplayLink))
        KSDirector::setDirectorType(kKSDirectorTypeNSTimer);
    auto* director = static_cast<KSDirectorIOS*>(KSDirector::sharedDirector());
    auto window = platform::ui::Window::windowWithFrame(platform::ui::Screen::mainScreen().bounds());
    window->makeKeyAndVisible();
    director->setPixelFormat(kKSPixelFormatRGB565);
    if (!director->attachInWindow(window.get())) {
        std::fprintf(stderr, "showcase: cannot attach the GL view\n");
        return 1;
    }
    director->setAnimationInterval(1.0 / 30);
    director->setDisplayFPS(true);

    std::printf("frames: %s\n", output.c_str());
    showcase::Showcase show(output, realTime);
    const std::pair<const char*, std::string (*)(showcase::Showcase&)> engineScenes[] = {
        { "engine", showcase::runEngineScene },
        { "sprite sheet", showcase::runSpriteSheetScene },
        { "sprite batch", showcase::runSpriteBatchScene },
        { "particles", showcase::runParticleScene },
        { "tile map", showcase::runTileMapScene },
        { "transition", showcase::runTransitionScene },
        { "menu", showcase::runMenuScene },
        { "progress", showcase::runProgressScene },
    };
    if (cycles > 0) {
        for (const auto& [name, scene] : engineScenes) {
            for (int cycle = 1; cycle <= cycles; ++cycle) {
                (void)scene(show);
                std::printf("cycle %s %d: %zu bytes in use, %zu textures\n", name, cycle, bytesInUse(),
                            KSTexture2D::liveTextureCount());
            }
        }
    } else {
        for (const auto& [name, scene] : engineScenes)
            std::printf("%s\n", scene(show).c_str());
        std::printf("%s\n", showcase::runSocialScene(show).c_str());
    }

    KSDirector::purgeSharedDirector();
    for (const std::string& failure : show.failures())
        std::fprintf(stderr, "showcase: FAILED %s\n", failure.c_str());
    return show.failures().empty() ? 0 : 1;
}
