// The kit's interface layouts, registered under the names the loader computes
// with the default suffix: the loading overlay and the shared error and
// message screens (the empty-list screen "EmptyDataSet" exists only here).
#include "platform/ui/InterfaceRegistry.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVMustBeOnlineErrorController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"
#include "social/ui/QVShowMessageAndReturnController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

namespace {

template <typename Screen>
void registerScreen(const char* layout)
{
    InterfaceRegistry::shared().registerLayout(layout, [layout](InterfaceBuilder& b) {
        auto screen = b.makeController<Screen>();
        screen->buildInterface(&b, layout);
        return std::vector<Ref<Object>> { screen };
    });
}

} // namespace

void QVRegisterKitInterfaces()
{
    InterfaceRegistry::shared().registerLayout("LoadingControllerQv", [](InterfaceBuilder& b) {
        auto controller = b.makeController<QVLoadingController>();
        auto view = QVLoadingController::buildLoadingView(&b, QVDashboardRole::current().getDashboardBounds());
        controller->setView(QVOutlet<QVLoadingView>(view.get(), "LoadingControllerQv", "view"));
        return std::vector<Ref<Object>> { controller };
    });
    registerScreen<QVDeadEndErrorController>("DeadEndErrorControllerQv");
    registerScreen<QVDeadEndErrorController>("EmptyDataSetControllerQv");
    registerScreen<QVMustBeOnlineErrorController>("MustBeOnlineErrorControllerQv");
    registerScreen<QVServerMaintenanceNoticeController>("ServerMaintenanceNoticeControllerQv");
    registerScreen<QVShowMessageAndReturnController>("ShowMessageAndReturnControllerQv");
}

[[maybe_unused]] static const bool qvKitInterfacesRegistered = (QVRegisterKitInterfaces(), true);

} // namespace quorvel
