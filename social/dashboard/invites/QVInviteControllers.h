// Invitations: the player invites Quorvel friends who lack the running game
// and address-book contacts (by e-mail or phone). The invite-type screen
// ("SelectInviteType") shows the invitation's reward and two rows, friends
// and contacts, each with the number chosen; each row opens a chooser that
// works on a copy and hands it back on "Done". "Invite" opens the compose
// screen ("InviteFriends") whose "Send" posts the invitation and shows the
// completion screen. Received invitations are listed by "Invitations" and
// shown in a web page ("ViewInvite"); "InviteNotification" is an overlay
// announcing one.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/TextView.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVInviteService.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVWebViewController.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;
class QVSelectInviteTypeController;
class QVInviteFriendsController;

using QVObjects = std::vector<platform::Ref<platform::Object>>;

class QVSelectInviteTypeCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVSelectInviteTypeCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    bool hasConstantHeight() override { return true; }
    platform::ui::ImageView* iconView() const { return iconView_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* amountSelectedLabel() const { return amountSelectedLabel_.get(); }
    void setAmountSelected(size_t count);
    const std::function<void()>& createControllerSelector() const { return select_; }
    void setCreateControllerSelector(std::function<void()> select) { select_ = std::move(select); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeCell() = default;

private:
    platform::Ref<platform::ui::ImageView> iconView_;
    platform::Ref<platform::ui::Label> titleLabel_, amountSelectedLabel_;
    std::function<void()> select_;
};

class QVSelectInviteTypeHeaderController : public platform::ui::ViewController, public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVSelectInviteTypeHeaderController)
public:
    platform::ui::Label* enticeLabel() { view(); return enticeLabel_.get(); }
    QVImageView* inviteIcon() { view(); return inviteIcon_.get(); }
    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeHeaderController() = default;

private:
    platform::Ref<platform::ui::Label> enticeLabel_;
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::ImageView> inviteIconFrame_;
};

class QVSelectInviteTypeController : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(QVSelectInviteTypeController)
public:
    enum Kind { kFriends = 0, kContacts = 1 };
    static constexpr const char* kNothingChosenTitle = "No Friends Selected";
    static constexpr const char* kNothingChosenMessage = "You must select at least one friend to invite.";

    // The flow's first screen for an invitation ("" or nullopt: the game's primary one).
    static platform::Ref<QVSelectInviteTypeController> inviteTypeControllerWithInviteIdentifier(
        const std::optional<std::string>& identifier);
    // Shown as the root of a new framed stack over the game, with Cancel closing the dashboard.
    void openAsModal();

    void updateSelectedType(int kind, const QVObjects& chosen);
    const QVObjects& getSelectedListForType(int kind) const { return selected_[kind == kContacts ? 1 : 0]; }
    const QVObjects& addedContacts() const { return addedContacts_; }
    void setAddedContacts(const QVObjects& contacts) { addedContacts_ = contacts; }
    QVInviteDefinition* definition() const { return mDefinition.get(); }
    const std::optional<std::string>& inviteId() const { return inviteId_; }
    QVSelectInviteTypeCell* cellForType(int kind) const { return cells_[kind == kContacts ? 1 : 0].get(); }

    void inviteQuorvelFriends();
    void inviteContacts();
    void advance();
    void _cancelModal();

    std::optional<Sections> buildTableSectionDescriptions() override;
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("SelectInviteTypeHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectInviteTypeController() = default;

private:
    void didGetInviteDefinition(platform::Object* series);
    void didFailGetInviteDefinition(platform::Object*);

    std::optional<std::string> inviteId_;
    QVSelectInviteTypeHeaderController* mHeader { nullptr };
    platform::Ref<QVInviteDefinition> mDefinition;
    std::array<QVObjects, 2> selected_;
    std::array<platform::Ref<QVSelectInviteTypeCell>, 2> cells_;
    QVObjects addedContacts_;
};

class QVSelectFriendsToInviteController : public QVTableSequenceControllerHelper,
                                          public QVFramedNavigationControllerBehavior {
    QV_DECLARE_CLASS(QVSelectFriendsToInviteController)
public:
    static constexpr double kStallSeconds = 5.0;

    static platform::Ref<QVSelectFriendsToInviteController> inviteController(QVSelectInviteTypeController* typeScreen,
                                                                            const QVObjects& alreadySelected);
    const QVObjects& selectedUsers() const { return selectedUsers_; }
    bool isUserSelected(const QVUser* user) const;
    void done();
    void cancel();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<bool> shouldShowNavBar() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    bool autoLoadData() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Loading Invitation..."; }
    std::string getNoDataFoundMessage() override { return ""; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void hideLoadingScreen() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectFriendsToInviteController() = default;
    ~QVSelectFriendsToInviteController() override;

private:
    void localUserFollowingAnyone(platform::Object* answer);
    void followingAnyoneFailed(platform::Object*);
    void _refreshData();

    QVObjects selectedUsers_;
    platform::Ref<QVSelectInviteTypeController> inviteTypeController_;
    bool stallNextRefresh_ { false };
    bool friendsDownloadOutstanding_ { false };
    bool anyFriendsDownloadOutstanding_ { false };
    bool followingAnyone_ { false };
    platform::Ref<platform::Timer> stallTimer_;
};

class QVSelectContactsToInviteController;

class QVSelectContactsToInviteHeaderController : public platform::ui::ViewController,
                                                 public QVTableControllerHeader,
                                                 public platform::ui::PeoplePickerDelegate {
    QV_DECLARE_CLASS(QVSelectContactsToInviteHeaderController)
public:
    void setContactInviteController(QVSelectContactsToInviteController* c) { contactInviteController_ = c; }
    platform::ui::Button* addContactButton() { view(); return addContactButton_.get(); }
    platform::ui::PeoplePickerNavigationController* picker() const { return picker_.get(); }
    void addContact();

    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;
    bool peoplePickerShouldContinueAfterSelectingPerson(platform::ui::PeoplePickerNavigationController*,
                                                        platform::ui::Person*) override { return true; }
    bool peoplePickerShouldContinueAfterSelectingPersonProperty(platform::ui::PeoplePickerNavigationController* picker,
                                                                platform::ui::Person* person,
                                                                platform::ui::PersonProperty property,
                                                                int identifier) override;
    void peoplePickerDidCancel(platform::ui::PeoplePickerNavigationController* picker) override;

    // The name a contact is listed under.
    static std::string displayName(const platform::ui::Person& person, const std::string& chosenValue);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectContactsToInviteHeaderController() = default;
    ~QVSelectContactsToInviteHeaderController() override;

private:
    void _dismissPicker();

    platform::Ref<platform::ui::ImageView> addContactIcon_;
    platform::Ref<platform::ui::Label> addContactLabel_;
    platform::Ref<platform::ui::Button> addContactButton_;
    platform::Ref<platform::ui::PeoplePickerNavigationController> picker_;
    QVSelectContactsToInviteController* contactInviteController_ { nullptr }; // the owning screen
};

class QVSelectContactsToInviteController : public QVTableSequenceControllerHelper,
                                           public QVFramedNavigationControllerBehavior {
    QV_DECLARE_CLASS(QVSelectContactsToInviteController)
public:
    static platform::Ref<QVSelectContactsToInviteController> inviteController(QVSelectInviteTypeController* typeScreen,
                                                                             const QVObjects& alreadyAdded,
                                                                             const QVObjects& alreadySelected);
    void addPersonWithIdAndPhoneNumber(int recordId, const std::string& name,
                                       const std::optional<platform::Bytes>& imageData, const std::string& phone);
    void addPersonWithIdAndEmail(int recordId, const std::string& name, const std::optional<platform::Bytes>& imageData,
                                 const std::string& email);
    const QVObjects& addedContacts() const { return addedContacts_; }
    const QVObjects& selectedContacts() const { return selectedContacts_; }
    bool isContactSelected(const platform::Object* contact) const;
    void done();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int, const QVDelegate&, const QVDelegate&) override { }
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("SelectContactsToInviteHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<bool> shouldShowNavBar() override { return true; }
    bool shouldDisplayEmptyDataSet() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Loading Contacts..."; }
    std::string getNoDataFoundMessage() override { return ""; }
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectContactsToInviteController() = default;

private:
    void _addPerson(int recordId, const std::string& name, const std::optional<platform::Bytes>& imageData,
                    const std::string& phone, const std::string& email);

    platform::Ref<QVSelectInviteTypeController> inviteTypeController_;
    QVObjects selectedContacts_;
    QVObjects addedContacts_;
};

class QVInviteFriendsHeaderController : public platform::ui::ViewController,
                                        public QVTableControllerHeader,
                                        public platform::ui::TextViewDelegate {
    QV_DECLARE_CLASS(QVInviteFriendsHeaderController)
public:
    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    platform::ui::TextView* inviteText() { view(); return inviteText_.get(); }
    bool inviteTextHasDefaultText() const { return inviteTextHasDefaultText_; }
    void setInviteFriendsController(QVInviteFriendsController* c) { inviteFriendsController_ = c; }
    std::string suggestedMessage() const;

    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;
    void textViewDidBeginEditing(platform::ui::TextView* textView) override;
    void textViewDidEndEditing(platform::ui::TextView* textView) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteFriendsHeaderController() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::TextView> inviteText_;
    QVInviteFriendsController* inviteFriendsController_ { nullptr }; // the owning compose screen
    bool inviteTextHasDefaultText_ { false };
};

class QVInviteFriendsController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVInviteFriendsController)
public:
    const QVObjects& selectedUsers() const { return selectedUsers_; }
    void setSelectedUsers(const QVObjects& users) { selectedUsers_ = users; }
    QVInviteDefinition* definition() const { return definition_.get(); }
    void setDefinition(QVInviteDefinition* d) { definition_ = d; }
    const std::function<void()>& closeInvocation() const { return closeInvocation_; }
    void setCloseInvocation(std::function<void()> close) { closeInvocation_ = std::move(close); }
    QVInviteFriendsHeaderController* header() const { return header_; }
    platform::ui::BarButtonItem* sendButton() const { return sendButton_.get(); }

    void inviteFriends();
    void cancel();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int, const QVDelegate&, const QVDelegate&) override { }
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("InviteFriendsHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    std::string getNoDataFoundMessage() override;
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onCellWasClicked(platform::Object*, platform::ui::IndexPath indexPath) override;
    void viewDidLoad() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteFriendsController() = default;

private:
    void inviteSuccess(platform::Object*);
    void inviteFailure(platform::Object*);

    QVObjects selectedUsers_;
    platform::Ref<QVInviteDefinition> definition_;
    std::function<void()> closeInvocation_;
    QVInviteFriendsHeaderController* header_ { nullptr };
    platform::Ref<platform::ui::BarButtonItem> sendButton_;
};

class QVInviteCompleteController : public QVShowMessageAndReturnController {
    QV_DECLARE_CLASS(QVInviteCompleteController)
public:
    QVImageView* inviteIcon() { view(); return inviteIcon_.get(); }
    void setInviteIconUrl(const std::string& url);
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteCompleteController() = default;

private:
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::ImageView> inviteIconFrame_;
    std::string iconUrl_;
};

class QVContactCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVContactCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* numberOrEmail() const { return numberOrEmail_.get(); }
    const std::string& phoneOrEmailIconName() const { return iconName_; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVContactCell() = default;

    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Label> nameLabel_, numberOrEmail_;
    platform::Ref<platform::ui::ImageView> phoneOrEmailIcon_;
    std::string iconName_;
};

class QVSelectableContactCell : public QVContactCell {
    QV_DECLARE_CLASS(QVSelectableContactCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    bool checked() const { return checked_; }
    void setChecked(bool checked);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectableContactCell() = default;

private:
    platform::Ref<platform::ui::ImageView> checkbox_;
    bool checked_ { false };
};

class QVInviteCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVInviteCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    platform::ui::Label* gameTitle() const { return gameTitle_.get(); }
    platform::ui::Label* invitedBy() const { return invitedBy_.get(); }
    platform::ui::Label* userMessage() const { return userMessage_.get(); }
    platform::ui::View* freshnessIndicator() const { return freshnessIndicator_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteCell() = default;

private:
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::Label> gameTitle_, invitedBy_, userMessage_;
    platform::Ref<platform::ui::View> freshnessIndicator_;
};

class QVInvitationsController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVInvitationsController)
public:
    void notifyInviteIgnored(const std::string&) { reloadOnWillAppear_ = true; }
    bool reloadOnWillAppear() const { return reloadOnWillAppear_; }
    void toggleEditing();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool allowEditing() override { return true; }
    std::string getNoDataFoundMessage() override { return "You have no unviewed game invitations at this time."; }
    void onResourceWasDeleted(platform::Object* resource) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInvitationsController() = default;

private:
    void _installEditButton();
    bool reloadOnWillAppear_ { false };
};

class QVViewInviteController : public QVWebViewController {
    QV_DECLARE_CLASS(QVViewInviteController)
public:
    static platform::Ref<QVViewInviteController> viewInviteControllerWithInviteId(const std::string& inviteId);
    const std::string& resourceId() const { return resourceId_; }
    void setResourceId(const std::string& id) { resourceId_ = id; }

    std::string getTitle() override { return "Invitation"; }
    std::string getAction() override { return "client_webviews/invites/" + resourceId_; }
    std::map<std::string, WebAction> getDispatchDictionary() override;
    void _webActionIgnoreInvite(const std::vector<std::string>& parameters);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVViewInviteController() = default;

private:
    std::string resourceId_;
};

class QVInviteNotificationController : public platform::ui::ViewController {
    QV_DECLARE_CLASS(QVInviteNotificationController)
public:
    static platform::Ref<QVInviteNotificationController> showInviteNotification(const std::string& text, QVUser* user,
                                                                                const std::string& headerText);
    platform::ui::Label* headerText() { view(); return headerText_.get(); }
    platform::ui::Label* notificationText() { view(); return notificationText_.get(); }
    QVImageView* userIcon() { view(); return userIcon_.get(); }
    void dismiss();
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteNotificationController() = default;

private:
    platform::Ref<platform::ui::Label> headerText_, notificationText_;
    platform::Ref<QVImageView> userIcon_;
    platform::Ref<platform::ui::ImageView> bgImage_;
};

} // namespace quorvel
