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
        emptyTableController_ = controller;
    } else {
        emptyTableController_ = QVControllerLoader::load(kEmptyDataSetName);
        if (emptyTableController_)
            requireCast<QVDeadEndErrorController>(emptyTableController_, "The empty-list screen must take its message")
                ->setMessage(message);
    }
    if (!emptyTableController_) {
        platform::logLine(platform::LogLevel::Warning, "QVTableControllerHelper: no empty-data screen to show");
        return;
    }
    emptyTableController_->notifyViewWillAppear(false);
    View* footer = emptyTableController_->view();
    footer->setFrame(platform::Rect(0, footer->frame().origin.y, table->frame().size.width,
                                    table->frame().size.height));
    table->setTableFooterView(footer);
    onTableFooterCreated(emptyTableController_.get());
    table->reloadData();
}

void QVTableControllerHelper::_removeEmptyDataSetView()
{
    // Only the empty-data screen goes: a footer of the screen's own stays.
    Ref<ViewController> empty = std::move(emptyTableController_);
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
        if (tableHeaderController_)
            return;
        tableHeaderView_ = nullptr;
        tableHeaderController_ = QVControllerLoader::load(*controllerName, this);
        onTableHeaderCreated(tableHeaderController_.get());
        if (!tableHeaderController_) {
            table->setTableHeaderView(nullptr);
            return;
        }
        if (auto* header = dynamic_cast<QVTableControllerHeader*>(tableHeaderController_.get())) {
            View* sizing = view();
            if (auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(sizing))
                sizing = wrapper->wrappedView();
            header->resizeView(sizing);
        }
        table->setTableHeaderView(tableHeaderController_->view());
    } else if (auto viewName = getTableHeaderViewName()) {
        if (tableHeaderView_)
            return;
        tableHeaderController_ = nullptr;
        tableHeaderView_ = QVControllerLoader::loadView(*viewName, this);
        onTableHeaderCreated(nullptr);
        table->setTableHeaderView(tableHeaderView_.get());
    } else {
        table->setTableHeaderView(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Scrolling

bool QVTableControllerHelper::_isScrolledToHead()
{
    if (!sections_ || sections_->empty())
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
    if (!table || !sections_ || sections_->empty())
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
