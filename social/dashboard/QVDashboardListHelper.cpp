// Answers of pages of resources as list sections, and the next page.
#include "social/dashboard/QVDashboardListHelper.h"

#include "platform/ui/AlertView.h"

namespace quorvel {

using platform::Object;
using platform::Ref;

void QVDashboardListHelper::viewDidLoad()
{
    QVTableControllerHelper::viewDidLoad();
    mIsLoadingNextPage = false;
    mNumLoadedPages = 0;
    if (!mResourceMap || mResourceMap->count() == 0) {
        Ref<QVResourceControllerMap> map = mResourceMap ? mResourceMap : QVResourceControllerMap::create();
        populateResourceMap(map.get());
        mResourceMap = map;
    }
}

void QVDashboardListHelper::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    Sections built;
    if (series && series->count() > 0) {
        if (!dynamic_cast<QVTableSectionDescription*>(series->objectAtIndex(0))) {
            built.push_back(QVTableSectionDescription::sectionWithTitle("", QVPaginatedSeries::paginatedSeriesFromSeries(*series)));
        } else {
            for (const auto& object : *series) {
                auto* section = dynamic_cast<QVTableSectionDescription*>(object.get());
                if (!section)
                    continue;
                bool hasRows = section->page() && section->page()->count() > 0;
                if (hasRows || getLeadingCellControllerNameForSection(static_cast<int>(built.size())))
                    built.emplace_back(section);
            }
        }
    }
    if (isIncremental && mSections && !mSections->empty() && !built.empty()) {
        // The next page joins the last section.
        QVTableSectionDescription* last = mSections->back().get();
        QVPaginatedSeries* added = built.back()->page();
        Ref<QVPaginatedSeries> merged = last->page() ? QVPaginatedSeries::paginatedSeriesFromSeries(*last->page())
                                                     : QVPaginatedSeries::paginatedSeries();
        if (added) {
            for (const auto& object : *added)
                merged->objects().push_back(object);
            if (added->header())
                merged->setHeader(added->header()->clone());
        }
        last->setPage(merged);
    } else if (!isIncremental || !mSections) {
        mSections = built.empty() ? std::optional<Sections>() : std::optional<Sections>(built);
    }
    if (mSections && !mSections->empty()) {
        for (size_t i = 0; i < mSections->size(); ++i) {
            QVTableSectionDescription* section = (*mSections)[i].get();
            if (!section->title().empty() || !usePlainTableSectionHeaders())
                continue;
            if (!section->headerView())
                section->setHeaderView(createPlainTableSectionHeader(static_cast<int>(i)).get());
        }
        _reloadTableData();
    }
}

Object* QVDashboardListHelper::getResourceFromSection(QVTableSectionDescription* section, int row)
{
    QVPaginatedSeries* page = section ? section->page() : nullptr;
    return page && row >= 0 ? page->objectAtIndex(static_cast<size_t>(row)) : nullptr;
}

std::string QVDashboardListHelper::getCellControllerNameFromSection(QVTableSectionDescription* section, int row)
{
    Object* resource = getResourceFromSection(section, row);
    if (!resource || !mResourceMap)
        return {};
    return mResourceMap->getControllerName(*resource).value_or(std::string());
}

void QVDashboardListHelper::onTrailingCellWasClickedForSection(int section)
{
    if (mSections && section == static_cast<int>(mSections->size()) - 1)
        loadNextPage();
}

bool QVDashboardListHelper::loadNextPage()
{
    if (!allowPagination() || mIsLoadingNextPage || !mSections || mSections->empty())
        return false;
    QVPaginatedSeries* page = mSections->back()->page();
    if (page && page->header() && page->header()->isLastPageLoaded())
        return false;
    ++mNumLoadedPages;
    mIsLoadingNextPage = true;
    doIndexActionWithPage(static_cast<int>(mNumLoadedPages),
                          QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVDashboardListHelper, _pageLoaded))),
                          QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVDashboardListHelper, _pageFailed))));
    return true;
}

void QVDashboardListHelper::_pageLoaded(Object* series)
{
    mIsLoadingNextPage = false;
    _onDataLoadedWrapperIsIncremental(series, true);
}

void QVDashboardListHelper::_pageFailed(Object* answer)
{
    mIsLoadingNextPage = false;
    --mNumLoadedPages;
    platform::ui::AlertView::alert("", "Quorvel was unable to load more items. Please try again", nullptr, "Ok")->show();
    _onDataFailedLoading(answer);
}

} // namespace quorvel
