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
