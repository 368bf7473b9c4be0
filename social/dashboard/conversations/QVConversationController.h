// The instant-message conversation with one other player: the posts as speech
// bubbles, newest at the bottom, a growing message box under them, and a row
// each time the other player's online state is learnt. Unlike the chat room it
// runs a poller of its own on the conversation's posts while it shows. A
// conversation that does not exist yet is started on the server first.
#pragma once

#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/common/QVMessageListController.h"
#include "social/dashboard/conversations/QVConversationMessageBoxController.h"
#include "social/runtime/QVPoller.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGamePlayer.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTextControls.h"

#include <string>

namespace quorvel {

class QVUser;

class QVConversationController : public QVMessageListController,
                                 public QVExpandableSinglelineTextFieldDelegate,
                                 public QVConversationScreen {
    QV_DECLARE_CLASS(QVConversationController)
public:
    static constexpr const char* kNoPosts = "Start the conversation by typing a message and sending it below!";
    static constexpr const char* kStartFailed = "An error occurred while initiating your IM.";

    static platform::Ref<QVConversationController> conversationWithId(const std::string& conversationId, QVUser* user,
                                                                      const std::string& initialText = {});

    const std::string& conversationId() const { return conversationId_; }
    void setConversationId(const std::string& id);
    QVUser* conversationUser() const { return conversationUser_.get(); }
    void setConversationUser(QVUser* user) { conversationUser_ = user; }
    QVConversationMessageBoxController* messageBox() const { return messageBox_.get(); }
    QVPoller* poller() const { return poller_.get(); }
    bool hasCompletedInitialIndex() const { return hasCompletedInitialIndex_; }

    void _initialIndexComplete(platform::Object* series, platform::Object* nextCall);
    void _startedConversation(platform::Object* series);
    void _errorStartingConversation(platform::Object*);
    void _updateOnlineStatusWithUser(QVUser* user, bool online);

    platform::ui::View* getBottomView() override;
    void multilineTextFieldDidResize(QVExpandableSinglelineTextField* field) override;

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    bool allowPagination() override { return false; }
    std::string getNotificationToRefreshAfter() override;
    bool isNotificationResourceValid(platform::Object* resource) override;
    bool shouldAlwaysRefreshWhenShown() override { return !hasCompletedInitialIndex_; }
    std::string getNoDataFoundMessage() override { return kNoPosts; }
    void configureCell(platform::ui::TableViewCell*, bool, bool, bool) override { }
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;

    // The loader's keys: "user", "initialText" and "conversationId".
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    void setInitialText(const std::string& text);
    void openConversation(const std::string& conversationId, QVUser* user, const std::string& initialText) override;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVConversationController() = default;
    ~QVConversationController() override;

private:
    void _pollingFailed(const platform::Notification& n);
    void _userDidChangePresence(const platform::Notification& n);
    void keyboardWillShow(const platform::Value& userInfo) override;
    void keyboardWillHide(const platform::Value& userInfo) override;
    void stopObserving();

    std::string conversationId_;
    platform::Ref<QVUser> conversationUser_;
    platform::Ref<QVConversationMessageBoxController> messageBox_;
    platform::Ref<QVPoller> poller_;
    std::string initialText_; // until the message box exists
    bool hasCompletedInitialIndex_ { false };
    bool observing_ { false };
};

} // namespace quorvel
