// QVFriendPickerController ("FriendPicker"): picks one of the users the
// player follows (optionally only those who have a given game) and reports
// the pick, or the cancel, to its delegate. It loads the whole alphabetical
// list in one request under a prompt. Shown as a dashboard modal on phones
// and before the dashboard is up, in a popover on large screens while the
// dashboard is up. While it shows, service failures put up no error screens.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Popover.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <optional>
#include <string>

namespace quorvel {

class QVFriendPickerController : public QVTableSequenceControllerHelper,
                                 public QVFramedNavigationControllerBehavior,
                                 public platform::ui::PopoverControllerDelegate {
    QV_DECLARE_CLASS(QVFriendPickerController)
public:
    static constexpr const char* kDefaultPrompt = "Select Friend";
    static constexpr const char* kFailureMessage = "Unable to download your friends list.";

    // Nothing happens while the client is offline. An empty game id means no game scope.
    static void launchPickerWithDelegate(QVFriendPickerDelegate* delegate, const std::string& promptText = kDefaultPrompt,
                                         const std::string& mustHaveApplicationId = {});

    // Null once a delegate that is an object has gone.
    QVFriendPickerDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(QVFriendPickerDelegate* d) { delegate_ = d; }
    const std::string& promptText() const { return promptText_; }
    void setPromptText(const std::string& t) { promptText_ = t; }
    const std::optional<std::string>& mustHaveApplicationId() const { return gameScope_; }
    platform::ui::PopoverController* owningPopoverController() const { return popover_.get(); }

    void cancel();
    void dismiss();
    void popoverControllerDidDismissPopover(platform::ui::PopoverController* popover) override;
    void viewWillAppear(bool animated) override;
    void _customFailHandler(platform::Object* answer);

    // List hooks.
    std::optional<std::string> getTableHeaderControllerName() override { return "PlainTableHeader"; }
    bool usePlainTableSectionHeaders() override { return true; }
    bool allowPagination() override { return false; }
    std::optional<bool> shouldShowNavBar() override { return true; }
    std::optional<std::string> getLeadingCellControllerNameForSection(int) override { return std::nullopt; }
    void populateResourceMap(QVResourceControllerMap& map) override;
    QVService* getService() override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    std::string getNoDataFoundMessage() override { return "There are no friends."; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void onLeadingCellWasLoaded(platform::ui::TableViewCell* cell, int section) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFriendPickerController() = default;

private:
    platform::WeakLink<QVFriendPickerDelegate> delegate_; // the screen that opened the picker
    std::string promptText_;
    std::optional<std::string> gameScope_;
    platform::Ref<platform::ui::PopoverController> popover_;
};

} // namespace quorvel
