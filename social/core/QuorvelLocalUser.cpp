// The local user, archived in the user defaults with the binary keyed
// archive. An archive that cannot be read (damaged, another class, a newer
// format) reads as no user.
#include "social/core/Quorvel.h"

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

void Quorvel::registerLocalRecordDefaults(platform::ValueDictionary& registered)
{
    registered.set(kLocalUser, QVUser::invalidUser()->archivedData());
    registered.set(kLocalGameInfo, QVGameProfilePageInfo::defaultInfo()->archivedData());
}

Ref<QVGameProfilePageInfo> Quorvel::localGameProfileInfo()
{
    const platform::Value& stored = defaults().objectForKey(kLocalGameInfo);
    Ref<QVGameProfilePageInfo> info = stored.isData() ? QVGameProfilePageInfo::infoWithArchivedData(stored.data()) : nullptr;
    if (!info && !stored.isNil())
        platform::logWarning("Quorvel: the stored game profile cannot be read; the default is used");
    return info ? info : QVGameProfilePageInfo::defaultInfo();
}

bool Quorvel::appHasFeaturedApplication() { return localGameProfileInfo()->hasFeaturedApplication(); }
bool Quorvel::appHasLeaderboards() { return localGameProfileInfo()->hasLeaderboards(); }
bool Quorvel::appHasChallenges() { return localGameProfileInfo()->hasChallenges(); }
bool Quorvel::appHasAchievements() { return localGameProfileInfo()->hasAchievements(); }

void Quorvel::setLocalGameProfileInfo(QVGameProfilePageInfo* info)
{
    if (!info)
        return;
    defaults().setObject(kLocalGameInfo, info->archivedData());
    setClientApplicationId(info->resourceId());
}

void Quorvel::setLocalGameProfileInfoFromXml(const QVXmlElement& element)
{
    Ref<QVResource> made = QVGameProfilePageInfo::staticResourceClass().create();
    auto* info = dynamic_cast<QVGameProfilePageInfo*>(made.get());
    if (!info)
        return;
    QVResourceNameMap names;
    info->populateFromXml(element, names);
    setLocalGameProfileInfo(info);
}

Ref<QVUser> Quorvel::localUser()
{
    Quorvel* q = sharedInstance();
    if (!q)
        return nullptr;
    if (!q->mCachedLocalUser && !q->localUserUnreadable_) {
        q->mCachedLocalUser = readArchivedUser();
        q->localUserUnreadable_ = !q->mCachedLocalUser;
    }
    return q->mCachedLocalUser;
}

void Quorvel::setLocalUser(QVUser* user)
{
    Ref<QVUser> previous = localUser();
    Ref<QVUser> current(user);
    if (current)
        defaults().setObject(kLocalUser, current->archivedData());
    else
        defaults().removeObjectForKey(kLocalUser);
    if (Quorvel* q = sharedInstance()) {
        q->mCachedLocalUser = current;
        q->localUserUnreadable_ = false;
    }
    postUserChangedNotificationFromUser(previous.get(), current.get());
}

std::string Quorvel::lastLoggedInUserId()
{
    Ref<QVUser> user = localUser();
    return user ? user->resourceId() : std::string();
}

std::string Quorvel::lastLoggedInUserName()
{
    Ref<QVUser> user = localUser();
    return user ? user->name() : std::string();
}

bool Quorvel::lastLoggedInUserUsesFacebookProfilePicture()
{
    Ref<QVUser> user = localUser();
    return user && user->usesFacebookProfilePicture();
}

std::optional<std::string> Quorvel::lastLoggedInUserProfilePictureUrl()
{
    Ref<QVUser> user = localUser();
    return user ? user->profilePictureUrl() : std::nullopt;
}

void Quorvel::loggedInUserChangedNameTo(const std::string& name)
{
    setLoggedInUserHasSetName(true);
    Ref<QVUser> user = localUser();
    if (!user)
        return;
    user->setName(name);
    setLocalUser(user.get());
}

} // namespace quorvel
