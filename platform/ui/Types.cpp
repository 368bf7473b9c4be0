// Conversions of the UI layer's geometry to and from notification values.
#include "platform/ui/Types.h"

namespace platform::ui {

Value rectValue(const Rect& r)
{
    return ValueDictionary { { "x", r.origin.x }, { "y", r.origin.y }, { "width", r.size.width }, { "height", r.size.height } };
}

Rect rectFromValue(const Value& v)
{
    return { v["x"].asFloat(), v["y"].asFloat(), v["width"].asFloat(), v["height"].asFloat() };
}

Value pointValue(Point p)
{
    return ValueDictionary { { "x", p.x }, { "y", p.y } };
}

Point pointFromValue(const Value& v)
{
    return { v["x"].asFloat(), v["y"].asFloat() };
}

} // namespace platform::ui

namespace platform::ui {

namespace {

size_t toBoundary(const std::string& text, size_t pos)
{
    if (pos >= text.size())
        return text.size();
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        --pos;
    return pos;
}

} // namespace

TextRange clampTextRange(const std::string& text, TextRange range)
{
    size_t start = toBoundary(text, range.location);
    size_t end = range.length > text.size() ? text.size() : range.location + range.length;
    if (end > text.size() || end < range.location)
        end = text.size();
    end = toBoundary(text, end);
    if (end < start)
        end = start;
    return { start, end - start };
}

std::string replaceTextRange(const std::string& text, TextRange range, const std::string& replacement)
{
    TextRange r = clampTextRange(text, range);
    std::string out = text;
    out.replace(r.location, r.length, replacement);
    return out;
}

TextRange characterBefore(const std::string& text, size_t position)
{
    size_t end = toBoundary(text, position);
    if (end == 0)
        return { 0, 0 };
    size_t start = toBoundary(text, end - 1);
    return { start, end - start };
}

} // namespace platform::ui
