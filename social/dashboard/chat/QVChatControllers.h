// The dashboard's chat. The player picks a kind of room
// (QVSelectChatRoomDefinitionController), then one room when the kind has
// several (QVSelectChatRoomInstanceController), joins it and reads and writes
// in the room screen (QVChatRoomController). The room screen asks the server
// for nothing itself: while it shows, the client's activity poller runs at the
// chat interval and every chat message it discovers is added at the bottom.
// Leaving the room puts the poller back on its default interval (so the
// dashboard's counts keep updating); coming back rejoins the room first.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVChatMessage;
class QVChatRoomInstance;

class QVSelectChatRoomDefinitionController : public QVTableSequenceControllerHelper, public QVProfileFrame {
    QV_DECLARE_CLASS(QVSelectChatRoomDefinitionController)
public:
    static constexpr const char* kLastVisitedTitle = "Last Visited Room";
    static constexpr const char* kLoadRoomsFailed = "An error occurred when trying to download available rooms. Please try again.";

    bool includeGlobalRooms { false };
    bool includeApplicationRooms { false };
    bool includeDeveloperRooms { false };

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

class QVChatRoomMessageBoxController;

class QVChatRoomController : public QVTableSequenceControllerHelper,
                             public QVCustomBottomView,
                             public QVKeyboardAdjustment {
    QV_DECLARE_CLASS(QVChatRoomController)
public:
    static constexpr const char* kNoMessages = "We're downloading messages in the background or no one has said anything yet.";
    static constexpr const char* kRoomFullTitle = "Room Full!";
    static constexpr const char* kRoomFullMessage = "Sorry, you've lost your spot due to inactivity.";

    QVChatRoomInstance* roomInstance() const { return roomInstance_.get(); }
    void setRoomInstance(QVChatRoomInstance* room) { roomInstance_ = room; }
    QVChatRoomMessageBoxController* messageBox() const { return mChatRoomMessageBoxController.get(); }
    bool hasAppearedBefore() const { return mHasAppearedBefore; }
    bool isKeyboardShown() const { return mIsKeyboardShown; }

    void rejoinRoom();
    // Shows or hides the navigation bar (in landscape the keyboard leaves no room for it).
    void setTopBarsVisible(bool visible);
    void onRejoinedRoom(platform::Object*);
    void onFailedToRejoinRoom(platform::Object*);

    platform::ui::View* getBottomView() override;
    float _keyboardAdjustment() override { return 85; }

    std::string getNoDataFoundMessage() override { return kNoMessages; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    bool isNewContentShownAtBottom() override { return true; }
    bool shouldRefreshAfterNotification() override { return true; }
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
    ~QVChatRoomController() override;

private:
    void _KeyboardWillShow(const platform::Value& userInfo);
    void _KeyboardWillHide(const platform::Value& userInfo);
    void stopObservingKeyboard();

    platform::Ref<QVChatRoomMessageBoxController> mChatRoomMessageBoxController;
    platform::Ref<QVChatRoomInstance> roomInstance_;
    platform::Ref<platform::ui::View> bottomContainer_;
    bool mIsKeyboardShown { false };
    bool mHasAppearedBefore { false };
    bool mDidScrollToBottom { false };
    bool observingKeyboard_ { false };
};

// The one-line box under the room: posts "chat_messages.xml" with the text as
// chat_message[message].
class QVChatRoomMessageBoxController : public QVCommunityMessageBoxController {
    QV_DECLARE_CLASS(QVChatRoomMessageBoxController)
public:
    static constexpr float kHeight = 43;

    platform::ui::TextField* textEntryField() const { return textEntryField_.get(); }
    platform::ui::Button* hideKeyboardButton() const { return hideKeyboardButton_.get(); }
    void toggleKeyboardNow();

    std::string getFormSubmissionUrl() override { return "chat_messages.xml"; }
    std::string singularResourceName() override;
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("message", 1); }
    std::string getLoadingScreenText() override { return "Sending Chat Message"; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomMessageBoxController() = default;
    ~QVChatRoomMessageBoxController() override;

    std::string enteredText() const override { return textEntryField_ ? textEntryField_->text() : std::string(); }
    void setEnteredText(const std::string& text) override
    {
        if (textEntryField_)
            textEntryField_->setText(text);
    }
    std::vector<platform::ui::View*> fadingViews() const override
    {
        return { textEntryField_.get(), hideKeyboardButton_.get(), backgroundView_.get() };
    }

private:
    void keyboardShown(bool shown);

    platform::Ref<platform::ui::TextField> textEntryField_;
    platform::Ref<platform::ui::Button> hideKeyboardButton_;
    bool keyboardUp_ { false };
};

class QVChatRoomDefinitionCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVChatRoomDefinitionCell)
public:
    static platform::Ref<platform::ui::ImageAsset> getChatIconForChatType(const std::string& type, bool full);

    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomDefinitionCell() = default;
};

class QVChatRoomInstanceCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVChatRoomInstanceCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChatRoomInstanceCell() = default;
};

class QVChatRoomChatMessageCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVChatRoomChatMessageCell)
public:
    static constexpr float kMinHeight = 59;

    static bool shouldGameNameLink(const QVChatMessage* message);

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    QVImageView* gamePictureView() const { return gamePictureView_.get(); }
    platform::ui::Label* playerNameLabel() const { return playerNameLabel_.get(); }
    platform::ui::Label* gameNameLabel() const { return gameNameLabel_.get(); }
    platform::ui::Label* chatMessageLabel() const { return chatMessageLabel_.get(); }

    void onClickedQuorvelName();
    void onClickedGameName();

    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;

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
