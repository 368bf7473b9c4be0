// The game's page laid out: the interface it is built from (the button panel,
// or the enable-Quorvel button while offline) and the button layout by the
// game's offer, the orientation and the offline state.
#include "social/dashboard/games/QVGameProfileController.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVKitImages.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using platform::Size;

namespace {

bool isOnline() { return QuorvelInternal::sessionRole().isOnline(); }

void registerGameProfile(const char* layout, bool withLongButtons)
{
    InterfaceRegistry::shared().registerLayout(layout, [layout, withLongButtons](InterfaceBuilder& b) {
        auto page = b.makeController<QVGameProfileController>();
        page->buildInterface(&b, layout, withLongButtons);
        return std::vector<Ref<platform::Object>> { page };
    });
}

// The page's layouts: with its button panel (with or without a navigation
// bar), and with the enable-Quorvel button.
[[maybe_unused]] const bool gameProfileLayoutsRegistered = [] {
    registerGameProfile("GameProfileControllerQv", true);
    registerGameProfile("GameProfileWithNavBarControllerQv", false);
    InterfaceRegistry::shared().registerLayout("EnableQuorvelInDashboardControllerQv", [](InterfaceBuilder& b) {
        auto page = b.makeController<QVGameProfileController>();
        page->buildEnableInterface(b, "EnableQuorvelInDashboardControllerQv");
        return std::vector<Ref<platform::Object>> { page };
    });
    return true;
}();

} // namespace

// ---- Interface

Size QVGameProfileController::_buttonSizeForMaxButtons(int n)
{
    QVDashboardRole& host = QuorvelInternal::dashboardRole();
    if (host.isLargeScreen())
        return n > 3 ? Size(210, 149) : Size(628, 99);
    if (host.isInLandscapeMode())
        return n > 3 ? Size(156, 97) : Size(468, 65);
    return n > 3 ? Size(154, 118) : Size(308, 65);
}

void QVGameProfileController::buildInterface(InterfaceBuilder* builder, const char* layoutName, bool withLongButtons)
{
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
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
    // The grid's buttons at this screen's size; a badge sits in a button's top-right corner,
    // inside it (on its border it read as the count of the tile above).
    const Size gridButton = _buttonSizeForMaxButtons(6);
    auto plainButton = [&](const std::string& title, Control::PlainAction action) {
        Ref<Button> b = builder ? builder->makeButton(Button::Type::Custom, Rect(platform::Point(0, 0), gridButton))
                                : Button::buttonWithType(Button::Type::Custom);
        titled(b.get(), title, action);
        return b;
    };
    auto badgeButton = [&](const std::string& title, Control::PlainAction action) {
        Ref<QVBadgeButton> b = builder ? make(BadgeButtonTag {}, Rect(platform::Point(0, 0), gridButton)) : Ref<QVBadgeButton>();
        if (!b)
            return b;
        titled(b.get(), title, action);
        Ref<QVBadgeView> badge = make(BadgeTag {}, Rect(gridButton.width - 34, 4, 29, 29));
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
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
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
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
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

// ---- Layout

void QVGameProfileController::_configureButton(Button* button, int row)
{
    const char* part = row == 0 ? "Top" : (row == 1 && !QuorvelInternal::dashboardRole().isInLandscapeMode() ? "Middle" : "Bottom");
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
    bool discussions = QuorvelInternal::sessionRole().allowUserGeneratedContent();
    bool ownGame = isRunningGameProfile();
    int challengeCount = ownGame ? QuorvelInternal::options().unviewedChallengesCount() : 0;
    int announcementCount = ownGame ? static_cast<int>(QVAnnouncementService::unreadAnnouncements()) : 0;

    bool haveLongButtons = discussionsLongButton_ && fanClubLongButton_ && whosPlayingLongButton_;
    if (haveLongButtons && !leaderboards && !achievements && !challenges) {
        usingLongButtons_ = true;
        Size size = _buttonSizeForMaxButtons(3);
        buttonPanel_->configureMaxButtonCount(3, size, Size(0, 0), nullptr);
        buttonPanel_->setFixedNumColumns(1);
        buttonPanel_->setCenteredVertically(false);
        buttonPanel_->setFillsBounds(false);
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
        int columns = QuorvelInternal::dashboardRole().isInLandscapeMode() ? 3 : 2;
        Size size = _buttonSizeForMaxButtons(6);
        buttonPanel_->configureMaxButtonCount(6, size, Size(0, 0), nullptr);
        buttonPanel_->setFixedNumColumns(columns);
        buttonPanel_->setCenteredVertically(true);
        // A tablet's page is taller than two rows of its buttons (and the three a little wider
        // than the frame): the grid shares the page. A phone's sizes fill its page already.
        buttonPanel_->setFillsBounds(QuorvelInternal::dashboardRole().isLargeScreen());
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

} // namespace quorvel
