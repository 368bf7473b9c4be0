// The friend picker: the followed users in one alphabetical list, a pick or a cancel.
#include "social/ui/QVFriendPickerController.h"

#include "platform/foundation/Log.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVStandardCells.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

QV_REGISTER_CLASS(QVFriendPickerController);

void QVFriendPickerController::launchPickerWithDelegate(QVFriendPickerDelegate* delegate, const std::string& promptText,
                                                        const std::string& mustHaveApplicationId)
{
    if (!QVSessionRole::current().isOnline())
        return;
    Ref<ViewController> loaded = QVControllerLoader::load("FriendPicker");
    if (!loaded) {
        platform::logWarning("QVFriendPickerController: no FriendPicker screen");
        return;
    }
    Ref<QVFriendPickerController> picker(requireCast<QVFriendPickerController>(loaded, "The friend picker must take its delegate"));
    picker->setDelegate(delegate);
    picker->setPromptText(promptText);
    picker->setTitle(kDefaultPrompt);
    if (!mustHaveApplicationId.empty())
        picker->gameScope_ = mustHaveApplicationId;
    QVNavigationController::addCloseButtonToViewController(
        picker.get(), picker.get(), BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFriendPickerController, cancel)));

    QVDashboardRole& host = QVDashboardRole::current();
    ViewController* root = host.getRootController();
    if (!root) {
        auto nav = QVFramedNavigationController::withRootViewController(picker.get());
        host.presentRootControllerWithModal(nav.get());
        return;
    }
    auto* opener = dynamic_cast<ViewController*>(delegate);
    BarButtonItem* anchor = opener ? opener->navigationItem()->rightBarButtonItem() : nullptr;
    if (host.isLargeScreen() && anchor) {
        picker->navigationItem()->setRightBarButtonItem(nullptr);
        auto nav = QVNavigationController::withRootViewController(picker.get());
        picker->popover_ = PopoverController::withContentViewController(nav.get());
        picker->popover_->setDelegate(picker.get());
        picker->popover_->presentFromBarButtonItem(anchor, PopoverArrowAny, true);
        return;
    }
    auto nav = QVFramedNavigationController::withRootViewController(picker.get());
    root->presentModalViewController(nav.get(), true);
}

void QVFriendPickerController::cancel()
{
    Ref<QVFriendPickerController> keep(this);
    dismiss();
    if (auto d = delegate_.lock())
        d->pickerCancelled();
}

void QVFriendPickerController::dismiss()
{
    QVDashboardRole& host = QVDashboardRole::current();
    host.allowErrorScreens(true);
    if (popover_) {
        Ref<PopoverController> popover = std::move(popover_);
        popover->setDelegate(nullptr);
        popover->dismissPopoverAnimated(true);
    } else {
        host.dismissRootControllerOrItsModal();
    }
}

void QVFriendPickerController::popoverControllerDidDismissPopover(PopoverController*)
{
    Ref<QVFriendPickerController> keep(this);
    if (auto* opener = dynamic_cast<ViewController*>(delegate()))
        if (BarButtonItem* button = opener->navigationItem()->rightBarButtonItem())
            button->setEnabled(true);
    popover_ = nullptr;
    // Closed from outside: the player picked nobody.
    QVDashboardRole::current().allowErrorScreens(true);
    if (auto d = delegate_.lock())
        d->pickerCancelled();
}

void QVFriendPickerController::viewWillAppear(bool animated)
{
    QVDashboardRole::current().allowErrorScreens(false);
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

void QVFriendPickerController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("User"); }

QVService* QVFriendPickerController::getService() { return &QVFriendsService::service(); }

void QVFriendPickerController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    QVDelegate onFailure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFriendPickerController, _customFailHandler)));
    if (gameScope_)
        QVFriendsService::getAllUsersWithApp(*gameScope_, "", onSuccess, onFailure);
    else
        QVFriendsService::getAllUsersFollowedByLocalUserAlphabetical(onSuccess, onFailure);
}

Ref<ViewController> QVFriendPickerController::getNoDataFoundViewController()
{
    return QVControllerLoader::loadWithParams("ImportFriends", { { "controller", Ref<platform::Object>(this) } });
}

void QVFriendPickerController::onTableHeaderCreated(ViewController* header)
{
    if (auto* plain = dynamic_cast<QVPlainTableHeaderController*>(header)) {
        plain->view();
        if (plain->headerLabel())
            plain->headerLabel()->setText(promptText_);
    }
}

void QVFriendPickerController::onLeadingCellWasLoaded(TableViewCell* cell, int)
{
    if (auto* leading = dynamic_cast<QVDefaultLeadingCell*>(cell))
        if (leading->headerLabel())
            leading->headerLabel()->setText(promptText_);
}

void QVFriendPickerController::onCellWasClicked(platform::Object* resource, IndexPath indexPathInTable)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    TableView* table = tableView();
    if (!user || !table || !dynamic_cast<QVUserCell*>(table->cellForRowAtIndexPath(indexPathInTable)))
        return;
    Ref<QVFriendPickerController> keep(this);
    Ref<QVUser> picked(user);
    dismiss();
    if (QVFriendPickerDelegate* d = delegate())
        d->pickerFinishedWithSelectedUser(picked.get());
}

void QVFriendPickerController::_customFailHandler(platform::Object*)
{
    hideLoadingScreen();
    Ref<QVDeadEndErrorController> error = QVDeadEndErrorController::deadEndErrorWithMessage(kFailureMessage);
    if (!error)
        return;
    QVNavigationController::addCloseButtonToViewController(
        error.get(), this, BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFriendPickerController, cancel)));
    if (NavigationController* nav = navigationController())
        nav->pushViewController(error.get(), true);
}

} // namespace quorvel
