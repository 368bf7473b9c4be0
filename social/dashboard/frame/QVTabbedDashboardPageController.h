// QVTabbedDashboardPageController: one tab of the tabbed dashboard, a framed
// navigation stack with the tab's screen at its root.
#pragma once

#include "social/ui/QVFramedNavigationController.h"

#include <string>

namespace quorvel {

class QVTabbedDashboardPageController : public QVFramedNavigationController {
    QV_DECLARE_CLASS(QVTabbedDashboardPageController)
public:
    // A page with the named controller at its root (an empty page when the name matches nothing).
    static platform::Ref<QVTabbedDashboardPageController> pageWithController(const std::string& controllerName);
    static platform::Ref<QVTabbedDashboardPageController> pageWithInstantiatedController(platform::ui::ViewController* c);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabbedDashboardPageController() = default;
    // Also brings the visible screen's right bar button's own view to the
    // front of the bar.
    void _orderViewDepths() override;
};

} // namespace quorvel
