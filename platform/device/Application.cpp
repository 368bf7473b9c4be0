// Application: status bar, URL recorder, windows and memory warnings.
#include "platform/device/Application.h"

#include "platform/device/Screen.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Application& Application::sharedApplication()
{
    static Application app;
    return app;
}

Rect Application::statusBarFrame() const
{
    if (statusBarHidden_)
        return {};
    Rect b = Screen::mainScreen().bounds();
    switch (orientation_) {
    case InterfaceOrientation::Portrait: return { 0, 0, b.size.width, 20 };
    case InterfaceOrientation::PortraitUpsideDown: return { 0, b.size.height - 20, b.size.width, 20 };
    case InterfaceOrientation::LandscapeRight: return { b.size.width - 20, 0, 20, b.size.height };
    case InterfaceOrientation::LandscapeLeft: return { 0, 0, 20, b.size.height };
    }
    return {};
}

bool Application::openURL(const std::string& url)
{
    opened_.push_back(url);
    return canOpen_;
}

Window* Application::keyWindow() const
{
    return Window::keyWindow();
}

Window* Application::topWindow() const
{
    if (Window* key = Window::keyWindow())
        return key;
    auto all = Window::windows();
    return all.empty() ? nullptr : all.front().get();
}

void Application::simulateMemoryWarning()
{
    NotificationCenter::defaultCenter().post(kApplicationDidReceiveMemoryWarningNotification);
    for (auto& controller : ViewController::liveControllers())
        controller->didReceiveMemoryWarning();
}

void QVhideStatusBar(Application& application, bool hide, bool animated)
{
    application.setStatusBarHidden(hide, animated);
}

void Application::reset()
{
    statusBarHidden_ = false;
    statusBarAnimated_ = false;
    statusBarStyle_ = StatusBarStyle::Default;
    orientation_ = InterfaceOrientation::Portrait;
    opened_.clear();
    canOpen_ = true;
    badge_ = 0;
    remoteNotificationTypes_ = 0;
    remoteNotificationRegistrations_ = 0;
}

} // namespace platform::ui
