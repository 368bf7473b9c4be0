// Font: a FontFile at a point size, with the platform's system fonts.
#include "platform/graphics/Font.h"

#include "platform/foundation/Format.h"

namespace platform {

Ref<Font> Font::make(Ref<FontFile> file, float size)
{
    if (!file)
        return nullptr;
    std::string name = file->postScriptName();
    return adoptRef(new Font(std::move(file), std::move(name), size));
}

Ref<Font> Font::fontWithName(const std::string& name, float size)
{
    auto file = FontFile::findByName(name);
    if (!file)
        return nullptr;
    return adoptRef(new Font(std::move(file), name, size));
}

Ref<Font> Font::systemFont(float size) { return make(FontFile::defaultFont(), size); }
Ref<Font> Font::boldSystemFont(float size) { return make(FontFile::defaultBoldFont(), size); }
Ref<Font> Font::italicSystemFont(float size) { return make(FontFile::defaultItalicFont(), size); }

Ref<Font> Font::fontWithSize(float size) const
{
    return adoptRef(new Font(file_, name_, size));
}

std::string Font::description() const
{
    return format("<Font = %s | %s %g>", addressString(this).c_str(), name_.c_str(), size_);
}

} // namespace platform
