// registerRowCellLayout: registers the layout of a row cell that builds its
// own interface, as wide as the dashboard and bound to the list that loads it.
// The features register their cells' layouts with it beside the cells.
#pragma once

#include "platform/ui/InterfaceRegistry.h"
#include "social/core/QuorvelInternal.h"

#include <vector>

namespace quorvel::common {

template <typename Cell>
void registerRowCellLayout(const char* layout, float height)
{
    platform::ui::InterfaceRegistry::shared().registerLayout(layout, [layout, height](platform::ui::InterfaceBuilder& b) {
        float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
        auto cell = b.makeView<Cell>(platform::Rect(0, 0, width, height));
        cell->setOwner(b.owner());
        cell->buildInterface(b, layout);
        return std::vector<platform::Ref<platform::Object>> { cell };
    });
}

} // namespace quorvel::common
