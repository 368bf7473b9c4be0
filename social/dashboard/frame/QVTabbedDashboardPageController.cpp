// One tab's stack: made around a screen, or around one made by name.
#include "social/dashboard/frame/QVTabbedDashboardPageController.h"

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

Ref<QVTabbedDashboardPageController> QVTabbedDashboardPageController::pageWithController(const std::string& name)
{
    Ref<ViewController> controller = QVControllerLoader::load(name);
    return pageWithInstantiatedController(controller.get());
}

} // namespace quorvel
