// ImagePickerController: source availability, its screen (a title and a
// Cancel), and the user's choice or cancellation delivered to the delegate.
#include "platform/ui/ImagePicker.h"

#include "platform/foundation/Exception.h"
#include "platform/ui/BarButtonItem.h"

namespace platform::ui {

namespace {
bool available[3] = { true, false, true };
}

Ref<ImagePickerController> ImagePickerController::picker()
{
    auto p = adoptRef(new ImagePickerController);
    return p->init() ? p : nullptr;
}

bool ImagePickerController::init()
{
    if (!NavigationController::init())
        return false;
    // What the device's picker shows at the least: a screen named for its source, and a way out.
    Ref<ViewController> screen = ViewController::controller();
    screen->setTitle(titleForSourceType(sourceType_));
    screen->navigationItem()->setRightBarButtonItem(BarButtonItem::withSystemItem(
        BarButtonItem::SystemItem::Cancel, this, BarButtonItem::PlainAction(BRISKO_SELECTOR(ImagePickerController, cancel))));
    setViewControllers({ screen }, false);
    return true;
}

std::string ImagePickerController::titleForSourceType(ImagePickerSourceType type)
{
    switch (type) {
    case ImagePickerSourceType::Camera: return "Camera";
    case ImagePickerSourceType::SavedPhotosAlbum: return "Saved Photos";
    case ImagePickerSourceType::PhotoLibrary: break;
    }
    return "Photo Albums";
}

bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType type)
{
    int i = int(type);
    return i >= 0 && i < 3 && available[i];
}

void ImagePickerController::setSourceTypeAvailable(ImagePickerSourceType type, bool a)
{
    int i = int(type);
    if (i >= 0 && i < 3)
        available[i] = a;
}

void ImagePickerController::resetSourceTypes()
{
    available[0] = true;
    available[1] = false;
    available[2] = true;
}

void ImagePickerController::setSourceType(ImagePickerSourceType type)
{
    BRISKO_ASSERT(isSourceTypeAvailable(type), "Source type not available");
    sourceType_ = type;
    if (!viewControllers().empty())
        viewControllers().front()->setTitle(titleForSourceType(type));
}

void ImagePickerController::finishPickingForTest(ImageAsset* original, ImageAsset* edited)
{
    Ref<ImagePickerController> keep = this;
    PickedMedia media;
    media.originalImage = original;
    if (allowsEditing_ && original) {
        media.editedImage = edited ? edited : original;
        media.cropRect = Rect(Point(), original->size());
    }
    if (pickerDelegate_)
        pickerDelegate_->imagePickerControllerDidFinishPickingMedia(this, media);
    else
        dismissModalViewControllerAnimated(true);
}

void ImagePickerController::cancel()
{
    Ref<ImagePickerController> keep = this;
    if (pickerDelegate_)
        pickerDelegate_->imagePickerControllerDidCancel(this);
    else
        dismissModalViewControllerAnimated(true);
}

} // namespace platform::ui
