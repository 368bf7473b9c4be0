// The form of a new forum thread or a reply.
#pragma once

#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVFormControllerHelper.h"

#include <string>

namespace quorvel {

class QVForumTopic;
class QVForumThread;

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

} // namespace quorvel
