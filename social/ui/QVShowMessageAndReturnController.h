// The message screen with a continue button that account and invitation flows
// show after an action. Continuing pops to a chosen screen, or runs a given
// continuation, or closes the modal the stack sits in, or pops to the root.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVViewController.h"

#include <functional>

namespace quorvel {

class QVShowMessageAndReturnController : public QVViewController, public QVProfileFrame {
    QV_DECLARE_CLASS(QVShowMessageAndReturnController)
public:
    platform::ui::ViewController* controllerToPopTo() const { return controllerToPopTo_.get(); }
    void setControllerToPopTo(platform::ui::ViewController* c) { controllerToPopTo_ = c; }
    const std::function<void()>& continueInvocation() const { return continueInvocation_; }
    void setContinueInvocation(std::function<void()> invocation) { continueInvocation_ = std::move(invocation); }

    platform::ui::Label* messageLabel() { view(); return messageLabel_.get(); }
    platform::ui::Label* messageTitleLabel() { view(); return messageTitleLabel_.get(); }
    platform::ui::Button* continueButton() { view(); return continueButton_.get(); }
    void setMessageLabel(platform::ui::Label* l) { messageLabel_ = l; }
    void setMessageTitleLabel(platform::ui::Label* l) { messageTitleLabel_ = l; }
    void setContinueButton(platform::ui::Button* b) { continueButton_ = b; }

    void clickedContinue();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    void buildInterface(platform::ui::InterfaceBuilder* builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVShowMessageAndReturnController() = default;

private:
    platform::Ref<platform::ui::ViewController> controllerToPopTo_;
    std::function<void()> continueInvocation_;
    platform::Ref<platform::ui::Label> messageLabel_;
    platform::Ref<platform::ui::Label> messageTitleLabel_;
    platform::Ref<platform::ui::Button> continueButton_;
};

} // namespace quorvel
