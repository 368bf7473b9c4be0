// Fuzzes reading TMX maps and the external tileset files they name. The input
// is a map file, optionally followed by "\n--tsx--\n" and the content of
// "tiles.tsx" beside it.
#include "engine/KSTMXXMLParser.h"
#include "platform/foundation/Exception.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FuzzDir {
    std::string path { "/tmp/brisko-fuzz-tmx-" + std::to_string(getpid()) };
    FuzzDir() { mkdir(path.c_str(), 0700); }
    ~FuzzDir()
    {
        unlink((path + "/map.tmx").c_str());
        unlink((path + "/tiles.tsx").c_str());
        rmdir(path.c_str());
    }
};

void write(const std::string& path, std::string_view bytes)
{
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzDir dir;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view tsx;
    constexpr std::string_view separator = "\n--tsx--\n";
    if (size_t at = input.find(separator); at != std::string_view::npos) {
        tsx = input.substr(at + separator.size());
        input = input.substr(0, at);
    }
    write(dir.path + "/map.tmx", input);
    write(dir.path + "/tiles.tsx", tsx);
    try {
        auto info = kestrel::KSTMXMapInfo::formatWithTMXFile(dir.path + "/map.tmx");
        for (const auto& layer : info->layers()) {
            // A layer with tiles holds a GID for every cell.
            if (layer->tiles() && layer->layerSize().width > 0 && layer->layerSize().height > 0) {
                size_t cells = size_t(layer->layerSize().width) * size_t(layer->layerSize().height);
                (void)layer->tiles()[cells - 1];
            }
        }
        for (const auto& tileset : info->tilesets()) {
            tileset->setImageSize(kestrel::Size(256, 256));
            (void)tileset->rectForGID(tileset->firstGid() + 17);
        }
    } catch (const platform::Exception&) {
        // Refused input fails an assertion; that is the expected outcome.
    }
    return 0;
}
