// QVMustBeOnlineErrorController ("MustBeOnlineError"): the dead-end screen for what needs the
// network, which leaves by itself once the network is back.
#pragma once

#include "social/runtime/QVReachability.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

class QVMustBeOnlineErrorController : public QVDeadEndErrorController {
    QV_DECLARE_CLASS(QVMustBeOnlineErrorController)
public:
    void viewWillAppear(bool animated) override;
    // The observer's callback holds the screen: it goes when the screen leaves.
    void viewDidDisappear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }
    bool isObservingReachability() const { return static_cast<bool>(mReachabilityObserver); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVMustBeOnlineErrorController() = default;

private:
    void _onReachabilityStatusChanged(platform::Object* status);
    platform::Ref<QVReachabilityObserver> mReachabilityObserver;
};

} // namespace quorvel
