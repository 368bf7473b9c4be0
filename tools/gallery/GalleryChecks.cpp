// The gallery's view-tree checks: cut text and views leaving the screen.
#include "tools/gallery/Gallery.h"

#include "platform/foundation/Format.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/View.h"

#include <cmath>

using namespace platform;
using namespace platform::ui;

namespace gallery {
namespace {

// Half a point of slack: frames from centres and odd sizes land on half points.
constexpr float kSlack = 0.5f;

std::string describe(View* view, const Rect& frame)
{
    std::string text = view->dumpText();
    if (text.size() > 60)
        text = text.substr(0, 57) + "...";
    return view->className() + (text.empty() ? std::string() : " \"" + text + "\"")
        + format(" at (%g, %g) %g x %g", frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
}

// A row's content: what a cell shows of it lies across its content view's
// width (laid out for another width, it runs under the accessory or past the row).
void walkRow(View* view, View* row, View* window, std::vector<Finding>& out)
{
    if (view->isHidden() || view->alpha() <= 0.01f)
        return;
    Rect frame = view->convertRectTo(view->bounds(), row);
    float width = row->bounds().size.width;
    if (frame.size.width > 0 && frame.size.height > 0
        && (frame.minX() < -kSlack || frame.maxX() > width + kSlack))
        out.push_back({ {}, {}, "row", describe(view, view->convertRectTo(view->bounds(), window))
                                            + format(" leaves its row of width %g", width) });
    for (auto& sub : view->subviews())
        walkRow(sub.get(), row, window, out);
}

void walk(View* view, View* window, bool clipped, std::vector<Finding>& out)
{
    if (view->isHidden() || view->alpha() <= 0.01f)
        return;
    if (auto* cell = dynamic_cast<TableViewCell*>(view)) {
        if (View* content = cell->contentView(); content && !content->isHidden())
            for (auto& sub : content->subviews())
                walkRow(sub.get(), content, window, out);
    }
    Rect frame = view->convertRectTo(view->bounds(), window);
    Rect screen = window->bounds();
    bool empty = frame.size.width <= 0 || frame.size.height <= 0;
    if (!clipped && !empty
        && (frame.minX() < screen.minX() - kSlack || frame.minY() < screen.minY() - kSlack
            || frame.maxX() > screen.maxX() + kSlack || frame.maxY() > screen.maxY() + kSlack))
        out.push_back({ {}, {}, "overflow", describe(view, frame) });
    if (auto* label = dynamic_cast<Label*>(view); label && !label->text().empty() && !empty) {
        if (label->currentLayout().truncated)
            out.push_back({ {}, {}, "cut", describe(view, frame) });
    }
    // What a clipping view holds shows only inside it (a list's rows, a scrolled page).
    bool clips = clipped || view->clipsToBounds() || dynamic_cast<ScrollView*>(view);
    for (auto& sub : view->subviews())
        walk(sub.get(), window, clips, out);
}

} // namespace

std::vector<Finding> checkTree(View* window)
{
    std::vector<Finding> out;
    if (!window)
        return out;
    for (auto& sub : window->subviews())
        walk(sub.get(), window, false, out);
    return out;
}

} // namespace gallery
