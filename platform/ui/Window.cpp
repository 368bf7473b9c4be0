// Window: registry of live windows and the key window.
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

namespace {

std::vector<Window*>& allWindows()
{
    static std::vector<Window*> list;
    return list;
}

} // namespace

Window::Window()
{
    allWindows().push_back(this);
}

Window::~Window()
{
    auto& list = allWindows();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (keyWindow_ == this)
        keyWindow_ = nullptr;
}

Ref<Window> Window::windowWithFrame(const Rect& frame)
{
    auto w = adoptRef(new Window);
    return w->initWithFrame(frame) ? w : nullptr;
}

void Window::makeKeyWindow()
{
    keyWindow_ = this;
}

void Window::makeKeyAndVisible()
{
    setHidden(false);
    makeKeyWindow();
}

std::vector<Ref<Window>> Window::windows()
{
    std::vector<Ref<Window>> out;
    for (Window* w : allWindows())
        if (w->retainCount() > 0)
            out.emplace_back(w);
    return out;
}

} // namespace platform::ui
