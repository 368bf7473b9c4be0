// What a notice may do when the player touches it: open the dashboard on a
// tab (with a screen pushed), push a screen on a navigation controller, or
// call a method. The dashboard is opened through the screens role, as the
// services open it.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <string>

namespace quorvel {

class QVNotificationInputResponse {
public:
    virtual ~QVNotificationInputResponse() = default;
    virtual void respondToInput() = 0;
};

class QVInputResponseOpenDashboard : public platform::Object, public QVNotificationInputResponse {
public:
    // The controller, when named, is loaded on the first input and kept.
    static platform::Ref<QVInputResponseOpenDashboard> initWithTab(const std::string& tab,
                                                                   const std::string& controllerName);
    static platform::Ref<QVInputResponseOpenDashboard> initWithTab(const std::string& tab,
                                                                   platform::ui::ViewController* controller);
    void respondToInput() override;

    const std::string& startingTab() const { return mStartingTab; }
    platform::ui::ViewController* startingController() const { return mStartingController.get(); }

private:
    QVInputResponseOpenDashboard() = default;
    std::string mStartingTab;
    std::string mControllerName;
    platform::Ref<platform::ui::ViewController> mStartingController;
};

class QVInputResponsePushController : public platform::Object, public QVNotificationInputResponse {
public:
    static platform::Ref<QVInputResponsePushController> responseWithControllerName(
        const std::string& controllerName, platform::ui::NavigationController* navController, bool showAsModal);
    void respondToInput() override;

private:
    QVInputResponsePushController() = default;
    std::string mControllerName;
    platform::Ref<platform::ui::NavigationController> mNavController;
    bool mShowAsModal { false };
};

class QVInputResponsePerformSelector : public platform::Object, public QVNotificationInputResponse {
public:
    static platform::Ref<QVInputResponsePerformSelector> responseWithSelector(std::function<void()> selector,
                                                                              platform::Object* target);
    void respondToInput() override;

private:
    QVInputResponsePerformSelector() = default;
    platform::Ref<platform::Object> mTarget;
    std::function<void()> mSelector;
};

} // namespace quorvel
