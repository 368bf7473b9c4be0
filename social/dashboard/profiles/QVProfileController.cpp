// A user's page: the profile download and its two summary lines, the friend
// toggle with the pending-friend count it keeps, instant messages and abuse
// reports.
#include "social/dashboard/profiles/QVProfileController.h"

#include "platform/foundation/Boxed.h"
#include "platform/graphics/Font.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVProfileService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVAbuseReporter.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVProfileController);

#define QV_PROFILE_CALLBACK(name) QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVProfileController, name)))

QVUser* QVProfileController::pageUser() const
{
    if (auto* user = dynamic_cast<QVUser*>(getPageContextUser()))
        return user;
    return user_.get();
}

bool QVProfileController::isPageUserLocal() const
{
    QVUser* user = pageUser();
    return user && user->isLocalUser();
}

bool QVProfileController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setUser")
        setUser(dynamic_cast<QVUser*>(value));
    else if (setterName == "setReportUserForumPost")
        setReportUserForumPost(value);
    else if (setterName == "setForumThreadView")
        setForumThreadView(dynamic_cast<ViewController*>(value));
    else
        return QVViewController::performSetter(setterName, value);
    return true;
}

Object* QVProfileController::getBannerResource() { return pageUser(); }

// ---- Interface

void QVProfileController::loadView()
{
    const Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    const float width = bounds.size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));

    // On a phone on its side the page is short: the two summary rows stand side by side and the
    // three buttons share one row. Otherwise each row and "Add Friend" take the whole width.
    QVDashboardRole& role = QuorvelInternal::dashboardRole();
    const bool wide = !role.isLargeScreen() && isLandscape(role.getDashboardOrientation());
    const float rowWidth = wide ? (width - 30) / 2 : width - 20;

    // The two summary rows: a line of text over the whole row, which opens the list.
    auto summaryRow = [&](const Rect& frame, unsigned mask, const std::string& title, Control::PlainAction action,
                          Ref<Label>& subtext) {
        Ref<Button> row = Button::buttonWithType(Button::Type::Custom);
        row->setFrame(frame);
        row->setAutoresizingMask(mask);
        row->setBackgroundColor(Color::rgb(0.18f, 0.2f, 0.24f));
        row->addTarget(this, action, TouchUpInside);
        auto titleLabel = layout::makeLabel(Rect(12, 6, frame.size.width - 24, 22), 16, true);
        titleLabel->setTextColor(Color::whiteColor());
        titleLabel->setText(title);
        titleLabel->setUserInteractionEnabled(false);
        titleLabel->setAutoresizingMask(FlexibleWidth);
        row->addSubview(titleLabel.get());
        subtext = layout::makeLabel(Rect(12, 28, frame.size.width - 24, 20), 13, false);
        subtext->setTextColor(Color::white(0.75f));
        subtext->setUserInteractionEnabled(false);
        subtext->setAutoresizingMask(FlexibleWidth);
        subtext->setAdjustsFontSizeToFitWidth(true); // a long name in a half-width row
        subtext->setMinimumFontSize(10);
        row->addSubview(subtext.get());
        root->addSubview(row.get());
        return row;
    };
    const Rect friendsRow(10, 12, rowWidth, 56);
    const Rect gamesRow = wide ? Rect(20 + rowWidth, 12, rowWidth, 56) : Rect(10, 76, rowWidth, 56);
    friendsButton_ = summaryRow(friendsRow, wide ? FlexibleWidth | FlexibleRightMargin : FlexibleWidth, "Friends",
                                Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onFriendsClicked)), friendsSubtextLabel_);
    gamesButton_ = summaryRow(gamesRow, wide ? FlexibleWidth | FlexibleLeftMargin : FlexibleWidth, "Games",
                              Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onGamesClicked)), gamesSubtextLabel_);

    const float panelWidth = width - 20;
    actionPanelView_ = View::viewWithFrame(Rect(10, gamesRow.maxY() + 12, panelWidth, wide ? 44 : 100));
    actionPanelView_->setAutoresizingMask(FlexibleWidth);
    actionPanelView_->setBackgroundColor(std::nullopt);
    actionPanelView_->setOpaque(false);
    root->addSubview(actionPanelView_.get());
    // "Add Friend" over the two others, or the first of three in a row.
    const float half = (panelWidth - 10) / 2, third = (panelWidth - 20) / 3;
    const Rect toggleFrame = wide ? Rect(0, 0, third, 44) : Rect(0, 0, panelWidth, 44);
    const Rect imFrame = wide ? Rect(third + 10, 0, third, 44) : Rect(0, 54, half, 44);
    const Rect flagFrame = wide ? Rect(2 * (third + 10), 0, third, 44) : Rect(half + 10, 54, half, 44);
    toggleFriendButton_ = QVDefaultButton::greenBoderedButton(toggleFrame);
    toggleFriendButton_->setAutoresizingMask(wide ? FlexibleWidth | FlexibleRightMargin : FlexibleWidth);
    toggleFriendButton_->setTitleForAllStates("Add Friend");
    toggleFriendButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onToggleFollowing)),
                                   TouchUpInside);
    actionPanelView_->addSubview(toggleFriendButton_.get());
    // The same full-height art as "Report Abuse" beside it; the title shrinks to the half-width button.
    Ref<QVDefaultButton> im = QVDefaultButton::greenBoderedButton(imFrame);
    im->setAutoresizingMask(wide ? FlexibleWidth | FlexibleLeftMargin | FlexibleRightMargin : FlexibleWidth | FlexibleRightMargin);
    im->setTitleForAllStates("Instant Message");
    im->titleLabel()->setAdjustsFontSizeToFitWidth(true);
    im->titleLabel()->setMinimumFontSize(12);
    // The title keeps a margin inside the button's rim (it ran 1 to 2 points from its edges).
    im->setContentEdgeInsets({ 0, 8, 0, 8 });
    im->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onInstantMessage)), TouchUpInside);
    actionPanelView_->addSubview(im.get());
    imButton_ = im;
    Ref<QVDefaultButton> flag = QVDefaultButton::redBorderedButton(flagFrame);
    flag->setAutoresizingMask(FlexibleWidth | FlexibleLeftMargin);
    flag->setTitleForAllStates("Report Abuse");
    flag->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onFlag)), TouchUpInside);
    actionPanelView_->addSubview(flag.get());
    flagButton_ = flag;
    setView(root.get());
}

void QVProfileController::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    QVUser* user = pageUser();
    setTitle(user ? user->name() + "'s Profile" : std::string("Profile"));
    // The player's own page offers no actions on the player, not even while it loads
    // or after a failed download: the page user is known before any answer.
    if (actionPanelView_)
        actionPanelView_->setHidden(isPageUserLocal());
}

void QVProfileController::viewDidAppear(bool animated)
{
    QVViewController::viewDidAppear(animated);
    if (friendsInfo_ || gamesInfo_)
        return;
    QVUser* user = pageUser();
    showLoadingScreen();
    QVProfileService::getProfileForUser(user ? user->resourceId() : std::string(),
                                        QV_PROFILE_CALLBACK(_profileDownloadSucceeded),
                                        QV_PROFILE_CALLBACK(_profileDownloadFailed));
}

void QVProfileController::_profileDownloadSucceeded(Object* answer)
{
    hideLoadingScreen();
    friendsInfo_ = nullptr;
    gamesInfo_ = nullptr;
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    for (size_t i = 0; i < series->count(); ++i) {
        auto* section = dynamic_cast<QVTableSectionDescription*>(series->objectAtIndex(i));
        QVPaginatedSeries* page = section ? section->page() : nullptr;
        if (!page || !page->header())
            continue;
        if (section->identifier() == "friends")
            friendsInfo_ = page->header();
        else if (section->identifier() == "games")
            gamesInfo_ = page->header();
    }
    QVUser* user = pageUser();
    const bool local = isPageUserLocal();
    if (actionPanelView_)
        actionPanelView_->setHidden(local);
    _updateFriendButtonState(user && user->followedByLocalUser());

    const std::string who = local ? "You" : (user ? user->name() : std::string());
    const std::string verb = local ? "have" : "has";
    const int friends = friendsInfo_ ? static_cast<int>(friendsInfo_->totalObjects) : 0;
    if (friends > 0)
        friendsSubtextLabel_->setText(who + " " + verb + " " + std::to_string(friends) + " " + (friends < 2 ? "friend" : "friends"));
    else
        friendsSubtextLabel_->setText(who + " " + verb + " not added any friends");
    const int games = gamesInfo_ ? static_cast<int>(gamesInfo_->totalObjects) : 0;
    if (games == 0)
        gamesSubtextLabel_->setText(who + " " + verb + " not played any games");
    else
        gamesSubtextLabel_->setText(who + " " + verb + " played " + std::to_string(games) + " " + (games < 2 ? "game" : "games"));
}

// ---- Friend toggle

void QVProfileController::_updateFriendButtonState(bool followed)
{
    if (!toggleFriendButton_)
        return;
    // The skin is fixed when a button is made, so a new button of the other
    // skin takes the old one's place.
    Ref<QVDefaultButton> old = toggleFriendButton_;
    const Rect frame = old->frame();
    Ref<QVDefaultButton> button = followed ? QVDefaultButton::redBorderedButton(frame)
                                           : QVDefaultButton::greenBoderedButton(frame);
    button->setAutoresizingMask(old->autoresizingMask());
    button->setTitleForAllStates(followed ? "Remove Friend" : "Add Friend");
    button->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVProfileController, onToggleFollowing)), TouchUpInside);
    if (View* parent = old->superview()) {
        parent->addSubview(button.get());
        old->removeFromSuperview();
    }
    toggleFriendButton_ = button;
}

void QVProfileController::onToggleFollowing()
{
    QVUser* user = pageUser();
    if (!user || user->isLocalUser())
        return;
    showLoadingScreen();
    if (user->followedByLocalUser())
        QVFriendsService::makeLocalUserStopFollowing(user->resourceId(), QV_PROFILE_CALLBACK(onFollowChangedState),
                                                     QV_PROFILE_CALLBACK(onFollowFailedChangingState));
    else
        QVFriendsService::makeLocalUserFollow(user->resourceId(), QV_PROFILE_CALLBACK(onFollowChangedState),
                                              QV_PROFILE_CALLBACK(onFollowFailedChangingState));
}

void QVProfileController::onFollowChangedState(Object*)
{
    hideLoadingScreen();
    Ref<QVUser> user(pageUser());
    if (!user)
        return;
    user->setFollowedByLocalUser(!user->followedByLocalUser());
    _updateFriendButtonState(user->followedByLocalUser());
    if (!user->followedByLocalUser()) {
        QuorvelInternal::notifications().postRemoveFriend(user.get());
        if (user->followsLocalUser())
            QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() + 1);
    } else {
        QuorvelInternal::notifications().postAddFriend(user.get());
        // The count is never taken below 0.
        if (user->followsLocalUser() && QuorvelInternal::options().pendingFriendsCount() >= 1)
            QuorvelInternal::options().setPendingFriendsCount(QuorvelInternal::options().pendingFriendsCount() - 1);
    }
}

// ---- Instant message, report, lists

void QVProfileController::onInstantMessage()
{
    QVUser* user = pageUser();
    if (!user || user->isLocalUser())
        return; // no conversation with oneself
    showLoadingScreen();
    QVConversationService::startConversationWithUser(user->resourceId(), QV_PROFILE_CALLBACK(_conversationStarted),
                                                     QV_PROFILE_CALLBACK(_conversationError));
}

void QVProfileController::_conversationStarted(Object* answer)
{
    hideLoadingScreen();
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    auto* conversation = series->count() == 1 ? dynamic_cast<QVConversation*>(series->objectAtIndex(0)) : nullptr;
    if (!conversation || !navigationController())
        return;
    if (auto screen = QVFeatureScreens::conversation(conversation->resourceId(), conversation->otherUser().get()))
        navigationController()->pushViewController(screen.get(), true);
}

void QVProfileController::_conversationError(Object*)
{
    hideLoadingScreen();
    common::showAlert("Error", kConversationFailed, "Ok");
}

void QVProfileController::onFlag()
{
    QVUser* user = pageUser();
    if (!user || user->isLocalUser())
        return;
    auto* post = dynamic_cast<QVResource*>(reportUserForumPost_.get());
    if (post && forumThreadView_)
        QVAbuseReporter::reportAbuseByUserForumPost(user->resourceId(), post->resourceId(), forumThreadView_.get());
    else
        QVAbuseReporter::reportAbuseByUser(user->resourceId(), QuorvelInternal::dashboardRole().getRootController());
}

void QVProfileController::onFriendsClicked()
{
    if (!friendsInfo_ || friendsInfo_->totalObjects == 0 || !navigationController())
        return;
    if (Ref<ViewController> friends = QVControllerLoader::load("Friends"))
        navigationController()->pushViewController(friends.get(), true);
}

void QVProfileController::onGamesClicked()
{
    if (!gamesInfo_ || gamesInfo_->totalObjects == 0 || !navigationController())
        return;
    if (Ref<ViewController> games = QVControllerLoader::load("PlayedGame")) {
        games->navigationItem()->setTitle("Games Played");
        navigationController()->pushViewController(games.get(), true);
    }
}

bool QVProfileController::bannerProfilePictureTouched()
{
    if (isPageUserLocal() && navigationController()) {
        if (Ref<ViewController> chooser = QVControllerLoader::load("SelectProfilePicture"))
            navigationController()->pushViewController(chooser.get(), true);
    }
    return true;
}

} // namespace quorvel
