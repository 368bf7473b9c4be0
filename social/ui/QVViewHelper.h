// QVViewHelper: small walks over a view tree, depth-first with the given view
// first — lookups by tag and kind, the first responder, text delegates and
// return keys of a form, and the extent of a view's subviews.
#pragma once

#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/View.h"

namespace quorvel::QVViewHelper {

platform::ui::View* findViewByTag(platform::ui::View* view, int tag);
platform::ui::ScrollView* findFirstScrollView(platform::ui::View* view);
// Resigns the first responder found below the view; false when there is none.
bool resignFirstResponder(platform::ui::View* view);
// The view itself or its nearest superview of class T, or null.
template <typename T>
T* findAncestorOfClass(platform::ui::View* view)
{
    for (platform::ui::View* v = view; v; v = v->superview()) {
        if (auto* match = dynamic_cast<T*>(v))
            return match;
    }
    return nullptr;
}
// Every text field and text view below the view that has no delegate gets these.
void setTextDelegates(platform::ui::View* view, platform::ui::TextFieldDelegate* fieldDelegate,
                      platform::ui::TextViewDelegate* textViewDelegate);
// Views tagged 1, 2, 3 ... until one is missing: text fields get Next, the
// last one found (when a text field) the given key.
void setReturnKeysByTag(platform::ui::View* view, platform::ui::ReturnKeyType lastKey);
// (largest right edge, largest bottom edge) of the direct subviews; zero without any.
platform::Size subviewsExtent(platform::ui::View* view);

} // namespace quorvel::QVViewHelper
