// The static list: its sections built as it loads and shows.
#include "social/ui/QVTableStaticControllerHelper.h"

namespace quorvel {

using namespace platform::ui;

void QVTableStaticControllerHelper::viewDidLoad()
{
    QVTableControllerHelper::viewDidLoad();
    sections_ = buildTableSectionDescriptions();
}

void QVTableStaticControllerHelper::viewWillAppear(bool animated)
{
    QVTableControllerHelper::viewWillAppear(animated);
    TableView* table = tableView();
    if (table && !table->tableHeaderView())
        _createAndDisplayTableHeader();
}

} // namespace quorvel
