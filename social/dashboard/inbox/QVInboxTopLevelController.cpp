// The inbox menu: its rows and the counts that badge them.
#include "social/dashboard/inbox/QVInboxTopLevelController.h"

#include "platform/ui/TableView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVKitImages.h"

namespace quorvel {

using namespace platform::ui;
using namespace common;
using platform::Ref;

QV_REGISTER_CLASS(QVInboxTopLevelController);

QVInboxTopLevelController::~QVInboxTopLevelController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void QVInboxTopLevelController::viewDidLoad()
{
    setTitle("Inbox");
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* name : { Quorvel::kUnreadIMCountChanged, "QVNSNotificationUnreadPostCountChanged",
                              "QVNSNotificationUnreadInviteCountChanged" })
        center.addObserver(this, name, [this](const platform::Notification& n) { _somethingHappened(n); });
    QVTableStaticControllerHelper::viewDidLoad();
}

Ref<QVFanClubCell> QVInboxTopLevelController::createCell(const std::string& title, const std::string& iconName,
                                                        int badgeValue, QVFanClubCell::CreateController create)
{
    Ref<TableViewCell> loaded = QVControllerLoader::loadCell("FanClub");
    auto cell = Ref<QVFanClubCell>(
        loaded ? requireCast<QVFanClubCell>(loaded, "A menu row must take its title and action") : nullptr);
    if (!cell)
        return nullptr;
    cell->titleLabel()->setText(title);
    cell->setCreateControllerSelector(std::move(create));
    cell->iconView()->setImage(iconName.empty() ? nullptr : QVLoadKitImage(iconName).get());
    cell->badgeView()->setValue(badgeValue);
    return cell;
}

std::optional<QVTableControllerHelper::Sections> QVInboxTopLevelController::buildTableSectionDescriptions()
{
    Ref<QVInboxTopLevelController> self(this);
    cells_.clear();
    QVTableSectionDescription::Cells cells;
    auto add = [&](const std::string& title, const std::string& icon, int badge, QVFanClubCell::CreateController create) {
        auto cell = createCell(title, icon, badge, std::move(create));
        if (!cell)
            return;
        cells_.push_back(cell);
        cells.emplace_back(cell.get());
    };
    add("Invitations", "QVInboxAcceptInviteIcon.png", QuorvelInternal::options().unreadInviteCount(), [this] { return onInvitations(); });
    add("IM Conversations", "QVInboxIMIcon.png", QuorvelInternal::options().unreadIMCount(), [this] { return onIMConversations(); });
    add("Starred Forum Posts", "QVInboxForumsIcon.png", QuorvelInternal::options().unreadPostCount(), [this] { return onForumPosts(); });
    return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("", std::move(cells)) };
}

QVFanClubCell* QVInboxTopLevelController::cellAtRow(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < cells_.size() ? cells_[static_cast<size_t>(row)].get() : nullptr;
}

Ref<ViewController> QVInboxTopLevelController::onInvitations() { return QVControllerLoader::load("Invitations"); }

Ref<ViewController> QVInboxTopLevelController::onIMConversations() { return QVControllerLoader::load("InboxIMConversations"); }

Ref<ViewController> QVInboxTopLevelController::onForumPosts() { return QVControllerLoader::load("InboxSubscribedForumThreads"); }

void QVInboxTopLevelController::_somethingHappened(const platform::Notification& n)
{
    int row = -1;
    const char* key = nullptr;
    if (n.name == Quorvel::kUnreadIMCountChanged) {
        row = 1;
        key = Quorvel::kInfoUnreadIMCount;
    } else if (n.name == "QVNSNotificationUnreadPostCountChanged") {
        row = 2;
        key = Quorvel::kInfoUnreadPostCount;
    } else if (n.name == "QVNSNotificationUnreadInviteCountChanged") {
        row = 0;
        key = Quorvel::kInfoUnreadInviteCount;
    } else {
        return;
    }
    QVFanClubCell* cell = cellAtRow(row);
    const platform::Value& value = n.userInfo.isDictionary() ? n.userInfo[key] : platform::Value::nil();
    if (cell && !value.isNil())
        cell->badgeView()->setValue(value.asInt());
}

void QVInboxTopLevelController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (sections_ && !sections_->empty() && indexPath.section == 0) {
        if (QVFanClubCell* cell = cellAtRow(indexPath.row); cell && cell->createControllerSelector()) {
            Ref<ViewController> screen = cell->createControllerSelector()();
            if (screen && navigationController())
                navigationController()->pushViewController(screen.get(), true);
        }
    }
    table->deselectRowAtIndexPath(indexPath, true);
}

} // namespace quorvel
