// QVDashboardListHelper: the list screen base of the dashboard's game lists —
// a list screen whose answers are pages of server resources. Each answer
// becomes sections (the answer's own sections, or one untitled section of all
// its objects), each object's row cell is named by its class through the
// resource map, and the next page of a paged answer is appended to the last
// section.
#pragma once

#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

class QVDashboardListHelper : public QVTableControllerHelper {
public:
    // The screen registers its resource classes and cell names (once, when the view loads).
    virtual void populateResourceMap(QVResourceControllerMap* map) { }
    virtual bool allowPagination() { return true; }
    virtual bool usePlainTableSectionHeaders() { return isAlphabeticalList(); }
    // The paged request (pages from 1).
    virtual void doIndexActionWithPage(int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) { }

    // Requests the page after the last one loaded, unless one is loading or
    // the last page is shown; answers whether a request went out.
    bool loadNextPage();
    unsigned numLoadedPages() const { return mNumLoadedPages; }
    bool isLoadingNextPage() const { return mIsLoadingNextPage; }
    QVResourceControllerMap* resourceMap() const { return mResourceMap.get(); }

    void viewDidLoad() override;
    void onRefreshingData() override { mNumLoadedPages = 1; }
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    platform::Object* getResourceFromSection(QVTableSectionDescription* section, int row) override;
    std::string getCellControllerNameFromSection(QVTableSectionDescription* section, int row) override;
    void onTrailingCellWasClickedForSection(int section) override;

protected:
    QVDashboardListHelper() = default;

    platform::Ref<QVResourceControllerMap> mResourceMap;
    unsigned mNumLoadedPages { 0 };
    bool mIsLoadingNextPage { false };

private:
    void _pageLoaded(platform::Object* series);
    void _pageFailed(platform::Object* answer);
};

} // namespace quorvel
