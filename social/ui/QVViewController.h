// QVViewController: the base of the client's plain screens. It keeps to the
// dashboard's one orientation, sizes its first scroll view to its content,
// shows the loading indicator through its navigation controller, and accepts
// callbacks only while it sits in a navigation stack (answers that arrive
// after the screen left are dropped).
//
// Parameters given by name to the loader reach performSetter; subclasses add
// their setters there and pass the rest to the base.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVLoadingOverlayLink.h"

#include <optional>

namespace quorvel {

class QVNavigationController;

class QVViewController : public platform::ui::ViewController, public QVCallbackable, public QVKeyedSetters {
    QV_DECLARE_CLASS(QVViewController)
public:
    static constexpr float kScrollContentPadding = 10;

    virtual std::string getLoadingScreenText() { return "Downloading"; }
    // Through the navigation controller; nothing without one. A screen shown
    // on its own (an overlay) brings its own.
    virtual void showLoadingScreen();
    virtual void hideLoadingScreen();
    // A loading overlay of this screen's own, over its view.
    void showLoadingScreenWithMessage(const std::string& message);
    platform::ui::ViewController* loadingScreen() const { return loadingScreen_.get(); }

    // To the navigation controller when there is one, else kept here.
    void setBadgeValue(const std::optional<std::string>& value);
    const std::optional<std::string>& badgeValue() const { return badgeValue_; }
    // The user the enclosing stack's screen is about, or null.
    platform::Object* getPageContextUser() const;
    // The navigation controller is the active intro flow's.
    bool isCurrentlyInIntroFlow() const;

    // The tab item that owns this screen, or null (also once the item is gone).
    platform::Object* owningTabBarItem() const { return owningTabBarItem_.get(); }
    void setOwningTabBarItem(platform::Object* item) { owningTabBarItem_ = item; }
    QVNavigationController* qvNavigationController() const;

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;
    // A memory warning leaves the view alone: a screen's state (texts filled
    // from answers, buttons shown for the page's user) lives in its views,
    // which loadView could only build again empty.
    void didReceiveMemoryWarning() override { }
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }
    bool performSetter(const std::string& /*setterName*/, platform::Object* /*value*/) override { return false; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVViewController() = default;

private:
    platform::Ref<platform::ui::ViewController> loadingScreen_;
    QVLoadingOverlayLink loadingOverlay_;
    platform::WeakLink<platform::Object> owningTabBarItem_;
    std::optional<std::string> badgeValue_;
};

} // namespace quorvel
