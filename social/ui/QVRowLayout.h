// Helpers for rows and screens laid out in code: the width of a dashboard
// row, a transparent label in the system font, tagging and adding the views
// a row is made of, and the right and bottom edges of a view's frame.
#pragma once

#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Label.h"

#include <initializer_list>

namespace quorvel::layout {

// The width of a dashboard row: the dashboard's width.
float rowWidth();

// A label of that frame in the (bold) system font of that size, with a clear background.
platform::Ref<platform::ui::Label> makeLabel(const platform::Rect& frame, float fontSize, bool bold);
// The same made by an interface layout, in that text colour.
platform::Ref<platform::ui::Label> makeLabel(platform::ui::InterfaceBuilder& builder, const platform::Rect& frame,
                                             float fontSize, bool bold, const platform::ui::Color& colour);

// Gives the view the tag and answers it: a row's view made and tagged at once.
template <class V>
platform::Ref<V> withTag(platform::Ref<V> view, int tag)
{
    view->setTag(tag);
    return view;
}

// Adds the views to the parent in order (nulls skipped).
void addSubviews(platform::ui::View* parent, std::initializer_list<platform::ui::View*> views);

float maxX(const platform::ui::View* view);
float maxY(const platform::ui::View* view);

} // namespace quorvel::layout
