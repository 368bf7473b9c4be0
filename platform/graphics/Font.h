// A font at a point size: the typeface the UI layer measures and draws text in.
//
// Named fonts come from the platform's installed fonts (FontFile::findByName):
// a name that is not installed answers an empty Ref, and callers take their
// documented not-found path. The system fonts are the DejaVu defaults.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/graphics/FontFile.h"

#include <string>

namespace platform {

class Font final : public Object {
public:
    [[nodiscard]] static Ref<Font> fontWithName(const std::string& name, float size);
    // A font over an opened file (fonts loaded from files rather than installed);
    // empty without a file.
    [[nodiscard]] static Ref<Font> fontWithFile(Ref<FontFile> file, float size) { return make(std::move(file), size); }
    [[nodiscard]] static Ref<Font> systemFont(float size);
    [[nodiscard]] static Ref<Font> boldSystemFont(float size);
    [[nodiscard]] static Ref<Font> italicSystemFont(float size);
    // The same typeface at another size.
    Ref<Font> fontWithSize(float size) const;

    // The name the font was asked for (the PostScript name for system fonts).
    const std::string& fontName() const { return name_; }
    const std::string& familyName() const { return file_->familyName(); }
    float pointSize() const { return size_; }
    float ascender() const { return file_->ascender(size_); }
    float descender() const { return file_->descender(size_); }
    float lineHeight() const { return file_->lineHeight(size_); }
    FontFile& file() const { return *file_; }

    std::string description() const override;

private:
    Font(Ref<FontFile> file, std::string name, float size) : file_(std::move(file)), name_(std::move(name)), size_(size) { }
    [[nodiscard]] static Ref<Font> make(Ref<FontFile> file, float size);

    Ref<FontFile> file_;
    std::string name_;
    float size_;
};

} // namespace platform
