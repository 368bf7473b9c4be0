// The dashboard pages' interface layouts, registered under the names the
// loader computes with the default suffix.
#include "platform/ui/InterfaceRegistry.h"
#include "social/dashboard/QVGameProfileController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

namespace {

void registerGameProfile(const char* layout, bool withLongButtons)
{
    InterfaceRegistry::shared().registerLayout(layout, [layout, withLongButtons](InterfaceBuilder& b) {
        auto page = b.makeController<QVGameProfileController>();
        page->buildInterface(&b, layout, withLongButtons);
        return std::vector<Ref<Object>> { page };
    });
}

} // namespace

void QVRegisterDashboardInterfaces()
{
    registerGameProfile("GameProfileControllerQv", true);
    registerGameProfile("GameProfileWithNavBarControllerQv", false);
}

void qvClassAnchor_QVDashboardInterfaces() { }
[[maybe_unused]] static const bool qvDashboardInterfacesRegistered = (QVRegisterDashboardInterfaces(), true);

} // namespace quorvel
