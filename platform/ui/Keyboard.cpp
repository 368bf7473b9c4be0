// Keyboard: show and hide notifications with the platform's user information.
#include "platform/ui/Keyboard.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Types.h"

namespace platform::ui {

Keyboard& Keyboard::shared()
{
    static Keyboard keyboard;
    return keyboard;
}

float Keyboard::height() const
{
    bool landscape = isLandscape(Application::sharedApplication().statusBarOrientation());
    if (Screen::mainScreen().isTablet())
        return landscape ? 352 : 264;
    return landscape ? 162 : 216;
}

Rect Keyboard::visibleFrame() const
{
    Rect s = Screen::mainScreen().bounds();
    float h = height();
    switch (Application::sharedApplication().statusBarOrientation()) {
    case InterfaceOrientation::Portrait: return { 0, s.size.height - h, s.size.width, h };
    case InterfaceOrientation::PortraitUpsideDown: return { 0, 0, s.size.width, h };
    case InterfaceOrientation::LandscapeRight: return { 0, 0, h, s.size.height };
    case InterfaceOrientation::LandscapeLeft: return { s.size.width - h, 0, h, s.size.height };
    }
    return {};
}

Rect Keyboard::hiddenFrame() const
{
    Rect v = visibleFrame();
    float h = height();
    switch (Application::sharedApplication().statusBarOrientation()) {
    case InterfaceOrientation::Portrait: return v.offsetBy(0, h);
    case InterfaceOrientation::PortraitUpsideDown: return v.offsetBy(0, -h);
    case InterfaceOrientation::LandscapeRight: return v.offsetBy(-h, 0);
    case InterfaceOrientation::LandscapeLeft: return v.offsetBy(h, 0);
    }
    return v;
}

void Keyboard::post(const char* willName, const char* didName, const Rect& begin, const Rect& end)
{
    Rect screen = Screen::mainScreen().bounds();
    bool landscape = isLandscape(Application::sharedApplication().statusBarOrientation());
    float width = landscape ? screen.size.height : screen.size.width;
    ValueDictionary info;
    info.set(kKeyboardFrameBeginUserInfoKey, rectValue(begin));
    info.set(kKeyboardFrameEndUserInfoKey, rectValue(end));
    info.set(kKeyboardBoundsUserInfoKey, rectValue(Rect(0, 0, width, height())));
    info.set(kKeyboardCenterBeginUserInfoKey, pointValue(Point(begin.midX(), begin.midY())));
    info.set(kKeyboardCenterEndUserInfoKey, pointValue(Point(end.midX(), end.midY())));
    info.set(kKeyboardAnimationDurationUserInfoKey, kAnimationDuration);
    info.set(kKeyboardAnimationCurveUserInfoKey, 0);
    Value userInfo(info);
    auto& center = NotificationCenter::defaultCenter();
    center.post(willName, nullptr, userInfo);
    center.post(didName, nullptr, userInfo);
}

void Keyboard::inputDidBegin(Responder* input)
{
    Rect begin = visible_ ? visibleFrame() : hiddenFrame();
    input_ = input;
    visible_ = true;
    post(kKeyboardWillShowNotification, kKeyboardDidShowNotification, begin, visibleFrame());
}

void Keyboard::inputDidEnd(Responder* input)
{
    if (input_ == input)
        input_ = nullptr;
    if (switching_ || !visible_ || input_)
        return;
    visible_ = false;
    post(kKeyboardWillHideNotification, kKeyboardDidHideNotification, visibleFrame(), hiddenFrame());
}

void Keyboard::reset()
{
    input_ = nullptr;
    switching_ = 0;
    visible_ = false;
}

} // namespace platform::ui
