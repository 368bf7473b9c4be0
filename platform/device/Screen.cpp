// Screen: the one main screen and its application frame.
#include "platform/device/Screen.h"

#include "platform/device/Application.h"

namespace platform::ui {

Screen& Screen::mainScreen()
{
    static Screen screen;
    return screen;
}

Rect Screen::applicationFrame() const
{
    Rect b = bounds();
    Rect bar = Application::sharedApplication().statusBarFrame();
    if (bar.isEmpty())
        return b;
    switch (Application::sharedApplication().statusBarOrientation()) {
    case InterfaceOrientation::Portrait: return { 0, bar.size.height, b.size.width, b.size.height - bar.size.height };
    case InterfaceOrientation::PortraitUpsideDown: return { 0, 0, b.size.width, b.size.height - bar.size.height };
    case InterfaceOrientation::LandscapeRight: return { 0, 0, b.size.width - bar.size.width, b.size.height };
    case InterfaceOrientation::LandscapeLeft: return { bar.size.width, 0, b.size.width - bar.size.width, b.size.height };
    }
    return b;
}

} // namespace platform::ui
