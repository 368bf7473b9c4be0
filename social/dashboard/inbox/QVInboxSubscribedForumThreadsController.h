// QVInboxSubscribedForumThreadsController ("InboxSubscribedForumThreads"): the
// forum threads the player starred, keeping the client's unread post count.
#pragma once

#include "social/dashboard/inbox/QVInboxController.h"

#include <string>

namespace quorvel {

class QVInboxSubscribedForumThreadsController : public QVInboxController {
    QV_DECLARE_CLASS(QVInboxSubscribedForumThreadsController)
public:
    std::string getNoDataFoundMessage() override { return "You haven't starred any forum threads."; }
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxSubscribedForumThreadsController() = default;
};

} // namespace quorvel
