// The posts of a forum thread, led by the star that adds the thread to or
// removes it from the player's conversations.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVForumTopic;
class QVForumThread;
class QVUser;

class QVForumThreadViewController : public QVTableSequenceControllerHelper, public QVForumThreadScreen {
    QV_DECLARE_CLASS(QVForumThreadViewController)
public:
    static constexpr const char* kSubscribedTitle = "Remove From My Conversations    ";
    static constexpr const char* kUnsubscribedTitle = "Add To My Conversations    ";

    QVForumThread* thread() const { return thread_.get(); }
    virtual void setThread(QVForumThread* thread);
    QVForumTopic* topic() const { return topic_.get(); }
    void setTopic(QVForumTopic* topic) { topic_ = topic; }
    void showThread(QVForumThread* thread, QVForumTopic* topic) override
    {
        setThread(thread);
        setTopic(topic);
    }
    // "setThread" and "setTopic", for a page that opens a thread by key; a
    // value of another kind is refused (the loader says so), never taken as none.
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    bool hideSubscribeAndReplyButtons() const { return hideSubscribeAndReplyButtons_; }
    void setHideSubscribeAndReplyButtons(bool hide) { hideSubscribeAndReplyButtons_ = hide; }
    platform::ui::Button* subscribeButton() const { return subscribeButton_.get(); }
    void setSubscribeButton(platform::ui::Button* button);

    void _reply();
    void _replyFrom(platform::Object*) { _reply(); }
    void _subscribe();
    void _subscribeSuccess(platform::Object*);
    void _subscribeFailure(platform::Object*);
    void setSubscribeButtonForSubscriptionStatus(bool subscribed);

    std::string getNoDataFoundMessage() override { return "There are no available posts"; }
    bool usePlainTableSectionHeaders() override { return true; }
    bool shouldAlwaysRefreshWhenShown() override { return false; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    std::optional<std::string> getLeadingCellControllerNameForSection(int section) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumThreadViewController() = default;

    platform::Ref<QVForumThread> thread_;
    platform::Ref<QVForumTopic> topic_;
    bool hideSubscribeAndReplyButtons_ { false }; // no reply button (the star row stays)
    platform::Ref<platform::ui::Button> subscribeButton_;
};

class QVForumPostCell : public QVResourceCell<QVForumPost> {
    QV_DECLARE_CLASS(QVForumPostCell)
public:
    static constexpr float kMinHeight = 58;
    QVImageView* authorPictureView() const { return authorPictureView_.get(); }
    platform::ui::Label* authorLabel() const { return authorLabel_.get(); }
    platform::ui::Label* gameLabel() const { return gameLabel_.get(); }
    platform::ui::Label* bodyLabel() const { return bodyLabel_.get(); }
    void _goToProfile();
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVForumPost* post) override;
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumPostCell() = default;

private:
    platform::Ref<QVImageView> authorPictureView_;
    platform::Ref<platform::ui::Label> authorLabel_;
    platform::Ref<platform::ui::Label> gameLabel_;
    platform::Ref<platform::ui::Label> bodyLabel_;
    platform::Ref<QVUser> author_;
};

// The thread view's leading row: the star button, connected to its screen.
class QVForumSubscribeButtonCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVForumSubscribeButtonCell)
public:
    platform::ui::Button* button() const { return button_.get(); }
    bool initQVTableCellHelper(const std::string& name) override;
    void setOwner(platform::Object* owner) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumSubscribeButtonCell() = default;

private:
    platform::Ref<platform::ui::Button> button_;
};

} // namespace quorvel
