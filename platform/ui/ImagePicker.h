// The image picker: a navigation screen that lets the user take or choose a
// picture. It shows a screen titled by its source with a Cancel, the user's way
// out. Which sources exist is the device's business; tests set it
// (setSourceTypeAvailable) and play the user with finishPickingForTest and
// cancelForTest (or a tap on the Cancel). The delegate is not owned; without
// one, the picker dismisses itself as the device's picker does.
#pragma once

#include "platform/ui/ImageAsset.h"
#include "platform/ui/NavigationController.h"

namespace platform::ui {

enum class ImagePickerSourceType { PhotoLibrary = 0, Camera = 1, SavedPhotosAlbum = 2 };

// What the user picked: the picture, its edited form (when editing was
// allowed) and the crop of the edit.
struct PickedMedia {
    Ref<ImageAsset> originalImage;
    Ref<ImageAsset> editedImage;
    Rect cropRect;
};

class ImagePickerController;

class ImagePickerControllerDelegate {
public:
    virtual ~ImagePickerControllerDelegate() = default;
    virtual void imagePickerControllerDidFinishPickingMedia(ImagePickerController* /*picker*/, const PickedMedia& /*media*/) { }
    virtual void imagePickerControllerDidCancel(ImagePickerController* /*picker*/) { }
};

class ImagePickerController : public NavigationController {
public:
    static Ref<ImagePickerController> picker();
    bool init() override;

    // The photo library and the saved album exist; a camera only when set.
    static bool isSourceTypeAvailable(ImagePickerSourceType type);
    static void setSourceTypeAvailable(ImagePickerSourceType type, bool available);
    // Back to the defaults (TestDriver::reset).
    static void resetSourceTypes();

    ImagePickerSourceType sourceType() const { return sourceType_; }
    // An unavailable source raises an assertion, as on the device.
    void setSourceType(ImagePickerSourceType type);
    bool allowsEditing() const { return allowsEditing_; }
    void setAllowsEditing(bool a) { allowsEditing_ = a; }
    ImagePickerControllerDelegate* pickerDelegate() const { return pickerDelegate_; }
    void setPickerDelegate(ImagePickerControllerDelegate* d) { pickerDelegate_ = d; }

    // The screen's title for a source ("Photo Albums", "Saved Photos", "Camera").
    static std::string titleForSourceType(ImagePickerSourceType type);

    // The user picks a picture (and, with editing allowed, its edited form:
    // the picture itself when none is given).
    void finishPickingForTest(ImageAsset* original, ImageAsset* edited = nullptr);
    // What the Cancel does: the delegate hears it, or the picker closes itself.
    void cancel();
    void cancelForTest() { cancel(); }

protected:
    ImagePickerController() = default;

private:
    ImagePickerControllerDelegate* pickerDelegate_ { nullptr };
    ImagePickerSourceType sourceType_ { ImagePickerSourceType::PhotoLibrary };
    bool allowsEditing_ { false };
};

} // namespace platform::ui
