// A window: the root of a view tree. Window coordinates are its own bounds'
// coordinates. Every live window is listed (in creation order) so the layout
// pass and the application can find them; one of them is the key window.
#pragma once

#include "platform/ui/View.h"

#include <vector>

namespace platform::ui {

class Window : public View {
public:
    static Ref<Window> windowWithFrame(const Rect& frame);

    void makeKeyWindow();
    void makeKeyAndVisible();
    bool isKeyWindow() const { return keyWindow_ == this; }
    static Window* keyWindow() { return keyWindow_; }
    // Live windows, oldest first.
    static std::vector<Ref<Window>> windows();

    float windowLevel() const { return level_; }
    void setWindowLevel(float level) { level_ = level; }

protected:
    friend class InterfaceBuilder;
    Window();
    ~Window() override;

private:
    float level_ { 0 };
    static inline Window* keyWindow_ { nullptr };
};

} // namespace platform::ui
