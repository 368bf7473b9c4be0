// QVLocalRecords: the local player and the running game as records, archived
// in the user defaults with the binary keyed archive. The local user is read
// once and cached by the running client (none without one); an archive that
// cannot be read (damaged, another class, a newer format) reads as no user.
// The game's profile answers with or without a running client: the stored
// one, else the default information.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "social/core/QVClientPart.h"

#include <optional>
#include <string>

namespace quorvel {

class QVGameProfilePageInfo;
class QVUser;
struct QVXmlElement;

class QVLocalRecords final : public QVClientPart {
public:
    explicit QVLocalRecords(Quorvel& client);
    ~QVLocalRecords();

    // The instance goes: the cached user is let go.
    void release();

    // The archived invalid user and default game information, as registered defaults.
    void registerLocalRecordDefaults(platform::ValueDictionary& registered);

    // The local user: null without a running client or when the stored
    // archive cannot be read; the registered default is the invalid user.
    platform::Ref<QVUser> localUser();
    // Archives the user, replaces the cached one and posts the change.
    void setLocalUser(QVUser* user);
    // The local user's id and name ("" while there is none).
    std::string lastLoggedInUserId();
    std::string lastLoggedInUserName();
    bool lastLoggedInUserUsesFacebookProfilePicture();
    std::optional<std::string> lastLoggedInUserProfilePictureUrl();
    // The player named themselves: the name is stored on the local user.
    void loggedInUserChangedNameTo(const std::string& name);

    // The running game's profile, archived in the user defaults (the default
    // info until the bootstrap or the offline configuration replaces it);
    // storing one also sets the client application id from its id.
    platform::Ref<QVGameProfilePageInfo> localGameProfileInfo();
    void setLocalGameProfileInfo(QVGameProfilePageInfo* info);
    // The same from a <game_profile_page_info> element (bootstrap, offline configuration).
    void setLocalGameProfileInfoFromXml(const QVXmlElement& element);
    // What the running game offers, from its profile.
    bool appHasFeaturedApplication();
    bool appHasLeaderboards();
    bool appHasChallenges();
    bool appHasAchievements();

private:
    platform::Ref<QVUser> mCachedLocalUser;
    bool localUserUnreadable_ { false };
};

} // namespace quorvel
