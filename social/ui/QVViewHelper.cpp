// View-tree walks of the screens.
#include "social/ui/QVViewHelper.h"

#include "platform/ui/ScrollView.h"

#include <algorithm>

namespace quorvel::QVViewHelper {

using namespace platform::ui;

namespace {
template <typename Fn>
View* findFirst(View* view, const Fn& match)
{
    if (!view)
        return nullptr;
    if (match(view))
        return view;
    for (auto& sub : view->subviews()) {
        if (View* found = findFirst(sub.get(), match))
            return found;
    }
    return nullptr;
}

template <typename Fn>
void forEach(View* view, const Fn& fn)
{
    if (!view)
        return;
    fn(view);
    auto subs = view->subviews();
    for (auto& sub : subs)
        forEach(sub.get(), fn);
}
} // namespace

View* findViewByTag(View* view, int tag)
{
    return findFirst(view, [tag](View* v) { return v->tag() == tag; });
}

ScrollView* findFirstScrollView(View* view)
{
    return dynamic_cast<ScrollView*>(findFirst(view, [](View* v) { return dynamic_cast<ScrollView*>(v) != nullptr; }));
}

bool resignFirstResponder(View* view)
{
    View* found = findFirst(view, [](View* v) { return v->isFirstResponder(); });
    if (!found)
        return false;
    found->resignFirstResponder();
    return true;
}

void setTextDelegates(View* view, TextFieldDelegate* fieldDelegate, TextViewDelegate* textViewDelegate)
{
    forEach(view, [&](View* v) {
        if (auto* field = dynamic_cast<TextField*>(v)) {
            if (!field->delegate())
                field->setDelegate(fieldDelegate);
        } else if (auto* text = dynamic_cast<TextView*>(v)) {
            if (!text->delegate())
                text->setDelegate(textViewDelegate);
        }
    });
}

void setReturnKeysByTag(View* view, ReturnKeyType lastKey)
{
    View* last = nullptr;
    for (int tag = 1;; ++tag) {
        View* found = findViewByTag(view, tag);
        if (!found)
            break;
        if (auto* field = dynamic_cast<TextField*>(found))
            field->setReturnKeyType(ReturnKeyType::Next);
        last = found;
    }
    if (auto* field = dynamic_cast<TextField*>(last))
        field->setReturnKeyType(lastKey);
}

platform::Size subviewsExtent(View* view)
{
    platform::Size extent;
    if (!view)
        return extent;
    for (auto& sub : view->subviews()) {
        platform::Rect f = sub->frame();
        extent.width = std::max(extent.width, f.origin.x + f.size.width);
        extent.height = std::max(extent.height, f.origin.y + f.size.height);
    }
    return extent;
}

} // namespace quorvel::QVViewHelper
