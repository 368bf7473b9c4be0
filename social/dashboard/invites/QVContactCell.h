// The rows of an address-book contact: plain, and with a tick box. A
// contact's photo decodes as the service's pictures do (within their pixel
// budget, a large one off the main loop), once: the shared image cache keeps
// it under the contact, and the default picture shows until it is in.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVDeviceContact.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableCellHelper.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVContactCell : public QVResourceCell<QVDeviceContact> {
    QV_DECLARE_CLASS(QVContactCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVDeviceContact* contact) override;
    bool hasConstantHeight() override { return true; }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* numberOrEmail() const { return numberOrEmail_.get(); }
    const std::string& phoneOrEmailIconName() const { return iconName_; }
    platform::Image* photo() const { return profilePictureView_ ? profilePictureView_->image() : nullptr; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVContactCell() = default;

    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Label> nameLabel_, numberOrEmail_;
    platform::Ref<platform::ui::ImageView> phoneOrEmailIcon_;
    std::string iconName_;

private:
    static std::string photoKey(const QVDeviceContact& contact);
    void showPhoto(const QVDeviceContact& contact);
    std::string photoKey_; // of the photo shown, "" for none
    uint64_t photoTicket_ { 0 }; // its decode, while under way
};

class QVSelectableContactCell : public QVContactCell {
    QV_DECLARE_CLASS(QVSelectableContactCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    bool checked() const { return checked_; }
    void setChecked(bool checked);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectableContactCell() = default;

private:
    platform::Ref<platform::ui::ImageView> checkbox_;
    bool checked_ { false };
};

} // namespace quorvel
