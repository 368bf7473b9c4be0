// The location panel: its switch, applying the choice, and the re-checks
// that wait for the player's location.
#include "social/dashboard/settings/QVShareLocationController.h"

#include "platform/foundation/RunLoop.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using layout::rowWidth;
using platform::Rect;

QV_REGISTER_CLASS(QVShareLocationController);

void QVShareLocationController::applyLocationSharing(bool shared)
{
    if (shared) {
        QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
        QuorvelInternal::location().startLocationManagerIfAllowed();
    } else {
        QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationOff);
        QuorvelInternal::location().setUserLocation(nullptr);
    }
}

namespace {
int locationReloads = 0; // per process
}

void QVShareLocationController::resetReloadCount() { locationReloads = 0; }

QVShareLocationController::~QVShareLocationController() { }

void QVShareLocationController::loadView()
{
    const float width = rowWidth();
    auto root = View::viewWithFrame(Rect(0, 0, width, 80));
    root->setAutoresizingMask(FlexibleWidth);
    descriptionLabel_ = layout::makeLabel(Rect(12, 8, width - 130, 64), 13, false);
    descriptionLabel_->setNumberOfLines(0);
    descriptionLabel_->setText("Share your location to see the high scores of players around you.");
    root->addSubview(descriptionLabel_.get());
    shareLocationSwitch_ = Switch::switchWithFrame(Rect(width - 106, 26, 94, 27));
    shareLocationSwitch_->setAutoresizingMask(FlexibleLeftMargin);
    shareLocationSwitch_->setOn(QuorvelInternal::options().userDistanceUnit() != QVDistanceUnit::LocationOff);
    shareLocationSwitch_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVShareLocationController, shareLocationChanged)),
                                    ValueChanged);
    root->addSubview(shareLocationSwitch_.get());
    setView(root.get());
}

void QVShareLocationController::shareLocationChanged()
{
    if (auto host = delegate_.lock())
        host->showLoadingScreen();
    if (shareLocationSwitch()->isOn()) {
        applyLocationSharing(true);
        platform::Weak<QVShareLocationController> weak(this);
        platform::RunLoop::main().performAfter(3.0, [weak] {
            if (auto self = weak.lock())
                self->_reloadHostingView();
        });
    } else {
        applyLocationSharing(false);
    }
}

void QVShareLocationController::_reloadHostingView()
{
    if (QuorvelInternal::options().userDistanceUnit() == QVDistanceUnit::Undecided && locationReloads++ < kMaxReloads) {
        platform::Weak<QVShareLocationController> weak(this);
        platform::RunLoop::main().performAfter(1.0, [weak] {
            if (auto self = weak.lock())
                self->_reloadHostingView();
        });
        return;
    }
    if (auto host = delegate_.lock())
        host->userSharedLocation();
}

} // namespace quorvel
