// QVTableSingleControllerHelper: the list screen that shows one resource
// fetched by id as rows the screen describes (QVTableSectionCellDescription).
#pragma once

#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableControllerHelper.h"

#include <optional>
#include <string>

namespace quorvel {

class QVTableSingleControllerHelper : public QVTableControllerHelper {
    QV_DECLARE_CLASS(QVTableSingleControllerHelper)
public:
    const std::string& resourceId() const { return resourceId_; }
    void setResourceId(const std::string& id) { resourceId_ = id; }
    // The sections of the fetched resource; their pages hold QVTableSectionCellDescriptions.
    virtual std::optional<Sections> tableSectionDescriptionsForResource(platform::Object* /*resource*/) { return std::nullopt; }

    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    std::string getCellControllerNameFromSection(QVTableSectionDescription* section, int row) override;
    platform::Object* getResourceFromSection(QVTableSectionDescription* section, int row) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableSingleControllerHelper() = default;

private:
    std::string resourceId_;
};

} // namespace quorvel
