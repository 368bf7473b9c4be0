// A chat room: its messages, newest at the bottom, and the box to write in.
// The room asks the server for nothing itself: while it shows, the client's
// activity poller runs at the chat interval and every chat message it
// discovers is added at the bottom. Leaving the room puts the poller back on
// its default interval (so the dashboard's counts keep updating); coming back
// rejoins the room first.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/dashboard/chat/QVChatRoomMessageBoxController.h"
#include "social/dashboard/common/QVMessageListController.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVChatRoomInstance;

class QVChatRoomController : public QVMessageListController {
    QV_DECLARE_CLASS(QVChatRoomController)
public:
    static constexpr const char* kNoMessages = "We're downloading messages in the background or no one has said anything yet.";
    static constexpr const char* kRoomFullTitle = "Room Full!";
    static constexpr const char* kRoomFullMessage = "Sorry, you've lost your spot due to inactivity.";

    QVChatRoomInstance* roomInstance() const { return roomInstance_.get(); }
    void setRoomInstance(QVChatRoomInstance* room) { roomInstance_ = room; }
    QVChatRoomMessageBoxController* messageBox() const { return chatRoomMessageBoxController_.get(); }
    bool hasAppearedBefore() const { return hasAppearedBefore_; }

    void rejoinRoom();
    // Shows or hides the navigation bar (in landscape the keyboard leaves no room for it).
    void setTopBarsVisible(bool visible);
    void onRejoinedRoom(platform::Object*);
    void onFailedToRejoinRoom(platform::Object*);

    platform::ui::View* getBottomView() override;

    std::string getNoDataFoundMessage() override { return kNoMessages; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    std::string getNotificationToRefreshAfter() override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomController() = default;

private:
    void keyboardWillShow(const platform::Value& userInfo) override;
    void keyboardWillHide(const platform::Value& userInfo) override;

    platform::Ref<QVChatRoomMessageBoxController> chatRoomMessageBoxController_;
    platform::Ref<QVChatRoomInstance> roomInstance_;
    platform::Ref<platform::ui::View> bottomContainer_;
    bool hasAppearedBefore_ { false };
    bool didScrollToBottom_ { false };
};

class QVChatRoomChatMessageCell : public QVResourceCell<QVChatMessage> {
    QV_DECLARE_CLASS(QVChatRoomChatMessageCell)
public:
    static constexpr float kMinHeight = 59;
    static constexpr float kGameIconSide = 20;

    static bool shouldGameNameLink(const QVChatMessage* message);

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    QVImageView* gamePictureView() const { return gamePictureView_.get(); }
    platform::ui::Label* playerNameLabel() const { return playerNameLabel_.get(); }
    platform::ui::Label* gameNameLabel() const { return gameNameLabel_.get(); }
    platform::ui::Label* chatMessageLabel() const { return chatMessageLabel_.get(); }

    void onClickedQuorvelName();
    void onClickedGameName();

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChatMessage* message) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomChatMessageCell() = default;

private:
    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<QVImageView> gamePictureView_;
    platform::Ref<platform::ui::Label> playerNameLabel_;
    platform::Ref<platform::ui::Label> gameNameLabel_;
    platform::Ref<platform::ui::Label> chatMessageLabel_;
    platform::Ref<platform::ui::Button> playerNameButton_;
    platform::Ref<platform::ui::Button> gameNameButton_;
};

} // namespace quorvel
