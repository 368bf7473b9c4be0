// "GameCenterIntegration": closes the account set-up sequence where Game
// Center is in use.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVSelectUserWidget.h"

namespace quorvel {

class QVGameCenterIntegrationController : public QVViewController {
    QV_DECLARE_CLASS(QVGameCenterIntegrationController)
public:
    void onContinue();
    platform::ui::Label* nowPlayingLabel() { view(); return nowPlayingLabel_.get(); }
    platform::ui::Button* continueButton() { view(); return continueButton_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

protected:
    QVGameCenterIntegrationController() = default;

private:
    platform::Ref<platform::ui::Label> nowPlayingLabel_;
    platform::Ref<platform::ui::Button> continueButton_;
};

} // namespace quorvel
