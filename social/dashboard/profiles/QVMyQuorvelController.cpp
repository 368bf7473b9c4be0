// The player's own page: its menu, the two count badges and the tab badge
// they add up to, and the own-profile visit report.
#include "social/dashboard/profiles/QVMyQuorvelController.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/services/QVProfileService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "platform/ui/InterfaceRegistry.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVMyQuorvelController);

namespace {

// The integer under the key of a count notification (nullopt without one).
std::optional<int> countIn(const platform::Notification& n, const char* key)
{
    if (!n.userInfo.isDictionary())
        return std::nullopt;
    const platform::Value& value = n.userInfo[key];
    if (value.isNil())
        return std::nullopt;
    return value.asInt();
}

} // namespace

QVMyQuorvelController::~QVMyQuorvelController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void QVMyQuorvelController::buildInterface(InterfaceBuilder& b, const char* layoutName)
{
    if (title().empty())
        setTitle("My Quorvel"); // what the back button of a screen pushed from here says
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    float width = bounds.size.width;
    Ref<View> root = b.makeView<View>(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.13f, 0.15f, 0.18f));

    friendsPlayingThisGame_ = QVOutlet<Label>(b.makeView<Label>(Rect(10, 8, width - 20, 20)).get(), layoutName,
                                              "friendsPlayingThisGame");
    friendsPlayingThisGame_->setTextColor(Color::white(0.8f));
    friendsPlayingThisGame_->setBackgroundColor(std::nullopt);
    friendsPlayingThisGame_->setFont(platform::Font::systemFont(13).get());
    friendsPlayingThisGame_->setAutoresizingMask(FlexibleWidth);
    root->addSubview(friendsPlayingThisGame_.get());

    struct Entry {
        const char* title;
        Control::PlainAction action;
    };
#define QV_ACTION(name) Control::PlainAction(BRISKO_SELECTOR(QVMyQuorvelController, name))
    const Entry entries[] = {
        { "My Friends", QV_ACTION(onMyFriends) },   { "Inbox", QV_ACTION(onMessageCenter) },
        { "My Games", QV_ACTION(onMyGames) },       { "Settings", QV_ACTION(onSettings) },
        { "Help", QV_ACTION(onHelp) },
    };
#undef QV_ACTION
    // One column of buttons; on a phone on its side, where the page is short, two columns (the
    // last button alone in its row), the buttons sharing the width.
    QVDashboardRole& role = QuorvelInternal::dashboardRole();
    const bool wide = !role.isLargeScreen() && isLandscape(role.getDashboardOrientation());
    const int columns = wide ? 2 : 1;
    const float height = 52;
    const float buttonWidth = (width - 20 - 10 * (columns - 1)) / columns;
    auto place = [&](size_t index) {
        const int column = static_cast<int>(index % columns), row = static_cast<int>(index / columns);
        return Rect(10 + column * (buttonWidth + 10), 36 + row * height, buttonWidth, height - 8);
    };
    for (const Entry& entry : entries) {
        const size_t index = buttons_.size();
        Ref<Button> button = b.makeButton(Button::Type::Custom, place(index));
        button->setTitleForAllStates(entry.title);
        button->setTitleColor(Color::whiteColor(), StateNormal);
        button->titleLabel()->setFont(platform::Font::boldSystemFont(16).get());
        button->setBackgroundColor(Color::rgb(0.20f, 0.42f, 0.72f));
        const int column = static_cast<int>(index % columns);
        unsigned mask = FlexibleWidth;
        if (column > 0)
            mask |= FlexibleLeftMargin;
        if (column < columns - 1)
            mask |= FlexibleRightMargin;
        button->setAutoresizingMask(mask);
        button->addTarget(this, entry.action, TouchUpInside);
        root->addSubview(button.get());
        buttons_.push_back(button);
    }
    // The badges overhang the right ends of the friends and inbox buttons.
    auto badge = [&](size_t index, const char* outlet) {
        const Rect at = place(index);
        Ref<QVRedBadgeView> made = b.makeView<QVRedBadgeView>(Rect(at.maxX() - 34, at.minY() - 6, 29, 29));
        const bool leftColumn = (buttons_[index]->autoresizingMask() & FlexibleRightMargin) != 0;
        made->setAutoresizingMask(leftColumn ? FlexibleLeftMargin | FlexibleRightMargin : FlexibleLeftMargin);
        root->addSubview(made.get());
        return Ref<QVBadgeView>(QVOutlet<QVBadgeView>(made.get(), layoutName, outlet));
    };
    friendsBadge_ = badge(0, "friendsBadge");
    inboxBadge_ = badge(1, "inboxBadge");
    setView(root.get());
}

void QVMyQuorvelController::awakeFromNib()
{
    QVViewController::awakeFromNib();
    if (friendsBadge_)
        friendsBadge_->setValue(QuorvelInternal::options().pendingFriendsCount());
    if (inboxBadge_)
        inboxBadge_->setValue(QuorvelInternal::options().unreadInboxTotal());
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, Quorvel::kPendingFriendCountChanged,
                       [this](const platform::Notification& n) { _pendingFriendsChanged(n); });
    center.addObserver(this, Quorvel::kUnreadInboxCountChanged,
                       [this](const platform::Notification& n) { _inboxCountChanged(n); });
    auto* contextUser = dynamic_cast<QVUser*>(getPageContextUser());
    Ref<QVUser> local = QuorvelInternal::sessionRole().localUser();
    if (!contextUser || (local && contextUser->resourceId() == local->resourceId()))
        QVProfileService::viewedOwnProfilePage();
}

void QVMyQuorvelController::_pendingFriendsChanged(const platform::Notification& n)
{
    if (auto count = countIn(n, Quorvel::kInfoPendingFriendCount); count && friendsBadge_)
        friendsBadge_->setValue(*count);
    _updateTabBadge();
}

void QVMyQuorvelController::_inboxCountChanged(const platform::Notification& n)
{
    if (auto count = countIn(n, Quorvel::kInfoUnreadInboxCount); count && inboxBadge_)
        inboxBadge_->setValue(*count);
    _updateTabBadge();
}

void QVMyQuorvelController::_updateTabBadge()
{
    int inbox = inboxBadge_ ? inboxBadge_->value() : 0;
    int friends = friendsBadge_ ? friendsBadge_->value() : 0;
    setBadgeValue(std::to_string(inbox + friends));
}

Button* QVMyQuorvelController::buttonNamed(const std::string& title) const
{
    for (const auto& button : buttons_) {
        if (button->titleForState(StateNormal) == title)
            return button.get();
    }
    return nullptr;
}

void QVMyQuorvelController::_push(const std::string& name, const char* title)
{
    Ref<ViewController> screen = QVControllerLoader::load(name);
    NavigationController* nav = navigationController();
    if (!screen || !nav)
        return;
    if (title)
        screen->setTitle(title);
    nav->pushViewController(screen.get(), true);
}

void QVMyQuorvelController::onMyFriends() { _push("Friends"); }
void QVMyQuorvelController::onMessageCenter() { _push("InboxTopLevel"); }
void QVMyQuorvelController::onMyGames() { _push("PlayedGame", "Quorvel Games"); }
void QVMyQuorvelController::onSettings() { _push("UserSetting"); }
void QVMyQuorvelController::onHelp() { _push("Help"); }

Object* QVMyQuorvelController::getBannerResource()
{
    bannerUser_ = QuorvelInternal::sessionRole().localUser();
    return bannerUser_.get();
}

void QVMyQuorvelController::onBannerClicked()
{
    if (Ref<QVUser> local = QuorvelInternal::sessionRole().localUser())
        QVDashboardSwitch::showProfileForUser(local.get());
}

namespace {

void registerMyQuorvelLayout()
{
    platform::ui::InterfaceRegistry::shared().registerLayout("MyQuorvelControllerQv", [](platform::ui::InterfaceBuilder& b) {
        auto page = b.makeController<QVMyQuorvelController>();
        page->buildInterface(b, "MyQuorvelControllerQv");
        return std::vector<Ref<Object>> { page };
    });
}

[[maybe_unused]] const bool myQuorvelLayoutRegistered = (registerMyQuorvelLayout(), true);

} // namespace

} // namespace quorvel
