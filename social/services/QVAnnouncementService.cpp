// The announcement service, its record and its public class.
#include "social/services/QVAnnouncementService.h"

#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVTableSectionDescription.h"

#include "platform/foundation/Boxed.h"

#include <algorithm>

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kAnnouncements { "GET", "client_applications/%@/forums/announcements.xml", 0 };

// A missing date sorts as the oldest.
double seconds(const std::optional<platform::Date>& date) { return date ? date->seconds : -1e300; }

int compareNewestFirst(const std::optional<platform::Date>& receiver, const std::optional<platform::Date>& other)
{
    double a = seconds(receiver), b = seconds(other);
    return a > b ? -1 : (a < b ? 1 : 0);
}

void sortObjects(QVPaginatedSeries::Objects& objects, int (QVAnnouncement::*compare)(const QVAnnouncement&) const)
{
    // Announcements first in the given order; anything else keeps its place after them.
    std::stable_sort(objects.begin(), objects.end(), [compare](const auto& a, const auto& b) {
        auto* x = dynamic_cast<QVAnnouncement*>(a.get());
        auto* y = dynamic_cast<QVAnnouncement*>(b.get());
        if (!x || !y)
            return x && !y;
        return (x->*compare)(*y) < 0;
    });
}

// The announcements of one section of the answer; none when the answer has no such section.
QVAnnouncementArray sectionAnnouncements(QVPaginatedSeries* answer, size_t index)
{
    QVAnnouncementArray out;
    auto* section = answer ? dynamic_cast<QVTableSectionDescription*>(answer->objectAtIndex(index)) : nullptr;
    if (!section || !section->page())
        return out;
    for (const auto& object : *section->page())
        if (auto* a = dynamic_cast<QVAnnouncement*>(object.get()))
            out.emplace_back(a);
    return out;
}

} // namespace

void QVAnnouncementService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVAnnouncement>("discussion");
    map.addResource<QVForumPost>("post");
}

Ref<QVRequestHandle> QVAnnouncementService::downloadAnnouncements(const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string since = httpFormatter().format(QVSessionRole::current().lastAnnouncementDateForLocalUser());
    params->io("since", since);
    return service().send(kAnnouncements, { QVSessionRole::current().clientApplicationId() }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVAnnouncementService::downloadAnnouncements()
{
    auto& s = service();
    QVDelegate downloaded(&s, BRISKO_SELECTOR(QVAnnouncementService, _onAnnouncementsDownloaded));
    return downloadAnnouncements(
        QVDelegate(&s, BRISKO_SELECTOR(QVAnnouncementService, _combineSectionsAndSortStickyFirst), downloaded),
        QVDelegate(&s, BRISKO_SELECTOR(QVAnnouncementService, _ignoreFailure)));
}

Ref<QVRequestHandle> QVAnnouncementService::recentAnnouncementsForApplication(const std::string& applicationId,
                                                                              const QVDelegate& onSuccess,
                                                                              const QVDelegate& onFailure)
{
    auto& s = service();
    return s.send(kAnnouncements, { applicationId }, nullptr,
                  QVDelegate(&s, BRISKO_SELECTOR(QVAnnouncementService, _combineSectionsAndSort), onSuccess), onFailure);
}

Ref<QVRequestHandle> QVAnnouncementService::getPostsForAnnouncement(const std::string& announcementId, int page,
                                                                    const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure)
{
    return QVForumService::getPostsForThread(announcementId, page, onSuccess, onFailure);
}

unsigned int QVAnnouncementService::unreadAnnouncements()
{
    auto* s = sharedService();
    return s ? s->unseenAnnouncementCount_ : 0;
}

Ref<QVRequestHandle> QVAnnouncementService::getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(announcements_.get());
    return nullptr;
}

void QVAnnouncementService::markAllAnnouncementsAsRead()
{
    unseenAnnouncementCount_ = 0;
    QVSessionRole::current().postUnreadAnnouncementCountChangedTo(0);
}

void QVAnnouncementService::clearLocalAnnouncements()
{
    markAllAnnouncementsAsRead();
    announcements_ = nullptr;
}

Ref<QVPaginatedSeries> QVAnnouncementService::combineSections(QVPaginatedSeries* answer)
{
    auto combined = QVPaginatedSeries::paginatedSeries();
    if (!answer)
        return combined;
    for (const auto& object : *answer) {
        if (auto* section = dynamic_cast<QVTableSectionDescription*>(object.get())) {
            if (section->page())
                for (const auto& item : *section->page())
                    combined->objects().push_back(item);
        } else {
            combined->objects().push_back(object);
        }
    }
    return combined;
}

void QVAnnouncementService::_combineSectionsAndSort(platform::Object* series, platform::Object* nextCall)
{
    auto combined = combineSections(requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series"));
    sortObjects(combined->objects(), &QVAnnouncement::compareByCreationDate);
    if (auto* next = QVDelegateChained::from(nextCall))
        next->invokeWith(combined.get());
}

void QVAnnouncementService::_combineSectionsAndSortStickyFirst(platform::Object* series, platform::Object* nextCall)
{
    auto combined = combineSections(requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series"));
    sortObjects(combined->objects(), &QVAnnouncement::compareByCreationDateAndSticky);
    if (auto* next = QVDelegateChained::from(nextCall))
        next->invokeWith(combined.get());
}

void QVAnnouncementService::_onAnnouncementsDownloaded(platform::Object* series)
{
    announcements_ = Ref<QVPaginatedSeries>(requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series"));
    unseenAnnouncementCount_ = 0;
    for (const auto& object : *announcements_)
        if (auto* a = dynamic_cast<QVAnnouncement*>(object.get()); a && a->isUnread())
            ++unseenAnnouncementCount_;
    QVSessionRole::current().postUnreadAnnouncementCountChangedTo(static_cast<int>(unseenAnnouncementCount_));
}

// ---- The record

void QVAnnouncement::getDataMap(QVResourceDataMap& map)
{
    QVForumThread::getDataMap(map);
    QVResourceFields<QVAnnouncement> f(map);
    f.field<QVFieldBoolTrueFalse>("important", &QVAnnouncement::isImportant_);
    f.field<QVFieldBoolTrueFalse>("unread", &QVAnnouncement::isUnread_);
    map.addNestedResourceField("post", &QVAnnouncement::setPost);
    f.field<QVFieldText>("linked_client_application_id", &QVAnnouncement::linkedClientApplicationId_);
    f.read<QVFieldRailsDate>("created_at", &QVAnnouncement::originalPostDate_);
}

int QVAnnouncement::compareByCreationDate(const QVAnnouncement& other) const
{
    return compareNewestFirst(originalPostDate_, other.originalPostDate_);
}

int QVAnnouncement::compareByUpdateDate(const QVAnnouncement& other) const
{
    return compareNewestFirst(date(), other.date());
}

int QVAnnouncement::compareByCreationDateAndSticky(const QVAnnouncement& other) const
{
    if (isSticky() == other.isSticky())
        return compareByCreationDate(other);
    return isSticky() ? -1 : 1;
}

Ref<QVRequestHandle> QVAnnouncement::downloadAnnouncementsAndSortBy(unsigned int sortType)
{
    auto& c = QVAnnouncementClass::classObject();
    auto type = platform::Boxed::number(sortType);
    return QVAnnouncementClass::file(QVAnnouncementService::downloadAnnouncements(
        QVDelegate(&c, BRISKO_SELECTOR(QVAnnouncementClass, _downloadAnnouncementsSuccess), type.get()),
        QVDelegate(&c, BRISKO_SELECTOR(QVAnnouncementClass, _downloadAnnouncementsFailure))));
}

void QVAnnouncementClass::_downloadAnnouncementsSuccess(platform::Object* series, platform::Object* sortType)
{
    auto* answer = requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series");
    auto* boxed = dynamic_cast<platform::Boxed*>(sortType);
    int64_t type = boxed ? boxed->value().asInteger() : 0;
    QVAnnouncementArray app = sectionAnnouncements(answer, 0), dev = sectionAnnouncements(answer, 1);
    auto sort = [type](QVAnnouncementArray& list) {
        if (type == QVAnnouncement::SortByCreationDate)
            std::stable_sort(list.begin(), list.end(),
                             [](const auto& a, const auto& b) { return a->compareByCreationDate(*b) < 0; });
        else if (type == QVAnnouncement::SortByUpdateDate)
            std::stable_sort(list.begin(), list.end(),
                             [](const auto& a, const auto& b) { return a->compareByUpdateDate(*b) < 0; });
    };
    sort(app);
    sort(dev);
    notify([&](QVAnnouncementDelegate& d) { d.didDownloadAnnouncementsAppAnnouncements(app, dev); });
}

void QVAnnouncementClass::_downloadAnnouncementsFailure(platform::Object*)
{
    notify([](QVAnnouncementDelegate& d) { d.didFailDownloadAnnouncements(); });
}

Ref<QVRequestHandle> QVAnnouncement::getPosts()
{
    return QVAnnouncementClass::file(QVForumService::getPostsForThread(
        resourceId(), 1, QVDelegate(this, BRISKO_SELECTOR(QVAnnouncement, _getPostsSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVAnnouncement, _getPostsFailure))));
}

void QVAnnouncement::_getPostsSuccess(platform::Object* series)
{
    QVForumPostArray posts;
    for (const auto& object : *requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series"))
        if (auto* post = dynamic_cast<QVForumPost*>(object.get()))
            posts.emplace_back(post);
    if (posts.empty()) {
        _getPostsFailure(nullptr);
        return;
    }
    posts.erase(posts.begin()); // the announcement's own text
    Ref<QVAnnouncement> keep(this);
    QVAnnouncementClass::notify([&](QVAnnouncementDelegate& d) { d.didGetPosts(posts, this); });
}

void QVAnnouncement::_getPostsFailure(platform::Object*)
{
    Ref<QVAnnouncement> keep(this);
    QVAnnouncementClass::notify([&](QVAnnouncementDelegate& d) { d.didFailGetPostsQVAnnouncement(this); });
}

void QVAnnouncement::markAsRead()
{
    if (!isUnread_)
        return;
    auto* service = QVAnnouncementService::sharedService();
    if (service && service->unseenAnnouncementCount() > 0) {
        service->setUnseenAnnouncementCount(service->unseenAnnouncementCount() - 1);
        QVSessionRole::current().postUnreadAnnouncementCountChangedTo(static_cast<int>(service->unseenAnnouncementCount()));
    }
    if (originalPostDate_)
        QVSessionRole::current().setLastAnnouncementDateForLocalUser(*originalPostDate_);
    isUnread_ = false;
}

} // namespace quorvel
