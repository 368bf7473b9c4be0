// QVDashboardNotificationView: a plain 21-point strip as wide as the screen
// (its height in landscape) with a line of text and a disclosure arrow, the
// two centred together. It stays at the bottom of its superview.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <string>

namespace quorvel {

class QVDashboardNotificationView : public platform::ui::View {
public:
    static constexpr float kHeight = 21;
    static constexpr const char* kBackground = "QuorvelDashboardNotificationBackground.png";
    static constexpr const char* kArrow = "QuorvelNotificationDisclosureArrow.png";

    static platform::Ref<QVDashboardNotificationView> notificationWithText(const std::string& text);

    platform::ui::ImageView* background() const { return background_; }
    platform::ui::Label* label() const { return label_; }
    platform::ui::ImageView* arrow() const { return arrow_; }

private:
    QVDashboardNotificationView() = default;
    void initWithText(const std::string& text);

    platform::ui::ImageView* background_ { nullptr };
    platform::ui::Label* label_ { nullptr };
    platform::ui::ImageView* arrow_ { nullptr };
};

} // namespace quorvel
