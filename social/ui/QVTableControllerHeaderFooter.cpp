// The list screen's header (a controller or a view made by name), its
// empty-data footer, and scrolling to the head of the list.
#include "social/ui/QVTableControllerHelper.h"

#include "platform/foundation/Log.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFramedContentWrapperView.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

void QVTableControllerHelper::_displayEmptyDataSetView(ViewController* controller, const std::string& message)
{
    TableView* table = tableView();
    if (!table)
        return;
    if (controller) {
        mEmptyTableController = controller;
    } else {
        mEmptyTableController = QVControllerLoader::load(kEmptyDataSetName);
        if (mEmptyTableController)
            requireCast<QVDeadEndErrorController>(mEmptyTableController, "The empty-list screen must take its message")
                ->setMessage(message);
    }
    if (!mEmptyTableController) {
        platform::logLine(platform::LogLevel::Warning, "QVTableControllerHelper: no empty-data screen to show");
        return;
    }
    mEmptyTableController->notifyViewWillAppear(false);
    View* footer = mEmptyTableController->view();
    footer->setFrame(platform::Rect(0, footer->frame().origin.y, table->frame().size.width,
                                    table->frame().size.height));
    table->setTableFooterView(footer);
    onTableFooterCreated(mEmptyTableController.get());
    table->reloadData();
}

void QVTableControllerHelper::_removeEmptyDataSetView()
{
    // Only the empty-data screen goes: a footer of the screen's own stays.
    Ref<ViewController> empty = std::move(mEmptyTableController);
    TableView* table = tableView();
    if (table && empty && empty->isViewLoaded() && table->tableFooterView() == empty->view())
        table->setTableFooterView(nullptr);
}

void QVTableControllerHelper::_createAndDisplayTableHeader()
{
    TableView* table = tableView();
    if (!table)
        return;
    if (auto controllerName = getTableHeaderControllerName()) {
        if (mTableHeaderController)
            return;
        mTableHeaderView = nullptr;
        mTableHeaderController = QVControllerLoader::load(*controllerName, this);
        onTableHeaderCreated(mTableHeaderController.get());
        if (!mTableHeaderController) {
            table->setTableHeaderView(nullptr);
            return;
        }
        if (auto* header = dynamic_cast<QVTableControllerHeader*>(mTableHeaderController.get())) {
            View* sizing = view();
            if (auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(sizing))
                sizing = wrapper->wrappedView();
            header->resizeView(sizing);
        }
        table->setTableHeaderView(mTableHeaderController->view());
    } else if (auto viewName = getTableHeaderViewName()) {
        if (mTableHeaderView)
            return;
        mTableHeaderController = nullptr;
        mTableHeaderView = QVControllerLoader::loadView(*viewName, this);
        onTableHeaderCreated(nullptr);
        table->setTableHeaderView(mTableHeaderView.get());
    } else {
        table->setTableHeaderView(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Scrolling

bool QVTableControllerHelper::_isScrolledToHead()
{
    if (!mSections || mSections->empty())
        return true;
    TableView* table = tableView();
    if (!table)
        return true;
    std::vector<IndexPath> visible = table->indexPathsForVisibleRows();
    if (visible.empty())
        return true;
    IndexPath last = visible.back();
    if (last == IndexPath::forRow(0, 0))
        return true;
    if (isNewContentShownAtBottom()) {
        int lastSection = table->numberOfSections() - 1;
        return last.section == lastSection && last.row == table->numberOfRowsInSection(lastSection) - 1;
    }
    return false;
}

void QVTableControllerHelper::_scrollToTableHead(bool animated)
{
    TableView* table = tableView();
    if (!table || !mSections || mSections->empty())
        return;
    if (isNewContentShownAtBottom()) {
        if (View* footer = table->tableFooterView()) {
            table->scrollRectToVisible(footer->frame(), animated);
            return;
        }
        int lastSection = table->numberOfSections() - 1;
        if (lastSection < 0)
            return;
        int rows = table->numberOfRowsInSection(lastSection);
        if (rows > 0)
            table->scrollToRowAtIndexPath(IndexPath::forRow(rows - 1, lastSection), TableViewScrollPosition::Bottom,
                                          animated);
        return;
    }
    if (View* header = table->tableHeaderView()) {
        table->scrollRectToVisible(header->frame(), animated);
        return;
    }
    // The first row with its section's header above it: the head of the list is its top.
    if (table->numberOfSections() > 0 && table->numberOfRowsInSection(0) > 0) {
        platform::Rect row = table->rectForRowAtIndexPath(IndexPath::forRow(0, 0));
        platform::Rect header = table->rectForHeaderInSection(0);
        float top = header.size.height > 0 ? std::min(header.minY(), row.minY()) : row.minY();
        table->scrollRectToVisible(platform::Rect(row.origin.x, top, row.size.width, row.maxY() - top), animated);
    }
}

} // namespace quorvel
