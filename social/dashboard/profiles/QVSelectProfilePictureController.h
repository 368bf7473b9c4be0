// QVSelectProfilePictureController ("SelectProfilePicture"): the local player
// chooses the profile picture — a linked network's picture, a photo of their
// own (camera or library, drawn into 50 x 50 points and uploaded) or the
// default icon. Networks take a moment to hand over a picture, so the screen
// can ask the server to refresh them and then downloads the pictures' update
// times again, up to three times, three seconds apart.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Popover.h"
#include "social/dashboard/profiles/QVCustomImagePickerController.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace platform {
class Image;
}

namespace quorvel {

class QVProfilePictureCell : public QVResourceCell<QVUsersCredential> {
    QV_DECLARE_CLASS(QVProfilePictureCell)
public:
    static constexpr float kHeight = 60;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void showResource(QVUsersCredential* c) override;
    bool hasConstantHeight() override { return true; }

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    platform::ui::ImageView* credentialImageView() const { return credentialImageView_.get(); }
    platform::ui::Label* credentialTextLabel() const { return credentialTextLabel_.get(); }
    platform::ui::ImageView* checkmark() const { return checkmark_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVProfilePictureCell() = default;

private:
    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::ImageView> credentialImageView_;
    platform::Ref<platform::ui::Label> credentialTextLabel_;
    platform::Ref<platform::ui::ImageView> checkmark_;
};

class QVSelectProfilePictureController : public QVTableSequenceControllerHelper,
                                         public QVProfileFrame,
                                         public platform::ui::ImagePickerControllerDelegate,
                                         public platform::ui::PopoverControllerDelegate {
    QV_DECLARE_CLASS(QVSelectProfilePictureController)
public:
    enum RefreshMask { kFacebook = 1, kTwitter = 2, kUploaded = 4 };
    static constexpr int kMaxDownloads = 3;
    static constexpr double kRedownloadDelay = 3.0;
    static constexpr const char* kProblemTitle = "Oops! There was a problem";
    static constexpr const char* kSaveFailed
        = "Something went wrong and we weren't able to save your change. Please try again later.";
    static constexpr const char* kRefreshFailed
        = "Something went wrong and we weren't able to refresh your profile pictures. Please try again later.";

    // The picked photo as the 50 x 50 point picture that is uploaded.
    static platform::Ref<platform::Image> profilePictureFromImage(const platform::Image& image);

    int refreshCount() const { return refreshCount_; }
    platform::ui::BarButtonItem* refreshButton() const { return refreshButton_.get(); }
    bool isWaitingFor(int kind) const;
    platform::ui::ActionSheet* photoSheet() const { return photoSheet_.get(); }
    QVCustomImagePickerController* picker() const { return picker_.get(); }
    // The picker's popover on a large screen; null when none is up.
    platform::ui::PopoverController* imagePickerPopoverController() const { return imagePickerPopoverController_.get(); }

    void _clickedRefresh() { _refreshProfilePictures(kFacebook | kTwitter | kUploaded); }
    void _refreshProfilePictures(int mask);
    void _redownloadCredentials(platform::Object* = nullptr);
    void _refreshSuccess(platform::Object* answer);
    void _refreshFailure(platform::Object* = nullptr);
    void _selectSourceSuccess(platform::Object* ignored, platform::Object* credential);
    void _selectSourceFailure(platform::Object* = nullptr);
    void _uploadSuccess(platform::Object*) { _refreshProfilePictures(kUploaded); }
    void _imageSelected(const platform::Image& image);
    void _presentCustomImageActionSheet();

    void imagePickerControllerDidFinishPickingMedia(platform::ui::ImagePickerController* picker,
                                                    const platform::ui::PickedMedia& media) override;
    void imagePickerControllerDidCancel(platform::ui::ImagePickerController* picker) override;
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;
    void popoverControllerDidDismissPopover(platform::ui::PopoverController* popover) override;
    // The dashboard turned: a picker popover anchored to the old layout goes.
    void orientationDidChange(const platform::Notification& notification);

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    bool allowPagination() override { return false; }
    std::string getNoDataFoundMessage() override { return ""; }
    std::optional<std::string> getTableHeaderViewName() override { return std::string("SelectProfilePictureHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectProfilePictureController() = default;
    ~QVSelectProfilePictureController() override;

private:
    void showPicker(platform::ui::ImagePickerSourceType source);
    void hidePicker();
    void forgetPicker();
    void deselectRows();

    int refreshCount_ { 0 };
    platform::Ref<platform::ui::BarButtonItem> refreshButton_;
    // The credentials awaited in the current refresh (rows of the list).
    platform::Ref<QVUsersCredential> facebookWaiting_;
    platform::Ref<QVUsersCredential> twitterWaiting_;
    platform::Ref<QVUsersCredential> httpBasicWaiting_;
    bool redownloadOnNextAppear_ { false };
    bool refreshOnNextRedownload_ { false };
    platform::Ref<platform::ui::ActionSheet> photoSheet_;
    platform::Ref<QVCustomImagePickerController> picker_;
    platform::Ref<platform::ui::PopoverController> imagePickerPopoverController_;
    // The row the photo choice started from (the popover's anchor).
    std::optional<platform::ui::IndexPath> photoRow_;
};

} // namespace quorvel
