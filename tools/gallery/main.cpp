// quorvel_gallery [DIR]: renders every dashboard screen with realistic data
// into DIR (made when missing; a new folder under /tmp when not given) with
// an index.html, and lists what looks wrong. Exits 1 when the run failed.
#include "tools/gallery/Gallery.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    gallery::Options options;
    if (argc > 1 && argv[1][0] != '-') {
        options.outputDir = argv[1];
    } else {
        char pattern[] = "/tmp/brisko-gallery-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) {
            std::fprintf(stderr, "gallery: cannot make a folder under /tmp\n");
            return 1;
        }
        options.outputDir = made;
    }
    for (int i = 2; i < argc; ++i)
        options.only.push_back(argv[i]);
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    options.sourceDir = source ? source : BRISKO_GALLERY_SOURCE_DIR;
    options.outputDir = std::filesystem::absolute(options.outputDir).string();
    std::printf("gallery: writing to %s\n", options.outputDir.c_str());
    options.progress = [](const std::string& line) {
        std::printf("  %s\n", line.c_str());
        std::fflush(stdout);
    };
    gallery::Result result = gallery::run(options);
    if (!result.failure.empty()) {
        std::fprintf(stderr, "gallery: %s\n", result.failure.c_str());
        return 1;
    }
    for (auto& f : result.findings)
        std::printf("%s\n", f.line().c_str());
    std::printf("gallery: %zu screens rendered, %zu findings; open %s/index.html\n", result.shots.size(),
                result.findings.size(), options.outputDir.c_str());
    return 0;
}
