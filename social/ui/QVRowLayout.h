// Helpers for rows and screens laid out in code: the width of a dashboard
// row, a transparent label in the system font, tagging and adding the views
// a row is made of, the right and bottom edges of a view's frame, where text
// beside a framed picture starts, and keeping a row's parts in its middle.
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

// A picture's photo frame reaches this far past its sides; text beside a
// framed picture keeps kGapBesideFrame more points from it.
inline constexpr float kPictureFrameReach = 7;
inline constexpr float kGapBesideFrame = 6;
// Where the text beside a framed picture starts.
inline float besidePicture(const platform::Rect& picture) { return picture.maxX() + kPictureFrameReach + kGapBesideFrame; }
// A framed picture of that side at the left of a row of that height: its
// frame (5 points above it, 7 below) in the row's middle, clear of the
// list's edge and, in a row at least side + 16 high, 2 points or more inside
// the row, so the frames of a list's rows never meet.
platform::Rect pictureInRow(float side, float rowHeight);

// The views keep their place at mid-height of a row taller than the one they
// were laid out for (a tablet's rows are at least 60 points).
void keepInTheMiddle(std::initializer_list<platform::ui::View*> views);

} // namespace quorvel::layout
