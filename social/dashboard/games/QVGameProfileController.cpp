// The game's page: its profile download, the button layout by offer,
// orientation and offline state, the counts on its buttons and tab, and the
// screens its buttons open.
#include "social/dashboard/games/QVGameProfileController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using platform::Size;

QV_REGISTER_CLASS(QVGameProfileController);

namespace {

bool forumWarningShown = false;

bool isOnline() { return QVSessionRole::current().isOnline(); }

Ref<platform::Boxed> boxedBool(bool value) { return platform::Boxed::box(platform::Value(value)); }
Ref<platform::Boxed> boxedText(const std::string& value) { return platform::Boxed::box(platform::Value(value)); }

// A controller of another area that is prepared by its keyed setters.
void sendSetter(ViewController* controller, const char* setter, Object* value)
{
    if (auto* keyed = dynamic_cast<QVKeyedSetters*>(controller))
        keyed->performSetter(setter, value);
}

} // namespace

void QVGameProfileController::resetForumWarning() { forumWarningShown = false; }

QVGameProfileController::~QVGameProfileController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

Ref<QVGameProfileController> QVGameProfileController::showGameProfileWithClientApplicationId(
    const std::string& clientApplicationId, Object* compareToUser)
{
    bool large = QVDashboardRole::current().isLargeScreen();
    Ref<ViewController> loaded = QVControllerLoader::load(large ? "GameProfileWithNavBar" : "GameProfile");
    Ref<QVGameProfileController> page(dynamic_cast<QVGameProfileController*>(loaded.get()));
    if (!page)
        return nullptr;
    page->setClientApplicationId(clientApplicationId);
    page->view();
    if (large && page->buttonPanel_)
        page->buttonPanel_->setWithNavBar(true);
    NavigationController* nav = QVDashboardSwitch::activeNavigationController();
    if (!nav)
        return page;
    auto* user = dynamic_cast<QVUser*>(compareToUser);
    if (user && !user->isLocalUser() && QVDashboardSwitch::pushComparedTo(nav, page.get(), user))
        return page;
    nav->pushViewController(page.get(), true);
    return page;
}

Ref<QVGameProfileController> QVGameProfileController::showGameProfileWithLocalApplication()
{
    return showGameProfileWithClientApplicationId(QVSessionRole::current().clientApplicationId());
}

void QVGameProfileController::setPushControllerData(ViewController* controller, QVGameProfilePageInfo* info)
{
    if (!controller)
        return;
    // Each screen takes its settings through its keyed setters, so that this
    // page needs none of their classes.
    const std::string cls = controller->className();
    const std::string iconUrl = info ? info->iconUrl().value_or(std::string()) : std::string();
    if (cls == "QVLeaderboardController") {
        sendSetter(controller, "setGameProfileInfo", info);
    } else if (cls == "QVAchievementListController") {
        sendSetter(controller, "setApplicationName", boxedText(info ? info->name() : std::string()).get());
        sendSetter(controller, "setApplicationId", boxedText(info ? info->resourceId() : std::string()).get());
        sendSetter(controller, "setApplicationIconUrl", boxedText(iconUrl).get());
        sendSetter(controller, "setDoesUserHaveApplication", boxedBool(info && info->ownedByLocalPlayer()).get());
    } else if (cls == "QVSelectChatRoomDefinitionController") {
        sendSetter(controller, "setIncludeGlobalRooms", boxedBool(false).get());
        sendSetter(controller, "setIncludeDeveloperRooms", boxedBool(true).get());
        sendSetter(controller, "setIncludeApplicationRooms", boxedBool(true).get());
    } else if (cls == "QVWhosPlayingController") {
        sendSetter(controller, "setApplicationName", boxedText(info ? info->name() : std::string()).get());
        sendSetter(controller, "setApplicationId", boxedText(info ? info->resourceId() : std::string()).get());
        sendSetter(controller, "setApplicationIconUrl", boxedText(iconUrl).get());
    } else if (cls == "QVChallengeListController") {
        sendSetter(controller, "setClientApplicationId", boxedText(info ? info->resourceId() : std::string()).get());
        sendSetter(controller, "setListType", platform::Boxed::box(platform::Value(0)).get());
    }
}

bool QVGameProfileController::isBannerAvailableNow()
{
    NavigationController* nav = navigationController();
    return nav && nav->viewControllers().size() < 2;
}

// ---- Interface

Size QVGameProfileController::_buttonSizeForMaxButtons(int n)
{
    QVDashboardRole& host = QVDashboardRole::current();
    if (host.isLargeScreen())
        return n > 3 ? Size(210, 149) : Size(628, 99);
    if (host.isInLandscapeMode())
        return n > 3 ? Size(156, 97) : Size(468, 65);
    return n > 3 ? Size(154, 118) : Size(308, 65);
}

void QVGameProfileController::buildInterface(InterfaceBuilder* builder, const char* layoutName, bool withLongButtons)
{
    Rect bounds = QVDashboardRole::current().getDashboardBounds();
    Rect frame(0, 0, bounds.size.width, bounds.size.height);
    auto make = [&](auto tag, const Rect& r) {
        using T = typename decltype(tag)::type;
        return builder ? builder->makeView<T>(r) : Ref<T>();
    };
    struct ViewTag { using type = View; };
    struct PanelTag { using type = QVButtonPanel; };
    struct BadgeButtonTag { using type = QVBadgeButton; };
    struct BadgeTag { using type = QVRedBadgeView; };

    Ref<View> root = builder ? make(ViewTag {}, frame) : View::viewWithFrame(frame);
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));

    Ref<View> background = builder ? make(ViewTag {}, frame) : View::viewWithFrame(frame);
    background->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    background->setBackgroundColor(Color::rgb(0.13f, 0.15f, 0.18f));
    root->addSubview(background);

    Ref<QVButtonPanel> panel = builder ? make(PanelTag {}, frame) : QVButtonPanel::panelWithFrame(frame, 0, Size(), Size(), nullptr);
    panel->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    panel->setBackgroundColor(std::nullopt);
    panel->setOpaque(false);
    root->addSubview(panel);

    auto titled = [&](Button* button, const std::string& title, Control::PlainAction action) {
        button->setTitleForAllStates(title);
        button->setTitleColor(Color::whiteColor(), StateNormal);
        button->setTitleColor(Color::white(0.55f), StateDisabled);
        button->titleLabel()->setFont(platform::Font::boldSystemFont(15).get());
        button->addTarget(this, action, TouchUpInside);
        button->setHidden(true);
        root->addSubview(button);
    };
    auto plainButton = [&](const std::string& title, Control::PlainAction action) {
        Ref<Button> b = builder ? builder->makeButton(Button::Type::Custom, Rect(0, 0, 154, 118))
                                : Button::buttonWithType(Button::Type::Custom);
        titled(b.get(), title, action);
        return b;
    };
    auto badgeButton = [&](const std::string& title, Control::PlainAction action) {
        Ref<QVBadgeButton> b = builder ? make(BadgeButtonTag {}, Rect(0, 0, 154, 118)) : Ref<QVBadgeButton>();
        if (!b)
            return b;
        titled(b.get(), title, action);
        Ref<QVBadgeView> badge = make(BadgeTag {}, Rect(120, -6, 29, 29));
        if (badge) {
            root->addSubview(badge);
            b->setBadgeView(badge.get());
        }
        return b;
    };
#define QV_ACTION(name) Control::PlainAction(BRISKO_SELECTOR(QVGameProfileController, name))
    leaderboardsButton_ = QVOutlet<Button>(plainButton("Leaderboards", QV_ACTION(pressedLeaderboards)).get(), layoutName, "leaderboardsButton");
    achievementsButton_ = QVOutlet<Button>(plainButton("Achievements", QV_ACTION(pressedAchievements)).get(), layoutName, "achievementsButton");
    challengesButton_ = QVOutlet<QVBadgeButton>(badgeButton("Challenges", QV_ACTION(pressedChallenges)).get(), layoutName, "challengesButton");
    discussionsButton_ = QVOutlet<Button>(plainButton("Forums", QV_ACTION(pressedDiscussions)).get(), layoutName, "discussionsButton");
    fanClubButton_ = QVOutlet<QVBadgeButton>(badgeButton("Fan Club", QV_ACTION(pressedFanClub)).get(), layoutName, "fanClubButton");
    whosPlayingButton_ = QVOutlet<Button>(plainButton("Who's Playing", QV_ACTION(pressedWhosPlaying)).get(), layoutName, "whosPlayingButton");
    if (withLongButtons) {
        discussionsLongButton_ = plainButton("Forums", QV_ACTION(pressedDiscussions));
        fanClubLongButton_ = badgeButton("Fan Club", QV_ACTION(pressedFanClub));
        whosPlayingLongButton_ = plainButton("Who's Playing", QV_ACTION(pressedWhosPlaying));
    }
#undef QV_ACTION
    backgroundView_ = background;
    buttonPanel_ = panel;
    setView(root);
}

void QVGameProfileController::buildEnableInterface(InterfaceBuilder& b, const char* layoutName)
{
    Rect bounds = QVDashboardRole::current().getDashboardBounds();
    Rect frame(0, 0, bounds.size.width, bounds.size.height);
    Ref<View> root = b.makeView<View>(frame);
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    Ref<Label> message = b.makeView<Label>(Rect(20, 40, frame.size.width - 40, 120));
    message->setNumberOfLines(0);
    message->setTextAlignment(platform::TextAlignment::Center);
    message->setTextColor(Color::whiteColor());
    message->setFont(platform::Font::boldSystemFont(16).get());
    message->setText("Turn Quorvel on to see leaderboards, achievements and challenges, and to play with friends.");
    message->setAutoresizingMask(FlexibleWidth);
    root->addSubview(message);
    Ref<Button> enable = b.makeButton(Button::Type::Custom, Rect((frame.size.width - 200) / 2, 180, 200, 44));
    enable->setTitleForAllStates("Enable Quorvel");
    enable->setTitleColor(Color::whiteColor(), StateNormal);
    Ref<ImageAsset> skin = QVLoadKitImage("QVButtonGreen.png");
    enable->setBackgroundImage(skin ? skin->stretchableImage(10, 0).get() : nullptr, StateNormal);
    enable->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVGameProfileController, pressedEnableQuorvel)), TouchUpInside);
    enable->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    root->addSubview(enable);
    enableButton_ = QVOutlet<Button>(enable.get(), layoutName, "enableButton");
    setView(root);
}

void QVGameProfileController::loadView()
{
    if (!nibName().empty()) {
        QVViewController::loadView();
        return;
    }
    // Made by class: an empty page of the same shape, without buttons.
    Rect bounds = QVDashboardRole::current().getDashboardBounds();
    Rect frame(0, 0, bounds.size.width, bounds.size.height);
    Ref<View> root = View::viewWithFrame(frame);
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    buttonPanel_ = QVButtonPanel::panelWithFrame(frame, 0, Size(), Size(), nullptr);
    root->addSubview(buttonPanel_.get());
    setView(root);
}

void QVGameProfileController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    if (buttonPanel_)
        buttonPanel_->configureMaxButtonCount(6, _buttonSizeForMaxButtons(6), Size(0, 0), nullptr);
}

// ---- Download

bool QVGameProfileController::isRunningGameProfile() const
{
    if (!gameProfileInfo_)
        return false;
    Ref<Object> local = QVSessionRole::current().localGameProfileInfo();
    auto* info = dynamic_cast<QVGameProfilePageInfo*>(local.get());
    return info && info->resourceId() == gameProfileInfo_->resourceId();
}

void QVGameProfileController::_downloadGameProfileInfo()
{
    if (!clientApplicationId_.empty() && clientApplicationId_ != QVSessionRole::current().clientApplicationId())
        showLoadingScreen();
    QVClientApplicationService::getGameProfilePageInfo(
        clientApplicationId_,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _downloadedGameProfile))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _failedDownloadingGameProfile))));
}

void QVGameProfileController::_downloadedGameProfile(Object* answer)
{
    hideLoadingScreen();
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    Object* first = series ? series->objectAtIndex(0) : nullptr;
    gameProfileInfo_ = dynamic_cast<QVGameProfilePageInfo*>(first);
    if (gameProfileInfo_) {
        QVDashboardSwitch::changeGameContext(navigationController(), gameProfileInfo_.get());
        if (!gameProfileInfo_->shortName().empty())
            setTitle(gameProfileInfo_->shortName());
    }
    _refreshView();
}

void QVGameProfileController::_failedDownloadingGameProfile(Object*)
{
    hideLoadingScreen();
    gameProfileInfo_ = nullptr;
    _refreshView();
}

void QVGameProfileController::viewDidAppear(bool animated)
{
    if (!gameProfileInfo_)
        _downloadGameProfileInfo();
    bool online = isOnline();
    if (online && wasOfflineLastRefresh_)
        platform::RunLoop::main().performAfter(0, [] { QVDashboardSwitch::switchToOnlineDashboard(); });
    else if (!online && !wasOfflineLastRefresh_)
        platform::RunLoop::main().performAfter(0, [] { QVDashboardSwitch::switchToOfflineDashboard(); });
    QVViewController::viewDidAppear(animated);
}

void QVGameProfileController::profileUsersChanged(QVUser*, QVUser*) { _downloadGameProfileInfo(); }

// ---- Layout

void QVGameProfileController::_configureButton(Button* button, int row)
{
    const char* part = row == 0 ? "Top" : (row == 1 && !QVDashboardRole::current().isInLandscapeMode() ? "Middle" : "Bottom");
    std::string base = std::string("QVGameProfileButton") + part;
    Ref<ImageAsset> normal = QVLoadKitImage(base + ".png");
    Ref<ImageAsset> hit = QVLoadKitImage(base + "Hit.png");
    button->setBackgroundImage(normal ? normal->stretchableImage(1, 1).get() : nullptr, StateNormal);
    button->setBackgroundImage(hit ? hit->stretchableImage(1, 1).get() : nullptr, StateHighlighted);
}

void QVGameProfileController::_configureLongButton(Button* button)
{
    Ref<ImageAsset> normal = QVLoadKitImage("QVButtonBevel.png");
    Ref<ImageAsset> hit = QVLoadKitImage("QVButtonBevelHit.png");
    button->setBackgroundImage(normal ? normal->stretchableImage(0, 1).get() : nullptr, StateNormal);
    button->setBackgroundImage(hit ? hit->stretchableImage(0, 1).get() : nullptr, StateHighlighted);
}

void QVGameProfileController::_refreshView()
{
    view();
    wasOfflineLastRefresh_ = false;
    for (Button* b : { leaderboardsButton_.get(), achievementsButton_.get(), discussionsButton_.get(),
                       whosPlayingButton_.get(), static_cast<Button*>(challengesButton_.get()),
                       static_cast<Button*>(fanClubButton_.get()), discussionsLongButton_.get(),
                       whosPlayingLongButton_.get(), static_cast<Button*>(fanClubLongButton_.get()) }) {
        if (b)
            b->setHidden(true);
    }
    if (!buttonPanel_)
        return;
    buttonPanel_->removeAllButtons();
    buttonPanel_->setHeaderView(nullptr);

    bool leaderboards = gameProfileInfo_ && gameProfileInfo_->hasLeaderboards();
    bool achievements = gameProfileInfo_ && gameProfileInfo_->hasAchievements();
    bool challenges = gameProfileInfo_ && gameProfileInfo_->hasChallenges();
    bool discussions = QuorvelInternal::allowUserGeneratedContent();
    bool ownGame = isRunningGameProfile();
    int challengeCount = ownGame ? QuorvelInternal::unviewedChallengesCount() : 0;
    int announcementCount = ownGame ? static_cast<int>(QVAnnouncementService::unreadAnnouncements()) : 0;

    bool haveLongButtons = discussionsLongButton_ && fanClubLongButton_ && whosPlayingLongButton_;
    if (haveLongButtons && !leaderboards && !achievements && !challenges) {
        usingLongButtons_ = true;
        Size size = _buttonSizeForMaxButtons(3);
        buttonPanel_->configureMaxButtonCount(3, size, Size(0, 0), nullptr);
        buttonPanel_->setFixedNumColumns(1);
        buttonPanel_->setCenteredVertically(false);
        int position = 0;
        auto place = [&](Button* button) {
            _configureLongButton(button);
            button->setFrame(Rect(0, 0, size.width, size.height));
            buttonPanel_->setButton(button, position++);
        };
        if (discussions)
            place(discussionsLongButton_.get());
        place(fanClubLongButton_.get());
        if (ownGame)
            fanClubLongButton_->setBadgeNumber(announcementCount);
        place(whosPlayingLongButton_.get());
    } else {
        usingLongButtons_ = false;
        int columns = QVDashboardRole::current().isInLandscapeMode() ? 3 : 2;
        Size size = _buttonSizeForMaxButtons(6);
        buttonPanel_->configureMaxButtonCount(6, size, Size(0, 0), nullptr);
        buttonPanel_->setFixedNumColumns(columns);
        buttonPanel_->setCenteredVertically(true);
        int position = 0;
        auto place = [&](Button* button) {
            if (!button)
                return;
            _configureButton(button, position / columns);
            button->setFrame(Rect(0, 0, size.width, size.height));
            buttonPanel_->setButton(button, position++);
        };
        if (leaderboards)
            place(leaderboardsButton_.get());
        if (achievements)
            place(achievementsButton_.get());
        if (challenges)
            place(challengesButton_.get());
        if (discussions)
            place(discussionsButton_.get());
        place(fanClubButton_.get());
        place(whosPlayingButton_.get());
        if (ownGame) {
            if (challengesButton_)
                challengesButton_->setBadgeNumber(challengeCount);
            if (fanClubButton_)
                fanClubButton_->setBadgeNumber(announcementCount);
        }
    }

    if (!isOnline()) {
        for (Button* b : { static_cast<Button*>(challengesButton_.get()), discussionsButton_.get(),
                           whosPlayingButton_.get(), static_cast<Button*>(fanClubButton_.get()) }) {
            if (b)
                buttonPanel_->disableButton(b, nullptr);
        }
        bool offlineAchievements = QVAchievementService::hasAchievements();
        if (!offlineAchievements && achievementsButton_)
            buttonPanel_->disableButton(achievementsButton_.get(), nullptr);
        if (!QVLeaderboardService::hasLeaderboards()) {
            if (leaderboardsButton_)
                buttonPanel_->disableButton(leaderboardsButton_.get(), nullptr);
            if (!offlineAchievements) {
                std::string name = gameProfileInfo_ ? gameProfileInfo_->shortName() : std::string();
                AlertView::alert("No offline support", "No offline functionality has been enabled for " + name,
                                 nullptr, "OK")
                    ->show();
            }
        }
        wasOfflineLastRefresh_ = true;
    }
    buttonPanel_->layoutIfNeeded();
}

// ---- Buttons

Ref<ViewController> QVGameProfileController::pushControllerByName(const std::string& name)
{
    Ref<ViewController> controller = QVControllerLoader::load(name);
    if (controller)
        pushController(controller.get());
    return controller;
}

void QVGameProfileController::pushController(ViewController* controller)
{
    setPushControllerData(controller, gameProfileInfo_.get());
    if (NavigationController* nav = navigationController())
        nav->pushViewController(controller, true);
}

void QVGameProfileController::pressedLeaderboards() { pushControllerByName("Leaderboard"); }

void QVGameProfileController::pressedAchievements()
{
    Ref<ViewController> controller = pushControllerByName("AchievementList");
    if (auto* list = dynamic_cast<QVAchievementListSetup*>(controller.get()))
        list->postPushAchievementListController();
}

void QVGameProfileController::pressedChallenges() { pushControllerByName("ChallengeList"); }
void QVGameProfileController::pressedFanClub() { pushControllerByName("FanClub"); }
void QVGameProfileController::pressedWhosPlaying() { pushControllerByName("WhosPlaying"); }

void QVGameProfileController::pressedDiscussions()
{
    if (!forumWarningShown) {
        forumWarningShown = true;
        AlertView::alert("", kForumWarning, nullptr, "Ok")->show();
    }
    pushControllerByName("ForumTopicList");
}

void QVGameProfileController::pressedEnableQuorvel()
{
    showLoadingScreen();
    QuorvelInternal::addBootstrapDelegates(
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _switchToOnlineMode))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _stayInOfflineMode))));
    // An approval given earlier is answered at once and shows no screen, so no
    // account flow would start the bootstrap: start it here, or the loading
    // screen would stay up for good.
    bool alreadyApproved = Quorvel::hasUserApprovedQuorvel();
    QuorvelInternal::presentUserQuorvelApprovalModal(
        QVDelegate(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVGameProfileController, _hideLoading))));
    if (alreadyApproved)
        QuorvelInternal::doBootstrap(QVDelegate(), QVDelegate());
}

void QVGameProfileController::_switchToOnlineMode(Object*)
{
    QVDashboardSwitch::switchToOnlineDashboard();
    _downloadGameProfileInfo();
}

void QVGameProfileController::_stayInOfflineMode(Object*)
{
    hideLoadingScreen();
    _refreshView();
}

// ---- Counts

void QVGameProfileController::registerForBadgeNotifications()
{
    registeredForBadges_ = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, Quorvel::kUnviewedChallengeCountChanged, [this](const platform::Notification& n) {
        _unviewedChallengesChanged(static_cast<unsigned>(n.userInfo[Quorvel::kInfoUnviewedChallengeCount].asInteger()));
    });
    center.addObserver(this, Quorvel::kUnreadAnnouncementCountChanged, [this](const platform::Notification& n) {
        _unreadAnnouncementsChanged(static_cast<unsigned>(n.userInfo[Quorvel::kInfoUnreadAnnouncementCount].asInteger()));
    });
}

void QVGameProfileController::_unviewedChallengesChanged(unsigned count)
{
    if (!gameProfileInfo_ || !gameProfileInfo_->hasChallenges())
        return;
    if (challengesButton_)
        challengesButton_->setBadgeNumber(static_cast<int>(count));
    int fanClub = fanClubButton_ ? fanClubButton_->badgeNumber() : 0;
    setBadgeValue(std::to_string(count + static_cast<unsigned>(fanClub)));
}

void QVGameProfileController::_unreadAnnouncementsChanged(unsigned count)
{
    QVBadgeButton* fanClub = usingLongButtons_ ? fanClubLongButton_.get() : fanClubButton_.get();
    if (fanClub)
        fanClub->setBadgeNumber(static_cast<int>(count));
    int challenges = challengesButton_ ? challengesButton_->badgeNumber() : 0;
    setBadgeValue(std::to_string(static_cast<unsigned>(challenges) + count));
}

} // namespace quorvel
