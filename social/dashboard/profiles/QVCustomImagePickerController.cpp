// The profile picture screen's photo picker: shown and hidden over the dashboard.
#include "social/dashboard/profiles/QVCustomImagePickerController.h"

#include "social/core/QuorvelInternal.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

Ref<QVCustomImagePickerController> QVCustomImagePickerController::customPicker()
{
    auto picker = adoptRef(new QVCustomImagePickerController);
    if (!picker->init())
        return nullptr;
    return picker;
}

void QVCustomImagePickerController::show(ViewController* whenNoRoot)
{
    ViewController* presenter = QuorvelInternal::dashboardRole().getRootController();
    if (!presenter)
        presenter = whenNoRoot;
    if (presenter)
        presenter->presentModalViewController(this, true);
}

void QVCustomImagePickerController::hide()
{
    if (ViewController* presenter = parentViewController())
        presenter->dismissModalViewControllerAnimated(true);
}

} // namespace quorvel
