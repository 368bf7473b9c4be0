// The Facebook login dialog adapted to the large-screen landscape dashboard:
// 400 points wide, placed for the dashboard's orientation, and moved 150
// points out of the keyboard's way (once, however many will-show notices
// come). On small screens it keeps the Facebook client's own behaviour.
#pragma once

#include "social/runtime/FBSession.h"

namespace quorvel {

class QVFBDialog : public FBLoginDialog {
public:
    static constexpr float kLandscapeWidth = 400;
    static constexpr float kLandscapeRightShift = 50;
    static constexpr float kKeyboardSlide = 150;

    static platform::Ref<QVFBDialog> dialogWithSession(FBSession* session);

    // The view is not used: the dialog shows itself.
    void showInView(platform::ui::View* view);
    void moveUp(bool up);
    bool isSlidUp() const { return isSlidUp_; }

    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;

protected:
    QVFBDialog() = default;

private:
    bool isSlidUp_ { false };
};

} // namespace quorvel
