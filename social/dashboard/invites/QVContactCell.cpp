// The rows of an address-book contact: plain, and with a tick box.
#include "social/dashboard/invites/QVContactCell.h"

#include "platform/graphics/Image.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/ImageView.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
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
    showPhoto(*contact);
}

// The cache's key of a contact's photo: the contact and what its photo holds,
// so that a contact read again from the address book finds its photo decoded,
// and a changed photo is decoded anew.
std::string QVContactCell::photoKey(const QVDeviceContact& contact)
{
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t byte : *contact.imageData())
        hash = (hash ^ byte) * 1099511628211ull;
    return "address-book-photo:" + std::to_string(contact.recordId()) + ":" + std::to_string(contact.imageData()->size())
        + ":" + std::to_string(hash);
}

void QVContactCell::showPhoto(const QVDeviceContact& contact)
{
    QVImageCache* cache = QVImageCache::sharedInstance();
    if (cache && photoTicket_)
        cache->cancelPicture(photoTicket_);
    photoTicket_ = 0;
    Ref<platform::ui::ImageAsset> fallback = QVLoadKitImage("QVProfileIconDefault.png");
    Ref<platform::Image> fallbackImage = fallback ? Ref<platform::Image>(fallback->image()) : nullptr;
    photoKey_ = contact.imageData() ? photoKey(contact) : std::string();
    // The photo decodes as the service's pictures do, within their budget and off the main loop; until it is
    // in (or when it is refused) the default shows.
    profilePictureView_->setDefaultImage(fallbackImage.get());
    if (photoKey_.empty())
        return;
    const std::string source = "address-book photo of contact " + std::to_string(contact.recordId());
    if (!cache) {
        if (Ref<platform::Image> photo = QVPictureDecoder::decodeNow(*contact.imageData(), source))
            profilePictureView_->setDefaultImage(photo.get());
        return;
    }
    platform::Weak<QVContactCell> weak(this);
    photoTicket_ = cache->decodePicture(photoKey_, *contact.imageData(), source, profilePictureView_->shownPixels(),
                                        [weak, key = photoKey_](Ref<platform::Image> photo) {
                                            Ref<QVContactCell> self = weak.lock();
                                            if (!self || self->photoKey_ != key)
                                                return;
                                            self->photoTicket_ = 0;
                                            if (photo)
                                                self->profilePictureView_->setDefaultImage(photo.get());
                                        });
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
