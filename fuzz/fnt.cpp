// Fuzzes the bitmap-font reader: the input is a .fnt file read beside a small
// page image "page.png". A configuration that reads without failing an
// assertion answers kerning lookups and makes a label over the page it names
// (a missing page, one that is no image, or one the bundle rule refuses,
// makes none); over "page.png" the label lays out and draws every character
// code below 128 and a few past it, then other texts, colours and opacities.
// Uses a real headless GL context.
#include "engine/KSLabelBMFont.h"
#include "engine/KSTextureCache.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLFramebuffer.h"
#include "platform/graphics/Image.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    static const FuzzFolder folder("fnt");
    static const std::string dir = [] {
        platform::Image::imageWithRGBA(8, 8, platform::Bytes(8 * 8 * 4, 255))->writePNG(folder.path + "/page.png");
        // Fonts naming a missing page log it; thousands of runs need not print them.
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        return folder.path;
    }();
    if (!drawable)
        return 0;

    const std::string path = dir + "/font.fnt";
    writeFuzzBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        auto config = kestrel::KSBMFontConfiguration::configurationWithFNTFile(path);
        (void)config->description();
        for (uint32_t c = 0; c < 128; ++c)
            (void)config->kerningAmount(c, c + 1);
        // Whatever page the file names, the bundle rule and the file reader decide.
        if (!config->atlasName().empty()) {
            kestrel::KSLabelBMFont::purgeCachedData();
            std::string text;
            for (char c = 1; c > 0 && c < 127; ++c)
                text += c;
            text += "\xc3\xa9\xdf\xbf";
            auto label = kestrel::KSLabelBMFont::labelWithString(text, path);
            if (label) {
                label->visit();
                label->setString("A\nB\n");
                label->setAnchorPoint({ 0, 0 });
                label->setOpacity(128);
                label->setColor({ 10, 20, 30 });
                label->visit();
                label->setString("");
                label->setString("BA\n\nAB");
                label->visit();
            }
        }
    } catch (const platform::AssertionFailure&) {
        // The documented assertions for unsupported files.
    }
    kestrel::KSLabelBMFont::purgeCachedData();
    return 0;
}
