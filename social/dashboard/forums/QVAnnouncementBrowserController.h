// QVAnnouncementBrowserController ("AnnouncementBrowser"): the game's
// announcements; for the running game it shows those the announcement service
// holds and, once shown, records the newest one's date for the local player
// and marks all read.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"

namespace quorvel {

class QVAnnouncement;
class QVForumPost;

class QVAnnouncementBrowserController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVAnnouncementBrowserController)
public:
    static platform::Ref<QVAnnouncementBrowserController> announcementBrowser();

    bool shouldAlwaysRefreshWhenShown() override { return true; }
    std::string getNoDataFoundMessage() override { return "There are no announcements"; }
    std::optional<std::string> getTableHeaderViewName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAnnouncementBrowserController() = default;

private:
    // The id of another game whose announcements are shown, or empty for the running game.
    std::string otherGameId() const;
};

} // namespace quorvel
