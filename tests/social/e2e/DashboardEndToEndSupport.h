// Moves shared by the dashboard's end-to-end tests: what the service keeps,
// read from (or arranged in) its file, and the views a player touches that
// have no text to find them by (a switch, a star, a picture).
#pragma once

#include "EndToEndTestSupport.h"

#include "platform/device/Screen.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <string>
#include <vector>

namespace e2e_testing {

class DashboardEndToEndTest : public EndToEndTest {
protected:
    // Changes what the service keeps, as its operator would (keep by its older name).
    bool arrange(const std::string& sql) const { return keep(sql); }

    // The views of a kind a player can see now, in tree order.
    template <typename T>
    std::vector<T*> visible() const
    {
        std::vector<T*> out;
        collectVisible(driver->window(), out);
        return out;
    }
    // Taps a view and lets the screens settle.
    bool touch(platform::ui::View* view)
    {
        if (!view)
            return false;
        bool delivered = static_cast<bool>(driver->tap(view));
        settleAfterTouch();
        return delivered;
    }
    // The visible view of a kind that lies on the row showing `text`
    // (a row's switch beside its name).
    template <typename T>
    T* besideText(const std::string& text) const
    {
        for (auto* label : visible<platform::ui::View>()) {
            auto* l = dynamic_cast<platform::ui::Label*>(label);
            if (!l || l->text() != text)
                continue;
            platform::Rect row = l->convertRectTo(l->bounds(), nullptr);
            for (auto* candidate : visible<T>()) {
                platform::Rect r = candidate->convertRectTo(candidate->bounds(), nullptr);
                if (r.midY() >= row.minY() && r.midY() <= row.maxY())
                    return candidate;
            }
        }
        return nullptr;
    }
    std::string player() const { return loggedInUser(); }

private:
    template <typename T>
    static void collectVisible(platform::ui::View* view, std::vector<T*>& out)
    {
        if (!view || view->isHidden() || view->alpha() <= 0.01f)
            return;
        platform::Rect r = view->convertRectTo(view->bounds(), nullptr);
        const platform::Rect screen = platform::ui::Screen::mainScreen().bounds();
        if (!(r.maxX() > screen.minX() && r.minX() < screen.maxX() && r.maxY() > screen.minY() && r.minY() < screen.maxY()))
            return;
        if (auto* match = dynamic_cast<T*>(view))
            out.push_back(match);
        for (auto& sub : view->subviews())
            collectVisible(sub.get(), out);
    }
};

} // namespace e2e_testing
