// The dashboard pages' interface layouts, registered under the names the
// loader computes with the default suffix.
#include "platform/ui/InterfaceRegistry.h"
#include "social/dashboard/achievements/QVAchievementCells.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/dashboard/scores/QVLeaderboardCells.h"
#include "social/core/QuorvelInternal.h"

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

// A row cell of the width of the dashboard, bound to the list that loads it.
template <typename Cell>
void registerCell(const char* layout, float height)
{
    InterfaceRegistry::shared().registerLayout(layout, [layout, height](InterfaceBuilder& b) {
        float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
        auto cell = b.makeView<Cell>(platform::Rect(0, 0, width, height));
        cell->setOwner(b.owner());
        cell->buildInterface(b, layout);
        return std::vector<Ref<Object>> { cell };
    });
}

} // namespace

void QVRegisterDashboardInterfaces()
{
    registerCell<QVLeaderboardCell>("LeaderboardCellQv", 44);
    registerCell<QVHighScoreCell>("HighScoreCellQv", 50);
    registerCell<QVAchievementProgressionList>("AchievementProgressionListCellQv", 72);
    registerCell<QVAchievementCompareListCell>("AchievementCompareListCellQv", 64);
    registerGameProfile("GameProfileControllerQv", true);
    registerGameProfile("GameProfileWithNavBarControllerQv", false);
    InterfaceRegistry::shared().registerLayout("EnableQuorvelInDashboardControllerQv", [](InterfaceBuilder& b) {
        auto page = b.makeController<QVGameProfileController>();
        page->buildEnableInterface(b, "EnableQuorvelInDashboardControllerQv");
        return std::vector<Ref<Object>> { page };
    });
}

[[maybe_unused]] static const bool qvDashboardInterfacesRegistered = (QVRegisterDashboardInterfaces(), true);

} // namespace quorvel
