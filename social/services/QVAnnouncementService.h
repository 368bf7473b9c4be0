// Announcements: threads the game's developer publishes for its players, kept
// by the server in a forum of their own with two sections (the game's and the
// developer's). QVAnnouncementService downloads those newer than the last one
// the local player read, keeps them sticky-first with their unread count and
// tells the client whenever that count changes. QVAnnouncement is one
// announcement and, through its class, a small public interface with a delegate.
#pragma once

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVForumService.h"

#include <vector>

namespace quorvel {

class QVAnnouncement;

class QVAnnouncementService : public QVSharedService<QVAnnouncementService> {
public:
    QVAnnouncementService() = default;

    // GET the running game's announcements since the local player's last-read date.
    static platform::Ref<QVRequestHandle> downloadAnnouncements(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The same, kept here combined and sticky-first with its unread count; a failure keeps the previous list.
    static platform::Ref<QVRequestHandle> downloadAnnouncements();
    // Another game's announcements, combined and newest first, to the caller.
    static platform::Ref<QVRequestHandle> recentAnnouncementsForApplication(const std::string& applicationId,
                                                                            const QVDelegate& onSuccess,
                                                                            const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPostsForAnnouncement(const std::string& announcementId, int page,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    // The unread count; no request.
    static unsigned int unreadAnnouncements();

    // No request: the success value receives the kept announcements (null before a download).
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void markAllAnnouncementsAsRead();
    void clearLocalAnnouncements();

    QVPaginatedSeries* announcements() const { return announcements_.get(); }
    unsigned int unseenAnnouncementCount() const { return unseenAnnouncementCount_; }
    void setUnseenAnnouncementCount(unsigned int count) { unseenAnnouncementCount_ = count; }

    void populateKnownResources(QVResourceNameMap& map) override;

    // One list of every announcement of the answer, section after section.
    static platform::Ref<QVPaginatedSeries> combineSections(QVPaginatedSeries* answer);
    // Success hooks: combine, sort, pass on to the chained value.
    void _combineSectionsAndSort(platform::Object* series, platform::Object* nextCall);
    void _combineSectionsAndSortStickyFirst(platform::Object* series, platform::Object* nextCall);
    void _onAnnouncementsDownloaded(platform::Object* series);
    void _ignoreFailure(platform::Object*) { }

private:
    platform::Ref<QVPaginatedSeries> announcements_;
    unsigned int unseenAnnouncementCount_ { 0 };
};

using QVAnnouncementArray = std::vector<platform::Ref<QVAnnouncement>>;
using QVForumPostArray = std::vector<platform::Ref<QVForumPost>>;

class QVAnnouncementDelegate {
public:
    virtual ~QVAnnouncementDelegate() = default;
    virtual void didDownloadAnnouncementsAppAnnouncements(const QVAnnouncementArray&, const QVAnnouncementArray&) { }
    virtual void didFailDownloadAnnouncements() { }
    virtual void didGetPosts(const QVForumPostArray&, QVAnnouncement*) { }
    virtual void didFailGetPostsQVAnnouncement(QVAnnouncement*) { }
};

class QVAnnouncementClass : public QVServicePublicClass<QVAnnouncementClass, QVAnnouncementDelegate> {
    friend class QVServicePublicClass<QVAnnouncementClass, QVAnnouncementDelegate>;
    QVAnnouncementClass() = default;

public:
    void _downloadAnnouncementsSuccess(platform::Object* series, platform::Object* sortType);
    void _downloadAnnouncementsFailure(platform::Object*);
};

class QVAnnouncement : public QVForumThread, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVAnnouncement)
public:
    enum SortType : unsigned int { SortByCreationDate = 0, SortByUpdateDate = 1 };

    static std::string getResourceName() { return "discussion"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVAnnouncementService::sharedService(); }
    static platform::Ref<QVAnnouncement> create() { return platform::adoptRef(new QVAnnouncement); }

    // The class-wide delegate (a weak link); clearing it forgets the class's requests.
    static void setDelegate(QVAnnouncementDelegate* delegate) { QVAnnouncementClass::setDelegate(delegate); }
    // Both sections of the running game's announcements, each sorted by the sort
    // type (0 creation, 1 update, other: the server's order), to the delegate.
    static platform::Ref<QVRequestHandle> downloadAnnouncementsAndSortBy(unsigned int sortType);

    // The announcement's replies (its first post, its own text, is left out), to the delegate.
    platform::Ref<QVRequestHandle> getPosts();
    // Lowers the unread count once and remembers this announcement's date as the last read.
    void markAsRead();

    // Negative: the receiver comes first.
    int compareByCreationDate(const QVAnnouncement& other) const;
    int compareByUpdateDate(const QVAnnouncement& other) const;
    int compareByCreationDateAndSticky(const QVAnnouncement& other) const;

    bool isImportant() const { return isImportant_; }
    bool isUnread() const { return isUnread_; }
    const std::string& body() const { return body_; }
    const std::string& linkedClientApplicationId() const { return linkedClientApplicationId_; }
    const std::optional<platform::Date>& originalPostDate() const { return originalPostDate_; }

    void _getPostsSuccess(platform::Object* series);
    void _getPostsFailure(platform::Object*);
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVAnnouncement() = default;

private:
    void setPost(const platform::Ref<QVForumPost>& post) { body_ = post ? post->body() : std::string(); }

    bool isImportant_ { false };
    bool isUnread_ { false };
    std::string body_;
    std::string linkedClientApplicationId_;
    std::optional<platform::Date> originalPostDate_;
};

} // namespace quorvel
