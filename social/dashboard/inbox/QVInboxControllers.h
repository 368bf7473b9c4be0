// The player's message centre: a menu of invitations, IM conversations and
// starred forum threads with unread badges; the conversations and starred
// threads are one list of the player's subscriptions filtered by kind, each
// keeping the client's unread count of its kind. A conversation row expands
// into a row that deletes it; new conversations start through the friend
// picker, or at once for a player the inbox was opened with.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVSubscriptionService.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/dashboard/common/QVFanClubCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/services/QVUser.h"
#include "social/ui/QVTableStaticControllerHelper.h"

#include <functional>
#include <string>

namespace quorvel {

class QVUser;

class QVInboxTopLevelController : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(QVInboxTopLevelController)
public:
    QVFanClubCell* cellAtRow(int row) const;

    platform::Ref<platform::ui::ViewController> onInvitations();
    platform::Ref<platform::ui::ViewController> onIMConversations();
    platform::Ref<platform::ui::ViewController> onForumPosts();

    std::optional<Sections> buildTableSectionDescriptions() override;
    void viewDidLoad() override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxTopLevelController() = default;
    ~QVInboxTopLevelController() override;

private:
    void _somethingHappened(const platform::Notification& n);
    platform::Ref<QVFanClubCell> createCell(const std::string& title, const std::string& iconName, int badgeValue,
                                            QVFanClubCell::CreateController create);

    std::vector<platform::Ref<QVFanClubCell>> cells_;
};

class QVInboxController : public QVTableSequenceControllerHelper, public QVFriendPickerDelegate {
    QV_DECLARE_CLASS(QVInboxController)
public:
    static constexpr const char* kStartFailed = "An error occurred. Please try again later.";

    // An inbox that starts a conversation with the user as soon as it shows.
    void initAndBeginConversationWith(QVUser* user) { pendingConversationUser_ = user; }
    QVUser* pendingConversationUser() const { return pendingConversationUser_.get(); }
    const std::optional<platform::ui::IndexPath>& actionIndexPath() const { return actionIndexPath_; }

    void deletionWasSuccessful(platform::Object*);
    void _newMessagePressed();
    void _conversationStarted(platform::Object* series);
    void _conversationError(platform::Object*);
    void pickerFinishedWithSelectedUser(QVUser* user) override;
    bool pickerCancelled() override;

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    bool shouldAlwaysRefreshWhenShown() override { return true; }
    bool allowPagination() override { return true; }
    bool autoLoadData() override { return !pendingConversationUser_; }
    std::optional<std::string> actionCellClassName() override { return std::string("InboxAction"); }
    std::string getNoDataFoundMessage() override { return "Your inbox is empty."; }
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void actionPressedForTag(int tag, platform::ui::IndexPath indexPath) override;
    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet* sheet, int index) override;
    void viewDidAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxController() = default;

    // The subscriptions of every loaded row that pass the filter and have unread posts.
    int countUnreadLoadedRows(const std::function<bool(const class QVSubscription&)>& kind);

private:
    void startPendingConversation();

    platform::Ref<QVUser> pendingConversationUser_;
    std::optional<platform::ui::IndexPath> actionIndexPath_;
    platform::Ref<platform::ui::ActionSheet> deleteSheet_;
};

class QVInboxIMConversationsController : public QVInboxController {
    QV_DECLARE_CLASS(QVInboxIMConversationsController)
public:
    std::string getNoDataFoundMessage() override
    {
        return "You don't have any active IM conversations. Send a message to a friend by pressing the compose button.";
    }
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxIMConversationsController() = default;
};

class QVInboxSubscribedForumThreadsController : public QVInboxController {
    QV_DECLARE_CLASS(QVInboxSubscribedForumThreadsController)
public:
    std::string getNoDataFoundMessage() override { return "You haven't starred any forum threads."; }
    void onBeforeResourcesProcessed(QVPaginatedSeries* series) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxSubscribedForumThreadsController() = default;
};

class QVInboxCell : public QVResourceCell<QVSubscription> {
    QV_DECLARE_CLASS(QVInboxCell)
public:
    static constexpr float kMinHeight = 54;

    platform::ui::Label* typeLabel() const { return typeLabel_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* bodyPreviewLabel() const { return bodyPreviewLabel_.get(); }
    platform::ui::ImageView* iconView() const { return iconView_.get(); }
    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    platform::ui::Button* expandButton() const { return expandButton_.get(); }
    QVBadgeView* unreadBadge() const { return unreadBadge_.get(); }
    const std::string& iconName() const { return iconName_; }
    const std::string& expandIconName() const { return expandIconName_; }

    void fixupExpandIcon();
    void toggleExpansion();

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVSubscription* s) override;
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxCell() = default;

private:
    std::optional<platform::ui::IndexPath> myIndexPath() const;

    platform::Ref<platform::ui::Label> typeLabel_;
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> bodyPreviewLabel_;
    platform::Ref<platform::ui::ImageView> iconView_;
    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Button> expandButton_;
    platform::Ref<QVBadgeView> unreadBadge_;
    std::string iconName_;
    std::string expandIconName_;
    float cachedTitleMaxHeight_ { 0 };
    float cachedBodyMaxHeight_ { 0 };
};

class QVInboxIMActionCell : public QVTableCellHelperActionCell {
    QV_DECLARE_CLASS(QVInboxIMActionCell)
public:
    platform::ui::View* inlayView() const { return inlayView_.get(); }
    platform::ui::Button* deleteButton() const { return deleteButton_.get(); }
    void addInlay();
    bool initQVTableCellHelper(const std::string& name) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInboxIMActionCell() = default;

private:
    platform::Ref<platform::ui::View> inlayView_;
    platform::Ref<platform::ui::Button> deleteButton_;
};

} // namespace quorvel
