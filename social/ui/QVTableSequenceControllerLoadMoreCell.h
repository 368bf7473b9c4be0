// QVTableSequenceControllerLoadMoreCell ("TableSequenceControllerLoadMore"):
// the row after a paged list's last section that shows the paging state — "Load
// %d More" or "No More To Load", and "Showing %d of %d" — and asks for the next
// page when touched.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/ui/QVTableCellHelper.h"

#include <string>

namespace quorvel {

class QVTableSequenceControllerLoadMoreCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVTableSequenceControllerLoadMoreCell)
public:
    static constexpr float kHeight = 50;
    static constexpr float kLoadingLabelHeight = 26;
    static constexpr float kMainLabelHeight = 15;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    // Given the section the cell ends.
    void onResourceChanged(platform::Object* resource) override;
    void setIsLoading(bool loading);
    bool wantsToConfigureSelf() override { return true; }

    QVPaginatedSeriesHeader* lastLoadedPageHeader() const { return lastLoadedPageHeader_.get(); }
    platform::ui::ActivityIndicator* activityIndicator() const;
    platform::ui::Label* mainLabel() const;
    platform::ui::Label* secondLabel() const;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableSequenceControllerLoadMoreCell() = default;

private:
    platform::Ref<QVPaginatedSeriesHeader> lastLoadedPageHeader_;
    size_t loadedCount_ { 0 };
    platform::Ref<platform::ui::ImageView> backgroundImageView_;
};

} // namespace quorvel
