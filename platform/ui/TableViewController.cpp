// TableViewController: a controller whose view is a table it feeds and
// listens to, reloading it on the first appearance.
#include "platform/ui/TableView.h"

#include "platform/device/Screen.h"

namespace platform::ui {

Ref<TableViewController> TableViewController::withStyle(TableViewStyle style)
{
    auto c = adoptRef(new TableViewController);
    return c->initWithStyle(style) ? c : nullptr;
}

bool TableViewController::init()
{
    return initWithStyle(TableViewStyle::Plain);
}

bool TableViewController::initWithStyle(TableViewStyle style)
{
    if (!ViewController::init())
        return false;
    style_ = style;
    return true;
}

TableView* TableViewController::tableView()
{
    return dynamic_cast<TableView*>(view());
}

void TableViewController::setTableView(TableView* table)
{
    if (table) {
        table->setDataSource(this);
        table->setDelegate(this);
    }
    table_ = Weak<TableView>(table);
    setView(table);
}

void TableViewController::loadView()
{
    auto table = TableView::tableViewWithFrame(Screen::mainScreen().applicationFrame(), style_);
    table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    table->setDataSource(this);
    table->setDelegate(this);
    table_ = Weak<TableView>(table.get());
    setView(table.get());
}

void TableViewController::viewWillAppear(bool animated)
{
    TableView* table = tableView();
    if (!table)
        return;
    if (!table->hasLoadedData())
        table->reloadData();
    if (clearsSelection_ && table->indexPathForSelectedRow())
        table->deselectRowAtIndexPath(*table->indexPathForSelectedRow(), animated);
}

void TableViewController::setEditing(bool editing, bool animated)
{
    editing_ = editing;
    if (TableView* table = tableView())
        table->setEditing(editing, animated);
}

Ref<TableViewCell> TableViewController::tableViewCellForRowAtIndexPath(TableView*, IndexPath)
{
    return nullptr;
}

TableViewController::~TableViewController()
{
    // The table may outlive its controller (another owner): it must not call back.
    {
        if (auto table = table_.lock()) {
            if (table->dataSource() == this)
                table->setDataSource(nullptr);
            if (table->delegate() == this)
                table->setDelegate(nullptr);
        }
    }
}

} // namespace platform::ui
