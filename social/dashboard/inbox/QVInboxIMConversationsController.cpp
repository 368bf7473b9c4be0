// The IM conversations list: its rows and the unread IM count.
#include "social/dashboard/inbox/QVInboxIMConversationsController.h"

#include "platform/ui/BarButtonItem.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/inbox/QVInboxController.h"

namespace quorvel {

using namespace platform::ui;
using namespace common;

QV_REGISTER_CLASS(QVInboxIMConversationsController);

void QVInboxIMConversationsController::loadView()
{
    QVInboxController::loadView();
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Compose, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVInboxController, _newMessagePressed))).get());
}

void QVInboxIMConversationsController::viewWillAppear(bool animated)
{
    QVInboxController::viewWillAppear(animated);
    setTitle("IM Conversations");
}

void QVInboxIMConversationsController::onBeforeResourcesProcessed(QVPaginatedSeries* series)
{
    QVInboxController::onBeforeResourcesProcessed(series);
    removeSubscriptions(series, true);
}

void QVInboxIMConversationsController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    QVInboxController::onResourcesDownloaded(series);
    // Every loaded page counts, not only the one that just arrived.
    QuorvelInternal::options().setUnreadIMCount(countUnreadLoadedRows([](const QVSubscription& s) { return s.isConversation(); }));
}

} // namespace quorvel
