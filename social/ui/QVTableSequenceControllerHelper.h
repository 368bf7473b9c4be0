// QVTableSequenceControllerHelper: the list screen for server resources. Each
// answer (a QVPaginatedSeries) becomes sections — one untitled section, or the
// answer's own sections — and each object's cell is named by its class through
// the screen's QVResourceControllerMap. A paged answer gets a load-more cell
// ("TableSequenceControllerLoadMore") after its last section; touching it asks
// for the next page, whose objects are appended to the last section. A
// refresh notification's objects are put before the current ones.
//
// A list that streams one long result set (hasStreamingSections) counts its
// rows by the page header's total and, once scrolling rests for 0.1 s, asks
// for the rows around the visible ones (doIndexActionWithOffset); rows not
// loaded yet show the streaming cell.
//
// One next-page request runs at a time. A failed page is not counted as
// loaded, so the retry asks for the same page, and shows "Quorvel was unable
// to load more items. Please try again"; so does a page the client drops
// unanswered (asked while it is turned off).
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableControllerHelper.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTableSequenceControllerHelper : public QVTableControllerHelper {
    QV_DECLARE_CLASS(QVTableSequenceControllerHelper)
public:
    static constexpr const char* kLoadMoreCellName = "TableSequenceControllerLoadMore";
    static constexpr const char* kLoadMoreFailedMessage = "Quorvel was unable to load more items. Please try again";
    static constexpr float kTitledSectionHeaderHeight = 38;
    // A list that is not paged reloads instead of inserting while it fits the table and holds fewer objects.
    static constexpr size_t kReloadBelowObjectCount = 16;
    // A streamed list asks for the rows around the visible ones once scrolling rests this long.
    static constexpr double kStreamingDelay = 0.1;
    static constexpr int kStreamingRowsAbove = 5;

    // --- Hooks ---
    // Register the resource classes of the list and their cell names.
    virtual void populateResourceMap(QVResourceControllerMap& /*map*/) { }
    virtual void populateSectionHeaderFooterResourceMap(QVResourceControllerMap& /*map*/) { }
    virtual void onBeforeResourcesProcessed(QVPaginatedSeries* /*series*/) { }
    virtual void onResourcesDownloaded(QVPaginatedSeries* /*series*/) { }
    virtual void onSectionsCreated(const std::optional<Sections>& /*sections*/) { }
    virtual bool allowPagination() { return true; }
    // The next page (numbered from 1) to onSuccess.
    virtual void doIndexActionWithPage(unsigned int /*page*/, const QVDelegate& /*onSuccess*/, const QVDelegate& /*onFailure*/) { }
    virtual void doIndexActionWithOffset(int /*offset*/, const QVDelegate& /*onSuccess*/, const QVDelegate& /*onFailure*/) { }
    virtual std::string getCellControllerNameForStreamingCells() { return ""; }
    // The first object of one section on page 1 is a header resource, not a row.
    virtual bool usesHeaderResource() { return false; }
    virtual int getHeaderResourceSectionIndex() { return -1; }
    virtual void onHeaderResourceDownloaded(platform::Object* /*resource*/) { }
    virtual bool usePlainTableSectionHeaders() { return isAlphabeticalList(); }

    // --- Operations ---
    // The page object of an index path's row (null for other rows or out of range).
    platform::Object* getResourceAtIndexPath(platform::ui::IndexPath indexPath);
    // The first row, in section and object order, whose object has the resource's id.
    std::optional<platform::ui::IndexPath> getFirstIndexPathForResource(const QVResource* resource);
    // The table meta-data objects of the last answer that are of class T.
    template <typename T>
    std::vector<platform::Ref<T>> getMetaDataOfType() const
    {
        std::vector<platform::Ref<T>> found;
        if (metaDataObjects_)
            for (const auto& o : *metaDataObjects_)
                if (auto* match = dynamic_cast<T*>(o.get()))
                    found.emplace_back(match);
        return found;
    }
    // The next page (not once the last is loaded, nor while one loads). When
    // another player has logged in since the first page, the whole list is
    // asked again instead, and the callbacks are not called.
    void doLoadMoreOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    void onTrailingCellWasClickedForSection(int section, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    bool isLoadingNextPage() const { return isLoadingNextPage_; }
    unsigned int numLoadedPages() const { return numLoadedPages_; }
    QVResourceControllerMap* resourceMap() const { return resourceMap_.get(); }

    // --- Overrides ---
    void viewDidLoad() override;
    void onRefreshingData() override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    void configureCell(platform::ui::TableViewCell* cell, bool leading, bool trailing, bool odd) override;
    platform::Object* getResourceFromSection(QVTableSectionDescription* section, int row) override;
    std::string getCellControllerNameFromSection(QVTableSectionDescription* section, int row) override;
    void onTrailingCellWasClickedForSection(int section) override;

    platform::Ref<platform::ui::View> tableViewViewForHeaderInSection(platform::ui::TableView* table, int section) override;
    platform::Ref<platform::ui::View> tableViewViewForFooterInSection(platform::ui::TableView* table, int section) override;
    float tableViewHeightForHeaderInSection(platform::ui::TableView* table, int section) override;
    float tableViewHeightForFooterInSection(platform::ui::TableView* table, int section) override;
    void tableViewWillDisplayCell(platform::ui::TableView* table, platform::ui::TableViewCell* cell,
                                  platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableSequenceControllerHelper() = default;

    void _reloadTableData() override;
    std::optional<Sections> _sectionsFromResources(QVPaginatedSeries* series);
    void _paginationRequestSucceeded(platform::Object* series, platform::Object* chainedDelegate);
    void _paginationRequestFailed(platform::Object* answer, platform::Object* chainedDelegate);
    void _downloadCurrentStreamingPage();
    void _streamingPaginationSucceeded(platform::Object* series);

    platform::Ref<QVResourceControllerMap> resourceMap_;
    bool isLoadingNextPage_ { false };
    unsigned int numLoadedPages_ { 0 };
    // The player the loaded pages were asked as: another player's next page
    // would follow this one's first, so after a login of another the list
    // starts again from its first page instead.
    std::string pagesAskedAs_;
    std::optional<QVPaginatedSeries::Objects> metaDataObjects_;
    platform::Ref<platform::Timer> countdownToStreamingRequest_;

private:
    class QVTableSequenceControllerLoadMoreCell* visibleLoadMoreCell();
};

} // namespace quorvel
