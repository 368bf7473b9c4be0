// QVTableStaticControllerHelper: the list screen whose sections are built once,
// without any request.
#pragma once

#include "social/ui/QVTableControllerHelper.h"

#include <optional>

namespace quorvel {

class QVTableStaticControllerHelper : public QVTableControllerHelper {
    QV_DECLARE_CLASS(QVTableStaticControllerHelper)
public:
    virtual std::optional<Sections> buildTableSectionDescriptions() { return std::nullopt; }
    platform::Object* getResourceFromSection(QVTableSectionDescription*, int) override { return nullptr; }
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableStaticControllerHelper() = default;
};

} // namespace quorvel
