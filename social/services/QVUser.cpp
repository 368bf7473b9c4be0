// The user record: fields, archive, offline row, local-user test and the
// profile picture.
#include "social/services/QVUser.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUserService.h"

#include "platform/foundation/Boxed.h"

#include <algorithm>
#include <limits>

namespace quorvel {

using platform::Ref;

namespace {
constexpr const char* kPlaceholderId = "0";
constexpr const char* kArchiveClass = "QVUser";
} // namespace

Ref<QVUser> QVUser::invalidUser()
{
    auto u = create();
    u->initWithId(kPlaceholderId);
    u->name_ = "Not Logged In";
    u->lastPlayedGameName_ = "Quorvel Game";
    return u;
}

Ref<QVUser> QVUser::localUser()
{
    if (Ref<QVUser> local = QVSessionRole::current().localUser())
        return local;
    return invalidUser();
}

std::string QVUser::offlineRowsUserId() { return localUser()->resourceId(); }

QVService* QVUser::getService() { return QVUserService::sharedService(); }

void QVUser::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVUser> f(map);
    f.field<QVFieldText>("name", &QVUser::name_);
    f.field<QVFieldTextOrNil>("profile_picture_url", &QVUser::profilePictureUrl_);
    f.field<QVFieldTextOrNil>("profile_picture_source", &QVUser::profilePictureSource_);
    f.field<QVFieldBool>("uses_facebook_profile_picture", &QVUser::usesFacebookProfilePicture_);
    f.field<QVFieldText>("last_played_game_id", &QVUser::lastPlayedGameId_);
    f.field<QVFieldText>("last_played_game_name", &QVUser::lastPlayedGameName_);
    f.field<QVFieldUnsigned>("gamer_score", &QVUser::gamerScore_);
    f.field<QVFieldBool>("following_local_user", &QVUser::followsLocalUser_);
    f.field<QVFieldBool>("followed_by_local_user", &QVUser::followedByLocalUser_);
    f.field<QVFieldBool>("online", &QVUser::online_);
    f.field<QVFieldDouble>("lat", &QVUser::latitude_);
    f.field<QVFieldDouble>("lng", &QVUser::longitude_);
}

QVUser::~QVUser() = default;

bool QVUser::initWithLocalSQL(const QVSqlQuery& query)
{
    const char* id = query.getText("id");
    const char* name = query.getText("name");
    const char* url = query.getText("profile_picture_url");
    initWithId(id ? id : "");
    name_ = name ? name : "";
    profilePictureUrl_ = url ? std::optional<std::string>(url) : std::nullopt;
    return true;
}

Ref<QVUser> QVUser::userWithLocalSQL(const QVSqlQuery& query)
{
    auto u = create();
    u->initWithLocalSQL(query);
    return u;
}

void QVUser::encodeWithCoder(QVISerializer& coder) const
{
    // The serialiser's io takes references; a copy keeps this method const.
    std::string id = resourceId();
    std::string name = name_;
    auto url = profilePictureUrl_;
    auto source = profilePictureSource_;
    bool facebook = usesFacebookProfilePicture_;
    std::string gameId = lastPlayedGameId_, gameName = lastPlayedGameName_;
    bool follows = followsLocalUser_, followed = followedByLocalUser_, online = online_;
    int64_t score = gamerScore_;
    double lat = latitude_, lng = longitude_;
    coder.io("resourceId", id);
    coder.io("name", name);
    coder.io("profilePictureUrl", url);
    coder.io("profilePictureSource", source);
    coder.io("usesFacebookProfilePicture", facebook);
    coder.io("lastPlayedGameId", gameId);
    coder.io("lastPlayedGameName", gameName);
    coder.io("followsLocalUser", follows);
    coder.io("followedByLocalUser", followed);
    coder.io("gamerScore", score);
    coder.io("online", online);
    coder.io("latitude", lat);
    coder.io("longitude", lng);
}

bool QVUser::initWithCoder(QVISerializer& coder)
{
    std::string id;
    coder.io("resourceId", id);
    initWithId(id);
    coder.io("name", name_);
    coder.io("profilePictureUrl", profilePictureUrl_);
    coder.io("profilePictureSource", profilePictureSource_);
    coder.io("usesFacebookProfilePicture", usesFacebookProfilePicture_);
    coder.io("lastPlayedGameId", lastPlayedGameId_);
    coder.io("lastPlayedGameName", lastPlayedGameName_);
    coder.io("followsLocalUser", followsLocalUser_);
    coder.io("followedByLocalUser", followedByLocalUser_);
    // Kept as a 64-bit number, so a score above the int range survives.
    int64_t score = 0;
    coder.io("gamerScore", score);
    gamerScore_ = static_cast<uint32_t>(std::clamp<int64_t>(score, 0, std::numeric_limits<uint32_t>::max()));
    coder.io("online", online_);
    coder.io("latitude", latitude_);
    coder.io("longitude", longitude_);
    return true;
}

platform::Bytes QVUser::archivedData() const
{
    platform::Ref<QVBinaryKeyedWriter> writer = platform::adoptRef(new QVBinaryKeyedWriter(kArchiveClass));
    encodeWithCoder(*writer);
    return writer->data();
}

Ref<QVUser> QVUser::userWithArchivedData(const platform::Bytes& data)
{
    platform::Ref<QVBinaryKeyedReader> reader = QVBinaryKeyedReader::readerWithData(data, kArchiveClass);
    if (!reader)
        return nullptr;
    auto u = create();
    u->initWithCoder(*reader);
    return u;
}

bool QVUser::online() const
{
    if (isLocalUser())
        return QVSessionRole::current().isOnline();
    return online_;
}

bool QVUser::isLocalUser() const
{
    if (resourceId() == kPlaceholderId)
        return true;
    Ref<QVUser> local = QVSessionRole::current().localUser();
    return local && local->resourceId() == resourceId();
}

void QVUser::adjustGamerscore(int delta)
{
    int64_t score = static_cast<int64_t>(gamerScore_) + delta;
    gamerScore_ = static_cast<uint32_t>(std::clamp<int64_t>(score, 0, std::numeric_limits<uint32_t>::max()));
}

void QVUser::changeProfilePictureUrl(const std::string& url, bool facebook, bool twitter, bool uploaded)
{
    setProfilePictureUrl(url);
    usesFacebookProfilePicture_ = facebook;
    if (facebook)
        profilePictureSource_ = "FbconnectCredential";
    else if (twitter)
        profilePictureSource_ = "TwitterCredential";
    else if (uploaded)
        profilePictureSource_ = "Upload";
    else
        profilePictureSource_.reset();
}

void QVUser::setName(const std::string& text) { name_ = QVFieldText::read(text); }
void QVUser::setProfilePictureUrl(const std::string& text) { profilePictureUrl_ = QVFieldTextOrNil::read(text); }
void QVUser::setProfilePictureSource(const std::string& text) { profilePictureSource_ = QVFieldTextOrNil::read(text); }
void QVUser::setUsesFacebookProfilePicture(const std::string& text) { usesFacebookProfilePicture_ = QVFieldBool::read(text); }
void QVUser::setLastPlayedGameId(const std::string& text) { lastPlayedGameId_ = text; }
void QVUser::setLastPlayedGameName(const std::string& text) { lastPlayedGameName_ = text; }
void QVUser::setGamerScore(const std::string& text) { gamerScore_ = QVFieldUnsigned::read(text); }
void QVUser::setFollowsLocalUserAsString(const std::string& text) { followsLocalUser_ = QVFieldBool::read(text); }
void QVUser::setFollowedByLocalUserAsString(const std::string& text) { followedByLocalUser_ = QVFieldBool::read(text); }
void QVUser::setOnlineAsString(const std::string& text) { online_ = QVFieldBool::read(text); }
void QVUser::setLatitude(const std::string& text) { latitude_ = QVFieldDouble::read(text); }
void QVUser::setLongitude(const std::string& text) { longitude_ = QVFieldDouble::read(text); }
std::string QVUser::getUsesFacebookProfilePictureAsString() const { return QVFieldBool::write(usesFacebookProfilePicture_); }
std::string QVUser::getGamerScoreAsString() const { return QVFieldUnsigned::write(gamerScore_); }
std::string QVUser::getFollowsLocalUserAsString() const { return QVFieldBool::write(followsLocalUser_); }
std::string QVUser::getFollowedByLocalUserAsString() const { return QVFieldBool::write(followedByLocalUser_); }
std::string QVUser::getOnlineAsString() const { return QVFieldBool::write(online_); }
std::string QVUser::getLatitudeAsString() const { return QVFieldDouble::write(latitude_); }
std::string QVUser::getLongitudeAsString() const { return QVFieldDouble::write(longitude_); }

Ref<QVRequestHandle> QVUser::getProfilePicture()
{
    if (!profilePictureUrl_) {
        QVUserClass::notify([this](QVUserDelegate& d) { d.didFailGetProfilePictureQVUser(this); });
        return nullptr;
    }
    return QVUserClass::file(picture_.fetch(this, *profilePictureUrl_, [this](platform::Image* image) {
        if (image)
            QVUserClass::notify([&](QVUserDelegate& d) { d.didGetProfilePicture(image, this); });
        else
            QVUserClass::notify([this](QVUserDelegate& d) { d.didFailGetProfilePictureQVUser(this); });
    }));
}

Ref<QVRequestHandle> QVUser::getFriends()
{
    return QVUserClass::file(QVFriendsService::getAllUsersFollowedByUserAlphabetical(
        resourceId(), QVDelegate(this, BRISKO_SELECTOR(QVUser, _getFriendsSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVUser, _getFriendsFailure))));
}

Ref<QVRequestHandle> QVUser::getFriendsWithThisApplication()
{
    return QVUserClass::file(QVFriendsService::getAllUsersWithApp(
        QVSessionRole::current().clientApplicationId(), resourceId(),
        QVDelegate(this, BRISKO_SELECTOR(QVUser, _getFriendsWithThisApplicationSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVUser, _getFriendsWithThisApplicationFailure))));
}

QVUserArray QVUser::_extractUsersFromPaginatedSeries(platform::Object* seriesObject)
{
    QVUserArray users;
    users.reserve(32);
    auto* series = dynamic_cast<QVPaginatedSeries*>(seriesObject);
    if (!series)
        return users;
    for (const auto& object : *series) {
        if (auto* user = dynamic_cast<QVUser*>(object.get())) {
            users.emplace_back(user);
            continue;
        }
        auto* section = dynamic_cast<QVTableSectionDescription*>(object.get());
        if (!section || !section->page() || section->title() == "Online Now")
            continue;
        for (const auto& entry : *section->page()) {
            if (auto* user = dynamic_cast<QVUser*>(entry.get()))
                users.emplace_back(user);
        }
    }
    return users;
}

void QVUser::_getFriendsSuccess(platform::Object* series)
{
    Ref<QVUser> keep(this);
    QVUserArray friends = _extractUsersFromPaginatedSeries(series);
    QVUserClass::notify([&](QVUserDelegate& d) { d.didGetFriends(friends, this); });
}

void QVUser::_getFriendsFailure(platform::Object*)
{
    Ref<QVUser> keep(this);
    QVUserClass::notify([this](QVUserDelegate& d) { d.didFailGetFriendsQVUser(this); });
}

void QVUser::_getFriendsWithThisApplicationSuccess(platform::Object* series)
{
    Ref<QVUser> keep(this);
    QVUserArray friends = _extractUsersFromPaginatedSeries(series);
    QVUserClass::notify([&](QVUserDelegate& d) { d.didGetFriendsWithThisApplication(friends, this); });
}

void QVUser::_getFriendsWithThisApplicationFailure(platform::Object*)
{
    Ref<QVUser> keep(this);
    QVUserClass::notify([this](QVUserDelegate& d) { d.didFailGetFriendsWithThisApplicationQVUser(this); });
}

Ref<QVRequestHandle> QVUser::getUser(const std::string& userId)
{
    QVUserClass& c = QVUserClass::classObject();
    return QVUserClass::file(QVUserService::getUser(userId, QVDelegate(&c, BRISKO_SELECTOR(QVUserClass, _getUserSuccess)),
                                                    QVDelegate(&c, BRISKO_SELECTOR(QVUserClass, _getUserFailure))));
}

void QVUserClass::_getUserSuccess(platform::Object* seriesObject)
{
    Ref<QVUser> user(requireCast<QVPaginatedSeries>(seriesObject, "A service's answer must carry a series")->recordAtIndex<QVUser>(0, "a user"));
    if (!user) {
        _getUserFailure(nullptr);
        return;
    }
    notify([&](QVUserDelegate& d) { d.didGetUser(user.get()); });
}

void QVUserClass::_getUserFailure(platform::Object*)
{
    notify([](QVUserDelegate& d) { d.didFailGetUser(); });
}

void QVUser::setDelegate(QVUserDelegate* delegate) { QVUserClass::setDelegate(delegate); }
QVUserDelegate* QVUser::delegate() { return QVUserClass::delegate(); }

} // namespace quorvel
