// The invitation flow's screens, cells and the received-invitations list.
#include "social/dashboard/invites/QVInviteControllers.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/Quorvel.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardHost.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVStandardCells.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVSelectInviteTypeCell);
QV_REGISTER_CLASS(QVSelectInviteTypeHeaderController);
QV_REGISTER_CLASS(QVSelectInviteTypeController);
QV_REGISTER_CLASS(QVSelectFriendsToInviteController);
QV_REGISTER_CLASS(QVSelectContactsToInviteHeaderController);
QV_REGISTER_CLASS(QVSelectContactsToInviteController);
QV_REGISTER_CLASS(QVInviteFriendsHeaderController);
QV_REGISTER_CLASS(QVInviteFriendsController);
QV_REGISTER_CLASS(QVInviteCompleteController);
QV_REGISTER_CLASS(QVContactCell);
QV_REGISTER_CLASS(QVSelectableContactCell);
QV_REGISTER_CLASS(QVInviteCell);
QV_REGISTER_CLASS(QVInvitationsController);
QV_REGISTER_CLASS(QVViewInviteController);
QV_REGISTER_CLASS(QVInviteNotificationController);

namespace {

void alert(const std::string& title, const std::string& message)
{
    AlertView::alert(title, message, nullptr, "OK")->show();
}

// The invite icon and its stretchable frame, as the type header and completion screen show them.
void setUpInviteIcon(QVImageView* icon, ImageView* frame)
{
    if (auto art = QVLoadKitImage("QVInviteIconFrame.png"))
        frame->setImage(art->stretchableImage(21, 19).get());
    icon->setUnframed(true);
    if (auto image = QVLoadKitImage("QVDefaultInviteIcon.png"))
        icon->setDefaultImage(image->image());
    icon->setShouldScaleImageToFillRect(false);
}

// One untitled... or titled section holding the objects, as a list answer.
Ref<QVPaginatedSeries> sectionAnswer(const std::string& title, const QVObjects& objects)
{
    auto section = QVTableSectionDescription::sectionWithTitle(title, QVPaginatedSeries::paginatedSeriesFromArray(objects));
    return QVPaginatedSeries::paginatedSeriesFromArray({ Ref<Object>(section.get()) });
}

void titleFirstSection(QVTableControllerHelper& list, const std::string& title)
{
    if (list.sections() && !list.sections()->empty())
        (*list.sections())[0]->setTitle(title);
}

float maxY(const View* v) { return v->frame().origin.y + v->frame().size.height; }

} // namespace

// ---------------------------------------------------------------------------
// Invite type

bool QVSelectInviteTypeCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, 50));
    iconView_ = ImageView::imageViewWithFrame(Rect(8, 9, 32, 32));
    titleLabel_ = community::makeLabel(Rect(50, 4, width - 90, 24), 17, true);
    amountSelectedLabel_ = community::makeLabel(Rect(50, 28, width - 90, 18), 12, false);
    for (View* v : std::initializer_list<View*> { iconView_.get(), titleLabel_.get(), amountSelectedLabel_.get() })
        contentView()->addSubview(v);
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

void QVSelectInviteTypeCell::setAmountSelected(size_t count)
{
    amountSelectedLabel_->setText(std::to_string(count) + " Friends Selected");
}

void QVSelectInviteTypeHeaderController::loadView()
{
    float width = QVDashboardHost::current().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 90));
    root->setBackgroundColor(std::nullopt);
    inviteIconFrame_ = ImageView::imageViewWithFrame(Rect(10, 10, 64, 64));
    inviteIcon_ = QVImageView::imageViewWithFrame(Rect(14, 14, 56, 56));
    setUpInviteIcon(inviteIcon_.get(), inviteIconFrame_.get());
    enticeLabel_ = community::makeLabel(Rect(84, 10, width - 94, 60), 14, true);
    enticeLabel_->setNumberOfLines(0);
    for (View* v : std::initializer_list<View*> { inviteIconFrame_.get(), inviteIcon_.get(), enticeLabel_.get() })
        root->addSubview(v);
    setView(root.get());
}

void QVSelectInviteTypeHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(enticeLabel_.get()) + 10;
    view()->setFrame(frame);
}

Ref<QVSelectInviteTypeController> QVSelectInviteTypeController::inviteTypeControllerWithInviteIdentifier(
    const std::optional<std::string>& identifier)
{
    auto screen = platform::dynamicRef<QVSelectInviteTypeController>(QVControllerLoader::load("SelectInviteType"));
    if (screen && identifier && !identifier->empty())
        screen->inviteId_ = identifier;
    return screen;
}

bool QVSelectInviteTypeController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setInviteIdentifier" || setterName == "setInviteId") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        std::string id = boxed ? boxed->value().asString() : std::string();
        inviteId_ = id.empty() ? std::nullopt : std::optional<std::string>(id);
        return true;
    }
    return QVTableStaticControllerHelper::performSetter(setterName, value);
}

void QVSelectInviteTypeController::openAsModal()
{
    navigationItem()->setLeftBarButtonItem(
        BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Cancel, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectInviteTypeController, _cancelModal)))
            .get());
    Quorvel::presentRootControllerWithModal(QVFramedNavigationController::withRootViewController(this));
}

void QVSelectInviteTypeController::viewDidLoad()
{
    // Set here so that the screen is the same however it was loaded.
    setTitle("Invite");
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Invite", BarButtonItem::Style::Plain, this,
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectInviteTypeController, advance)))
            .get());
    QVTableStaticControllerHelper::viewDidLoad();
}

std::optional<QVTableControllerHelper::Sections> QVSelectInviteTypeController::buildTableSectionDescriptions()
{
    QVTableSectionDescription::Cells rows;
    auto createCell = [&](int kind, const std::string& title, const std::string& icon, std::function<void()> select) {
        auto cell = platform::dynamicRef<QVSelectInviteTypeCell>(QVControllerLoader::loadCell("SelectInviteType", this));
        if (!cell)
            return;
        cell->titleLabel()->setText(title);
        cell->iconView()->setImage(QVLoadKitImage(icon).get());
        cell->setAmountSelected(selected_[kind].size());
        cell->setCreateControllerSelector(std::move(select));
        cells_[kind] = cell;
        rows.emplace_back(cell.get());
    };
    createCell(kFriends, "Quorvel Friends", "QVSelectInviteTypeLeaf.png", [this] { inviteQuorvelFriends(); });
    createCell(kContacts, "Contacts", "QVSelectInviteTypePhone.png", [this] { inviteContacts(); });
    return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("Select Friends To Invite", std::move(rows)) };
}

void QVSelectInviteTypeController::onTableHeaderCreated(ViewController* header)
{
    mHeader = dynamic_cast<QVSelectInviteTypeHeaderController*>(header);
    if (mHeader)
        mHeader->enticeLabel()->setText("");
}

void QVSelectInviteTypeController::viewWillAppear(bool animated)
{
    QVTableStaticControllerHelper::viewWillAppear(animated);
    showLoadingScreen();
    QVDelegate success(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectInviteTypeController, didGetInviteDefinition)));
    QVDelegate failure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectInviteTypeController, didFailGetInviteDefinition)));
    if (inviteId_)
        QVInviteService::getInviteDefinition(*inviteId_, success, failure);
    else
        QVInviteService::getDefaultInviteDefinitionForApplication(success, failure);
}

void QVSelectInviteTypeController::didGetInviteDefinition(Object* answer)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    QVInviteDefinition* definition = nullptr;
    if (series)
        for (const auto& o : series->objects())
            if ((definition = dynamic_cast<QVInviteDefinition*>(o.get())))
                break;
    if (!definition) {
        didFailGetInviteDefinition(nullptr);
        return;
    }
    hideLoadingScreen();
    mDefinition = definition;
    if (mHeader) {
        if (!definition->inviteIconURL.empty())
            mHeader->inviteIcon()->setImageUrl(definition->inviteIconURL);
        mHeader->enticeLabel()->setText(definition->senderIncentiveText);
    }
}

void QVSelectInviteTypeController::didFailGetInviteDefinition(Object*) { hideLoadingScreen(); }

void QVSelectInviteTypeController::updateSelectedType(int kind, const QVObjects& chosen)
{
    int k = kind == kContacts ? 1 : 0;
    selected_[k] = chosen;
    if (cells_[k])
        cells_[k]->setAmountSelected(chosen.size());
}

void QVSelectInviteTypeController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (indexPath.section == 0 && indexPath.row >= 0 && indexPath.row < 2 && cells_[indexPath.row]) {
        if (auto select = cells_[indexPath.row]->createControllerSelector())
            select();
        table->deselectRowAtIndexPath(indexPath, true);
        return;
    }
    QVTableStaticControllerHelper::tableViewDidSelectRowAtIndexPath(table, indexPath);
}

void QVSelectInviteTypeController::inviteQuorvelFriends()
{
    if (auto chooser = QVSelectFriendsToInviteController::inviteController(this, selected_[0]); chooser && navigationController())
        navigationController()->pushViewController(chooser.get(), true);
}

void QVSelectInviteTypeController::inviteContacts()
{
    auto chooser = QVSelectContactsToInviteController::inviteController(this, addedContacts_, selected_[1]);
    if (chooser && navigationController())
        navigationController()->pushViewController(chooser.get(), true);
}

void QVSelectInviteTypeController::advance()
{
    if (selected_[0].empty() && selected_[1].empty()) {
        alert(kNothingChosenTitle, kNothingChosenMessage);
        return;
    }
    NavigationController* nav = navigationController();
    auto compose = platform::dynamicRef<QVInviteFriendsController>(QVControllerLoader::load("InviteFriends"));
    if (!compose || !nav)
        return;
    QVObjects recipients = selected_[0];
    recipients.insert(recipients.end(), selected_[1].begin(), selected_[1].end());
    compose->setSelectedUsers(recipients);
    compose->setDefinition(mDefinition.get());
    if (Ref<BarButtonItem> left(navigationItem()->leftBarButtonItem()); left) {
        compose->setCloseInvocation([left] { left->trigger(); });
    } else {
        const auto& stack = nav->viewControllers();
        auto here = std::find_if(stack.begin(), stack.end(), [this](const auto& c) { return c.get() == this; });
        platform::Weak<NavigationController> weakNav(nav);
        if (here != stack.end() && here != stack.begin()) {
            platform::Weak<ViewController> before((here - 1)->get());
            compose->setCloseInvocation([weakNav, before] {
                auto n = weakNav.lock();
                auto b = before.lock();
                if (n && b)
                    n->popToViewController(b.get(), true);
            });
        } else {
            compose->setCloseInvocation([weakNav] {
                if (auto n = weakNav.lock())
                    n->popToRootViewControllerAnimated(true);
            });
        }
    }
    nav->pushViewController(compose.get(), true);
}

// ---------------------------------------------------------------------------
// Friends chooser

QVSelectFriendsToInviteController::~QVSelectFriendsToInviteController()
{
    if (stallTimer_)
        stallTimer_->invalidate();
}

Ref<QVSelectFriendsToInviteController> QVSelectFriendsToInviteController::inviteController(
    QVSelectInviteTypeController* typeScreen, const QVObjects& alreadySelected)
{
    auto screen = platform::dynamicRef<QVSelectFriendsToInviteController>(QVControllerLoader::load("SelectFriendsToInvite"));
    if (!screen)
        return nullptr;
    screen->setTitle("Invite Friends");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Done", BarButtonItem::Style::Plain, screen.get(),
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectFriendsToInviteController, done)))
            .get());
    screen->navigationItem()->setHidesBackButton(true);
    screen->selectedUsers_ = alreadySelected;
    screen->inviteTypeController_ = typeScreen;
    return screen;
}

void QVSelectFriendsToInviteController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUser>("SelectableUser");
}

void QVSelectFriendsToInviteController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure)
{
    friendsDownloadOutstanding_ = true;
    QVFriendsService::getInvitableFriends(static_cast<int>(page), onSuccess, onFailure);
    stallNextRefresh_ = true;
}

void QVSelectFriendsToInviteController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVSelectFriendsToInviteController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    friendsDownloadOutstanding_ = false;
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    titleFirstSection(*this, "Friends To Invite");
}

Ref<ViewController> QVSelectFriendsToInviteController::getNoDataFoundViewController()
{
    Ref<ViewController> empty = QVControllerLoader::load("HeaderedFullscreenImportFriendsMessage", this);
    if (empty && followingAnyone_) {
        std::string message = "All of your friends have " + Quorvel::applicationDisplayName()
            + ". You can make more friends by importing them from Facebook or Twitter or find friends by their Quorvel name.";
        if (auto* keyed = dynamic_cast<QVKeyedSetters*>(empty.get()))
            keyed->performSetter("setMessage", platform::Boxed::box(platform::Value(message)).get());
    }
    return empty;
}

bool QVSelectFriendsToInviteController::isUserSelected(const QVUser* user) const
{
    if (!user)
        return false;
    return std::any_of(selectedUsers_.begin(), selectedUsers_.end(), [user](const Ref<Object>& o) {
        auto* chosen = dynamic_cast<QVUser*>(o.get());
        return chosen && chosen->userId() == user->userId();
    });
}

void QVSelectFriendsToInviteController::onCell(QVTableCellHelper* cell, Object* resource)
{
    // Rows shown later keep their check mark.
    if (auto* selectable = dynamic_cast<QVSelectableUserCell*>(cell))
        selectable->setChecked(isUserSelected(dynamic_cast<QVUser*>(resource)));
}

void QVSelectFriendsToInviteController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    if (user) {
        auto it = std::find_if(selectedUsers_.begin(), selectedUsers_.end(), [user](const Ref<Object>& o) {
            auto* chosen = dynamic_cast<QVUser*>(o.get());
            return chosen && chosen->userId() == user->userId();
        });
        if (it == selectedUsers_.end())
            selectedUsers_.emplace_back(user);
        else
            selectedUsers_.erase(it);
        if (auto* cell = dynamic_cast<QVSelectableUserCell*>(tableView()->cellForRowAtIndexPath(indexPath)))
            cell->setChecked(isUserSelected(user));
    }
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVSelectFriendsToInviteController::hideLoadingScreen()
{
    if (!friendsDownloadOutstanding_ && !anyFriendsDownloadOutstanding_)
        QVTableSequenceControllerHelper::hideLoadingScreen();
}

void QVSelectFriendsToInviteController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    showLoadingScreen();
}

void QVSelectFriendsToInviteController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    anyFriendsDownloadOutstanding_ = true;
    QVFriendsService::isLocalUserFollowingAnyone(
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectFriendsToInviteController, localUserFollowingAnyone))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectFriendsToInviteController, followingAnyoneFailed))));
}

void QVSelectFriendsToInviteController::viewWillDisappear(bool animated)
{
    friendsDownloadOutstanding_ = false;
    anyFriendsDownloadOutstanding_ = false;
    if (stallTimer_)
        stallTimer_->invalidate();
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
}

void QVSelectFriendsToInviteController::localUserFollowingAnyone(Object* answer)
{
    anyFriendsDownloadOutstanding_ = false;
    hideLoadingScreen();
    auto* boxed = dynamic_cast<platform::Boxed*>(answer);
    followingAnyone_ = boxed && boxed->value().asBool();
    _refreshData();
}

void QVSelectFriendsToInviteController::followingAnyoneFailed(Object*)
{
    anyFriendsDownloadOutstanding_ = false;
    hideLoadingScreen();
}

void QVSelectFriendsToInviteController::_refreshData()
{
    if (!stallNextRefresh_) {
        QVTableSequenceControllerHelper::_refreshData();
        return;
    }
    // Every reload after the first waits, so that a friend just invited elsewhere has left the list.
    showLoadingScreen();
    if (stallTimer_)
        stallTimer_->invalidate();
    platform::Weak<QVSelectFriendsToInviteController> weak(this);
    stallTimer_ = platform::RunLoop::main().performAfter(kStallSeconds, [weak] {
        if (auto self = weak.lock())
            self->QVTableSequenceControllerHelper::_refreshData();
    });
}

void QVSelectFriendsToInviteController::done()
{
    if (inviteTypeController_)
        inviteTypeController_->updateSelectedType(QVSelectInviteTypeController::kFriends, selectedUsers_);
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

void QVSelectFriendsToInviteController::cancel()
{
    if (ViewController* root = QVDashboardHost::current().getRootController())
        root->dismissModalViewControllerAnimated(true);
}

// ---------------------------------------------------------------------------
// Contacts chooser and its address-book header

QVSelectContactsToInviteHeaderController::~QVSelectContactsToInviteHeaderController()
{
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
}

void QVSelectContactsToInviteHeaderController::loadView()
{
    float width = QVDashboardHost::current().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 60));
    root->setBackgroundColor(std::nullopt);
    addContactButton_ = Button::buttonWithType(Button::Type::Custom);
    addContactButton_->setFrame(Rect(10, 10, width - 20, 40));
    addContactButton_->setBackgroundColor(Color::rgb(0.20f, 0.42f, 0.72f));
    addContactButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVSelectContactsToInviteHeaderController, addContact)),
                                 TouchUpInside);
    addContactIcon_ = ImageView::imageViewWithFrame(Rect(18, 14, 32, 32));
    addContactIcon_->setImage(QVLoadKitImage("QVSelectInviteTypePhone.png").get());
    addContactLabel_ = community::makeLabel(Rect(58, 10, width - 78, 40), 15, true);
    addContactLabel_->setText("Add Contacts From Address Book");
    addContactLabel_->setTextColor(Color::whiteColor());
    for (View* v : std::initializer_list<View*> { addContactButton_.get(), addContactIcon_.get(), addContactLabel_.get() })
        root->addSubview(v);
    setView(root.get());
}

void QVSelectContactsToInviteHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(addContactLabel_.get()) + 20;
    view()->setFrame(frame);
}

void QVSelectContactsToInviteHeaderController::addContact()
{
    picker_ = PeoplePickerNavigationController::picker();
    picker_->setPeoplePickerDelegate(this);
    picker_->setDisplayedProperties({ PersonProperty::Email, PersonProperty::Phone });
    // Large screens show the picker in a popover in the kit; here both present it over the root.
    if (ViewController* root = QVDashboardHost::current().getRootController())
        root->presentModalViewController(picker_.get(), true);
}

void QVSelectContactsToInviteHeaderController::_dismissPicker()
{
    if (picker_)
        picker_->setPeoplePickerDelegate(nullptr);
    if (ViewController* root = QVDashboardHost::current().getRootController())
        root->dismissModalViewControllerAnimated(true);
    picker_ = nullptr;
}

std::string QVSelectContactsToInviteHeaderController::displayName(const Person& person, const std::string& chosenValue)
{
    const std::string& first = person.firstName();
    const std::string& last = person.lastName();
    if (!first.empty() && !last.empty())
        return first + " " + last;
    if (!first.empty())
        return first;
    if (!last.empty())
        return last;
    return chosenValue;
}

bool QVSelectContactsToInviteHeaderController::peoplePickerShouldContinueAfterSelectingPersonProperty(
    PeoplePickerNavigationController*, Person* person, PersonProperty property, int identifier)
{
    Ref<Person> keep(person);
    Ref<QVSelectContactsToInviteHeaderController> self(this);
    _dismissPicker();
    if (!person)
        return false;
    const std::string value = person->value(property, identifier).value_or(std::string());
    std::optional<platform::Bytes> image;
    if (person->hasImageData())
        image = person->imageData();
    const std::string name = displayName(*person, value);
    if (contactInviteController_) {
        if (property == PersonProperty::Email)
            contactInviteController_->addPersonWithIdAndEmail(person->recordId(), name, image, value);
        else
            contactInviteController_->addPersonWithIdAndPhoneNumber(person->recordId(), name, image, value);
    }
    return false;
}

void QVSelectContactsToInviteHeaderController::peoplePickerDidCancel(PeoplePickerNavigationController*) { _dismissPicker(); }

Ref<QVSelectContactsToInviteController> QVSelectContactsToInviteController::inviteController(
    QVSelectInviteTypeController* typeScreen, const QVObjects& alreadyAdded, const QVObjects& alreadySelected)
{
    auto screen = platform::dynamicRef<QVSelectContactsToInviteController>(QVControllerLoader::load("SelectContactsToInvite"));
    if (!screen)
        return nullptr;
    screen->setTitle("Invite Contacts");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Done", BarButtonItem::Style::Plain, screen.get(),
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectContactsToInviteController, done)))
            .get());
    screen->navigationItem()->setHidesBackButton(true);
    screen->inviteTypeController_ = typeScreen;
    screen->addedContacts_ = alreadyAdded;
    screen->selectedContacts_ = alreadySelected;
    return screen;
}

void QVSelectContactsToInviteController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVDeviceContact>("SelectableContact");
}

void QVSelectContactsToInviteController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    // The contacts picked so far, as one page; nothing is requested.
    onSuccess.invoke(sectionAnswer("Contacts To Invite", addedContacts_).get());
}

void QVSelectContactsToInviteController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    titleFirstSection(*this, "Contacts To Invite");
}

void QVSelectContactsToInviteController::onTableHeaderCreated(ViewController* header)
{
    if (auto* h = dynamic_cast<QVSelectContactsToInviteHeaderController*>(header))
        h->setContactInviteController(this);
}

bool QVSelectContactsToInviteController::isContactSelected(const Object* contact) const
{
    return std::any_of(selectedContacts_.begin(), selectedContacts_.end(),
                       [contact](const Ref<Object>& o) { return o.get() == contact; });
}

void QVSelectContactsToInviteController::onCell(QVTableCellHelper* cell, Object* resource)
{
    if (auto* selectable = dynamic_cast<QVSelectableContactCell*>(cell))
        selectable->setChecked(isContactSelected(resource));
}

void QVSelectContactsToInviteController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    if (dynamic_cast<QVDeviceContact*>(resource)) {
        auto it = std::find_if(selectedContacts_.begin(), selectedContacts_.end(),
                               [resource](const Ref<Object>& o) { return o.get() == resource; });
        if (it == selectedContacts_.end())
            selectedContacts_.emplace_back(resource);
        else
            selectedContacts_.erase(it);
        if (auto* cell = dynamic_cast<QVSelectableContactCell*>(tableView()->cellForRowAtIndexPath(indexPath)))
            cell->setChecked(isContactSelected(resource));
    }
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVSelectContactsToInviteController::_addPerson(int recordId, const std::string& name,
                                                    const std::optional<platform::Bytes>& imageData,
                                                    const std::string& phone, const std::string& email)
{
    Ref<QVDeviceContact> contact;
    for (const auto& o : addedContacts_)
        if (auto* c = dynamic_cast<QVDeviceContact*>(o.get()); c && c->recordId() == recordId)
            contact = c;
    if (contact) {
        // The value chosen last wins; the other kind is emptied.
        contact->setNumber(phone);
        contact->setEmail(email);
    } else {
        contact = QVDeviceContact::create();
        contact->setRecordId(recordId);
        contact->setName(name);
        contact->setImageData(imageData);
        contact->setNumber(phone);
        contact->setEmail(email);
        addedContacts_.emplace_back(contact.get());
    }
    if (!isContactSelected(contact.get()))
        selectedContacts_.emplace_back(contact.get());
    reloadDataFromServer();
}

void QVSelectContactsToInviteController::addPersonWithIdAndPhoneNumber(int recordId, const std::string& name,
                                                                       const std::optional<platform::Bytes>& imageData,
                                                                       const std::string& phone)
{
    _addPerson(recordId, name, imageData, phone, "");
}

void QVSelectContactsToInviteController::addPersonWithIdAndEmail(int recordId, const std::string& name,
                                                                 const std::optional<platform::Bytes>& imageData,
                                                                 const std::string& email)
{
    _addPerson(recordId, name, imageData, "", email);
}

void QVSelectContactsToInviteController::done()
{
    if (inviteTypeController_) {
        inviteTypeController_->updateSelectedType(QVSelectInviteTypeController::kContacts, selectedContacts_);
        inviteTypeController_->setAddedContacts(addedContacts_);
    }
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

// ---------------------------------------------------------------------------
// Compose

void QVInviteFriendsHeaderController::loadView()
{
    float width = QVDashboardHost::current().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 130));
    root->setBackgroundColor(std::nullopt);
    titleLabel_ = community::makeLabel(Rect(10, 8, width - 20, 22), 15, true);
    inviteText_ = TextView::textViewWithFrame(Rect(10, 36, width - 20, 80));
    inviteText_->setFont(platform::Font::systemFont(11).get());
    inviteText_->setTextColor(Color::rgb(89 / 255.f, 89 / 255.f, 89 / 255.f));
    inviteText_->setDelegate(this);
    inviteTextHasDefaultText_ = true;
    root->addSubview(titleLabel_.get());
    root->addSubview(inviteText_.get());
    setView(root.get());
}

void QVInviteFriendsHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(inviteText_.get()) + 10;
    view()->setFrame(frame);
}

std::string QVInviteFriendsHeaderController::suggestedMessage() const
{
    QVInviteDefinition* definition = inviteFriendsController_ ? inviteFriendsController_->definition() : nullptr;
    return definition ? definition->suggestedSenderMessage : std::string();
}

void QVInviteFriendsHeaderController::textViewDidBeginEditing(TextView* textView)
{
    if (inviteTextHasDefaultText_)
        textView->setText("");
}

void QVInviteFriendsHeaderController::textViewDidEndEditing(TextView* textView)
{
    const std::string suggested = suggestedMessage();
    if (textView->text().empty() || textView->text() == suggested) {
        textView->setText(suggested);
        inviteTextHasDefaultText_ = true;
    } else {
        inviteTextHasDefaultText_ = false;
    }
}

void QVInviteFriendsController::viewDidLoad()
{
    sendButton_ = BarButtonItem::withTitle("Send", BarButtonItem::Style::Plain, this,
                                           BarButtonItem::PlainAction(BRISKO_SELECTOR(QVInviteFriendsController, inviteFriends)));
    navigationItem()->setRightBarButtonItem(sendButton_.get());
    setTitle("Compose Invite");
    QVTableSequenceControllerHelper::viewDidLoad();
}

void QVInviteFriendsController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUser>("User");
    map.addResource<QVDeviceContact>("Contact");
}

void QVInviteFriendsController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(sectionAnswer("Selected Friends", selectedUsers_).get());
}

void QVInviteFriendsController::onTableHeaderCreated(ViewController* header)
{
    header_ = dynamic_cast<QVInviteFriendsHeaderController*>(header);
    if (!header_)
        return;
    header_->setInviteFriendsController(this);
    header_->inviteText()->setText(definition_ ? definition_->suggestedSenderMessage : std::string());
    header_->titleLabel()->setText("Invite Friends to play " + Quorvel::applicationDisplayName());
}

std::string QVInviteFriendsController::getNoDataFoundMessage()
{
    return "All of your friends have " + Quorvel::applicationDisplayName() + ".  Make some more!";
}

Ref<ViewController> QVInviteFriendsController::getNoDataFoundViewController()
{
    return QVControllerLoader::load("FullscreenImportFriendsMessage", this);
}

void QVInviteFriendsController::onCellWasClicked(Object*, IndexPath indexPath)
{
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVInviteFriendsController::inviteFriends()
{
    if (selectedUsers_.empty()) {
        alert(QVSelectInviteTypeController::kNothingChosenTitle, QVSelectInviteTypeController::kNothingChosenMessage);
        return;
    }
    if (!QVReachability::isConnectedToInternet()) {
        alert("No internet connection", "You must have an internet connection to invite friends.");
        return;
    }
    if (!definition_) {
        // Nothing to send without the invitation; the player is told as for a failed send.
        inviteFailure(nullptr);
        return;
    }
    sendButton_->setEnabled(false);
    showLoadingScreen();
    const std::string message = header_ ? header_->inviteText()->text() : definition_->suggestedSenderMessage;
    QVInviteService::sendInvite(*definition_, message, selectedUsers_,
                                QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInviteFriendsController, inviteSuccess))),
                                QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInviteFriendsController, inviteFailure))));
}

void QVInviteFriendsController::inviteSuccess(Object*)
{
    hideLoadingScreen();
    auto complete = platform::dynamicRef<QVInviteCompleteController>(QVControllerLoader::load("InviteComplete"));
    if (!complete || !navigationController())
        return;
    complete->setInviteIconUrl(definition_ ? definition_->inviteIconURL : std::string());
    const bool one = selectedUsers_.size() == 1;
    complete->messageLabel()->setText(one ? "Your invitation was sent!" : "Your invitations were sent!");
    complete->messageTitleLabel()->setText(one ? "Invitation Sent" : "Invitations Sent");
    complete->setTitle("Sending Invite");
    complete->continueButton()->setTitleForAllStates("OK");
    complete->setContinueInvocation(closeInvocation_);
    navigationController()->pushViewController(complete.get(), true);
}

void QVInviteFriendsController::inviteFailure(Object*)
{
    sendButton_->setEnabled(true);
    alert("An error occurred", "Your invite was not submitted. Please try again.");
    hideLoadingScreen();
}

void QVInviteFriendsController::cancel()
{
    if (closeInvocation_)
        closeInvocation_();
}

void QVInviteCompleteController::loadView()
{
    QVShowMessageAndReturnController::loadView();
    inviteIconFrame_ = ImageView::imageViewWithFrame(Rect(10, 10, 64, 64));
    inviteIcon_ = QVImageView::imageViewWithFrame(Rect(14, 14, 56, 56));
    setUpInviteIcon(inviteIcon_.get(), inviteIconFrame_.get());
    view()->addSubview(inviteIconFrame_.get());
    view()->addSubview(inviteIcon_.get());
    if (!iconUrl_.empty())
        inviteIcon_->setImageUrl(iconUrl_);
}

void QVInviteCompleteController::setInviteIconUrl(const std::string& url)
{
    iconUrl_ = url;
    if (inviteIcon_ && !url.empty())
        inviteIcon_->setImageUrl(url);
}

// ---------------------------------------------------------------------------
// Contact and invite rows

bool QVContactCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, 50));
    profilePictureView_ = QVImageView::imageViewWithFrame(Rect(6, 5, 40, 40));
    nameLabel_ = community::makeLabel(Rect(54, 4, width - 110, 22), 16, true);
    numberOrEmail_ = community::makeLabel(Rect(74, 27, width - 130, 18), 12, false);
    phoneOrEmailIcon_ = ImageView::imageViewWithFrame(Rect(54, 28, 16, 16));
    for (View* v : std::initializer_list<View*> { profilePictureView_.get(), nameLabel_.get(), numberOrEmail_.get(),
                                                  phoneOrEmailIcon_.get() })
        contentView()->addSubview(v);
    return true;
}

void QVContactCell::onResourceChanged(Object* resource)
{
    auto* contact = dynamic_cast<QVDeviceContact*>(resource);
    if (!contact)
        return;
    nameLabel_->setText(contact->name());
    iconName_.clear();
    if (!contact->number().empty()) {
        numberOrEmail_->setText(contact->number());
        iconName_ = "QVSelectInviteContactPhoneSmall.png";
    } else if (!contact->email().empty()) {
        numberOrEmail_->setText(contact->email());
        iconName_ = "QVSelectInviteContactMailSmall.png";
    } else {
        numberOrEmail_->setText("");
    }
    phoneOrEmailIcon_->setImage(iconName_.empty() ? nullptr : QVLoadKitImage(iconName_).get());
    Ref<platform::Image> picture;
    if (contact->imageData())
        picture = platform::Image::imageWithData(contact->imageData()->data(), contact->imageData()->size());
    if (!picture)
        if (auto fallback = QVLoadKitImage("QVProfileIconDefault.png"))
            picture = fallback->image();
    profilePictureView_->setDefaultImage(picture.get());
}

bool QVSelectableContactCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVContactCell::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    checkbox_ = ImageView::imageViewWithFrame(Rect(width - 40, 13, 24, 24));
    contentView()->addSubview(checkbox_.get());
    setChecked(false);
    return true;
}

void QVSelectableContactCell::setChecked(bool checked)
{
    checked_ = checked;
    checkbox_->setImage(QVLoadKitImage(checked ? "QVCheckBoxSelected.png" : "QVCheckBox.png").get());
}

bool QVInviteCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = community::rowWidth();
    setFrame(Rect(0, 0, width, 66));
    inviteIcon_ = QVImageView::imageViewWithFrame(Rect(8, 8, 44, 44));
    gameTitle_ = community::makeLabel(Rect(60, 4, width - 90, 20), 15, true);
    invitedBy_ = community::makeLabel(Rect(60, 24, width - 90, 18), 12, false);
    userMessage_ = community::makeLabel(Rect(60, 42, width - 90, 18), 12, false);
    freshnessIndicator_ = View::viewWithFrame(Rect(width - 24, 26, 12, 12));
    freshnessIndicator_->setBackgroundColor(Color::rgb(0.2f, 0.5f, 0.95f));
    for (View* v : std::initializer_list<View*> { inviteIcon_.get(), gameTitle_.get(), invitedBy_.get(), userMessage_.get(),
                                                  freshnessIndicator_.get() })
        contentView()->addSubview(v);
    return true;
}

void QVInviteCell::onResourceChanged(Object* resource)
{
    auto* invite = dynamic_cast<QVInvite*>(resource);
    if (!invite)
        return;
    QVUser* sender = invite->senderUser();
    const std::string picture = sender ? sender->profilePictureUrl().value_or(std::string()) : std::string();
    inviteIcon_->setImageUrl(picture.empty() ? std::nullopt : std::optional<std::string>(picture));
    gameTitle_->setText(invite->clientApplicationName);
    invitedBy_->setText("Invited by " + (sender ? sender->name() : std::string()));
    userMessage_->setText(invite->userMessage);
    freshnessIndicator_->setHidden(invite->state != "unviewed");
}

// ---------------------------------------------------------------------------
// Received invitations

void QVInvitationsController::viewDidLoad()
{
    setTitle("Invitations");
    QVTableSequenceControllerHelper::viewDidLoad();
}

void QVInvitationsController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVInvite>("Invite"); }

void QVInvitationsController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                    const QVDelegate& onFailure)
{
    QVInviteService::getInvitesForUser(Quorvel::localUser().get(), page, onSuccess, onFailure);
}

void QVInvitationsController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVInvitationsController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    int unviewed = 0;
    size_t received = 0;
    auto count = [&](const QVPaginatedSeries* page) {
        if (!page)
            return;
        for (const auto& o : page->objects())
            if (auto* invite = dynamic_cast<QVInvite*>(o.get())) {
                ++received;
                unviewed += invite->state == "unviewed";
            }
    };
    if (series) {
        count(series);
        for (const auto& o : series->objects())
            if (auto* section = dynamic_cast<QVTableSectionDescription*>(o.get()))
                count(section->page());
    }
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    // The server marks what it sends as viewed; the count never goes below zero.
    Quorvel::setUnreadInviteCount(std::max(0, Quorvel::unreadInviteCount() - unviewed));
    if (received > 0 || (sections() && !sections()->empty()))
        _installEditButton();
}

void QVInvitationsController::_installEditButton()
{
    const bool editing = tableView() && tableView()->isEditing();
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withSystemItem(editing ? BarButtonItem::SystemItem::Done : BarButtonItem::SystemItem::Edit, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVInvitationsController, toggleEditing)))
            .get());
}

void QVInvitationsController::toggleEditing()
{
    setEditing(!(tableView() && tableView()->isEditing()), true);
    _installEditButton();
}

void QVInvitationsController::onResourceWasDeleted(Object* resource)
{
    if (auto* invite = dynamic_cast<QVInvite*>(resource))
        QVInviteService::ignoreInvite(invite->resourceId(), QVDelegate(), QVDelegate());
}

void QVInvitationsController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* invite = dynamic_cast<QVInvite*>(resource);
    if (!invite || !navigationController())
        return;
    if (auto page = QVViewInviteController::viewInviteControllerWithInviteId(invite->resourceId()))
        navigationController()->pushViewController(page.get(), true);
}

void QVInvitationsController::viewWillAppear(bool animated)
{
    if (reloadOnWillAppear_)
        reloadDataFromServer();
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

Ref<QVViewInviteController> QVViewInviteController::viewInviteControllerWithInviteId(const std::string& inviteId)
{
    auto page = platform::dynamicRef<QVViewInviteController>(QVControllerLoader::load("ViewInvite"));
    if (page)
        page->setResourceId(inviteId);
    return page;
}

std::map<std::string, QVWebViewController::WebAction> QVViewInviteController::getDispatchDictionary()
{
    auto actions = QVWebViewController::getDispatchDictionary();
    actions["ignoreInvite"] = static_cast<WebAction>(&QVViewInviteController::_webActionIgnoreInvite);
    return actions;
}

void QVViewInviteController::_webActionIgnoreInvite(const std::vector<std::string>&)
{
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    const auto& stack = nav->viewControllers();
    if (stack.size() >= 2)
        if (auto* list = dynamic_cast<QVInvitationsController*>(stack[stack.size() - 2].get()))
            list->notifyInviteIgnored(resourceId_);
    nav->popViewControllerAnimated(true);
}

// ---------------------------------------------------------------------------
// Invite notification overlay

Ref<QVInviteNotificationController> QVInviteNotificationController::showInviteNotification(const std::string& text,
                                                                                          QVUser* user,
                                                                                          const std::string& header)
{
    auto overlay = platform::dynamicRef<QVInviteNotificationController>(QVControllerLoader::load("InviteNotification"));
    if (!overlay)
        return nullptr;
    overlay->headerText()->setText(header);
    overlay->notificationText()->setText(text);
    const std::string picture = user ? user->profilePictureUrl().value_or(std::string()) : std::string();
    overlay->userIcon()->setImageUrl(picture.empty() ? std::nullopt : std::optional<std::string>(picture));
    Quorvel::presentModalOverlay(overlay);
    return overlay;
}

void QVInviteNotificationController::loadView()
{
    Ref<View> root = View::viewWithFrame(Rect(0, 0, 300, 120));
    bgImage_ = ImageView::imageViewWithFrame(root->bounds());
    if (auto art = QVLoadKitImage("QVInviteNotificationBackground.png"))
        bgImage_->setImage(art->stretchableImage(static_cast<int>(art->size().width / 2),
                                                 static_cast<int>(art->size().height / 2)).get());
    bgImage_->setContentMode(ContentMode::ScaleToFill);
    userIcon_ = QVImageView::imageViewWithFrame(Rect(10, 10, 48, 48));
    headerText_ = community::makeLabel(Rect(66, 10, 224, 22), 15, true);
    notificationText_ = community::makeLabel(Rect(66, 34, 224, 60), 13, false);
    notificationText_->setNumberOfLines(0);
    Ref<Button> close = Button::buttonWithType(Button::Type::Custom);
    close->setFrame(root->bounds());
    close->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVInviteNotificationController, dismiss)), TouchUpInside);
    for (View* v : std::initializer_list<View*> { bgImage_.get(), userIcon_.get(), headerText_.get(),
                                                  notificationText_.get(), close.get() })
        root->addSubview(v);
    setView(root.get());
}

void QVInviteNotificationController::dismiss() { Quorvel::dismissDashboard(); }

} // namespace quorvel

namespace quorvel {

void QVSelectInviteTypeController::_cancelModal() { Quorvel::dismissDashboard(); }

} // namespace quorvel
