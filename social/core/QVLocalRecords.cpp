// The local player and the running game, archived in the user defaults.
#include "social/core/QVLocalRecords.h"

#include "social/core/QVClientNotifications.h"
#include "social/core/QVUserOptions.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

namespace {
constexpr const char* kLocalUser = "QuorvelUserOptionLocalUser";
constexpr const char* kLocalGameInfo = "QuorvelUserOptionLocalGameInfo";

platform::UserDefaults& defaults() { return platform::UserDefaults::standardUserDefaults(); }

Ref<QVUser> readArchivedUser()
{
    const platform::Value& stored = defaults().objectForKey(kLocalUser);
    Ref<QVUser> user = stored.isData() ? QVUser::userWithArchivedData(stored.data()) : nullptr;
    if (!user && !stored.isNil())
        platform::logWarning("Quorvel: the stored local user cannot be read; there is no local user");
    return user;
}
} // namespace

QVLocalRecords::QVLocalRecords(Quorvel& client)
    : QVClientPart(client)
{
}

QVLocalRecords::~QVLocalRecords() = default;

void QVLocalRecords::release() { mCachedLocalUser = nullptr; }

void QVLocalRecords::registerLocalRecordDefaults(platform::ValueDictionary& registered)
{
    registered.set(kLocalUser, QVUser::invalidUser()->archivedData());
    registered.set(kLocalGameInfo, QVGameProfilePageInfo::defaultInfo()->archivedData());
}

Ref<QVGameProfilePageInfo> QVLocalRecords::localGameProfileInfo()
{
    const platform::Value& stored = defaults().objectForKey(kLocalGameInfo);
    Ref<QVGameProfilePageInfo> info = stored.isData() ? QVGameProfilePageInfo::infoWithArchivedData(stored.data()) : nullptr;
    if (!info && !stored.isNil())
        platform::logWarning("Quorvel: the stored game profile cannot be read; the default is used");
    return info ? info : QVGameProfilePageInfo::defaultInfo();
}

bool QVLocalRecords::appHasFeaturedApplication() { return localGameProfileInfo()->hasFeaturedApplication(); }
bool QVLocalRecords::appHasLeaderboards() { return localGameProfileInfo()->hasLeaderboards(); }
bool QVLocalRecords::appHasChallenges() { return localGameProfileInfo()->hasChallenges(); }
bool QVLocalRecords::appHasAchievements() { return localGameProfileInfo()->hasAchievements(); }

void QVLocalRecords::setLocalGameProfileInfo(QVGameProfilePageInfo* info)
{
    if (!info)
        return;
    defaults().setObject(kLocalGameInfo, info->archivedData());
    options().setClientApplicationId(info->resourceId());
}

void QVLocalRecords::setLocalGameProfileInfoFromXml(const QVXmlElement& element)
{
    Ref<QVResource> made = QVGameProfilePageInfo::staticResourceClass().create();
    auto* info = dynamic_cast<QVGameProfilePageInfo*>(made.get());
    if (!info)
        return;
    QVResourceNameMap names;
    info->populateFromXml(element, names);
    setLocalGameProfileInfo(info);
}

Ref<QVUser> QVLocalRecords::localUser()
{
    if (!running())
        return nullptr;
    if (!mCachedLocalUser && !localUserUnreadable_) {
        mCachedLocalUser = readArchivedUser();
        localUserUnreadable_ = !mCachedLocalUser;
    }
    return mCachedLocalUser;
}

void QVLocalRecords::setLocalUser(QVUser* user)
{
    Ref<QVUser> previous = localUser();
    Ref<QVUser> current(user);
    if (current)
        defaults().setObject(kLocalUser, current->archivedData());
    else
        defaults().removeObjectForKey(kLocalUser);
    if (running()) {
        mCachedLocalUser = current;
        localUserUnreadable_ = false;
    }
    notifications().postUserChangedNotificationFromUser(previous.get(), current.get());
}

std::string QVLocalRecords::lastLoggedInUserId()
{
    Ref<QVUser> user = localUser();
    return user ? user->resourceId() : std::string();
}

std::string QVLocalRecords::lastLoggedInUserName()
{
    Ref<QVUser> user = localUser();
    return user ? user->name() : std::string();
}

bool QVLocalRecords::lastLoggedInUserUsesFacebookProfilePicture()
{
    Ref<QVUser> user = localUser();
    return user && user->usesFacebookProfilePicture();
}

std::optional<std::string> QVLocalRecords::lastLoggedInUserProfilePictureUrl()
{
    Ref<QVUser> user = localUser();
    return user ? user->profilePictureUrl() : std::nullopt;
}

void QVLocalRecords::loggedInUserChangedNameTo(const std::string& name)
{
    options().setLoggedInUserHasSetName(true);
    Ref<QVUser> user = localUser();
    if (!user)
        return;
    user->setName(name);
    setLocalUser(user.get());
}

} // namespace quorvel
