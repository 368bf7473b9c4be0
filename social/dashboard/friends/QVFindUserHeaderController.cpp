// The search by name's header: its bar, as wide as the list.
#include "social/dashboard/friends/QVFindUserHeaderController.h"

#include "social/core/QuorvelInternal.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;

QV_REGISTER_CLASS(QVFindUserHeaderController);

namespace {

float screenWidth() { return QuorvelInternal::dashboardRole().getDashboardBounds().size.width; }

} // namespace

void QVFindUserHeaderController::loadView()
{
    auto root = View::viewWithFrame(Rect(0, 0, screenWidth(), SearchBar::kHeight));
    searchBar_ = SearchBar::searchBarWithFrame(Rect(0, 0, screenWidth(), SearchBar::kHeight));
    searchBar_->setAutoresizingMask(FlexibleWidth);
    root->addSubview(searchBar_.get());
    setView(root.get());
}

void QVFindUserHeaderController::resizeView(View* over)
{
    const Rect bar = searchBar()->frame();
    view()->setFrame(Rect(0, 0, over ? over->frame().size.width : screenWidth(), bar.origin.y + bar.size.height));
}

} // namespace quorvel
