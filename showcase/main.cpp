// The showcase: runs the engine headless on a display-link director (320 x 480
// RGB565 view, 1/30 s, frame-rate display on), shows each scene for a moment,
// saves selected frames as PNG files into a folder it names, and prints one
// line per scene. Usage: showcase [OUTPUT_FOLDER]
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "engine/platform/KSDirectorIOS.h"
#include "platform/device/Screen.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace kestrel;

namespace {

std::string makeOutputDir(int argc, char** argv)
{
    if (argc > 1) {
        mkdir(argv[1], 0755);
        return argv[1];
    }
    char pattern[] = "/tmp/brisko-showcase-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

} // namespace

int main(int argc, char** argv)
{
    // Software rasterising everywhere, so the frames are the same on every machine.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    std::string output = makeOutputDir(argc, argv);
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
    showcase::Showcase show(output);
    std::printf("%s\n", showcase::runEngineScene(show).c_str());
    std::printf("%s\n", showcase::runSpriteSheetScene(show).c_str());
    std::printf("%s\n", showcase::runSpriteBatchScene(show).c_str());
    std::printf("%s\n", showcase::runParticleScene(show).c_str());
    std::printf("%s\n", showcase::runTileMapScene(show).c_str());
    std::printf("%s\n", showcase::runTransitionScene(show).c_str());
    std::printf("%s\n", showcase::runMenuScene(show).c_str());
    std::printf("%s\n", showcase::runProgressScene(show).c_str());
    std::printf("%s\n", showcase::runSocialScene(show).c_str());

    KSDirector::purgeSharedDirector();
    return 0;
}
