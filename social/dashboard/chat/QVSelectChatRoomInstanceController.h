// The rooms of one kind of chat room, and joining one.
#pragma once

#include "social/services/QVChatServices.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <initializer_list>
#include <string>

namespace quorvel {

// Sets up a row of the chat room lists: 44 high, the room's icon (tagged
// iconTag) at the left, its name (tag 1) in bold `nameWidth` wide, then the
// `more` views, and a disclosure arrow.
void setUpChatRoomRow(QVTableCellHelper& row, int iconTag, float nameWidth,
                      std::initializer_list<platform::ui::View*> more = {});

class QVSelectChatRoomInstanceController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVSelectChatRoomInstanceController)
public:
    static constexpr const char* kRoomFullMessage = "The room you attempted to join is full. Please try another room.";

    static void pushChatRoom(QVChatRoomInstance* room, platform::ui::NavigationController* nav);
    static void pushRoomFullScreen(platform::ui::NavigationController* nav);

    void setPreLoadedChatRoomInstances(platform::Ref<QVPaginatedSeries> rooms) { preLoaded_ = std::move(rooms); }
    QVPaginatedSeries* preLoadedChatRoomInstances() const { return preLoaded_.get(); }

    void onJoinedRoom(platform::Object*);
    void onFailedToJoinRoom(platform::Object*);

    std::string getNoDataFoundMessage() override { return "There are no available chat room instances"; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectChatRoomInstanceController() = default;

private:
    platform::Ref<QVPaginatedSeries> preLoaded_;
};

class QVChatRoomInstanceCell : public QVResourceCell<QVChatRoomInstance> {
    QV_DECLARE_CLASS(QVChatRoomInstanceCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChatRoomInstance* room) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomInstanceCell() = default;
};

} // namespace quorvel
