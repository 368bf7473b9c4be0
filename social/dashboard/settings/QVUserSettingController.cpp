// The settings list, its switch and action rows, the side effects of a
// setting on the device, logging out, and the location-sharing panel.
#include "social/dashboard/settings/QVUserSettingController.h"
#include "social/dashboard/common/QVAccountFormScreen.h"
#include "social/runtime/QVRequireCast.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/settings/QVShareLocationController.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::rowWidth;

QV_REGISTER_CLASS(QVUserSettingCell);
QV_REGISTER_CLASS(QVUserSettingActionCell);
QV_REGISTER_CLASS(QVUserSettingController);

namespace {

constexpr float kRowHeight = 44;

View* topLevelView(ViewController* fallback)
{
    if (View* top = QuorvelInternal::dashboardRole().getTopLevelView())
        return top;
    return fallback ? fallback->view() : nullptr;
}

// Pushes an account screen that adds a credential to the account.
void pushAddingCredential(const std::string& name)
{
    NavigationController* nav = QuorvelInternal::dashboardRole().getActiveNavigationController();
    Ref<ViewController> screen = QVControllerLoader::load(name);
    if (!nav || !screen)
        return;
    requireCast<QVAccountFormScreen>(screen, "A credential form must add its credential to the account")
        ->setAddingAdditionalCredential(true);
    nav->pushViewController(screen.get(), true);
}

void applyPresence(bool on)
{
    if (QVPresenceService* presence = QVPresenceService::sharedInstance())
        on ? presence->connect() : presence->disconnect();
}

bool boolValue(const std::string& value)
{
    // Leading blanks, then a "Y", "y", "T", "t" or a non-zero digit.
    size_t i = value.find_first_not_of(" \t\r\n");
    if (i == std::string::npos)
        return false;
    const char c = value[i];
    if (c == 'Y' || c == 'y' || c == 'T' || c == 't')
        return true;
    if (c == '+' || c == '-')
        ++i;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        if (value[i] != '0')
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// Side effects

void QVUserSettingDelegate::settingValueToggled(QVUserSetting* setting, bool value)
{
    if (!setting)
        return;
    const std::string& key = setting->key();
    if (key == "location") {
        QVShareLocationController::applyLocationSharing(value);
    } else if (key == "facebookstream") {
        if (value && !QuorvelInternal::options().loggedInUserHasFbconnectCredential())
            pushAddingCredential("FacebookAccountLogin");
    } else if (key == "twitterstream") {
        if (value && !QuorvelInternal::options().loggedInUserHasTwitterCredential())
            pushAddingCredential("TwitterAccountLogin");
    } else if (key == "presence") {
        applyPresence(value);
    } else if (key == "newsletter_quorvel") {
        if (value && !QuorvelInternal::options().loggedInUserHasHttpBasicCredential()) {
            pushAddingCredential("HttpCredentialsCreate");
            common::showAlert("Enable Account Retrieval",
                                 "In order to subscribe, you must first enable account retrieval with an email address "
                                 "and password.",
                                 "OK");
        }
    }
}

// ---------------------------------------------------------------------------
// Rows

bool QVUserSettingCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kRowHeight));
    name_ = layout::makeLabel(Rect(12, 0, width - 120, kRowHeight), 15, true);
    name_->setAutoresizingMask(FlexibleWidth);
    contentView()->addSubview(name_.get());
    booleanSwitch_ = Switch::switchWithFrame(Rect(width - 106, 8, 94, 27));
    booleanSwitch_->setAutoresizingMask(FlexibleLeftMargin);
    booleanSwitch_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVUserSettingCell, switchToggled)), ValueChanged);
    contentView()->addSubview(booleanSwitch_.get());
    setSelectionStyle(CellSelectionStyle::None);
    return true;
}

QVUserSetting* QVUserSettingCell::setting() const { return dynamic_cast<QVUserSetting*>(resource()); }

void QVUserSettingCell::onResourceChanged(Object* resource)
{
    auto* s = dynamic_cast<QVUserSetting*>(resource);
    name_->setText(s ? s->name() : std::string());
    // A subscription needs an e-mail and password on the account to reach the player.
    if (s && s->key() == "newsletter_quorvel" && s->value() == "1" && !QuorvelInternal::options().loggedInUserHasHttpBasicCredential())
        s->setValue("0");
    setControlToSettingValue(s);
}

void QVUserSettingCell::setControlToSettingValue(QVUserSetting* s)
{
    if (s && s->valueType() == "bool") {
        booleanSwitch_->setOn(boolValue(s->value()));
        booleanSwitch_->setEnabled(true);
    } else {
        booleanSwitch_->setOn(false);
        booleanSwitch_->setEnabled(false);
    }
}

#define QV_SETTING_CALLBACK(name) QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVUserSettingCell, name)))

void QVUserSettingCell::switchToggled()
{
    Ref<QVUserSetting> s(setting());
    if (!s)
        return;
    if (auto owner = owner_.lock())
        owner->showLoadingScreen();
    const bool on = booleanSwitch_->isOn();
    QVUserSettingService::setUserSettingWithId(s->resourceId(), on, QV_SETTING_CALLBACK(onSubmitSuccess),
                                               QV_SETTING_CALLBACK(onSubmitFailure));
    QVUserSettingDelegate::settingValueToggled(s.get(), on);
}

void QVUserSettingCell::onSubmitSuccess(Object*)
{
    if (auto owner = owner_.lock())
        owner->hideLoadingScreen();
    QVUserSetting* s = setting();
    if (s && s->valueType() == "bool")
        s->setValue(booleanSwitch_->isOn() ? "1" : "0");
}

void QVUserSettingCell::onSubmitFailure(Object*)
{
    if (auto owner = owner_.lock())
        owner->hideLoadingScreen();
    QVUserSetting* s = setting();
    const bool attempted = booleanSwitch_->isOn();
    setControlToSettingValue(s);
    // The device follows the setting that stays: location and presence are
    // put back to the kept value.
    if (s && s->valueType() == "bool" && attempted != boolValue(s->value())
        && (s->key() == "location" || s->key() == "presence"))
        QVUserSettingDelegate::settingValueToggled(s, boolValue(s->value()));
    common::showAlert(kSaveFailedTitle, kSaveFailed, "OK");
    setNeedsLayout();
}

bool QVUserSettingActionCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, kRowHeight));
    auto title = layout::makeLabel(Rect(12, 0, width - 50, kRowHeight), 15, true);
    title->setTag(1);
    title->setAutoresizingMask(FlexibleWidth);
    // A longer action's name shrinks a little before it is cut.
    title->setAdjustsFontSizeToFitWidth(true);
    title->setMinimumFontSize(12);
    contentView()->addSubview(title.get());
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

void QVUserSettingActionCell::onResourceChanged(Object* resource)
{
    auto* push = dynamic_cast<QVUserSettingPushController*>(resource);
    if (auto* label = dynamic_cast<Label*>(viewWithTag(1)))
        label->setText(push ? push->settingTitle() : std::string());
}

// ---------------------------------------------------------------------------
// Settings list

QVUserSettingController::~QVUserSettingController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

QVService* QVUserSettingController::getService() { return QVUserSettingService::sharedService(); }

void QVUserSettingController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUserSetting>("UserSetting");
    map.addResource<QVUserSettingPushController>("UserSettingAction");
}

void QVUserSettingController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserSettingService::getIndex(onSuccess, onFailure);
}

void QVUserSettingController::onCell(QVTableCellHelper* cell, Object*)
{
    if (auto* row = dynamic_cast<QVUserSettingCell*>(cell))
        row->setOwner(this);
}

void QVUserSettingController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* push = dynamic_cast<QVUserSettingPushController*>(resource);
    if (!push)
        return;
    Ref<ViewController> screen = push->getController();
    if (!screen || !navigationController())
        return;
    if (auto* form = dynamic_cast<QVAccountFormScreen*>(screen.get()))
        form->openFromSettings();
    navigationController()->pushViewController(screen.get(), true);
}

void QVUserSettingController::loadView()
{
    QVTableSequenceControllerHelper::loadView();
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Logout", BarButtonItem::Style::Bordered, this,
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVUserSettingController, logout))).get());
}

void QVUserSettingController::viewWillAppear(bool animated)
{
    platform::NotificationCenter::defaultCenter().addObserver(
        this, Quorvel::kDashboardOrientationChanged, [this](const platform::Notification&) {
            if (logoutSheet_)
                logoutSheet_->dismissWithClickedButtonIndex(logoutSheet_->cancelButtonIndex(), false);
        });
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (title().empty())
        setTitle("Settings");
}

void QVUserSettingController::viewWillDisappear(bool animated)
{
    platform::NotificationCenter::defaultCenter().removeObserver(this, Quorvel::kDashboardOrientationChanged);
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
}

void QVUserSettingController::logout()
{
    if (logoutSheet_) // a question still up is replaced: its answer no longer reaches this list
        logoutSheet_->setDelegate(nullptr);
    logoutSheet_ = ActionSheet::sheet(kLogoutQuestion, this, "Cancel", "Logout");
    logoutSheet_->showInView(topLevelView(this));
}

void QVUserSettingController::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    if (!sheet || sheet != logoutSheet_.get()) {
        QVTableSequenceControllerHelper::actionSheetDidDismissWithButtonIndex(sheet, index);
        return;
    }
    Ref<QVUserSettingController> keep(this);
    const bool logoutNow = index == sheet->destructiveButtonIndex();
    logoutSheet_ = nullptr;
    if (logoutNow)
        _logoutNow();
}

void QVUserSettingController::_logoutNow()
{
    Quorvel::logoutUser();
    QuorvelInternal::dashboardRole().dismissDashboard();
}

} // namespace quorvel
