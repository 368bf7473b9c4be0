// QVInboxController: the base of the inbox's lists, one list of the player's
// subscriptions filtered by kind (conversations or starred threads), with its
// rows: a conversation row expands into a row that deletes it. New
// conversations start through the friend picker, or at once for a player the
// inbox was opened with.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVSubscriptionService.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/services/QVUser.h"
#include "social/ui/QVTableStaticControllerHelper.h"

#include <functional>
#include <string>

namespace quorvel {

class QVUser;

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
    // Keeps in the series only the subscriptions of one kind: conversations or forum threads.
    static void removeSubscriptions(QVPaginatedSeries* series, bool keepConversations);

private:
    void startPendingConversation();

    platform::Ref<QVUser> pendingConversationUser_;
    std::optional<platform::ui::IndexPath> actionIndexPath_;
    platform::Ref<platform::ui::ActionSheet> deleteSheet_;
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
