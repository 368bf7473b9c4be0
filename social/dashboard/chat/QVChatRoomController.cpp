// A chat room: its messages, newest at the bottom, and the box to write in.
// The room asks the server for nothing itself: while it shows, the client's
// activity poller runs at the chat interval and every chat message it
// discovers is added at the bottom. Leaving the room puts the poller back on
// its default interval (so the dashboard's counts keep updating); coming back
// rejoins the room first.
#include "social/dashboard/chat/QVChatRoomController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Keyboard.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/chat/QVChatRoomMessageBoxController.h"
#include "social/dashboard/common/QVCommunityPolling.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChatRoomController);
QV_REGISTER_CLASS(QVChatRoomChatMessageCell);

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
    Ref<ViewController> loaded = QVControllerLoader::load("ChatRoomMessageBox");
    chatRoomMessageBoxController_ = Ref<QVChatRoomMessageBoxController>(
        loaded ? requireCast<QVChatRoomMessageBoxController>(loaded, "The chat room's message box must send the room's messages") : nullptr);
    if (chatRoomMessageBoxController_)
        chatRoomMessageBoxController_->view();
}

void QVChatRoomController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (roomInstance_)
        setTitle(roomInstance_->roomName());
    startObservingKeyboard();
    if (chatRoomMessageBoxController_)
        chatRoomMessageBoxController_->viewWillAppear(animated);
}

void QVChatRoomController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    if (!hasAppearedBefore_) {
        if (auto& set = QVCommunityPolling::shared().setChatFrequency)
            set();
    } else {
        rejoinRoom();
    }
    hasAppearedBefore_ = true;
    if (chatRoomMessageBoxController_)
        chatRoomMessageBoxController_->viewDidAppear(animated);
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
    if (QuorvelInternal::dashboardRole().isInLandscapeMode())
        setTopBarsVisible(true);
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
    if (chatRoomMessageBoxController_)
        chatRoomMessageBoxController_->viewWillDisappear(animated);
    // Back to the default interval rather than no polling at all: the
    // dashboard's counts and notices depend on the poller.
    if (auto& restore = QVCommunityPolling::shared().restoreDefaultFrequency)
        restore();
    stopObservingKeyboard();
}

void QVChatRoomController::viewDidDisappear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidDisappear(animated);
    if (chatRoomMessageBoxController_)
        chatRoomMessageBoxController_->viewDidDisappear(animated);
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
    if (QuorvelInternal::dashboardRole().isLargeScreen() || didScrollToBottom_ || !tableView())
        return;
    int rows = tableView()->numberOfRowsInSection(0);
    if (tableView()->numberOfSections() > 0 && rows > 0) {
        didScrollToBottom_ = true;
        tableView()->scrollToRowAtIndexPath(IndexPath::forRow(rows - 1, 0), TableViewScrollPosition::Bottom, true);
    }
}

View* QVChatRoomController::getBottomView()
{
    if (bottomContainer_)
        return bottomContainer_.get();
    if (!chatRoomMessageBoxController_)
        return nullptr;
    View* box = chatRoomMessageBoxController_->view();
    Rect frame(0, 0, box->frame().size.width, box->frame().size.height);
    if (QuorvelInternal::dashboardRole().isLargeScreen()) {
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

void QVChatRoomController::keyboardWillShow(const platform::Value& userInfo)
{
    if (!tableView())
        return;
    TableView* table = tableView();
    platform::Point offset = table->contentOffset();
    if (QuorvelInternal::dashboardRole().isLargeScreen()) {
        offset.y += _keyboardAdjustment();
        table->setContentOffset(offset, true);
        return;
    }
    float height = QVgetKeyboardSize(userInfo).height;
    if (QuorvelInternal::dashboardRole().isInLandscapeMode())
        setTopBarsVisible(false);
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->adjustForKeyboard(true, height);
    float limit = table->contentSize().height - table->frame().size.height;
    offset.y = std::min(offset.y + height, std::max(limit, 0.0f));
    table->setContentOffset(offset, false);
}

void QVChatRoomController::keyboardWillHide(const platform::Value& userInfo)
{
    if (QuorvelInternal::dashboardRole().isLargeScreen() || !tableView())
        return;
    float height = QVgetKeyboardSize(userInfo).height;
    float barHeight = 0;
    if (QuorvelInternal::dashboardRole().isInLandscapeMode()) {
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

bool QVChatRoomChatMessageCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    setSelectionStyle(CellSelectionStyle::None);
    // The picture's frame clear of the list's edge and of the next message's; the texts start clear
    // of it and leave the right for the sender's game's icon, on the name's line.
    const Rect picture = layout::pictureInRow(40, kMinHeight);
    const float text = layout::besidePicture(picture);
    profilePictureView_ = QVImageView::imageViewWithFrame(picture);
    gamePictureView_ = QVImageView::imageViewWithFrame(Rect(width - kGameIconSide - 10, 4, kGameIconSide, kGameIconSide));
    gamePictureView_->setAutoresizingMask(FlexibleLeftMargin);
    gamePictureView_->setUnframed(true);
    gamePictureView_->setShouldScaleImageToFillRect(true); // a game's icon comes larger than this
    playerNameLabel_ = makeLabel(Rect(text, picture.minY() - 2, 100, 18), 13, true);
    playerNameLabel_->setTextColor(Color::rgb(0.1f, 0.3f, 0.65f));
    gameNameLabel_ = makeLabel(Rect(text + 100, picture.minY() - 2, 100, 18), 13, false);
    gameNameLabel_->setTextColor(Color::rgb(0.3f, 0.3f, 0.3f));
    chatMessageLabel_ = makeLabel(Rect(text, picture.minY() + 16, width - kGameIconSide - 16 - text, 18), 14, false);
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

void QVChatRoomChatMessageCell::showResource(QVChatMessage* message)
{
    QVUser* user = message->user();
    profilePictureView_->useProfilePictureFromUser(user);
    std::string name = user ? user->name() : std::string();
    std::string game = user ? user->lastPlayedGameName() : std::string();
    // A sender playing no game named has no game to show: no blank square beside the message.
    gamePictureView_->setHidden(game.empty() && message->playerCurrentGameIconUrl().empty());
    gamePictureView_->setDefaultImage(QVImageLoader::loadImage("QVDefaultApplicationIcon.png").get());
    gamePictureView_->setImageUrl(message->playerCurrentGameIconUrl().empty()
                                      ? std::nullopt
                                      : std::optional<std::string>(message->playerCurrentGameIconUrl()));
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

    setHeightForContent(std::max(maxY(chatMessageLabel_.get()) + 5, kMinHeight));
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
        QVDashboardSwitch::showGameProfile(user->lastPlayedGameId(), user);
    else if (!message->playerCurrentGameIconUrl().empty() && owningTable() && owningTable()->navigationController()) {
        // The game's description page, when the dashboard has one.
        if (auto screen = QVFeatureScreens::applicationDescription(user ? user->lastPlayedGameId() : std::string(),
                                                                   "chatRoomChatMessageCell"))
            owningTable()->navigationController()->pushViewController(screen.get(), true);
    }
}

void QVChatRoomChatMessageCell::onClickedQuorvelName()
{
    auto* message = dynamic_cast<QVChatMessage*>(resource());
    if (message && message->user() && !message->user()->resourceId().empty())
        QVDashboardSwitch::showProfileForUser(message->user());
}

} // namespace quorvel
