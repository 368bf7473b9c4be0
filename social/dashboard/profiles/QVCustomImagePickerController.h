// QVCustomImagePickerController: the photo picker of the profile picture
// screen, shown full screen over the dashboard by its root controller and
// hidden by the same.
#pragma once

#include "platform/ui/ImagePicker.h"

namespace quorvel {

class QVCustomImagePickerController : public platform::ui::ImagePickerController {
public:
    static platform::Ref<QVCustomImagePickerController> customPicker();
    // Presented (animated) by the dashboard's root controller, or by `whenNoRoot`
    // when no dashboard runs.
    void show(platform::ui::ViewController* whenNoRoot = nullptr);
    void hide();

protected:
    QVCustomImagePickerController() = default;
};

} // namespace quorvel
