// The dead-end error screen that ends a failed request: a message and,
// optionally, a button that switches the dashboard to offline use. Its two
// variants, each in its own header, are the must-be-online screen, which
// leaves by itself once the network is back, and the maintenance notice whose
// text the server sends. Loaded by name ("DeadEndError", "MustBeOnlineError",
// "ServerMaintenanceNotice"); the empty-list screen "EmptyDataSet" is a
// dead-end screen from its own layout.
#pragma once

#include "platform/ui/Label.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVDeadEndErrorController : public QVViewController {
    QV_DECLARE_CLASS(QVDeadEndErrorController)
public:
    static constexpr float kHeightFraction = 0.4f;

    static platform::Ref<QVDeadEndErrorController> deadEndErrorWithMessage(const std::string& message);
    static platform::Ref<QVDeadEndErrorController> deadEndErrorWithMessageAndOfflineButton(const std::string& message);
    static platform::Ref<QVDeadEndErrorController> mustBeOnlineErrorWithMessage(const std::string& message);

    const std::string& message() const { return mMessage; }
    void setMessage(const std::string& message) { mMessage = message; }
    platform::ui::Label* messageView() const { return mMessageView.get(); }
    void setMessageView(platform::ui::Label* label) { mMessageView = label; }
    QVDefaultButton* offlineButton() const { return mOfflineButton.get(); }
    void setOfflineButton(QVDefaultButton* button) { mOfflineButton = button; }

    void offlinePressed();
    void dismiss();
    void registerActionsNow() { }

    void loadView() override;
    void awakeFromNib() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    // Builds the screen's view (through the interface builder when given) and connects the outlets.
    void buildInterface(platform::ui::InterfaceBuilder* builder, const char* layoutName);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVDeadEndErrorController() = default;
    // The dead-end steps of appearing, for the variants.
    void deadEndWillAppear(bool animated);
    // A way out on the stack it appears on: its bar shown when it has Back or a button, and a Done
    // that closes the frame when neither Back nor the frame offers one.
    void offerAWayOut(bool animated);

private:
    std::string mMessage;
    platform::Ref<platform::ui::Label> mMessageView;
    platform::Ref<QVDefaultButton> mOfflineButton;
};

} // namespace quorvel
