// QVSelectInviteTypeHeaderController ("SelectInviteTypeHeader"): the top of
// the invitation flow's first screen, with the invitation's reward.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

class QVSelectInviteTypeHeaderController : public platform::ui::ViewController, public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVSelectInviteTypeHeaderController)
public:
    platform::ui::Label* enticeLabel() { view(); return enticeLabel_.get(); }
    QVImageView* inviteIcon() { view(); return inviteIcon_.get(); }
    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeHeaderController() = default;

private:
    platform::Ref<platform::ui::Label> enticeLabel_;
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::ImageView> inviteIconFrame_;
};

} // namespace quorvel
