// The row layout helpers.
#include "social/ui/QVRowLayout.h"

#include "platform/graphics/Font.h"
#include "social/ui/QVDashboardRole.h"

#include <cmath>

namespace quorvel::layout {

using platform::Rect;
using platform::Ref;
using platform::ui::Label;
using platform::ui::View;

float rowWidth() { return QVDashboardRole::current().getDashboardBounds().size.width; }

Rect pictureInRow(float side, float rowHeight)
{
    return Rect(kPictureFrameReach + 4, std::round((rowHeight - side) / 2) - 1, side, side);
}

void addSubviews(View* parent, std::initializer_list<View*> views)
{
    for (View* v : views)
        if (v)
            parent->addSubview(v);
}

namespace {

void styleLabel(Label& label, float fontSize, bool bold)
{
    label.setFont((bold ? platform::Font::boldSystemFont(fontSize) : platform::Font::systemFont(fontSize)).get());
    label.setBackgroundColor(std::nullopt);
    label.setOpaque(false);
}

} // namespace

Ref<Label> makeLabel(const Rect& frame, float fontSize, bool bold)
{
    auto label = Label::labelWithFrame(frame);
    styleLabel(*label, fontSize, bold);
    return label;
}

Ref<Label> makeLabel(platform::ui::InterfaceBuilder& builder, const Rect& frame, float fontSize, bool bold,
                     const platform::ui::Color& colour)
{
    Ref<Label> label = builder.makeView<Label>(frame);
    styleLabel(*label, fontSize, bold);
    label->setTextColor(colour);
    return label;
}

void keepInTheMiddle(std::initializer_list<View*> views)
{
    for (View* v : views)
        if (v)
            v->setAutoresizingMask(v->autoresizingMask() | platform::ui::FlexibleTopMargin | platform::ui::FlexibleBottomMargin);
}

float maxX(const View* view) { return view->frame().origin.x + view->frame().size.width; }
float maxY(const View* view) { return view->frame().origin.y + view->frame().size.height; }

} // namespace quorvel::layout
