// The process-wide registry of font files loaded from the application bundle,
// for fonts the platform does not know by name.
//
// Fonts are found as "<name>.ttf" or as a file named exactly <name> in the
// bundle's resources, loaded once and never unloaded. "URLs" are file paths.
// Failures (no file, not a font) answer false or empty and log nothing; a name
// that failed is looked up in the bundle again on every request. Caveat: only
// creating the shared manager is thread-safe; use it from the main thread.
#pragma once

#include "external/ttfont/TTFont.h"

#include <map>
#include <string>
#include <vector>

namespace ttfont {

class TTFontManager final : public platform::Object {
public:
    static TTFontManager* sharedManager();
    static void purgeSharedManager();

    bool loadFont(const std::string& name);
    bool loadFontURL(const std::string& url);
    // Owned by the manager; null when the font cannot be found.
    platform::FontFile* fontWithName(const std::string& name);
    platform::Ref<TTFont> ttFontWithName(const std::string& name, float pointSize);
    platform::Ref<TTFont> ttFontWithURL(const std::string& url, float pointSize);
    // Every loaded font, in the order their files were first loaded.
    std::vector<platform::Ref<platform::FontFile>> copyAllFonts() const;

    std::string className() const override { return "TTFontManager"; }

private:
    TTFontManager() = default;
    platform::FontFile* fontForURL(const std::string& url) const;

    std::vector<std::pair<std::string, platform::Ref<platform::FontFile>>> fonts_; // url -> font, load order
    std::map<std::string, std::string> urls_; // requested name -> url
};

} // namespace ttfont
