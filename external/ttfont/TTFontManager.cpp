// TTFontManager: bundle lookup and loading of font files by name or path.
#include "external/ttfont/TTFontManager.h"

#include "platform/foundation/Bundle.h"

#include <mutex>

using platform::Ref;

namespace ttfont {

namespace {

std::mutex gSharedLock;
TTFontManager* gShared = nullptr;

} // namespace

TTFontManager* TTFontManager::sharedManager()
{
    std::lock_guard guard(gSharedLock);
    if (!gShared)
        gShared = new TTFontManager;
    return gShared;
}

void TTFontManager::purgeSharedManager()
{
    TTFontManager* m;
    {
        std::lock_guard guard(gSharedLock);
        m = gShared;
        gShared = nullptr;
    }
    if (m)
        m->release();
}

bool TTFontManager::loadFont(const std::string& name)
{
    const auto& bundle = platform::Bundle::main();
    std::string path = bundle.pathForResource(name, "ttf");
    if (path.empty())
        path = bundle.pathForResource(name, "");
    if (path.empty() || !loadFontURL(path))
        return false;
    urls_[name] = path;
    return true;
}

bool TTFontManager::loadFontURL(const std::string& url)
{
    auto font = platform::FontFile::fromPath(url);
    if (!font)
        return false;
    for (auto& entry : fonts_) {
        if (entry.first == url) {
            entry.second = font;
            return true;
        }
    }
    fonts_.emplace_back(url, font);
    return true;
}

platform::FontFile* TTFontManager::fontForURL(const std::string& url) const
{
    for (const auto& entry : fonts_) {
        if (entry.first == url)
            return entry.second.get();
    }
    return nullptr;
}

platform::FontFile* TTFontManager::fontWithName(const std::string& name)
{
    auto it = urls_.find(name);
    if (it == urls_.end()) {
        loadFont(name);
        it = urls_.find(name);
    }
    return it == urls_.end() ? nullptr : fontForURL(it->second);
}

Ref<TTFont> TTFontManager::ttFontWithName(const std::string& name, float pointSize)
{
    platform::FontFile* font = fontWithName(name);
    return font ? TTFont::fontWithCGFont(font, pointSize) : nullptr;
}

Ref<TTFont> TTFontManager::ttFontWithURL(const std::string& url, float pointSize)
{
    platform::FontFile* font = fontForURL(url);
    if (!font && loadFontURL(url))
        font = fontForURL(url);
    return font ? TTFont::fontWithCGFont(font, pointSize) : nullptr;
}

std::vector<Ref<platform::FontFile>> TTFontManager::copyAllFonts() const
{
    std::vector<Ref<platform::FontFile>> all;
    for (const auto& entry : fonts_)
        all.push_back(entry.second);
    return all;
}

} // namespace ttfont
