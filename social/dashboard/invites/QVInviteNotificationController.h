// The overlay announcing an invitation ("InviteNotification").
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;

class QVInviteNotificationController : public platform::ui::ViewController {
    QV_DECLARE_CLASS(QVInviteNotificationController)
public:
    static platform::Ref<QVInviteNotificationController> showInviteNotification(const std::string& text, QVUser* user,
                                                                                const std::string& headerText);
    platform::ui::Label* headerText() { view(); return headerText_.get(); }
    platform::ui::Label* notificationText() { view(); return notificationText_.get(); }
    QVImageView* userIcon() { view(); return userIcon_.get(); }
    void dismiss();
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteNotificationController() = default;

private:
    platform::Ref<platform::ui::Label> headerText_, notificationText_;
    platform::Ref<QVImageView> userIcon_;
    platform::Ref<platform::ui::ImageView> bgImage_;
    // What it shows, kept for a view made again (a memory warning while it waited to show).
    std::string header_, text_;
    std::optional<std::string> picture_;
};

} // namespace quorvel
