// Fuzzes loading TrueType faces through the label: the input is a font file
// in the bundle folder, named "fuzzfont.ttf". TrueType labels in it are made
// sized to their text and in a box with each alignment, given other texts
// and drawn into a small framebuffer; the font's names and metrics are read.
// The font manager is emptied after each input, so every input is loaded
// anew. Uses a real headless GL context.
#include "engine/KSLabelTTF.h"
#include "external/ttfont/TTFontManager.h"
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzGL.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Font.h"

#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

void show(kestrel::KSLabelTTF& label)
{
    label.visit();
    label.setString("AV hi\nthere \xc3\xa9\xe2\x80\xa6");
    label.visit();
    label.setString("");
    label.visit();
}

const FuzzFolder& folder()
{
    static const FuzzFolder folder("ttf_label");
    return folder;
}

} // namespace

// Before the first input: the label first asks the system's fonts for the
// name (misses are remembered), and fontconfig keeps part of what it reads
// then where the leak checker cannot see it until it is shut down at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    platform::Bundle::main().replaceResourcePath(folder().path);
    // Unknown fonts are refused with a line each; thousands of runs need not print them.
    platform::setLogSink([](platform::LogLevel, const std::string&) { });
    __lsan_disable();
    (void)platform::Font::fontWithName("fuzzfont", 12);
    __lsan_enable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool drawable = ensureFuzzGL();
    if (!writeFuzzBytes(folder().path + "/fuzzfont.ttf", std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    try {
        if (auto font = ttfont::TTFontManager::sharedManager()->ttFontWithName("fuzzfont", 12)) {
            (void)font->familyName();
            (void)font->fontName();
            (void)font->postScriptName();
            (void)font->ascender();
            (void)font->descender();
            (void)font->leading();
            (void)font->capHeight();
            (void)font->xHeight();
        }
        if (drawable) {
            if (auto label = kestrel::KSLabelTTF::labelWithString("AB hi", "fuzzfont", 16))
                show(*label);
            for (auto alignment : { kestrel::KSTextAlignmentLeft, kestrel::KSTextAlignmentCenter,
                                    kestrel::KSTextAlignmentRight })
                if (auto boxed = kestrel::KSLabelTTF::labelWithString("hi there, AVAV", kestrel::Size(30, 20),
                                                                      alignment, "fuzzfont", 9))
                    show(*boxed);
            platform::drainGLErrors();
            // The rasteriser frees a texture once the drawing that used it is done.
            glFinish();
        }
    } catch (const platform::AssertionFailure&) {
        // A 'name' table of a format the reader refuses fails its documented assertion.
    }
    ttfont::TTFontManager::purgeSharedManager();
    return 0;
}
