// QVMessageListController: what the chat room and the conversation share. A
// list of messages read from the bottom (new ones go there, the list refreshes
// on its resource's notification) with a message box under it, and the
// keyboard that box brings up: while the screen observes the keyboard it is
// told once when the keyboard comes up and once when it goes, and moves its
// content as it needs.
#pragma once

#include "platform/foundation/Value.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVMessageListController : public QVTableSequenceControllerHelper,
                                public QVCustomBottomView,
                                public QVKeyboardAdjustment {
public:
    bool isKeyboardShown() const { return keyboardShown_; }

    float _keyboardAdjustment() override { return 85; }
    bool isNewContentShownAtBottom() override { return true; }
    bool shouldRefreshAfterNotification() override { return true; }

protected:
    QVMessageListController() = default;
    ~QVMessageListController() override;

    void startObservingKeyboard();
    // Stops observing and forgets that the keyboard was up.
    void stopObservingKeyboard();
    // The keyboard comes up (it was down) or goes (it was up); the notification's details.
    virtual void keyboardWillShow(const platform::Value& userInfo) = 0;
    virtual void keyboardWillHide(const platform::Value& userInfo) = 0;
    // Moves the list's content by delta, kept between its top and its end.
    void scrollContentBy(float delta, bool animated);

private:
    bool observingKeyboard_ { false };
    bool keyboardShown_ { false };
};

} // namespace quorvel
