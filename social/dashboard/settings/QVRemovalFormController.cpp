// What the removal forms share: their layout pieces and the warning sheet.
#include "social/dashboard/settings/QVRemovalFormController.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

void QVRemovalFormController::showWarningSheet(const std::string& text)
{
    if (sheet_) // a sheet still up is replaced: its answer no longer reaches this form
        sheet_->setDelegate(nullptr);
    sheet_ = ActionSheet::sheet(text, this, "Go Back", "Continue");
    View* top = QuorvelInternal::dashboardRole().getTopLevelView();
    sheet_->showInView(top ? top : view());
}

void QVRemovalFormController::forgetSheet(ActionSheet* sheet)
{
    if (sheet == sheet_.get())
        sheet_ = nullptr;
}

Ref<View> QVRemovalFormController::formRoot()
{
    const Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    auto root = View::viewWithFrame(Rect(0, 0, bounds.size.width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    return root;
}

Ref<Label> QVRemovalFormController::formLabel(View* root, float y, float height, float size, bool bold)
{
    const float width = root->frame().size.width;
    auto label = layout::makeLabel(Rect(20, y, width - 40, height), size, bold);
    label->setTextColor(Color::whiteColor());
    label->setNumberOfLines(0);
    label->setAutoresizingMask(FlexibleWidth);
    root->addSubview(label.get());
    return label;
}

Ref<QVDefaultButton> QVRemovalFormController::formButton(View* root)
{
    auto button = QVDefaultButton::redBorderedButton(Rect(20, 150, root->frame().size.width - 40, 44));
    button->setAutoresizingMask(FlexibleWidth);
    root->addSubview(button.get());
    return button;
}

void QVRemovalFormController::popAnimated()
{
    if (NavigationController* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

} // namespace quorvel
