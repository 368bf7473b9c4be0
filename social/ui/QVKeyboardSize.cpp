// The keyboard's size in the dashboard's orientation.
#include "social/ui/QVKeyboardSize.h"

#include "platform/ui/Keyboard.h"
#include "platform/ui/Types.h"
#include "social/runtime/QVSystemVersion.h"
#include "social/ui/QVDashboardRole.h"

namespace quorvel {

platform::Size QVgetKeyboardSize(const platform::Value& userInfo)
{
    return QVgetKeyboardSize(userInfo, QVIsOS3Point2OrLater());
}

platform::Size QVgetKeyboardSize(const platform::Value& userInfo, bool systemHasEndFrame)
{
    if (systemHasEndFrame) {
        platform::Size size = platform::ui::rectFromValue(userInfo[platform::ui::kKeyboardFrameEndUserInfoKey]).size;
        // The end frame is the screen's, upright: turned only when the
        // dashboard is (a large screen's landscape answer holds upright too).
        if (QVDashboardRole::current().isInLandscapeModeOniPad())
            return platform::Size(size.height, size.width);
        return size;
    }
    return platform::ui::rectFromValue(userInfo[platform::ui::kKeyboardBoundsUserInfoKey]).size;
}

} // namespace quorvel
