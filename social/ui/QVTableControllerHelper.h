// QVTableControllerHelper: the base of every list screen of the dashboard.
//
// It owns the list's sections (QVTableSectionDescription), asks the screen for
// its data through one request hook (doIndexActionOnSuccess) the first time
// it is shown, shows the navigation controller's loading indicator while the
// request runs, hands the answer to _onDataLoaded (where subclasses build the
// sections), loads every cell by name through the controller loader, shows the
// "EmptyDataSet" screen as table footer when there is nothing, refreshes
// itself from a notification, and supports expandable rows, deletion with an
// optional confirmation sheet, an A-Z# section index and a table header made
// from a controller or a view named by the screen.
//
// Rows map to cells through their section: leading (0), static (1), object
// (2), action (3, the row below an expanded object) and trailing (4) rows. A
// row that maps to nothing gets an empty cell and a log line.
//
// Answers that arrive after the screen left its navigation stack are dropped
// (canReceiveCallbacksNow). The paged list (QVTableSequenceControllerHelper)
// and the single and static lists derive from this class.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TableView.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVLoadingOverlayLink.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVNavigationController;
class QVService;
class QVResource;
class QVTableCellHelper;

// A table header controller that sizes itself for the list's view.
class QVTableControllerHeader {
public:
    virtual ~QVTableControllerHeader() = default;
    virtual void resizeView(platform::ui::View* tableView) = 0;
};

class QVTableControllerHelper : public platform::ui::TableViewController,
                                public QVCallbackable,
                                public QVKeyedSetters,
                                public platform::ui::ActionSheetDelegate {
    QV_DECLARE_CLASS(QVTableControllerHelper)
public:
    using Sections = std::vector<platform::Ref<QVTableSectionDescription>>;
    using CellType = QVTableSectionDescription::CellType;

    static constexpr const char* kEmptyDataSetName = "EmptyDataSet";
    static constexpr const char* kPlainSectionHeaderName = "PlainTableSectionHeader";

    bool init() override;
    // The style of the table made when the view loads (plain by default).
    void setTableStyle(platform::ui::TableViewStyle style) { tableStyle_ = style; }

    // --- Hooks ---
    virtual std::string getTextToShowWhileLoading() { return "Downloading"; }
    virtual platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() { return nullptr; }
    virtual std::string getNoDataFoundMessage() { return "No data results were found"; }
    virtual std::optional<std::string> getTableHeaderViewName() { return std::nullopt; }
    // Wins over the view name.
    virtual std::optional<std::string> getTableHeaderControllerName() { return std::nullopt; }
    // Right after the header is made (null for a header view).
    virtual void onTableHeaderCreated(platform::ui::ViewController* /*header*/) { }
    virtual void onTableFooterCreated(platform::ui::ViewController* /*footer*/) { }
    // Sent by a cell's changeResource.
    virtual void onCell(QVTableCellHelper* /*cell*/, platform::Object* /*resource*/) { }
    virtual QVService* getService() { return nullptr; }
    virtual bool shouldDisplayEmptyDataSet() { return true; }
    virtual void onLeadingCellWasClickedForSection(int /*section*/) { }
    virtual void onTrailingCellWasClickedForSection(int /*section*/) { }
    virtual void onCellWasClicked(platform::Object* /*resource*/, platform::ui::IndexPath /*indexPathInTable*/) { }
    // At the start of every full refresh.
    virtual void onRefreshingData() { }
    virtual bool shouldAlwaysRefreshWhenShown() { return false; }
    // The request of a full refresh: answer one page to onSuccess (a QVPaginatedSeries).
    virtual void doIndexActionOnSuccess(const QVDelegate& /*onSuccess*/, const QVDelegate& /*onFailure*/) { }
    // With each answer; subclasses build sections_ here.
    virtual void _onDataLoaded(QVPaginatedSeries* /*series*/, bool /*isIncremental*/) { }
    virtual bool isNewContentShownAtBottom() { return false; }
    virtual platform::Object* getResourceFromSection(QVTableSectionDescription* /*section*/, int /*row*/) { return nullptr; }
    virtual std::string getCellControllerNameFromSection(QVTableSectionDescription* /*section*/, int /*row*/) { return ""; }
    virtual bool shouldRefreshAfterNotification() { return false; }
    virtual std::string getNotificationToRefreshAfter() { return ""; }
    virtual bool isNotificationResourceValid(platform::Object* /*resource*/) { return true; }
    virtual std::optional<std::string> getLeadingCellControllerNameForSection(int /*section*/) { return std::nullopt; }
    virtual std::optional<std::string> getTrailingCellControllerNameForSection(int /*section*/) { return std::nullopt; }
    virtual void onLeadingCellWasLoaded(platform::ui::TableViewCell* /*cell*/, int /*section*/) { }
    virtual void onTrailingCellWasLoaded(platform::ui::TableViewCell* /*cell*/, int /*section*/) { }
    virtual bool autoLoadData() { return true; }
    virtual std::string getDataNotLoadedYetMessage() { return ""; }
    // A view that hosts the table as the screen's view.
    virtual platform::Ref<platform::ui::View> getBackgroundView() { return nullptr; }
    virtual bool hasStreamingSections() { return false; }
    virtual bool isAlphabeticalList() { return false; }
    virtual bool allowEditing() { return false; }
    virtual bool shouldConfirmResourceDeletion() { return false; }
    virtual std::string getResourceDeletePromptText(platform::Object* /*resource*/) { return "Are you sure?"; }
    virtual std::string getResourceDeleteCancelText() { return "Cancel"; }
    virtual std::string getResourceDeleteConfirmText() { return "Confirm"; }
    // After a row was removed; any server request is the screen's business.
    virtual void onResourceWasDeleted(platform::Object* /*resource*/) { }
    virtual std::optional<std::string> actionCellClassName() { return std::nullopt; }
    // Sent by action cells.
    virtual void actionPressedForTag(int /*tag*/, platform::ui::IndexPath /*indexPath*/) { }
    // Backgrounds of a cell before it is filled.
    virtual void configureCell(platform::ui::TableViewCell* cell, bool leading, bool trailing, bool odd);

    // --- Operations ---
    QVDelegate getOnSuccessDelegate();
    QVDelegate getOnFailureDelegate();
    void reloadDataFromServer() { _refreshData(); }
    void insertSection(QVTableSectionDescription* section, size_t index);
    QVTableSectionDescription* getSectionWithIdentifier(const std::string& identifier) const;
    // Null when the section index is out of range.
    QVTableSectionDescription* getSectionForIndexPath(platform::ui::IndexPath indexPath) const;
    // The page object of an object or action row; null for other rows and past the end.
    platform::Object* getCellAtIndexPath(platform::ui::IndexPath indexPath);
    CellType cellTypeAtIndexPath(platform::ui::IndexPath indexPath);
    bool isExpandedAtIndexPath(platform::ui::IndexPath indexPath);
    void toggleExpansionAtIndexPath(platform::ui::IndexPath indexPath);
    int getNumCellsInSection(int section);
    int getNumCellsInTable();
    platform::Object* getPageContextUser() const;
    platform::Object* getPageComparisonUser() const;
    platform::Object* getPageContextGame() const;
    virtual void showLoadingScreen();
    virtual void hideLoadingScreen();
    bool isInHiddenTab() const;
    void setBadgeValue(const std::optional<std::string>& value);
    const std::optional<std::string>& badgeValue() const { return badgeValue_; }
    // "PlainTableSectionHeader" with the section's title in its label tagged 1; null without a title.
    virtual platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section);
    platform::ui::TableView* tableView();
    QVNavigationController* qvNavigationController() const;
    // The tab item that owns this screen, or null (also once the item is gone).
    platform::Object* owningTabBarItem() const { return owningTabBarItem_.get(); }
    void setOwningTabBarItem(platform::Object* item) { owningTabBarItem_ = item; }

    // Null until the first answer.
    const std::optional<Sections>& sections() const { return sections_; }
    platform::ui::ViewController* emptyTableController() const { return emptyTableController_.get(); }
    platform::ui::ViewController* tableHeaderController() const { return tableHeaderController_.get(); }
    platform::ui::View* tableHeaderView() const { return tableHeaderView_.get(); }
    // The row whose deletion waits for confirmation.
    const std::optional<platform::ui::IndexPath>& deletingIndexPath() const { return deletingIndexPath_; }

    // --- Controller and table ---
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void didReceiveMemoryWarning() override { }
    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }

    int numberOfSectionsInTableView(platform::ui::TableView* table) override;
    int tableViewNumberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::Ref<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView* table,
                                                                          platform::ui::IndexPath indexPath) override;
    float tableViewHeightForRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    std::string tableViewTitleForHeaderInSection(platform::ui::TableView* table, int section) override;
    std::string tableViewTitleForFooterInSection(platform::ui::TableView*, int) override { return {}; }
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(platform::ui::TableView* table,
                                                           platform::ui::IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    void tableViewCommitEditingStyle(platform::ui::TableView* table, platform::ui::CellEditingStyle style,
                                     platform::ui::IndexPath indexPath) override;
    std::vector<std::string> sectionIndexTitlesForTableView(platform::ui::TableView* table) override;
    int tableViewSectionForSectionIndexTitle(platform::ui::TableView* table, const std::string& title,
                                             int index) override;
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableControllerHelper() = default;
    ~QVTableControllerHelper() override;

    // The answer of a request or a notification.
    void _onDataLoadedWrapper(platform::Object* series) { _onDataLoadedWrapperIsIncremental(series, false); }
    void _onDataLoadedWrapperIsIncremental(platform::Object* series, bool isIncremental);
    void _onDataFailedLoading(platform::Object* /*answer*/) { hideLoadingScreen(); }
    void _refreshData();
    bool _shouldRefresh() const { return !sections_ || const_cast<QVTableControllerHelper*>(this)->shouldAlwaysRefreshWhenShown(); }
    virtual void _reloadTableData();
    // Puts the list's header in place after each load; a screen with its own
    // header and footer puts them there instead.
    virtual void _createAndDisplayTableHeader();
    void _displayEmptyDataSetView(platform::ui::ViewController* controller, const std::string& message);
    void _removeEmptyDataSetView();
    void _refreshDataIncrementally(const platform::Notification& notification);
    // The cell of a row: the display cell, or the sizing cell of its name.
    platform::Ref<platform::ui::TableViewCell> getCellForIndex(platform::ui::IndexPath indexPath,
                                                           platform::ui::TableView* table, bool useHelperCell);
    platform::Ref<platform::ui::TableViewCell> loadCell(const std::string& name);
    void _changeResource(platform::Object* resource, platform::ui::TableViewCell* cell, int index);
    int _getLoadedBaseRowIndex();
    // The section's row for a table row (mirrored when new content is shown at the bottom).
    int dataRowIndex(int section, int row);
    // The section's row mapping; a streamed section counts every row of the
    // whole set as an object row, loaded or not.
    CellType rowType(QVTableSectionDescription* section, int row, int& dataRow);
    void _confirmDelete();
    bool _isScrolledToHead();
    void _scrollToTableHead(bool animated);

    std::optional<Sections> sections_;
    platform::Ref<platform::ui::ViewController> tableHeaderController_;
    platform::Ref<platform::ui::View> tableHeaderView_;
    platform::Ref<platform::ui::ViewController> emptyTableController_;
    std::map<std::string, platform::Ref<platform::ui::TableViewCell>> helperCellsForHeight_;
    platform::Ref<platform::ui::TableView> myTableView_;
    platform::Ref<platform::ui::View> mContainerView;

private:
    platform::ui::TableViewStyle tableStyle_ { platform::ui::TableViewStyle::Plain };
    platform::WeakLink<platform::Object> owningTabBarItem_;
    std::optional<std::string> badgeValue_;
    std::optional<platform::ui::IndexPath> deletingIndexPath_;
    platform::Ref<platform::Object> deletingResource_;
    std::string observedNotification_;
    QVLoadingOverlayLink loadingOverlay_;
};

// Shows or hides a screen's loading screen, whether it is a plain screen, a
// form or a list; any other controller shows none.
void QVShowLoadingScreenOf(platform::ui::ViewController* screen, bool shown);

} // namespace quorvel
