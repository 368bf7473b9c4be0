// The three input responses of notices.
#include "social/core/QVNotificationInputResponse.h"

#include "social/core/QuorvelInternal.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using platform::Ref;
using platform::ui::ViewController;

Ref<QVInputResponseOpenDashboard> QVInputResponseOpenDashboard::initWithTab(const std::string& tab,
                                                                           const std::string& controllerName)
{
    Ref<QVInputResponseOpenDashboard> r = platform::adoptRef(new QVInputResponseOpenDashboard);
    r->mStartingTab = tab;
    r->mControllerName = controllerName;
    return r;
}

Ref<QVInputResponseOpenDashboard> QVInputResponseOpenDashboard::initWithTab(const std::string& tab,
                                                                           ViewController* controller)
{
    Ref<QVInputResponseOpenDashboard> r = platform::adoptRef(new QVInputResponseOpenDashboard);
    r->mStartingTab = tab;
    r->mStartingController = Ref<ViewController>(controller);
    return r;
}

void QVInputResponseOpenDashboard::respondToInput()
{
    if (!mControllerName.empty() && !mStartingController)
        mStartingController = QVControllerLoader::load(mControllerName);
    std::vector<Ref<ViewController>> controllers;
    if (mStartingController)
        controllers.push_back(mStartingController);
    QuorvelInternal::screensRole().launchDashboard(mStartingTab, controllers);
}

Ref<QVInputResponsePushController> QVInputResponsePushController::responseWithControllerName(
    const std::string& controllerName, platform::ui::NavigationController* navController, bool showAsModal)
{
    Ref<QVInputResponsePushController> r = platform::adoptRef(new QVInputResponsePushController);
    r->mControllerName = controllerName;
    r->mNavController = Ref<platform::ui::NavigationController>(navController);
    r->mShowAsModal = showAsModal;
    return r;
}

void QVInputResponsePushController::respondToInput()
{
    Ref<ViewController> controller = QVControllerLoader::load(mControllerName);
    if (!controller || !mNavController)
        return;
    if (mShowAsModal)
        mNavController->presentModalViewController(controller.get(), true);
    else
        mNavController->pushViewController(controller.get(), true);
}

Ref<QVInputResponsePerformSelector> QVInputResponsePerformSelector::responseWithSelector(std::function<void()> selector,
                                                                                        platform::Object* target)
{
    Ref<QVInputResponsePerformSelector> r = platform::adoptRef(new QVInputResponsePerformSelector);
    r->mSelector = std::move(selector);
    r->mTarget = Ref<platform::Object>(target);
    return r;
}

void QVInputResponsePerformSelector::respondToInput()
{
    if (mSelector)
        mSelector();
}

} // namespace quorvel
