// The must-be-online screen: watching the network while it shows.
#include "social/ui/QVMustBeOnlineErrorController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/NavigationController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVMustBeOnlineErrorController);

void QVMustBeOnlineErrorController::viewWillAppear(bool animated)
{
    deadEndWillAppear(animated);
    mReachabilityObserver = platform::makeRef<QVReachabilityObserver>(
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVMustBeOnlineErrorController, _onReachabilityStatusChanged))));
    setTitle("You're Offline");
    navigationItem()->setHidesBackButton(true);
}

void QVMustBeOnlineErrorController::viewDidDisappear(bool animated)
{
    QVDeadEndErrorController::viewDidDisappear(animated);
    mReachabilityObserver = nullptr;
}

void QVMustBeOnlineErrorController::_onReachabilityStatusChanged(platform::Object* status)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(status);
    if (!boxed || boxed->value().asInteger() == 0)
        return;
    if (NavigationController* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

} // namespace quorvel
