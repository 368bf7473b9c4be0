// QVUser: one player of the social-gaming service — the record the server
// sends as <user> (alone or nested in most other records), the local user the
// client keeps between launches, and the public class through which the game
// asks for a player, a player's friends and a profile picture.
//
// Answers reach the class-wide QVUserDelegate (a weak link; every method is
// optional). Clearing the delegate forgets the class's outstanding requests:
// they run on, and their answers reach nobody.
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVServicePublicClass.h"

#include "platform/graphics/Image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVISerializer;
class QVSqlQuery;
class QVRequestHandle;
class QVService;
class QVUser;

using QVUserArray = std::vector<platform::Ref<QVUser>>;

class QVUserDelegate {
public:
    virtual ~QVUserDelegate() = default;
    virtual void didGetUser(QVUser* /*user*/) { }
    virtual void didFailGetUser() { }
    virtual void didGetFriends(const QVUserArray& /*friends*/, QVUser* /*user*/) { }
    virtual void didFailGetFriendsQVUser(QVUser* /*user*/) { }
    virtual void didGetFriendsWithThisApplication(const QVUserArray& /*friends*/, QVUser* /*user*/) { }
    virtual void didFailGetFriendsWithThisApplicationQVUser(QVUser* /*user*/) { }
    virtual void didGetProfilePicture(platform::Image* /*picture*/, QVUser* /*user*/) { }
    virtual void didFailGetProfilePictureQVUser(QVUser* /*user*/) { }
};

class QVUser : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVUser)
public:
    static platform::Ref<QVUser> create() { return platform::adoptRef(new QVUser); }
    // The placeholder user while nobody is logged in: id "0", name "Not Logged
    // In", last played game "Quorvel Game".
    static platform::Ref<QVUser> invalidUser();

    // A row of the offline users table: "id", "name" and "profile_picture_url";
    // NULL columns leave the fields empty.
    bool initWithLocalSQL(const QVSqlQuery& query);
    static platform::Ref<QVUser> userWithLocalSQL(const QVSqlQuery& query);

    // The keyed archive (local user in the user defaults).
    void encodeWithCoder(QVISerializer& coder) const;
    bool initWithCoder(QVISerializer& coder);
    platform::Bytes archivedData() const;
    // Null when the bytes are no archive of a user.
    static platform::Ref<QVUser> userWithArchivedData(const platform::Bytes& data);

    // The facade's local user; the placeholder while there is none.
    static platform::Ref<QVUser> localUser();
    // The player the offline rows of this device's player go under: the
    // local user, or the placeholder "0" while the client has none, so that
    // the first login adopts the rows. (Who is logged in, "" for nobody, is
    // the runtime host's lastLoggedInUserId.)
    static std::string offlineRowsUserId();

    static std::string getResourceName() { return "user"; }
    static std::string getResourceDiscoveredNotification() { return "user_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    // The user service.
    static QVService* getService();

    const std::string& userId() const { return resourceId(); }
    const std::string& name() const { return name_; }
    const std::optional<std::string>& profilePictureUrl() const { return profilePictureUrl_; }
    const std::optional<std::string>& profilePictureSource() const { return profilePictureSource_; }
    bool usesFacebookProfilePicture() const { return usesFacebookProfilePicture_; }
    const std::string& lastPlayedGameId() const { return lastPlayedGameId_; }
    const std::string& lastPlayedGameName() const { return lastPlayedGameName_; }
    bool followsLocalUser() const { return followsLocalUser_; }
    bool followedByLocalUser() const { return followedByLocalUser_; }
    uint32_t gamerScore() const { return gamerScore_; }
    // For the local user the facade's online state; for others the server's flag.
    bool online() const;
    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }

    // The local user's id, or the placeholder's "0".
    bool isLocalUser() const;
    void adjustGamerscore(int delta);
    void setFollowedByLocalUser(bool follows) { followedByLocalUser_ = follows; }
    // "" clears the URL; the source follows the first flag set (facebook, twitter, uploaded).
    void changeProfilePictureUrl(const std::string& url, bool facebook, bool twitter, bool uploaded);

    // Setters from the XML text and getters of the text written back.
    void setName(const std::string& text);
    void setProfilePictureUrl(const std::string& text);
    void setProfilePictureSource(const std::string& text);
    void setUsesFacebookProfilePicture(const std::string& text);
    void setLastPlayedGameId(const std::string& text);
    void setLastPlayedGameName(const std::string& text);
    void setGamerScore(const std::string& text);
    void setFollowsLocalUserAsString(const std::string& text);
    void setFollowedByLocalUserAsString(const std::string& text);
    void setOnlineAsString(const std::string& text);
    void setLatitude(const std::string& text);
    void setLongitude(const std::string& text);
    std::string getUsesFacebookProfilePictureAsString() const;
    std::string getGamerScoreAsString() const;
    std::string getFollowsLocalUserAsString() const;
    std::string getFollowedByLocalUserAsString() const;
    std::string getOnlineAsString() const;
    std::string getLatitudeAsString() const;
    std::string getLongitudeAsString() const;

    // The picture from the image cache (reported at once; answers null) or a
    // download (answers its handle, filed under the class). Without a URL the
    // failure is reported at once and the answer is null.
    platform::Ref<QVRequestHandle> getProfilePicture();
    // Everyone this user follows, alphabetically, without the "Online Now"
    // section; the handle is filed under the class.
    platform::Ref<QVRequestHandle> getFriends();
    // The same, limited to players of this game.
    platform::Ref<QVRequestHandle> getFriendsWithThisApplication();

    // Asks the user service for a player; the answer goes to didGetUser or didFailGetUser.
    static platform::Ref<QVRequestHandle> getUser(const std::string& userId);
    static void setDelegate(QVUserDelegate* delegate);
    static QVUserDelegate* delegate();

    bool canReceiveCallbacksNow() override { return true; }

    ~QVUser() override;

protected:
    QVUser() = default;

private:
    void _getFriendsSuccess(platform::Object* series);
    void _getFriendsFailure(platform::Object*);
    void _getFriendsWithThisApplicationSuccess(platform::Object* series);
    void _getFriendsWithThisApplicationFailure(platform::Object*);
    // The users of a friend-list answer: the pages of its sections except
    // "Online Now", or its users when the answer has no sections.
    static QVUserArray _extractUsersFromPaginatedSeries(platform::Object* series);

    std::string name_;
    std::optional<std::string> profilePictureUrl_;
    std::optional<std::string> profilePictureSource_;
    bool usesFacebookProfilePicture_ { false };
    std::string lastPlayedGameId_;
    std::string lastPlayedGameName_;
    bool followsLocalUser_ { false };
    bool followedByLocalUser_ { false };
    uint32_t gamerScore_ { 0 };
    bool online_ { false };
    double latitude_ { 0 };
    double longitude_ { 0 };
    QVResourcePicture picture_;
};

// The class object of QVUser: its delegate, its request module and the
// callbacks of its class requests.
class QVUserClass : public QVServicePublicClass<QVUserClass, QVUserDelegate> {
    friend class QVServicePublicClass<QVUserClass, QVUserDelegate>;
    QVUserClass() = default;

public:
    void _getUserSuccess(platform::Object* series);
    void _getUserFailure(platform::Object*);
};

} // namespace quorvel
