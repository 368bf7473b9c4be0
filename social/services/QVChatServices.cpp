// The chat services' requests, the join bookkeeping and the last-room cache,
// and the chat records.
#include "social/services/QVChatServices.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"

#include "platform/foundation/RunLoop.h"

#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kDefinitions { "GET", "chat_room_definitions.xml", 2, "Downloaded Chat Rooms" };
const QVServiceEndpoint kInstances { "GET", "chat_room_instances.xml", 2, "Downloaded Room Instances" };
const QVServiceEndpoint kJoin { "GET", "chat_room_instances/join", 2, "Joined Chat Room" };
const QVServiceEndpoint kShowLast { "GET", "chat_room_instances/show", 0 };


double monotonicNow() { return platform::RunLoop::main().now(); }

void passOn(platform::Object* nextCall, platform::Object* value)
{
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invokeWith(value);
}

} // namespace

// ---- chat messages

void QVChatMessageService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVChatMessage>("chat_message");
}

void QVChatMessageService::registerPolledResources(QVPoller* poller)
{
    if (poller)
        poller->registerResourceClass(QVChatMessage::staticResourceClass());
}

Ref<QVRequestHandle> QVChatMessageService::getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(nullptr);
    return nullptr;
}

void QVChatMessageService::getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    service().getIndexOnSuccess(onSuccess, onFailure);
}

void QVChatMessageService::clearCacheAndPollNow()
{
    // The running client's poller (nothing happens without one).
    QVSessionRole& session = QVSessionRole::current();
    session.clearPollingCacheForClassType(QVChatMessage::staticResourceClass());
    session.forceImmediatePoll();
}

// ---- room definitions

void QVChatRoomDefinitionService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVChatRoomDefinition>("chat_room_definition");
    map.addResource<QVChatRoomInstance>("chat_room_instance");
}

Ref<QVRequestHandle> QVChatRoomDefinitionService::getPage(int, bool includeGlobalRooms, bool includeDeveloperRooms,
                                                          bool includeApplicationRooms, bool includeLastVisitedRoom,
                                                          const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->io("include_global_rooms", includeGlobalRooms);
    params->io("include_application_rooms", includeApplicationRooms);
    params->io("include_developer_rooms", includeDeveloperRooms);
    params->io("include_last_visited_room", includeLastVisitedRoom);
    return service().send(kDefinitions, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChatRoomDefinitionService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure)
{
    return getPage(1, true, true, true, true, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChatRoomDefinitionService::getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().getIndexOnSuccess(onSuccess, onFailure);
}

// ---- room instances

void QVChatRoomInstanceService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVChatRoomInstance>("chat_room_instance");
}

Ref<QVRequestHandle> QVChatRoomInstanceService::getPage(int page, const QVChatRoomDefinition* definition,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (!definition) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    auto params = QVHttpNestedQueryStringWriter::create();
    std::string id = definition->resourceId();
    params->io("chat_room_definition_id", id);
    params->io("page", page);
    return service().send(kInstances, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChatRoomInstanceService::attemptToJoinRoom(QVChatRoomInstance* room, bool rejoining,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    if (!room) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    QVChatRoomInstanceService& s = service();
    QVDelegate joined(&s, BRISKO_SELECTOR(QVChatRoomInstanceService, onJoinedChatRoom), onSuccess);
    auto params = QVHttpNestedQueryStringWriter::create();
    std::string id = room->resourceId();
    params->io("chat_room_instance_id", id);
    s.roomJoining_ = Ref<QVChatRoomInstance>(room);
    s.rejoiningRoom_ = rejoining;
    return s.send(kJoin, {}, params.get(), joined, onFailure);
}

void QVChatRoomInstanceService::onJoinedChatRoom(platform::Object* series, platform::Object* nextCall)
{
    if (!rejoiningRoom_)
        QVChatMessageService::clearCacheAndPollNow();
    lastRoom_ = std::exchange(roomJoining_, nullptr);
    rejoiningRoom_ = false;
    lastUpdateOfLastRoom_ = monotonicNow();
    hasLastRoomUpdate_ = true;
    passOn(nextCall, series);
}

Ref<QVRequestHandle> QVChatRoomInstanceService::loadLastRoomJoined(const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure)
{
    QVChatRoomInstanceService& s = service();
    if (s.hasLastRoomUpdate_ && monotonicNow() - s.lastUpdateOfLastRoom_ < kLastRoomCacheSeconds) {
        onSuccess.invoke(s.lastRoom_.get());
        return nullptr;
    }
    QVDelegate loaded(&s, BRISKO_SELECTOR(QVChatRoomInstanceService, onLoadedLastJoinedChatRoom), onSuccess);
    return s.send(kShowLast, {}, nullptr, loaded, onFailure);
}

void QVChatRoomInstanceService::onLoadedLastJoinedChatRoom(platform::Object* series, platform::Object* nextCall)
{
    lastUpdateOfLastRoom_ = monotonicNow();
    hasLastRoomUpdate_ = true;
    auto* page = requireCast<QVPaginatedSeries>(series, "A service's answer must carry a series");
    QVChatRoomInstance* only = page->count() == 1 ? page->recordAtIndex<QVChatRoomInstance>(0, "a chat room") : nullptr;
    lastRoom_ = Ref<QVChatRoomInstance>(only);
    passOn(nextCall, lastRoom_.get());
}

QVChatRoomInstance* QVChatRoomInstanceService::getCachedLastRoomJoined()
{
    QVChatRoomInstanceService* s = sharedService();
    return s ? s->lastRoom_.get() : nullptr;
}

// ---- records

void QVChatMessage::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVChatMessage> f(map);
    f.read<QVFieldText>("message", &QVChatMessage::message_);
    f.read<QVFieldText>("date", &QVChatMessage::date_);
    f.read<QVFieldText>("player_current_game_icon_url", &QVChatMessage::playerCurrentGameIconUrl_);
    f.read<QVFieldBool>("local_user_owns_application", &QVChatMessage::doesLocalPlayerOwnGame_);
    f.nested("user", &QVChatMessage::user_);
}

void QVChatRoomDefinition::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVChatRoomDefinition> f(map);
    f.read<QVFieldText>("room_name", &QVChatRoomDefinition::roomName_);
    f.read<QVFieldText>("room_type", &QVChatRoomDefinition::roomType_);
}

void QVChatRoomInstance::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVChatRoomInstance> f(map);
    f.read<QVFieldText>("room_name", &QVChatRoomInstance::roomName_);
    f.read<QVFieldInteger>("num_users_in_room", &QVChatRoomInstance::numUsersInRoom_);
    f.read<QVFieldInteger>("max_num_users_in_room", &QVChatRoomInstance::maxNumUsersInRoom_);
    f.read<QVFieldText>("room_type", &QVChatRoomInstance::roomType_);
}

} // namespace quorvel
