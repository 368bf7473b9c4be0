// The screens' shared helpers: text sizes, dead ends, alerts.
#include "social/dashboard/common/QVScreenKit.h"

#include "platform/graphics/TextEngine.h"
#include "platform/ui/AlertView.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace common {

platform::Size textSize(const Label* label, const std::string& text, float width)
{
    if (!label || !label->font() || text.empty())
        return {};
    platform::TextLayoutOptions options;
    options.width = width;
    return platform::measureText(text, *label->font(), options);
}

float fitLabelHeight(Label* label, float minHeight, float maxHeight)
{
    Rect f = label->frame();
    float height = textSize(label, label->text(), f.size.width).height;
    if (maxHeight > 0 && height > maxHeight)
        height = maxHeight;
    if (height < minHeight)
        height = minHeight;
    f.size.height = height;
    label->setFrame(f);
    return height;
}

void pushDeadEnd(NavigationController* nav, const std::string& message)
{
    if (!nav)
        return;
    if (auto screen = QVDeadEndErrorController::deadEndErrorWithMessage(message))
        nav->pushViewController(screen.get(), true);
}

void showAlert(const std::string& title, const std::string& message, const std::string& button)
{
    AlertView::alert(title, message, nullptr, button)->show();
}

bool isShowingErrorScreen(NavigationController* nav)
{
    if (!nav)
        return false;
    if (dynamic_cast<QVDeadEndErrorController*>(nav->topViewController())
        || dynamic_cast<QVDeadEndErrorController*>(nav->visibleViewController()))
        return true;
    return QuorvelInternal::dashboardRole().isShowingErrorScreenInNavController(nav);
}

} // namespace common

} // namespace quorvel
