// The rows of an address-book contact: plain, and with a tick box.
#include "social/dashboard/invites/QVContactCell.h"

#include "platform/graphics/Image.h"
#include "platform/ui/ImageView.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVDeviceContact.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVContactCell);
QV_REGISTER_CLASS(QVSelectableContactCell);

bool QVContactCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, 50));
    profilePictureView_ = QVImageView::imageViewWithFrame(Rect(6, 5, 40, 40));
    nameLabel_ = layout::makeLabel(Rect(54, 4, width - 110, 22), 16, true);
    numberOrEmail_ = layout::makeLabel(Rect(74, 27, width - 130, 18), 12, false);
    phoneOrEmailIcon_ = ImageView::imageViewWithFrame(Rect(54, 28, 16, 16));
    layout::addSubviews(contentView(), { profilePictureView_.get(), nameLabel_.get(), numberOrEmail_.get(),
                                         phoneOrEmailIcon_.get() });
    return true;
}

void QVContactCell::showResource(QVDeviceContact* contact)
{
    nameLabel_->setText(contact->name());
    iconName_.clear();
    if (!contact->number().empty()) {
        numberOrEmail_->setText(contact->number());
        iconName_ = "QVSelectInviteContactPhoneSmall.png";
    } else if (!contact->email().empty()) {
        numberOrEmail_->setText(contact->email());
        iconName_ = "QVSelectInviteContactMailSmall.png";
    } else {
        numberOrEmail_->setText("");
    }
    phoneOrEmailIcon_->setImage(iconName_.empty() ? nullptr : QVLoadKitImage(iconName_).get());
    Ref<platform::Image> picture;
    if (contact->imageData())
        picture = platform::Image::imageWithData(contact->imageData()->data(), contact->imageData()->size());
    if (!picture)
        if (auto fallback = QVLoadKitImage("QVProfileIconDefault.png"))
            picture = fallback->image();
    profilePictureView_->setDefaultImage(picture.get());
}

bool QVSelectableContactCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVContactCell::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    checkbox_ = ImageView::imageViewWithFrame(Rect(width - 40, 13, 24, 24));
    contentView()->addSubview(checkbox_.get());
    setChecked(false);
    return true;
}

void QVSelectableContactCell::setChecked(bool checked)
{
    checked_ = checked;
    checkbox_->setImage(QVLoadKitImage(checked ? "QVCheckBoxSelected.png" : "QVCheckBox.png").get());
}

} // namespace quorvel
