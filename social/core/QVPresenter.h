// QVPresenter: the running client's full-screen screens. Every one is shown
// inside one root controller (loaded as "Root") whose view goes on the top
// application window. Only one screen is shown at a time: a screen offered
// while another is showing or closing waits in a single queue slot (a later
// offer replaces it) and is shown right after the close. The game's delegate
// hears dashboardWillAppear, dashboardDidAppear, dashboardWillDisappear and
// dashboardDidDisappear. It also keeps the dashboard's orientation and the
// error screens inside the dashboard (never stacked: a second one while one is
// shown or about to be pushed is dropped).
//
// It answers the dashboard role, the dashboard as the UI kit sees it, and
// reads the screen class and the bounds from its own answers.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "social/core/QVClientPart.h"
#include "social/ui/QVDashboardRole.h"

#include <string>
#include <vector>

namespace platform::ui {
class NavigationController;
class View;
class ViewController;
class Window;
} // namespace platform::ui

namespace quorvel {

class QVRootFrame;

class QVPresenter final : public QVClientPart, public QVDashboardRole {
public:
    explicit QVPresenter(Quorvel& client);
    ~QVPresenter() override;

    // Start-up: error screens are allowed.
    void start();
    // The instance goes: a screen waiting in the queue slot is let go.
    void release();

    // ---- What is on show
    platform::ui::ViewController* getRootController() override;
    // The root controller exists, is not closing and shows a screen.
    bool isShowingFullScreen();
    // The screen the root frame shows, or null.
    platform::ui::ViewController* contentController();
    // The root's content view, else the root's view; null without a root.
    platform::ui::View* getTopLevelView() override;
    // The presentation window of the settings, else the application's top window.
    platform::ui::Window* getTopApplicationWindow();
    // The root's modal navigation stack (not a device picker's), else its content's, else the
    // selected tab's; null without one.
    platform::ui::NavigationController* getActiveNavigationController() override;
    bool dashboardVisible() override;
    bool frameClosesStack(platform::ui::NavigationController* stack) override;
    // The screens on show: the root's screen (its navigation stack, an intro
    // frame's stack or the selected tab's), then its modal screen's, root first.
    std::vector<platform::Ref<platform::ui::ViewController>> presentedScreens();
    // The controller presented last (the root's modal screen, else what the root shows), or null.
    platform::ui::ViewController* topPresentedController();

    // ---- Showing
    // Answers whether the root controller could be put up now; otherwise the
    // screen waits in the queue slot.
    bool tryCreateDashboardWithModal(platform::ui::ViewController* screen);
    void presentRootControllerWithModal(platform::Ref<platform::ui::ViewController> screen);
    void presentRootControllerWithModal(platform::ui::ViewController* screen) override;
    void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen) override;
    void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen, bool opaque);
    // Pushes on the active navigation stack; without one the screen is shown
    // modally on the root controller (or as the root's screen when none is up).
    void pushOnActiveNavigationController(platform::Ref<platform::ui::ViewController> screen);

    // A tabbed dashboard waiting in the queue slot is let go (its player left).
    void forgetQueuedDashboard();

    // ---- Closing
    void dismissRootController();
    void dismissDashboard() override;
    // The root's show or hide transition ended.
    void animationDidStop(bool finished) override;
    // The root goes, the game told; error screens a step held are allowed again.
    void destroyDashboard();
    // A screen on show (or closing, or still to come up after the game heard
    // dashboardWillAppear) goes at once, the game told it disappears (Will,
    // then Did, each once), and no view of the client stays in the window:
    // at shut-down, and when an approval asked for by the dashboard ends offline.
    void closeAtOnce();

    // Each tells the game (QVClientSession::tellGame) and answers whether the
    // client still runs afterwards: false, and the caller stops there.
    bool dashboardWillAppear();
    bool dashboardDidAppear();
    bool dashboardWillDisappear();
    bool dashboardDidDisappear();

    // ---- Orientation
    // The dashboard's orientation (1 without a running client).
    int dashboardOrientation();
    // An unchanged value does nothing. On a phone while a full-screen screen is
    // up the call is ignored; on a large screen the dashboard on show turns
    // (0.4 s between portrait and landscape, else 0.8 s).
    void setDashboardOrientation(int orientation);
    void transformView(platform::ui::View* view, int orientation);
    void transformViewToDashboardOrientation(platform::ui::View* view);

    // ---- Error screens inside the dashboard
    void displayErrorMessage(const std::string& message);
    void displayErrorMessageAndOfflineButton(const std::string& message);
    // Pushed on the stack 0.1 s later.
    void displayErrorMessage(platform::Ref<platform::ui::ViewController> screen,
                             platform::ui::NavigationController* navController);
    // The error screen in the active navigation stack.
    void displayErrorScreen(platform::Ref<platform::ui::ViewController> screen);
    bool isShowingErrorScreenInNavController(platform::ui::NavigationController* navController) override;
    bool areErrorScreensAllowed();
    void allowErrorScreens(bool allow) override;
    // How many dashboards were destroyed: a step holding the error screens since before the last
    // one has been given them back already.
    int dashboardsClosed() override { return running() ? mDashboardsClosed : 0; }

    // ---- The rest of the dashboard role
    platform::ui::InterfaceOrientation getDashboardOrientation() override;
    // A phone's dashboard turns with the game (its root view is turned for
    // it): in landscape the screens are as wide as the phone is tall.
    platform::Rect getDashboardBounds() override;
    void switchToOnlineDashboard() override;
    void switchToOfflineDashboard() override;
    std::string initialDashboardModalContentURL() override;
    void setInitialDashboardModalContentURL(const std::string& url) override;
    void dismissRootControllerOrItsModal() override;
    // The root's modal screen when it is an intro frame, else the root's screen when it is one.
    QVIntroFrame* activeIntroFrame() override;

private:
    QVRootFrame* rootFrame();
    void rotateDashboardFromOrientation(int from, int to);

    platform::Ref<platform::ui::ViewController> mQVRootController;
    platform::Ref<platform::ui::ViewController> mQueuedRootModal;
    bool mIsQueuedModalAnOverlay { false };
    bool mIsDashboardDismissing { false };
    bool mIsShowingOverlayModal { false };
    bool mIsErrorPending { false };
    bool mAllowErrorScreens { false };
    int mDashboardsClosed { 0 };
    bool mDashboardVisable { false };
    // The game heard dashboardWillAppear and has not heard dashboardDidDisappear yet.
    bool mGameToldOfDashboard { false };
    bool mPreviousStatusBarHidden { false };
    int mPreviousOrientation { 1 };
    int mDashboardOrientation { 1 };
};

} // namespace quorvel
