// The game's forums: its topics ("Forums & Chat", which also lead to the
// global chat rooms), the threads of a topic, the posts of a thread with a
// star that adds it to or removes it from the player's conversations, and the
// form for a new thread or a reply. The announcement detail is a thread view.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVForumTopic;
class QVForumThread;
class QVUser;

class QVForumTopicListController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVForumTopicListController)
public:
    static platform::Ref<QVForumTopicListController> topicBrowser();

    std::string getNoDataFoundMessage() override { return "There are no available discussions"; }
    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumTopicListController() = default;
};

class QVForumThreadListController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVForumThreadListController)
public:
    static platform::Ref<QVForumThreadListController> threadBrowser(QVForumTopic* topic);

    QVForumTopic* topic() const { return topic_.get(); }
    void setTopic(QVForumTopic* topic) { topic_ = topic; }
    bool justPostedNewThread() const { return justPostedNewThread_; }
    void _post();

    std::string getNoDataFoundMessage() override { return "There are no discussions"; }
    bool usePlainTableSectionHeaders() override { return true; }
    bool shouldAlwaysRefreshWhenShown() override { return justPostedNewThread_; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumThreadListController() = default;

private:
    platform::Ref<QVForumTopic> topic_;
    bool justPostedNewThread_ { false };
};

class QVForumThreadViewController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVForumThreadViewController)
public:
    static constexpr const char* kSubscribedTitle = "Remove From My Conversations    ";
    static constexpr const char* kUnsubscribedTitle = "Add To My Conversations    ";

    static platform::Ref<QVForumThreadViewController> threadView(QVForumThread* thread, QVForumTopic* topic);

    QVForumThread* thread() const { return thread_.get(); }
    virtual void setThread(QVForumThread* thread);
    QVForumTopic* topic() const { return topic_.get(); }
    void setTopic(QVForumTopic* topic) { topic_ = topic; }
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
    bool hideSubscribeAndReplyButtons_ { false };
    platform::Ref<platform::ui::Button> subscribeButton_;
};

// The form of a new thread (subject and body) or a reply (body only).
class QVPostNewMessage : public QVFormControllerHelper {
    QV_DECLARE_CLASS(QVPostNewMessage)
public:
    static platform::Ref<QVPostNewMessage> postNewMessageInTopic(QVForumTopic* topic);
    static platform::Ref<QVPostNewMessage> postNewMessageInThread(QVForumThread* thread, QVForumTopic* topic);

    QVForumTopic* topic() const { return topic_.get(); }
    void setTopic(QVForumTopic* topic) { topic_ = topic; }
    QVForumThread* thread() const { return thread_.get(); }
    void setThread(QVForumThread* thread) { thread_ = thread; }
    platform::ui::View* subjectView() const { return subjectView_.get(); }
    platform::ui::View* bodyView() const { return bodyView_.get(); }
    platform::ui::TextField* subjectField() const { return subjectField_.get(); }
    platform::ui::TextView* bodyField() const { return bodyField_.get(); }
    void toggleSubjectView(bool show);

    void onSubmitForm(platform::Object* sender = nullptr) override;
    std::string getFormSubmissionUrl() override;
    std::string singularResourceName() override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    bool canReceiveCallbacksNow() override { return true; }
    void onFormSubmitted() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPostNewMessage() = default;

private:
    platform::Ref<QVForumTopic> topic_;
    platform::Ref<QVForumThread> thread_;
    platform::Ref<platform::ui::View> subjectView_;
    platform::Ref<platform::ui::View> bodyView_;
    platform::Ref<platform::ui::TextField> subjectField_;
    platform::Ref<platform::ui::TextView> bodyField_;
};

class QVForumTopicCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVForumTopicCell)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::ImageView* topicIcon() const { return topicIcon_.get(); }
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumTopicCell() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::ImageView> topicIcon_;
};

class QVForumThreadCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVForumThreadCell)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* stickyLabel() const { return stickyLabel_.get(); }
    platform::ui::Label* postsCountLabel() const { return postsCountLabel_.get(); }
    platform::ui::Label* lastPostByLabel() const { return lastPostByLabel_.get(); }
    platform::ui::ImageView* favoritedIcon() const { return favoritedIcon_.get(); }
    platform::ui::ImageView* threadStatusIcon() const { return threadStatusIcon_.get(); }
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumThreadCell() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> stickyLabel_;
    platform::Ref<platform::ui::Label> postsCountLabel_;
    platform::Ref<platform::ui::Label> lastPostByLabel_;
    platform::Ref<platform::ui::ImageView> favoritedIcon_;
    platform::Ref<platform::ui::ImageView> threadStatusIcon_;
};

class QVForumPostCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVForumPostCell)
public:
    static constexpr float kMinHeight = 58;
    QVImageView* authorPictureView() const { return authorPictureView_.get(); }
    platform::ui::Label* authorLabel() const { return authorLabel_.get(); }
    platform::ui::Label* gameLabel() const { return gameLabel_.get(); }
    platform::ui::Label* bodyLabel() const { return bodyLabel_.get(); }
    void _goToProfile();
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumPostCell() = default;

private:
    platform::Ref<QVImageView> authorPictureView_;
    platform::Ref<platform::ui::Label> authorLabel_;
    platform::Ref<platform::ui::Label> gameLabel_;
    platform::Ref<platform::ui::Label> bodyLabel_;
    QVUser* author_ { nullptr };
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
