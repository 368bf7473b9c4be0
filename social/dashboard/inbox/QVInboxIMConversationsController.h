// QVInboxIMConversationsController ("InboxIMConversations"): the player's
// IM conversations, keeping the client's unread IM count; new conversations
// start from the compose button.
#pragma once

#include "social/dashboard/inbox/QVInboxController.h"

#include <string>

namespace quorvel {

class QVInboxIMConversationsController : public QVInboxController {
    QV_DECLARE_CLASS(QVInboxIMConversationsController)
public:
    std::string getNoDataFoundMessage() override
    {
        return "You don't have any active IM conversations. Send a message to a friend by pressing the compose button.";
    }
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxIMConversationsController() = default;
};

} // namespace quorvel
