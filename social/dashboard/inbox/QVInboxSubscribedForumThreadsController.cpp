// The starred threads list: its rows and the unread post count.
#include "social/dashboard/inbox/QVInboxSubscribedForumThreadsController.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/inbox/QVInboxController.h"

namespace quorvel {

using namespace platform::ui;
using namespace common;

QV_REGISTER_CLASS(QVInboxSubscribedForumThreadsController);

void QVInboxSubscribedForumThreadsController::viewWillAppear(bool animated)
{
    QVInboxController::viewWillAppear(animated);
    setTitle("Starred Threads");
}

void QVInboxSubscribedForumThreadsController::onBeforeResourcesProcessed(QVPaginatedSeries* series)
{
    QVInboxController::onBeforeResourcesProcessed(series);
    removeSubscriptions(series, false);
}

void QVInboxSubscribedForumThreadsController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    QVInboxController::onResourcesDownloaded(series);
    QuorvelInternal::options().setUnreadPostCount(countUnreadLoadedRows([](const QVSubscription& s) { return s.isForumThread(); }));
}

} // namespace quorvel
