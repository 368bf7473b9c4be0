// The screen shown once an invitation is sent.
#pragma once

#include "platform/ui/ImageView.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVShowMessageAndReturnController.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVInviteCompleteController : public QVShowMessageAndReturnController {
    QV_DECLARE_CLASS(QVInviteCompleteController)
public:
    QVImageView* inviteIcon() { view(); return inviteIcon_.get(); }
    void setInviteIconUrl(const std::string& url);
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteCompleteController() = default;

private:
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::ImageView> inviteIconFrame_;
    std::string iconUrl_;
};

} // namespace quorvel
