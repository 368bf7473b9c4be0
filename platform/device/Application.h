// The application: status bar state (hidden, orientation, style), the URLs it
// was asked to open (recorded, never opened), its windows and memory warnings.
//
// Single-threaded like the rest of the UI layer; reset() restores the
// start-up state between tests.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/ui/Types.h"

#include <string>
#include <vector>

namespace platform::ui {

class Window;

// The status bar's look; the values are the ones callers store.
enum class StatusBarStyle { Default = 0, BlackTranslucent = 1, BlackOpaque = 2 };

enum RemoteNotificationType : unsigned {
    RemoteNotificationTypeBadge = 1 << 0,
    RemoteNotificationTypeSound = 1 << 1,
    RemoteNotificationTypeAlert = 1 << 2,
};

class Application {
public:
    static Application& sharedApplication();

    bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden, bool animated = false)
    {
        statusBarHidden_ = hidden;
        statusBarAnimated_ = animated;
    }
    // Whether the last change of the hidden state was asked to animate.
    bool wasStatusBarChangeAnimated() const { return statusBarAnimated_; }
    StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
    void setStatusBarStyle(StatusBarStyle style, bool /*animated*/ = false) { statusBarStyle_ = style; }
    InterfaceOrientation statusBarOrientation() const { return orientation_; }
    void setStatusBarOrientation(InterfaceOrientation o, bool /*animated*/ = false) { orientation_ = o; }
    // In screen coordinates: 20 points high along the top of the interface
    // (20 wide in landscape); the zero rectangle while hidden.
    Rect statusBarFrame() const;

    // The number on the application's icon (0 shows none).
    int applicationIconBadgeNumber() const { return badge_; }
    void setApplicationIconBadgeNumber(int number) { badge_ = number; }

    // Records the address and answers canOpen (true unless a test says otherwise).
    bool openURL(const std::string& url);
    const std::vector<std::string>& openedURLs() const { return opened_; }
    void setCanOpenURLs(bool canOpen) { canOpen_ = canOpen; }

    // Remote notifications: a registration records the kinds asked for (an
    // OR of the RemoteNotificationType bits); no token ever arrives here.
    void registerForRemoteNotificationTypes(unsigned types)
    {
        remoteNotificationTypes_ = types;
        ++remoteNotificationRegistrations_;
    }
    unsigned registeredRemoteNotificationTypes() const { return remoteNotificationTypes_; }
    int remoteNotificationRegistrations() const { return remoteNotificationRegistrations_; }

    Window* keyWindow() const;
    // The key window, else the first window; null without windows.
    Window* topWindow() const;

    // Posts "UIApplicationDidReceiveMemoryWarningNotification" and sends
    // didReceiveMemoryWarning to every live view controller.
    void simulateMemoryWarning();

    void reset();

private:
    Application() = default;
    bool statusBarHidden_ { false };
    bool statusBarAnimated_ { false };
    StatusBarStyle statusBarStyle_ { StatusBarStyle::Default };
    InterfaceOrientation orientation_ { InterfaceOrientation::Portrait };
    std::vector<std::string> opened_;
    bool canOpen_ { true };
    int badge_ { 0 };
    unsigned remoteNotificationTypes_ { 0 };
    int remoteNotificationRegistrations_ { 0 };
};

// The social client's helper: hides or shows the status bar, animated when
// asked, with the application's one call for it.
void QVhideStatusBar(Application& application, bool hide, bool animated);

inline constexpr const char* kApplicationDidReceiveMemoryWarningNotification = "UIApplicationDidReceiveMemoryWarningNotification";

} // namespace platform::ui
