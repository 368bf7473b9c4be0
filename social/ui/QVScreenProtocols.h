// Marker protocols of the dashboard's screens, adopted by screen classes and
// tested with dynamic_cast by the navigation stacks that show them.
#pragma once

namespace platform::ui {
class View;
class NavigationController;
}

namespace quorvel {

class QVUser;

// A screen with a bottom view of its own: the tab bar slides away while it
// shows, and a framed navigation stack places the view below the screen.
class QVCustomBottomView {
public:
    virtual ~QVCustomBottomView() = default;
    virtual platform::ui::View* getBottomView() { return nullptr; }
};

// A screen shown inside the profile frame of the dashboard; told when the
// user it shows or compares with changes.
class QVProfileFrame {
public:
    virtual ~QVProfileFrame() = default;
    virtual void profileUsersChanged(QVUser* /*user*/, QVUser* /*comparedToUser*/) { }
    virtual bool supportsComparison() { return false; }
};

// The frame of the account and approval flow (one is active at a time: the
// one the dashboard role answers, QVDashboardRole::activeIntroFrame()): it
// shows the loading overlay itself and can switch to a full-screen frame.
class QVIntroFrame {
public:
    virtual ~QVIntroFrame() = default;
    virtual void displayLoadingView(platform::ui::View* overlay) = 0;
    virtual void removeLoadingView() = 0;
    virtual void setFullscreenFrame(bool fullscreen) = 0;
    // The navigation stack inside the frame.
    virtual platform::ui::NavigationController* navController() = 0;
};

} // namespace quorvel
