// The message list's keyboard observation and scrolling.
#include "social/dashboard/common/QVMessageListController.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"

#include <algorithm>

namespace quorvel {

QVMessageListController::~QVMessageListController() { stopObservingKeyboard(); }

void QVMessageListController::startObservingKeyboard()
{
    if (observingKeyboard_)
        return;
    observingKeyboard_ = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, platform::ui::kKeyboardWillShowNotification, [this](const platform::Notification& n) {
        if (keyboardShown_)
            return;
        keyboardShown_ = true;
        keyboardWillShow(n.userInfo);
    });
    center.addObserver(this, platform::ui::kKeyboardWillHideNotification, [this](const platform::Notification& n) {
        if (!keyboardShown_)
            return;
        keyboardShown_ = false;
        keyboardWillHide(n.userInfo);
    });
}

void QVMessageListController::stopObservingKeyboard()
{
    keyboardShown_ = false;
    if (!observingKeyboard_)
        return;
    observingKeyboard_ = false;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, platform::ui::kKeyboardWillShowNotification);
    center.removeObserver(this, platform::ui::kKeyboardWillHideNotification);
}

void QVMessageListController::scrollContentBy(float delta, bool animated)
{
    platform::ui::TableView* table = tableView();
    if (!table)
        return;
    platform::Point offset = table->contentOffset();
    float limit = table->contentSize().height - table->frame().size.height;
    offset.y = std::max(std::min(offset.y + delta, limit), 0.0f);
    table->setContentOffset(offset, animated);
}

} // namespace quorvel
