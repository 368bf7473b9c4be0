// Fuzzes text layout with arbitrary bytes as text (texts come from the server)
// and options taken from the first bytes; every line must keep to the width
// whenever the mode truncates or the text can be broken, and every glyph must
// name a character of the text.
#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static platform::Ref<platform::Font> font = platform::Font::systemFont(12);
    if (!font || size < 3)
        return 0;
    platform::TextLayoutOptions o;
    o.width = static_cast<float>(data[0] % 200);
    o.maxLines = data[1] % 4;
    o.lineBreakMode = static_cast<platform::LineBreakMode>(data[2] % 6);
    o.alignment = static_cast<platform::TextAlignment>(data[2] / 6 % 3);
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    auto layout = platform::layoutText(text, *font, o);
    const size_t characters = platform::decodeUtf8(text).size();
    bool truncating = o.lineBreakMode != platform::LineBreakMode::WordWrap && o.lineBreakMode != platform::LineBreakMode::CharacterWrap;
    if (o.maxLines && layout.lines.size() > static_cast<size_t>(o.maxLines))
        std::abort();
    for (auto& line : layout.lines) {
        // A line of one character may be wider than a tiny width; wider lines may not.
        if (o.width > 0 && truncating && line.width > o.width + 0.01f && line.glyphs.size() > 1
            && o.lineBreakMode != platform::LineBreakMode::Clip)
            std::abort();
        if (platform::decodeUtf8(line.text).size() != line.glyphs.size())
            std::abort();
        // Glyphs point back into the text (an ellipsis at most one past its end).
        for (const auto& g : line.glyphs) {
            if (g.index > characters)
                std::abort();
        }
    }
    return 0;
}
