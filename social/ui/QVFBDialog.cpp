// The Facebook login dialog of the dashboard.
#include "social/ui/QVFBDialog.h"

#include "social/ui/QVDashboardRole.h"

namespace quorvel {

using platform::ui::InterfaceOrientation;

platform::Ref<QVFBDialog> QVFBDialog::dialogWithSession(FBSession* session)
{
    auto dialog = platform::adoptRef(new QVFBDialog);
    if (!dialog->initWithSession(session))
        return nullptr;
    return dialog;
}

void QVFBDialog::showInView(platform::ui::View*)
{
    show();
    QVDashboardRole& host = QVDashboardRole::current();
    if (host.isLargeScreen() && host.isInLandscapeModeOniPad()) {
        platform::Rect f = frame();
        f.size.width = kLandscapeWidth;
        if (host.getDashboardOrientation() == InterfaceOrientation::LandscapeRight)
            f.origin.x += kLandscapeRightShift;
        setFrame(f);
    }
}

void QVFBDialog::keyboardWillShow(const platform::Notification& notification)
{
    if (QVDashboardRole::current().isLargeScreen())
        moveUp(true);
    else
        FBLoginDialog::keyboardWillShow(notification);
}

void QVFBDialog::keyboardWillHide(const platform::Notification& notification)
{
    if (QVDashboardRole::current().isLargeScreen())
        moveUp(false);
    else
        FBLoginDialog::keyboardWillHide(notification);
}

void QVFBDialog::moveUp(bool up)
{
    QVDashboardRole& host = QVDashboardRole::current();
    if (!host.isLargeScreen() || up == isSlidUp_)
        return;
    isSlidUp_ = up;
    float d = up ? kKeyboardSlide : -kKeyboardSlide;
    platform::Rect f = frame();
    switch (host.getDashboardOrientation()) {
    case InterfaceOrientation::Portrait: f.origin.y -= d; break;
    case InterfaceOrientation::PortraitUpsideDown: f.origin.y += d; break;
    case InterfaceOrientation::LandscapeRight: f.origin.x += d; break;
    case InterfaceOrientation::LandscapeLeft: f.origin.x -= d; break;
    }
    platform::ui::View::beginAnimations("QVFBDialogMove");
    setFrame(f);
    platform::ui::View::commitAnimations();
}

} // namespace quorvel
