// QVShareLocationController ("ShareLocation"): a one-switch panel for location
// sharing that a host screen embeds; after sharing is switched on it waits for
// the player's location before telling its host.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

// What hosts the location panel.
class QVShareLocationControllerCallback {
public:
    virtual ~QVShareLocationControllerCallback() = default;
    virtual void showLoadingScreen() = 0;
    virtual void userSharedLocation() = 0;
};

class QVShareLocationController : public QVViewController {
    QV_DECLARE_CLASS(QVShareLocationController)
public:
    // Re-checks of the shared location allowed in one process.
    static constexpr int kMaxReloads = 15;

    // The host, while it exists (its re-checks outlive a host that goes).
    QVShareLocationControllerCallback* delegate() const { return delegate_.get(); }
    void setDelegate(QVShareLocationControllerCallback* delegate) { delegate_ = delegate; }
    platform::ui::Switch* shareLocationSwitch() { view(); return shareLocationSwitch_.get(); }
    platform::ui::Label* descriptionLabel() { view(); return descriptionLabel_.get(); }

    void shareLocationChanged();
    void _reloadHostingView();
    // The process-wide re-check count starts again (tests).
    static void resetReloadCount();
    // Sets the device's location sharing: shared starts the location manager,
    // not shared forgets the player's location.
    static void applyLocationSharing(bool shared);

    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVShareLocationController() = default;
    ~QVShareLocationController() override;

private:
    platform::WeakLink<QVShareLocationControllerCallback> delegate_;
    platform::Ref<platform::ui::Switch> shareLocationSwitch_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
};

} // namespace quorvel
