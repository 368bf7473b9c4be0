// Helpers for rows and screens laid out in code: the width of a dashboard
// row, a transparent label in the system font, and the right and bottom edges
// of a view's frame.
#pragma once

#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Label.h"

namespace quorvel::layout {

// The width of a dashboard row: the dashboard's width.
float rowWidth();

// A label of that frame in the (bold) system font of that size, with a clear background.
platform::Ref<platform::ui::Label> makeLabel(const platform::Rect& frame, float fontSize, bool bold);
// The same made by an interface layout, in that text colour.
platform::Ref<platform::ui::Label> makeLabel(platform::ui::InterfaceBuilder& builder, const platform::Rect& frame,
                                             float fontSize, bool bold, const platform::ui::Color& colour);

float maxX(const platform::ui::View* view);
float maxY(const platform::ui::View* view);

} // namespace quorvel::layout
