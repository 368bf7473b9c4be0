// The one-line box under a chat room.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "social/dashboard/common/QVFieldMessageBoxController.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVScreenProtocols.h"

#include <string>

namespace quorvel {

class QVChatRoomMessageBoxController;

// The one-line box under the room: posts "chat_messages.xml" with the text as
// chat_message[message].
class QVChatRoomMessageBoxController : public QVFieldMessageBoxController<platform::ui::TextField> {
    QV_DECLARE_CLASS(QVChatRoomMessageBoxController)
public:
    static constexpr float kHeight = 43;

    platform::ui::TextField* textEntryField() const { return field_.get(); }
    platform::ui::Button* hideKeyboardButton() const { return button_.get(); }
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

private:
    void keyboardShown(bool shown);

    bool keyboardUp_ { false };
};

} // namespace quorvel
