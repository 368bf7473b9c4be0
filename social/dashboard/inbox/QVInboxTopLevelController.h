// QVInboxTopLevelController ("InboxTopLevel"): the player's message centre,
// a menu of invitations, IM conversations and starred forum threads whose
// badges follow the unread counts.
#pragma once

#include "social/dashboard/common/QVFanClubCell.h"
#include "social/ui/QVTableStaticControllerHelper.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVInboxTopLevelController : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(QVInboxTopLevelController)
public:
    QVFanClubCell* cellAtRow(int row) const;

    platform::Ref<platform::ui::ViewController> onInvitations();
    platform::Ref<platform::ui::ViewController> onIMConversations();
    platform::Ref<platform::ui::ViewController> onForumPosts();

    std::optional<Sections> buildTableSectionDescriptions() override;
    void viewDidLoad() override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxTopLevelController() = default;
    ~QVInboxTopLevelController() override;

private:
    void _somethingHappened(const platform::Notification& n);
    platform::Ref<QVFanClubCell> createCell(const std::string& title, const std::string& iconName, int badgeValue,
                                            QVFanClubCell::CreateController create);

    std::vector<platform::Ref<QVFanClubCell>> cells_;
};

} // namespace quorvel
