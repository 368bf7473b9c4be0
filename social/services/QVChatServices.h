// Chat: room definitions (kinds of room), room instances (concrete rooms with
// their occupancy) and chat messages, each with its service.
//
// Definitions and instances are fetched by request; joining a room is a
// request whose success the instance service remembers as the last room.
// Chat messages are never fetched by a request of their own: the central
// class's activity poller brings them and posts each new batch under
// "quorvel_chat_message_discovered".
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/services/QVUser.h"

#include <functional>
#include <string>

namespace quorvel {

class QVChatRoomDefinition;
class QVChatRoomInstance;

class QVChatMessageService : public QVSharedService<QVChatMessageService> {
public:
    QVChatMessageService() = default;

    // No request: the success value at once with null.
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    static void getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // Forgets the pending chat messages (their last-seen id goes back to 0) and
    // polls at once (or once the poll in flight has ended).
    static void clearCacheAndPollNow();


    void populateKnownResources(QVResourceNameMap& map) override;
    // Registers QVChatMessage with the poller.
    void registerPolledResources(QVPoller* poller) override;
};

class QVChatRoomDefinitionService : public QVSharedService<QVChatRoomDefinitionService> {
public:
    QVChatRoomDefinitionService() = default;

    // GET "chat_room_definitions.xml": "include_global_rooms",
    // "include_application_rooms", "include_developer_rooms",
    // "include_last_visited_room"; the page is not sent.
    static platform::Ref<QVRequestHandle> getPage(int page, bool includeGlobalRooms, bool includeDeveloperRooms,
                                                  bool includeApplicationRooms, bool includeLastVisitedRoom,
                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // Every kind of room and the last visited one.
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    static platform::Ref<QVRequestHandle> getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVChatRoomInstanceService : public QVSharedService<QVChatRoomInstanceService> {
public:
    QVChatRoomInstanceService() = default;

    // GET "chat_room_instances.xml": "chat_room_definition_id", "page".
    static platform::Ref<QVRequestHandle> getPage(int page, const QVChatRoomDefinition* definition,
                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "chat_room_instances/join": "chat_room_instance_id". On success the
    // room becomes the last room; a join that is not a rejoin first clears the
    // chat-message cache and polls at once. The success value receives the series.
    static platform::Ref<QVRequestHandle> attemptToJoinRoom(QVChatRoomInstance* room, bool rejoining,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The last room (or null) to the success value: from the cache within
    // 10.0 s of the last answer, otherwise from GET "chat_room_instances/show".
    static platform::Ref<QVRequestHandle> loadLastRoomJoined(const QVDelegate& onSuccess,
                                                             const QVDelegate& onFailure);
    static QVChatRoomInstance* getCachedLastRoomJoined();

    QVChatRoomInstance* lastRoom() const { return lastRoom_.get(); }
    QVChatRoomInstance* roomJoining() const { return roomJoining_.get(); }
    bool rejoiningRoom() const { return rejoiningRoom_; }

    void populateKnownResources(QVResourceNameMap& map) override;

    // Success hooks of the join and the last-room requests.
    void onJoinedChatRoom(platform::Object* series, platform::Object* nextCall);
    void onLoadedLastJoinedChatRoom(platform::Object* series, platform::Object* nextCall);

    static constexpr double kLastRoomCacheSeconds = 10.0;

private:
    platform::Ref<QVChatRoomInstance> lastRoom_;
    platform::Ref<QVChatRoomInstance> roomJoining_;
    bool rejoiningRoom_ { false };
    bool hasLastRoomUpdate_ { false };
    double lastUpdateOfLastRoom_ { 0 }; // the main loop's monotonic clock
};

class QVChatMessage : public QVResource {
    QV_DECLARE_RESOURCE(QVChatMessage)
public:
    static std::string getResourceName() { return "chat_message"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_chat_message_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVChatMessageService::sharedService(); }

    const std::string& message() const { return message_; }
    const std::string& date() const { return date_; }
    const std::string& playerCurrentGameIconUrl() const { return playerCurrentGameIconUrl_; }
    bool doesLocalPlayerOwnGame() const { return doesLocalPlayerOwnGame_; }
    QVUser* user() const { return user_.get(); }

protected:
    QVChatMessage() = default;

private:
    std::string message_;
    std::string date_;
    std::string playerCurrentGameIconUrl_;
    bool doesLocalPlayerOwnGame_ { false };
    platform::Ref<QVUser> user_;
};

// The three kinds of room.
struct QVChatRoomType {
    static std::string getGlobalRoomTypeId() { return "global_room"; }
    static std::string getDeveloperRoomTypeId() { return "developer_room"; }
    static std::string getApplicationRoomTypeId() { return "application_room"; }
};

class QVChatRoomDefinition : public QVResource {
    QV_DECLARE_RESOURCE(QVChatRoomDefinition)
public:
    static std::string getResourceName() { return "chat_room_definition"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_chat_room_definition_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVChatRoomDefinitionService::sharedService(); }
    static std::string getGlobalRoomTypeId() { return QVChatRoomType::getGlobalRoomTypeId(); }
    static std::string getDeveloperRoomTypeId() { return QVChatRoomType::getDeveloperRoomTypeId(); }
    static std::string getApplicationRoomTypeId() { return QVChatRoomType::getApplicationRoomTypeId(); }

    const std::string& roomName() const { return roomName_; }
    const std::string& roomType() const { return roomType_; }
    bool isGlobalRoom() const { return roomType_ == getGlobalRoomTypeId(); }
    bool isDeveloperRoom() const { return roomType_ == getDeveloperRoomTypeId(); }
    bool isApplicationRoom() const { return roomType_ == getApplicationRoomTypeId(); }
    // Definitions are listed through QVChatRoomDefinitionService: this one does nothing.
    void doIndexActionOnSuccess(const QVDelegate&, const QVDelegate&) { }

protected:
    QVChatRoomDefinition() = default;

private:
    std::string roomName_;
    std::string roomType_;
};

class QVChatRoomInstance : public QVResource {
    QV_DECLARE_RESOURCE(QVChatRoomInstance)
public:
    static std::string getResourceName() { return "chat_room_instance"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_chat_room_instance_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVChatRoomInstanceService::sharedService(); }

    const std::string& roomName() const { return roomName_; }
    int numUsersInRoom() const { return numUsersInRoom_; }
    int maxNumUsersInRoom() const { return maxNumUsersInRoom_; }
    const std::string& roomType() const { return roomType_; }
    bool isGlobalRoom() const { return roomType_ == QVChatRoomType::getGlobalRoomTypeId(); }
    bool isDeveloperRoom() const { return roomType_ == QVChatRoomType::getDeveloperRoomTypeId(); }
    bool isApplicationRoom() const { return roomType_ == QVChatRoomType::getApplicationRoomTypeId(); }

protected:
    QVChatRoomInstance() = default;

private:
    std::string roomName_;
    int numUsersInRoom_ { 0 };
    int maxNumUsersInRoom_ { 0 };
    std::string roomType_;
};

} // namespace quorvel
