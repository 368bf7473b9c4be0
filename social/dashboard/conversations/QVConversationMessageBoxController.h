// The growing message box under a conversation.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "social/dashboard/common/QVFieldMessageBoxController.h"
#include "social/ui/QVTextControls.h"

#include <string>

namespace quorvel {

// The box under the conversation: posts "discussions/<id>/posts.xml" with
// post[body]; the posted text comes back through the poller.
class QVConversationMessageBoxController : public QVFieldMessageBoxController<QVExpandableSinglelineTextField> {
    QV_DECLARE_CLASS(QVConversationMessageBoxController)
public:
    static constexpr float kHeight = 43;

    QVExpandableSinglelineTextField* messageField() const { return field_.get(); }
    platform::ui::Button* sendButton() const { return button_.get(); }
    const std::string& conversationId() const { return conversationId_; }
    void setConversationId(const std::string& id) { conversationId_ = id; }
    const std::string& initialText() const { return initialText_; }
    void setInitialText(const std::string& text) { initialText_ = text; }
    // Told when the field grows or shrinks; given to every field the box builds.
    void setMessageFieldDelegate(QVExpandableSinglelineTextFieldDelegate* delegate);

    void onSubmitForm(platform::Object* sender = nullptr) override;
    std::string getFormSubmissionUrl() override;
    std::string singularResourceName() override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    std::string getLoadingScreenText() override { return ""; }
    void onBeforeFormSubmitted() override;

    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVConversationMessageBoxController() = default;

private:
    std::string conversationId_;
    std::string initialText_;
    platform::Ref<platform::Timer> initialTextTimer_;
    platform::WeakLink<QVExpandableSinglelineTextFieldDelegate> fieldDelegate_;
};

} // namespace quorvel
