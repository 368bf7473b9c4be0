// The local user, archived in the user defaults with the binary keyed
// archive. An archive that cannot be read (damaged, another class, a newer
// format) reads as no user.
#include "social/core/QuorvelInternal.h"

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

void QuorvelInternal::registerLocalRecordDefaults(platform::ValueDictionary& registered)
{
    registered.set(kLocalUser, QVUser::invalidUser()->archivedData());
    registered.set(kLocalGameInfo, QVGameProfilePageInfo::defaultInfo()->archivedData());
}

Ref<QVGameProfilePageInfo> QuorvelInternal::localGameProfileInfo()
{
    const platform::Value& stored = defaults().objectForKey(kLocalGameInfo);
    Ref<QVGameProfilePageInfo> info = stored.isData() ? QVGameProfilePageInfo::infoWithArchivedData(stored.data()) : nullptr;
    if (!info && !stored.isNil())
        platform::logWarning("Quorvel: the stored game profile cannot be read; the default is used");
    return info ? info : QVGameProfilePageInfo::defaultInfo();
}

bool QuorvelInternal::appHasFeaturedApplication() { return QuorvelInternal::localGameProfileInfo()->hasFeaturedApplication(); }
bool QuorvelInternal::appHasLeaderboards() { return QuorvelInternal::localGameProfileInfo()->hasLeaderboards(); }
bool QuorvelInternal::appHasChallenges() { return QuorvelInternal::localGameProfileInfo()->hasChallenges(); }
bool QuorvelInternal::appHasAchievements() { return QuorvelInternal::localGameProfileInfo()->hasAchievements(); }

void QuorvelInternal::setLocalGameProfileInfo(QVGameProfilePageInfo* info)
{
    if (!info)
        return;
    defaults().setObject(kLocalGameInfo, info->archivedData());
    QuorvelInternal::setClientApplicationId(info->resourceId());
}

void QuorvelInternal::setLocalGameProfileInfoFromXml(const QVXmlElement& element)
{
    Ref<QVResource> made = QVGameProfilePageInfo::staticResourceClass().create();
    auto* info = dynamic_cast<QVGameProfilePageInfo*>(made.get());
    if (!info)
        return;
    QVResourceNameMap names;
    info->populateFromXml(element, names);
    QuorvelInternal::setLocalGameProfileInfo(info);
}

Ref<QVUser> QuorvelInternal::localUser()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return nullptr;
    if (!q->mCachedLocalUser && !q->localUserUnreadable_) {
        q->mCachedLocalUser = readArchivedUser();
        q->localUserUnreadable_ = !q->mCachedLocalUser;
    }
    return q->mCachedLocalUser;
}

void QuorvelInternal::setLocalUser(QVUser* user)
{
    Ref<QVUser> previous = QuorvelInternal::localUser();
    Ref<QVUser> current(user);
    if (current)
        defaults().setObject(kLocalUser, current->archivedData());
    else
        defaults().removeObjectForKey(kLocalUser);
    if (Quorvel* q = QuorvelInternal::sharedInstance()) {
        q->mCachedLocalUser = current;
        q->localUserUnreadable_ = false;
    }
    QuorvelInternal::postUserChangedNotificationFromUser(previous.get(), current.get());
}

std::string Quorvel::lastLoggedInUserId()
{
    Ref<QVUser> user = QuorvelInternal::localUser();
    return user ? user->resourceId() : std::string();
}

std::string Quorvel::lastLoggedInUserName()
{
    Ref<QVUser> user = QuorvelInternal::localUser();
    return user ? user->name() : std::string();
}

bool QuorvelInternal::lastLoggedInUserUsesFacebookProfilePicture()
{
    Ref<QVUser> user = QuorvelInternal::localUser();
    return user && user->usesFacebookProfilePicture();
}

std::optional<std::string> QuorvelInternal::lastLoggedInUserProfilePictureUrl()
{
    Ref<QVUser> user = QuorvelInternal::localUser();
    return user ? user->profilePictureUrl() : std::nullopt;
}

void QuorvelInternal::loggedInUserChangedNameTo(const std::string& name)
{
    QuorvelInternal::setLoggedInUserHasSetName(true);
    Ref<QVUser> user = QuorvelInternal::localUser();
    if (!user)
        return;
    user->setName(name);
    QuorvelInternal::setLocalUser(user.get());
}

} // namespace quorvel
