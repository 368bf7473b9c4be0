// The kinds of chat room the player can join; the room joined last leads the
// list. A kind with one room is joined at once, else its rooms are listed.
#pragma once

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVChatRoomInstance;

class QVSelectChatRoomDefinitionController : public QVTableSequenceControllerHelper,
                                             public QVProfileFrame,
                                             public QVChatRoomKindsScreen,
                                             public QVGameScopedScreen {
    QV_DECLARE_CLASS(QVSelectChatRoomDefinitionController)
public:
    static constexpr const char* kLastVisitedTitle = "Last Visited Room";
    static constexpr const char* kLoadRoomsFailed = "An error occurred when trying to download available rooms. Please try again.";

    bool includeGlobalRooms { false };
    bool includeApplicationRooms { false };
    bool includeDeveloperRooms { false };

    void setRoomKinds(bool globalRooms, bool developerRooms, bool applicationRooms) override
    {
        includeGlobalRooms = globalRooms;
        includeDeveloperRooms = developerRooms;
        includeApplicationRooms = applicationRooms;
    }
    // From a game's page: the developer's and the game's rooms, not the global ones.
    void scopeToGame(QVGameProfilePageInfo*) override { setRoomKinds(false, true, true); }
    void attemptToJoinRoom(QVChatRoomInstance* room);
    void onJoinedRoom(platform::Object*);
    void onFailedToJoinRoom(platform::Object*);
    void onLoadedInstances(platform::Object* series);
    void onFailedLoadingInstances(platform::Object*);
    bool hideLoadingScreenIfInHiddenTab();
    // Joins the last room again (the "rejoin" button of a layout).
    void onClickedButton();

    std::string getNoDataFoundMessage() override { return "There are no available chat rooms"; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    bool usePlainTableSectionHeaders() override { return true; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectChatRoomDefinitionController() = default;
};

class QVChatRoomDefinitionCell : public QVResourceCell<QVChatRoomDefinition> {
    QV_DECLARE_CLASS(QVChatRoomDefinitionCell)
public:
    static platform::Ref<platform::ui::ImageAsset> getChatIconForChatType(const std::string& type, bool full);

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChatRoomDefinition* definition) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomDefinitionCell() = default;
};

} // namespace quorvel
