// "UseNewOrOldAccount": the accounts used on this device, to switch to one of
// them, with a way to log in to another account by e-mail and password.
#pragma once

#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVUseNewOrOldAccountController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVUseNewOrOldAccountController)
public:
    bool init() override;
    QVService* getService() override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    bool usePlainTableSectionHeaders() override { return false; }
    bool canReceiveCallbacksNow() override { return true; }
    void clickedUseOld();
    void _bootstrapSuccess(platform::Object* = nullptr);
    void _bootstrapFailed(platform::Object* = nullptr);
    void _popBackToRoot(platform::Object* = nullptr);

    platform::ui::Button* footerButton() const { return footerButton_.get(); }
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUseNewOrOldAccountController() = default;

protected:
    // The header's prompt and the footer's button, in place of the list's header.
    void _createAndDisplayTableHeader() override;

private:
    platform::Ref<platform::ui::Button> footerButton_;
    account_steps::ErrorScreenHold errorScreens_; // while a switch's login runs
    float headerWidth_ { 0 }; // the width the header and footer were laid out for
};

} // namespace quorvel
