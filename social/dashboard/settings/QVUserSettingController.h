// The player's account settings as the server describes them: switch rows
// (QVUserSettingCell, "UserSetting") saved on the server with their side
// effect on the device, rows that open another screen
// (QVUserSettingActionCell, "UserSettingAction"), and logging out.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVUserSetting;
class QVUserSettingController;

// The device side of a setting.
class QVUserSettingDelegate {
public:
    static void settingValueToggled(QVUserSetting* setting, bool value);
};

class QVUserSettingCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVUserSettingCell)
public:
    static constexpr const char* kSaveFailedTitle = "Oops! There was a problem";
    static constexpr const char* kSaveFailed
        = "Something went wrong and we weren't able to save your change. Please try again later.";

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;

    // The settings screen, while it exists.
    QVUserSettingController* owner() const { return owner_.get(); }
    using QVTableCellHelper::setOwner; // the loader's owner outlet stays reachable
    void setOwner(QVUserSettingController* owner) { owner_ = owner; }
    platform::ui::Switch* booleanSwitch() const { return booleanSwitch_.get(); }
    platform::ui::Label* nameLabel() const { return name_.get(); }
    QVUserSetting* setting() const;

    void switchToggled();
    void onSubmitSuccess(platform::Object*);
    void onSubmitFailure(platform::Object*);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUserSettingCell() = default;

private:
    void setControlToSettingValue(QVUserSetting* setting);

    platform::WeakLink<QVUserSettingController> owner_;
    platform::Ref<platform::ui::Switch> booleanSwitch_;
    platform::Ref<platform::ui::Label> name_;
};

class QVUserSettingActionCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVUserSettingActionCell)
public:
    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUserSettingActionCell() = default;
};

// The list base is the delegate of action sheets already; the logout sheet's
// dismissal comes through it.
class QVUserSettingController : public QVTableSequenceControllerHelper, public QVProfileFrame {
    QV_DECLARE_CLASS(QVUserSettingController)
public:
    static constexpr const char* kLogoutQuestion = "Logging out will disable all Quorvel features.  Are you sure?";

    platform::ui::ActionSheet* logoutSheet() const { return logoutSheet_.get(); }
    void logout();
    void _logoutNow();
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool shouldAlwaysRefreshWhenShown() override { return true; }
    bool allowPagination() override { return false; }
    std::string getNoDataFoundMessage() override { return "There are no settings available right now"; }
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUserSettingController() = default;
    ~QVUserSettingController() override;

private:
    platform::Ref<platform::ui::ActionSheet> logoutSheet_;
};

} // namespace quorvel
