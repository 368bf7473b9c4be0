// One tab's stack: made around a screen, or around one made by name.
#include "social/dashboard/frame/QVTabbedDashboardPageController.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

Ref<QVTabbedDashboardPageController> QVTabbedDashboardPageController::pageWithInstantiatedController(ViewController* c)
{
    auto page = platform::adoptRef(new QVTabbedDashboardPageController);
    if (!page->init())
        return nullptr;
    if (c)
        page->pushViewController(c, false);
    return page;
}

void QVTabbedDashboardPageController::_orderViewDepths()
{
    QVFramedNavigationController::_orderViewDepths();
    ViewController* visible = visibleViewController();
    BarButtonItem* right = visible ? visible->navigationItem()->rightBarButtonItem() : nullptr;
    View* custom = right ? right->customView() : nullptr;
    if (custom && custom->superview() == navigationBar())
        navigationBar()->bringSubviewToFront(custom);
}

Ref<QVTabbedDashboardPageController> QVTabbedDashboardPageController::pageWithController(const std::string& name)
{
    Ref<ViewController> controller = QVControllerLoader::load(name);
    return pageWithInstantiatedController(controller.get());
}

} // namespace quorvel
