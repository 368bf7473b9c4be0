// Parsing and writing the brace forms of points, sizes and rectangles.
#include "platform/graphics/GeometryStrings.h"

#include "platform/foundation/Format.h"

#include <cstdlib>

namespace platform {

namespace {

// Reads up to count numbers separated by braces, commas and blanks; stops at
// anything else, leaving the remaining values 0.
void readNumbers(const std::string& text, float* values, int count)
{
    for (int i = 0; i < count; ++i)
        values[i] = 0;
    const char* p = text.c_str();
    for (int i = 0; i < count; ++i) {
        while (*p == '{' || *p == '}' || *p == ',' || *p == ' ' || *p == '\t' || *p == '\n')
            ++p;
        if (!*p)
            return;
        char* end = nullptr;
        float v = parseFloat(p, &end);
        if (end == p)
            return;
        values[i] = v;
        p = end;
    }
}

} // namespace

Point pointFromString(const std::string& text)
{
    float v[2];
    readNumbers(text, v, 2);
    return Point(v[0], v[1]);
}

Size sizeFromString(const std::string& text)
{
    float v[2];
    readNumbers(text, v, 2);
    return Size(v[0], v[1]);
}

Rect rectFromString(const std::string& text)
{
    float v[4];
    readNumbers(text, v, 4);
    return Rect(v[0], v[1], v[2], v[3]);
}

std::string stringFromPoint(Point p) { return format("{%g, %g}", p.x, p.y); }
std::string stringFromSize(Size s) { return format("{%g, %g}", s.width, s.height); }
std::string stringFromRect(const Rect& r)
{
    return format("{{%g, %g}, {%g, %g}}", r.origin.x, r.origin.y, r.size.width, r.size.height);
}

} // namespace platform
