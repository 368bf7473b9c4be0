// Chat: the room lists, the room screen with its message box, and the rows.
#include "social/dashboard/chat/QVChatControllers.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "social/core/Quorvel.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/runtime/QVImageCache.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVDashboardHost.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVViewHelper.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using namespace community;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVSelectChatRoomDefinitionController);
QV_REGISTER_CLASS(QVSelectChatRoomInstanceController);
QV_REGISTER_CLASS(QVChatRoomController);
QV_REGISTER_CLASS(QVChatRoomMessageBoxController);
QV_REGISTER_CLASS(QVChatRoomDefinitionCell);
QV_REGISTER_CLASS(QVChatRoomInstanceCell);
QV_REGISTER_CLASS(QVChatRoomChatMessageCell);

namespace {
bool boxedBool(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed && boxed->value().asBool();
}
} // namespace

// ---------------------------------------------------------------------------
// Room definitions

QVService* QVSelectChatRoomDefinitionController::getService() { return QVChatRoomDefinitionService::sharedService(); }

void QVSelectChatRoomDefinitionController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChatRoomDefinition>("ChatRoomDefinition");
    map.addResource<QVChatRoomInstance>("ChatRoomInstance");
}

void QVSelectChatRoomDefinitionController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVChatRoomDefinitionService::getPage(1, includeGlobalRooms, includeDeveloperRooms, includeApplicationRooms, true,
                                         onSuccess, onFailure);
}

bool QVSelectChatRoomDefinitionController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setIncludeGlobalRooms")
        includeGlobalRooms = boxedBool(value);
    else if (setterName == "setIncludeApplicationRooms")
        includeApplicationRooms = boxedBool(value);
    else if (setterName == "setIncludeDeveloperRooms")
        includeDeveloperRooms = boxedBool(value);
    else
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    return true;
}

void QVSelectChatRoomDefinitionController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    // The room joined last leads the list with its current occupancy.
    QVChatRoomInstance* last = QVChatRoomInstanceService::getCachedLastRoomJoined();
    if (!last || !mSections || mSections->empty())
        return;
    QVPaginatedSeries* first = (*mSections)[0]->page();
    if (first && first->count() == 1 && dynamic_cast<QVChatRoomInstance*>(first->objectAtIndex(0))) {
        first->objects()[0] = Ref<Object>(last);
    } else {
        auto section = QVTableSectionDescription::sectionWithTitle(kLastVisitedTitle,
                                                                   QVPaginatedSeries::paginatedSeriesWithObject(last));
        mSections->insert(mSections->begin(), section);
    }
    _reloadTableData();
}

void QVSelectChatRoomDefinitionController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* definition = dynamic_cast<QVChatRoomDefinition*>(resource)) {
        showLoadingScreen();
        QVChatRoomInstanceService::getPage(
            1, definition,
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onLoadedInstances))),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onFailedLoadingInstances))));
    } else if (auto* room = dynamic_cast<QVChatRoomInstance*>(resource)) {
        showLoadingScreen();
        attemptToJoinRoom(room);
    }
}

bool QVSelectChatRoomDefinitionController::hideLoadingScreenIfInHiddenTab()
{
    if (!isInHiddenTab())
        return false;
    hideLoadingScreen();
    return true;
}

void QVSelectChatRoomDefinitionController::onLoadedInstances(Object* answer)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    std::vector<Ref<QVChatRoomInstance>> rooms;
    if (series)
        for (const auto& o : series->objects())
            if (auto* room = dynamic_cast<QVChatRoomInstance*>(o.get()))
                rooms.emplace_back(room);
    if (rooms.empty()) {
        onFailedLoadingInstances(nullptr);
    } else if (rooms.size() == 1) {
        attemptToJoinRoom(rooms.front().get());
    } else {
        hideLoadingScreen();
        auto screen = dynamicRef<QVSelectChatRoomInstanceController>(QVControllerLoader::load("SelectChatRoomInstance"));
        if (screen && navigationController()) {
            screen->setPreLoadedChatRoomInstances(QVPaginatedSeries::paginatedSeriesFromSeries(*series));
            navigationController()->pushViewController(screen.get(), true);
        }
    }
}

void QVSelectChatRoomDefinitionController::onFailedLoadingInstances(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        pushDeadEnd(navigationController(), kLoadRoomsFailed);
}

void QVSelectChatRoomDefinitionController::attemptToJoinRoom(QVChatRoomInstance* room)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    QVChatRoomInstanceService::attemptToJoinRoom(
        room, false,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onJoinedRoom))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onFailedToJoinRoom))));
}

void QVSelectChatRoomDefinitionController::onJoinedRoom(Object*)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    hideLoadingScreen();
    QVSelectChatRoomInstanceController::pushChatRoom(QVChatRoomInstanceService::getCachedLastRoomJoined(),
                                                     navigationController());
}

void QVSelectChatRoomDefinitionController::onFailedToJoinRoom(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        QVSelectChatRoomInstanceController::pushRoomFullScreen(navigationController());
}

void QVSelectChatRoomDefinitionController::onClickedButton()
{
    if (QVChatRoomInstance* last = QVChatRoomInstanceService::getCachedLastRoomJoined()) {
        showLoadingScreen();
        attemptToJoinRoom(last);
    }
}

// ---------------------------------------------------------------------------
// Room instances

void QVSelectChatRoomInstanceController::pushChatRoom(QVChatRoomInstance* room, NavigationController* nav)
{
    if (!nav || !room)
        return;
    auto screen = dynamicRef<QVChatRoomController>(QVControllerLoader::load("ChatRoom"));
    if (!screen)
        return;
    screen->setRoomInstance(room);
    nav->pushViewController(screen.get(), true);
}

void QVSelectChatRoomInstanceController::pushRoomFullScreen(NavigationController* nav)
{
    pushDeadEnd(nav, kRoomFullMessage);
}

QVService* QVSelectChatRoomInstanceController::getService() { return QVChatRoomInstanceService::sharedService(); }

void QVSelectChatRoomInstanceController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChatRoomInstance>("ChatRoomInstance");
}

void QVSelectChatRoomInstanceController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(preLoaded_.get());
}

void QVSelectChatRoomInstanceController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* room = dynamic_cast<QVChatRoomInstance*>(resource);
    if (!room)
        return;
    showLoadingScreen();
    QVChatRoomInstanceService::attemptToJoinRoom(
        room, false,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomInstanceController, onJoinedRoom))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomInstanceController, onFailedToJoinRoom))));
}

void QVSelectChatRoomInstanceController::onJoinedRoom(Object*)
{
    hideLoadingScreen();
    if (!isInHiddenTab())
        pushChatRoom(QVChatRoomInstanceService::getCachedLastRoomJoined(), navigationController());
}

void QVSelectChatRoomInstanceController::onFailedToJoinRoom(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        pushRoomFullScreen(navigationController());
}

// ---------------------------------------------------------------------------
// Room

QVChatRoomController::~QVChatRoomController() { stopObservingKeyboard(); }

QVService* QVChatRoomController::getService() { return QVChatMessageService::sharedService(); }

void QVChatRoomController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChatMessage>("ChatRoomChatMessage");
}

void QVChatRoomController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    // The messages come only from the poller's notification.
    onSuccess.invoke(nullptr);
}

std::string QVChatRoomController::getNotificationToRefreshAfter()
{
    return QVChatMessage::getResourceDiscoveredNotification();
}

void QVChatRoomController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    mChatRoomMessageBoxController = dynamicRef<QVChatRoomMessageBoxController>(QVControllerLoader::load("ChatRoomMessageBox"));
    if (mChatRoomMessageBoxController)
        mChatRoomMessageBoxController->view();
}

void QVChatRoomController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (roomInstance_)
        setTitle(roomInstance_->roomName());
    if (!observingKeyboard_) {
        observingKeyboard_ = true;
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(this, kKeyboardWillShowNotification,
                           [this](const platform::Notification& n) { _KeyboardWillShow(n.userInfo); });
        center.addObserver(this, kKeyboardWillHideNotification,
                           [this](const platform::Notification& n) { _KeyboardWillHide(n.userInfo); });
    }
    if (mChatRoomMessageBoxController)
        mChatRoomMessageBoxController->viewWillAppear(animated);
}

void QVChatRoomController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    if (!mHasAppearedBefore) {
        if (auto& set = QVCommunityPolling::shared().setChatFrequency)
            set();
    } else {
        rejoinRoom();
    }
    mHasAppearedBefore = true;
    if (mChatRoomMessageBoxController)
        mChatRoomMessageBoxController->viewDidAppear(animated);
}

void QVChatRoomController::setTopBarsVisible(bool visible)
{
    NavigationController* nav = navigationController();
    if (!nav || nav->isNavigationBarHidden() == !visible)
        return;
    nav->setNavigationBarHidden(!visible, true);
    NavigationBar* bar = nav->navigationBar();
    Rect f = bar->frame();
    f.size.width = view()->frame().size.width;
    bar->setFrame(f);
}

void QVChatRoomController::viewWillDisappear(bool animated)
{
    if (QVDashboardHost::current().isInLandscapeMode())
        setTopBarsVisible(true);
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
    if (mChatRoomMessageBoxController)
        mChatRoomMessageBoxController->viewWillDisappear(animated);
    // Back to the default interval rather than no polling at all: the
    // dashboard's counts and notices depend on the poller.
    if (auto& restore = QVCommunityPolling::shared().restoreDefaultFrequency)
        restore();
    stopObservingKeyboard();
    mIsKeyboardShown = false;
}

void QVChatRoomController::viewDidDisappear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidDisappear(animated);
    if (mChatRoomMessageBoxController)
        mChatRoomMessageBoxController->viewDidDisappear(animated);
}

void QVChatRoomController::stopObservingKeyboard()
{
    if (!observingKeyboard_)
        return;
    observingKeyboard_ = false;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, kKeyboardWillShowNotification);
    center.removeObserver(this, kKeyboardWillHideNotification);
}

void QVChatRoomController::rejoinRoom()
{
    QVChatRoomInstanceService::attemptToJoinRoom(
        roomInstance_.get(), true,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVChatRoomController, onRejoinedRoom))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVChatRoomController, onFailedToRejoinRoom))));
}

void QVChatRoomController::onRejoinedRoom(Object*)
{
    if (auto& set = QVCommunityPolling::shared().setChatFrequency)
        set();
}

void QVChatRoomController::onFailedToRejoinRoom(Object*)
{
    Ref<QVChatRoomController> keep(this);
    NavigationController* nav = navigationController();
    if (isShowingErrorScreen(nav))
        return;
    if (nav && dynamic_cast<QVChatRoomController*>(nav->visibleViewController()))
        nav->popViewControllerAnimated(true);
    showAlert(kRoomFullTitle, kRoomFullMessage, "OK");
}

void QVChatRoomController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    QVTableSequenceControllerHelper::onResourcesDownloaded(series);
    if (Quorvel::isLargeScreen() || mDidScrollToBottom || !tableView())
        return;
    int rows = tableView()->numberOfRowsInSection(0);
    if (tableView()->numberOfSections() > 0 && rows > 0) {
        mDidScrollToBottom = true;
        tableView()->scrollToRowAtIndexPath(IndexPath::forRow(rows - 1, 0), TableViewScrollPosition::Bottom, true);
    }
}

View* QVChatRoomController::getBottomView()
{
    if (bottomContainer_)
        return bottomContainer_.get();
    if (!mChatRoomMessageBoxController)
        return nullptr;
    View* box = mChatRoomMessageBoxController->view();
    Rect frame(0, 0, box->frame().size.width, box->frame().size.height);
    if (Quorvel::isLargeScreen()) {
        auto image = ImageView::imageViewWithFrame(frame);
        image->setImage(QVLoadKitImage("QVCustomBottomViewBackgroundIPad.png").get());
        image->setBackgroundColor(std::nullopt);
        image->setClipsToBounds(true);
        image->setUserInteractionEnabled(true);
        bottomContainer_ = image;
    } else {
        bottomContainer_ = View::viewWithFrame(frame);
    }
    box->setFrame(frame);
    bottomContainer_->addSubview(box);
    return bottomContainer_.get();
}

void QVChatRoomController::_KeyboardWillShow(const platform::Value& userInfo)
{
    if (mIsKeyboardShown || !tableView())
        return;
    mIsKeyboardShown = true;
    TableView* table = tableView();
    platform::Point offset = table->contentOffset();
    if (Quorvel::isLargeScreen()) {
        offset.y += _keyboardAdjustment();
        table->setContentOffset(offset, true);
        return;
    }
    float height = QVgetKeyboardSize(userInfo).height;
    if (QVDashboardHost::current().isInLandscapeMode())
        setTopBarsVisible(false);
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->adjustForKeyboard(true, height);
    float limit = table->contentSize().height - table->frame().size.height;
    offset.y = std::min(offset.y + height, std::max(limit, 0.0f));
    table->setContentOffset(offset, false);
}

void QVChatRoomController::_KeyboardWillHide(const platform::Value& userInfo)
{
    if (!mIsKeyboardShown)
        return;
    mIsKeyboardShown = false;
    if (Quorvel::isLargeScreen() || !tableView())
        return;
    float height = QVgetKeyboardSize(userInfo).height;
    float barHeight = 0;
    if (QVDashboardHost::current().isInLandscapeMode()) {
        setTopBarsVisible(true);
        if (navigationController())
            barHeight = navigationController()->navigationBar()->frame().size.height;
    }
    platform::Point offset = tableView()->contentOffset();
    offset.y = std::max(offset.y - height + barHeight, 0.0f);
    tableView()->setContentOffset(offset, true);
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->adjustForKeyboard(false, height);
}

// ---------------------------------------------------------------------------
// Message box

QVChatRoomMessageBoxController::~QVChatRoomMessageBoxController()
{
    // A box released while shown must not be told about the keyboard any more.
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

std::string QVChatRoomMessageBoxController::singularResourceName() { return QVChatMessage::getResourceName(); }

void QVChatRoomMessageBoxController::loadView()
{
    float width = Quorvel::getDashboardBounds().size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, kHeight));
    root->setBackgroundColor(Color::rgb(0.91f, 0.91f, 0.91f));
    backgroundView_ = ImageView::imageViewWithFrame(root->bounds());
    backgroundView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->addSubview(backgroundView_.get());
    textEntryField_ = TextField::textFieldWithFrame(Rect(6, 6, width - 52, 33));
    textEntryField_->setTag(1);
    textEntryField_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    textEntryField_->setPlaceholder("Say something");
    root->addSubview(textEntryField_.get());
    hideKeyboardButton_ = Button::buttonWithType(Button::Type::Custom);
    hideKeyboardButton_->setFrame(Rect(width - 40, 6, 34, 31));
    hideKeyboardButton_->setImage(QVLoadKitImage("QVKeyboardUp.png").get(), StateNormal);
    hideKeyboardButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVChatRoomMessageBoxController, toggleKeyboardNow)),
                                   TouchUpInside);
    root->addSubview(hideKeyboardButton_.get());
    setView(root.get());
}

void QVChatRoomMessageBoxController::viewDidLoad()
{
    QVFormControllerHelper::viewDidLoad();
    view()->setFrame(Rect(0, 0, Quorvel::getDashboardBounds().size.width, kHeight));
    Rect f = textEntryField_->frame();
    f.origin.y -= 2;
    f.size.height = 35;
    textEntryField_->setFrame(f);
    view()->setBackgroundColor(std::nullopt);
    keyboardUp_ = false;
}

void QVChatRoomMessageBoxController::viewWillAppear(bool animated)
{
    QVCommunityMessageBoxController::viewWillAppear(animated);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, kKeyboardWillShowNotification, [this](const platform::Notification&) { keyboardShown(true); });
    center.addObserver(this, kKeyboardWillHideNotification, [this](const platform::Notification&) { keyboardShown(false); });
}

void QVChatRoomMessageBoxController::viewWillDisappear(bool animated)
{
    QVCommunityMessageBoxController::viewWillDisappear(animated);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, kKeyboardWillShowNotification);
    center.removeObserver(this, kKeyboardWillHideNotification);
}

void QVChatRoomMessageBoxController::keyboardShown(bool shown)
{
    if (shown == keyboardUp_)
        return;
    keyboardUp_ = shown;
    hideKeyboardButton_->setImage(QVLoadKitImage(shown ? "QVKeyboardDown.png" : "QVKeyboardUp.png").get(), StateNormal);
    Rect f = hideKeyboardButton_->frame();
    f.origin.y += shown ? 3 : -3;
    hideKeyboardButton_->setFrame(f);
}

void QVChatRoomMessageBoxController::toggleKeyboardNow()
{
    if (keyboardUp_)
        textEntryField_->resignFirstResponder();
    else
        textEntryField_->becomeFirstResponder();
}

// ---------------------------------------------------------------------------
// Rows

Ref<ImageAsset> QVChatRoomDefinitionCell::getChatIconForChatType(const std::string&, bool full)
{
    return QVLoadKitImage(std::string("QVIconChat") + (full ? "Full" : "") + ".png");
}

bool QVChatRoomDefinitionCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    auto icon = ImageView::imageViewWithFrame(Rect(8, 6, 32, 32));
    icon->setTag(5);
    auto label = makeLabel(Rect(48, 0, width - 80, 44), 17, true);
    label->setTag(1);
    contentView()->addSubview(icon.get());
    contentView()->addSubview(label.get());
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVChatRoomDefinitionCell::onResourceChanged(Object* resource)
{
    auto* definition = dynamic_cast<QVChatRoomDefinition*>(resource);
    if (!definition)
        return;
    if (auto* label = dynamic_cast<Label*>(contentView()->viewWithTag(1)))
        label->setText(definition->roomName());
    if (auto* icon = dynamic_cast<ImageView*>(contentView()->viewWithTag(5)))
        icon->setImage(getChatIconForChatType(definition->roomType(), false).get());
}

bool QVChatRoomInstanceCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    auto icon = ImageView::imageViewWithFrame(Rect(8, 6, 32, 32));
    icon->setTag(4);
    auto label = makeLabel(Rect(48, 0, width - 140, 44), 17, true);
    label->setTag(1);
    auto occupancy = makeLabel(Rect(width - 90, 0, 60, 44), 14, false);
    occupancy->setTag(2);
    occupancy->setTextAlignment(platform::TextAlignment::Right);
    addSubviews(contentView(), { icon.get(), label.get(), occupancy.get() });
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVChatRoomInstanceCell::onResourceChanged(Object* resource)
{
    auto* room = dynamic_cast<QVChatRoomInstance*>(resource);
    if (!room)
        return;
    bool full = room->numUsersInRoom() == room->maxNumUsersInRoom();
    if (auto* label = dynamic_cast<Label*>(contentView()->viewWithTag(1)))
        label->setText(room->roomName());
    if (auto* occupancy = dynamic_cast<Label*>(contentView()->viewWithTag(2))) {
        char text[32];
        std::snprintf(text, sizeof text, "%d/%d", room->numUsersInRoom(), room->maxNumUsersInRoom());
        occupancy->setText(text);
        occupancy->setTextColor(full ? Color::rgb(1, 0, 0) : Color::rgb(0.278f, 0.278f, 0.278f));
    }
    if (auto* icon = dynamic_cast<ImageView*>(contentView()->viewWithTag(4)))
        icon->setImage(QVChatRoomDefinitionCell::getChatIconForChatType(room->roomType(), full).get());
}

bool QVChatRoomChatMessageCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    setSelectionStyle(CellSelectionStyle::None);
    profilePictureView_ = QVImageView::imageViewWithFrame(Rect(5, 5, 44, 44));
    gamePictureView_ = QVImageView::imageViewWithFrame(Rect(width - 54, 5, 24, 24));
    gamePictureView_->setAutoresizingMask(FlexibleLeftMargin);
    playerNameLabel_ = makeLabel(Rect(56, 4, 100, 18), 13, true);
    playerNameLabel_->setTextColor(Color::rgb(0.1f, 0.3f, 0.65f));
    gameNameLabel_ = makeLabel(Rect(156, 4, 100, 18), 13, false);
    gameNameLabel_->setTextColor(Color::rgb(0.3f, 0.3f, 0.3f));
    chatMessageLabel_ = makeLabel(Rect(56, 22, width - 92, 18), 14, false);
    chatMessageLabel_->setNumberOfLines(0);
    chatMessageLabel_->setTextColor(Color::rgb(0.1f, 0.1f, 0.12f));
    playerNameButton_ = Button::buttonWithType(Button::Type::Custom);
    playerNameButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVChatRoomChatMessageCell, onClickedQuorvelName)),
                                 TouchUpInside);
    gameNameButton_ = Button::buttonWithType(Button::Type::Custom);
    gameNameButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVChatRoomChatMessageCell, onClickedGameName)),
                               TouchUpInside);
    addSubviews(contentView(), { profilePictureView_.get(), gamePictureView_.get(), playerNameLabel_.get(),
                                 gameNameLabel_.get(), chatMessageLabel_.get(), playerNameButton_.get(),
                                 gameNameButton_.get() });
    return true;
}

void QVChatRoomChatMessageCell::onResourceChanged(Object* resource)
{
    auto* message = dynamic_cast<QVChatMessage*>(resource);
    if (!message)
        return;
    QVUser* user = message->user();
    profilePictureView_->useProfilePictureFromUser(user);
    gamePictureView_->setDefaultImage(QVImageLoader::loadImage("QVDefaultApplicationIcon.png").get());
    gamePictureView_->setImageUrl(message->playerCurrentGameIconUrl().empty()
                                      ? std::nullopt
                                      : std::optional<std::string>(message->playerCurrentGameIconUrl()));
    std::string name = user ? user->name() : std::string();
    std::string game = user ? user->lastPlayedGameName() : std::string();
    playerNameLabel_->setText(game.empty() ? name : name + " | ");
    gameNameLabel_->setText(game);
    chatMessageLabel_->setText(message->message());

    Rect nameFrame = playerNameLabel_->frame();
    nameFrame.size.width = textSize(playerNameLabel_.get(), playerNameLabel_->text()).width;
    playerNameLabel_->setFrame(nameFrame);
    Rect gameFrame = gameNameLabel_->frame();
    gameFrame.origin.x = maxX(playerNameLabel_.get());
    gameFrame.size.width = std::max(chatMessageLabel_->frame().size.width - nameFrame.size.width, 0.0f);
    gameNameLabel_->setFrame(gameFrame);
    playerNameButton_->setFrame(nameFrame);
    gameNameButton_->setFrame(gameFrame);
    fitLabelHeight(chatMessageLabel_.get());

    Rect f = frame();
    f.size.height = std::max(maxY(chatMessageLabel_.get()) + 5, kMinHeight);
    setFrame(f);
}

bool QVChatRoomChatMessageCell::shouldGameNameLink(const QVChatMessage* message)
{
    QVUser* user = message ? message->user() : nullptr;
    if (!user)
        return false;
    const std::string& game = user->lastPlayedGameId();
    if (game.empty() || game == "null")
        return false;
    if (message->doesLocalPlayerOwnGame())
        return true;
    return !message->playerCurrentGameIconUrl().empty();
}

void QVChatRoomChatMessageCell::onClickedGameName()
{
    auto* message = dynamic_cast<QVChatMessage*>(resource());
    if (!shouldGameNameLink(message))
        return;
    QVUser* user = message->user();
    if (message->doesLocalPlayerOwnGame() && user)
        QVGameProfileController::showGameProfileWithClientApplicationId(user->lastPlayedGameId(), user);
    else if (!message->playerCurrentGameIconUrl().empty() && owningTable() && owningTable()->navigationController()) {
        // The game's description page, when the dashboard has one.
        if (auto screen = QVControllerLoader::load("ApplicationDescription")) {
            if (auto* keyed = dynamic_cast<QVKeyedSetters*>(screen.get())) {
                keyed->performSetter("setApplicationId", platform::Boxed::box(platform::Value(user->lastPlayedGameId())).get());
                keyed->performSetter("setAppBannerPlacement", platform::Boxed::box(platform::Value(std::string("chatRoomChatMessageCell"))).get());
            }
            owningTable()->navigationController()->pushViewController(screen.get(), true);
        }
    }
}

void QVChatRoomChatMessageCell::onClickedQuorvelName()
{
    auto* message = dynamic_cast<QVChatMessage*>(resource());
    if (message && message->user() && !message->user()->resourceId().empty())
        QVDashboardSwitch::showProfileForUser(message->user());
}

} // namespace quorvel
