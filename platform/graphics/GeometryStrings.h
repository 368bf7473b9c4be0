// The text forms of points, sizes and rectangles used in property lists:
// "{x,y}", "{w,h}" and "{{x,y},{w,h}}". Missing or malformed numbers read as 0.
#pragma once

#include "platform/foundation/Geometry.h"

#include <string>

namespace platform {

Point pointFromString(const std::string& text);
Size sizeFromString(const std::string& text);
Rect rectFromString(const std::string& text);

std::string stringFromPoint(Point p);
std::string stringFromSize(Size s);
std::string stringFromRect(const Rect& r);

} // namespace platform
