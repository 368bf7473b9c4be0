// The announcement browser: the list, its rows and marking them read.
#include "social/dashboard/forums/QVAnnouncementBrowserController.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/forums/QVAnnouncementDetailController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVAnnouncementService.h"

namespace quorvel {

using namespace platform::ui;
using namespace common;
using platform::Object;
using platform::Ref;

QV_REGISTER_CLASS(QVAnnouncementBrowserController);

Ref<QVAnnouncementBrowserController> QVAnnouncementBrowserController::announcementBrowser()
{
    Ref<ViewController> loaded = QVControllerLoader::load("AnnouncementBrowser");
    return Ref<QVAnnouncementBrowserController>(
        loaded ? requireCast<QVAnnouncementBrowserController>(loaded, "The announcements list must browse the announcements") : nullptr);
}

QVService* QVAnnouncementBrowserController::getService() { return &QVAnnouncementService::service(); }

void QVAnnouncementBrowserController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVAnnouncement>("ForumThread");
}

void QVAnnouncementBrowserController::viewWillAppear(bool animated)
{
    setTitle("Announcements");
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

std::string QVAnnouncementBrowserController::otherGameId() const
{
    auto* game = dynamic_cast<QVResource*>(getPageContextGame());
    if (game && game->resourceId() != QuorvelInternal::sessionRole().clientApplicationId())
        return game->resourceId();
    return {};
}

void QVAnnouncementBrowserController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    std::string other = otherGameId();
    if (!other.empty())
        QVAnnouncementService::recentAnnouncementsForApplication(other, onSuccess, onFailure);
    else
        QVAnnouncementService::service().getIndexOnSuccess(onSuccess, onFailure);
}

void QVAnnouncementBrowserController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    QVTableSequenceControllerHelper::onResourcesDownloaded(series);
    if (!otherGameId().empty())
        return;
    // The newest date (the later one in list order on a tie) is the last one read.
    std::optional<platform::Date> newest;
    if (series)
        for (const auto& o : series->objects())
            if (auto* a = dynamic_cast<QVAnnouncement*>(o.get()); a && a->date())
                if (!newest || a->date()->seconds >= newest->seconds)
                    newest = a->date();
    if (newest)
        QuorvelInternal::options().setLastAnnouncementDateForLocalUser(*newest);
    QVAnnouncementService::service().markAllAnnouncementsAsRead();
}

void QVAnnouncementBrowserController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* announcement = dynamic_cast<QVAnnouncement*>(resource);
    if (!announcement || !navigationController())
        return;
    if (auto detail = QVAnnouncementDetailController::announcementDetail(announcement))
        navigationController()->pushViewController(detail.get(), true);
}

} // namespace quorvel
