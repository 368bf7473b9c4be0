// The list screen base: its life cycle and appearance (the first-appearance
// load), requests and their answers into sections, refresh notifications, and
// what it learns from its navigation stack. Rows, cells, the header and
// footer, and taps and edits are in the QVTableController*.cpp beside it.
#include "social/ui/QVTableControllerHelper.h"

#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVViewController.h"
#include "social/ui/QVViewHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

bool QVTableControllerHelper::init()
{
    return TableViewController::init();
}

QVTableControllerHelper::~QVTableControllerHelper()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Tearing down neither lays the table out nor asks for cells (a layout
    // here would ask a data source that is gone, inside a destructor).
    if (TableView* table = myTableView_.get()) { // never view(): that would load a view now
        if (table->dataSource() == this)
            table->setDataSource(nullptr);
        if (table->delegate() == this)
            table->setDelegate(nullptr);
        table->discardContents(); // its cells and header point back at this screen
    }
    if (tableHeaderController_ && tableHeaderController_->isViewLoaded())
        tableHeaderController_->view()->removeFromSuperview();
    for (auto& [name, cell] : helperCellsForHeight_)
        if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get()))
            helper->setOwningTable(nullptr);
}

TableView* QVTableControllerHelper::tableView()
{
    if (auto* table = dynamic_cast<TableView*>(view()))
        return table;
    return myTableView_.get();
}

QVNavigationController* QVTableControllerHelper::qvNavigationController() const
{
    return dynamic_cast<QVNavigationController*>(navigationController());
}

// ---------------------------------------------------------------------------
// Creation and appearance

void QVTableControllerHelper::loadView()
{
    auto table = QVTableView::tableViewWithFrame(QVDashboardRole::current().getDashboardBounds(), tableStyle_);
    table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    table->setSeparatorColor(Color::clear()); // no separators: the cell backgrounds draw the rows
    myTableView_ = table.get();
    setTableView(table.get());
}

void QVTableControllerHelper::viewDidLoad()
{
    TableViewController::viewDidLoad();
    TableView* table = tableView();
    table->setDataSource(this);
    table->setDelegate(this);
    helperCellsForHeight_.clear();
    view()->setBackgroundColor(Color::clear());
    view()->setOpaque(false);
    if (Ref<View> background = getBackgroundView()) {
        mContainerView = background;
        background->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        background->setAutoresizesSubviews(true);
        platform::Rect frame = background->frame();
        frame.origin = platform::Point(0, 0);
        table->setFrame(frame);
        background->addSubview(table);
        setView(background.get());
    }
}

void QVTableControllerHelper::viewWillAppear(bool animated)
{
    // The platform's own step (reload on first appearance) is replaced by this one.
    TableView* table = tableView();
    if (sections_) {
        if (table && table->indexPathForSelectedRow())
            table->deselectRowAtIndexPath(*table->indexPathForSelectedRow(), animated);
    } else if (table) {
        table->reloadData();
    }
    if (shouldRefreshAfterNotification()) {
        std::string name = getNotificationToRefreshAfter();
        auto& center = platform::NotificationCenter::defaultCenter();
        if (!observedNotification_.empty())
            center.removeObserver(this, observedNotification_);
        observedNotification_ = name;
        center.addObserver(this, name, [this](const platform::Notification& n) { _refreshDataIncrementally(n); });
    }
    if (!autoLoadData() && _shouldRefresh()) {
        _createAndDisplayTableHeader();
        _displayEmptyDataSetView(nullptr, getDataNotLoadedYetMessage());
    }
}

void QVTableControllerHelper::viewDidAppear(bool animated)
{
    TableViewController::viewDidAppear(animated);
    if (autoLoadData() && _shouldRefresh())
        _refreshData();
}

void QVTableControllerHelper::viewWillDisappear(bool animated)
{
    QVViewHelper::resignFirstResponder(view());
    hideLoadingScreen();
    if (!observedNotification_.empty()) {
        platform::NotificationCenter::defaultCenter().removeObserver(this, observedNotification_);
        observedNotification_.clear();
    }
    TableViewController::viewWillDisappear(animated);
}

bool QVTableControllerHelper::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

// ---------------------------------------------------------------------------
// Requests and answers

QVDelegate QVTableControllerHelper::getOnSuccessDelegate()
{
    return QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTableControllerHelper, _onDataLoadedWrapper)));
}

QVDelegate QVTableControllerHelper::getOnFailureDelegate()
{
    return QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTableControllerHelper, _onDataFailedLoading)));
}

void QVTableControllerHelper::_refreshData()
{
    Ref<QVTableControllerHelper> keep(this);
    showLoadingScreen();
    onRefreshingData();
    doIndexActionOnSuccess(getOnSuccessDelegate(), getOnFailureDelegate());
    // A client turned off (a logout or a decline as the page came up) drops
    // what is asked of it without an answer: the list stops waiting now, as
    // for a request that failed, and asks again the next time it is shown.
    QVProvider* provider = QVSessionRole::current().provider();
    if (provider && provider->isDropping())
        _onDataFailedLoading(nullptr);
}

void QVTableControllerHelper::_onDataLoadedWrapperIsIncremental(Object* answer, bool isIncremental)
{
    Ref<QVTableControllerHelper> keep(this);
    hideLoadingScreen();
    // Anything but a series (a missing answer) reads as an empty one.
    Ref<QVPaginatedSeries> series(dynamic_cast<QVPaginatedSeries*>(answer));
    if (!series)
        series = QVPaginatedSeries::paginatedSeries();
    _onDataLoaded(series.get(), isIncremental);
    _createAndDisplayTableHeader();
    if (!sections_ || sections_->empty()) {
        if (shouldDisplayEmptyDataSet())
            _displayEmptyDataSetView(getNoDataFoundViewController().get(), getNoDataFoundMessage());
        _reloadTableData();
    } else {
        _removeEmptyDataSetView();
    }
}

void QVTableControllerHelper::_reloadTableData()
{
    if (sections_) {
        for (size_t i = 0; i < sections_->size(); ++i) {
            QVTableSectionDescription* section = (*sections_)[i].get();
            if (!section->leadingCellName())
                section->setLeadingCellName(getLeadingCellControllerNameForSection(static_cast<int>(i)));
            if (!section->trailingCellName())
                section->setTrailingCellName(getTrailingCellControllerNameForSection(static_cast<int>(i)));
        }
    }
    if (TableView* table = tableView())
        table->reloadData();
}

void QVTableControllerHelper::_refreshDataIncrementally(const platform::Notification& notification)
{
    auto series = QVPaginatedSeries::paginatedSeries();
    if (auto* resources = dynamic_cast<QVPaginatedSeries*>(notification.userObject(QVPoller::kResourcesKey))) {
        for (const auto& resource : resources->objects())
            if (resource && isNotificationResourceValid(resource.get()))
                series->objects().push_back(resource);
    }
    _onDataLoadedWrapperIsIncremental(series.get(), true);
}

// ---------------------------------------------------------------------------
// Navigation context

void QVTableControllerHelper::showLoadingScreen() { loadingOverlay_.show(qvNavigationController(), this); }

void QVTableControllerHelper::hideLoadingScreen() { loadingOverlay_.hide(qvNavigationController()); }

bool QVTableControllerHelper::isInHiddenTab() const
{
    auto* nav = qvNavigationController();
    return nav && nav->isInHiddenTab();
}

void QVTableControllerHelper::setBadgeValue(const std::optional<std::string>& value)
{
    badgeValue_ = value;
    QVShowBadgeOnOwningTab(this, qvNavigationController(), value);
}

Object* QVTableControllerHelper::getPageContextUser() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->currentUser() : nullptr;
}

Object* QVTableControllerHelper::getPageComparisonUser() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->comparisonUser() : nullptr;
}

Object* QVTableControllerHelper::getPageContextGame() const
{
    auto* nav = qvNavigationController();
    return nav ? nav->currentGameContext() : nullptr;
}

void QVShowLoadingScreenOf(ViewController* screen, bool shown)
{
    if (auto* plain = dynamic_cast<QVViewController*>(screen)) {
        if (shown)
            plain->showLoadingScreen();
        else
            plain->hideLoadingScreen();
    } else if (auto* list = dynamic_cast<QVTableControllerHelper*>(screen)) {
        if (shown)
            list->showLoadingScreen();
        else
            list->hideLoadingScreen();
    }
}

} // namespace quorvel
