// Who's playing: the list, its rows and its empty view.
#include "social/dashboard/friends/QVWhosPlayingController.h"
#include "social/services/QVGameProfilePageInfo.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/friends/QVFullScreenImportFriendsMessage.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVGamePlayer.h"
#include "social/services/QVUser.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVWhosPlayingCell);
QV_REGISTER_CLASS(QVWhosPlayingController);

namespace {

float screenWidth() { return QuorvelInternal::dashboardRole().getDashboardBounds().size.width; }

std::string textOf(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed && boxed->value().isString() ? boxed->value().asString() : std::string();
}

} // namespace

bool QVWhosPlayingCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = screenWidth();
    setFrame(Rect(0, 0, width, kHeight));
    const Rect picture = layout::pictureInRow(36, kHeight);
    const float text = layout::besidePicture(picture);
    profilePictureView_ = QVImageView::imageViewWithFrame(picture);
    nameLabel_ = layout::makeLabel(Rect(text, 5, width - text - 108, 22), 16, true);
    nameLabel_->setAdjustsFontSizeToFitWidth(true);
    nameLabel_->setMinimumFontSize(12);
    nameLabel_->setAutoresizingMask(FlexibleWidth);
    lastPlayedGameLabel_ = layout::makeLabel(Rect(text, 28, width - text - 108, 18), 12, false);
    lastPlayedGameLabel_->setTextColor(Color::white(0.4f));
    lastPlayedGameLabel_->setAutoresizingMask(FlexibleWidth);
    onlineLabel_ = layout::makeLabel(Rect(text, 28, 44, 18), 11, true);
    onlineLabel_->setText("online");
    onlineLabel_->setTextColor(Color::rgb(0.08f, 0.42f, 0.08f));
    // The two scores on the right, each named: the game's and the player's overall.
    auto caption = [&](float y, const char* words) {
        Ref<Label> l = layout::makeLabel(Rect(width - 104, y, 58, 18), 11, false);
        l->setText(words);
        l->setTextColor(Color::white(0.33f));
        l->setAutoresizingMask(FlexibleLeftMargin);
        return l;
    };
    appGamerScoreCaption_ = caption(6, "This game");
    gamerScoreCaption_ = caption(28, "All games");
    appGamerScoreLabel_ = layout::makeLabel(Rect(width - 46, 5, 38, 20), 13, true);
    appGamerScoreLabel_->setTextAlignment(platform::TextAlignment::Right);
    appGamerScoreLabel_->setAutoresizingMask(FlexibleLeftMargin);
    gamerScoreLabel_ = layout::makeLabel(Rect(width - 46, 28, 38, 18), 12, false);
    gamerScoreLabel_->setTextAlignment(platform::TextAlignment::Right);
    gamerScoreLabel_->setAutoresizingMask(FlexibleLeftMargin);
    for (Label* score : { appGamerScoreLabel_.get(), gamerScoreLabel_.get() }) {
        score->setAdjustsFontSizeToFitWidth(true);
        score->setMinimumFontSize(9);
    }
    layout::addSubviews(contentView(), { profilePictureView_.get(), nameLabel_.get(), lastPlayedGameLabel_.get(),
                                         onlineLabel_.get(), appGamerScoreCaption_.get(), gamerScoreCaption_.get(),
                                         appGamerScoreLabel_.get(), gamerScoreLabel_.get() });
    layout::keepInTheMiddle({ profilePictureView_.get(), nameLabel_.get(), lastPlayedGameLabel_.get(), onlineLabel_.get(),
                              appGamerScoreCaption_.get(), gamerScoreCaption_.get(), appGamerScoreLabel_.get(),
                              gamerScoreLabel_.get() });
    return true;
}

void QVWhosPlayingCell::onResourceChanged(Object* resource)
{
    auto* player = dynamic_cast<QVGamePlayer*>(resource);
    QVUser* user = player ? player->user() : nullptr;
    // The local player is playing now, online or not.
    const bool playing = user && (user->online() || user->isLocalUser());
    onlineLabel_->setHidden(!playing);
    const std::string format = playing ? "Playing " : "Last played ";
    nameLabel_->setText(user ? user->name() : std::string());
    profilePictureView_->useProfilePictureFromUser(user);
    // "Last played" without a game's name says nothing: the line goes.
    const std::string game = user ? user->lastPlayedGameName() : std::string();
    const bool omitted = !playing && game.empty();
    lastPlayedGameLabel_->setText(omitted ? std::string() : format + game);
    lastPlayedGameLabel_->setHidden(omitted);
    // "online" leads the line it shares with what the player is playing.
    Rect line = lastPlayedGameLabel_->frame();
    const float text = onlineLabel_->frame().minX(), right = line.maxX();
    line.origin.x = playing ? onlineLabel_->frame().maxX() + 4 : text;
    line.size.width = right - line.origin.x;
    lastPlayedGameLabel_->setFrame(line);
    // A name alone sits level with the picture.
    Rect name = nameLabel_->frame();
    name.origin.y = omitted ? profilePictureView_->frame().midY() - name.size.height / 2 : line.minY() - 23;
    nameLabel_->setFrame(name);
    appGamerScoreLabel_->setText(std::to_string(player ? player->applicationGamerscore() : 0u));
    gamerScoreLabel_->setText(std::to_string(user ? user->gamerScore() : 0u));
}

QVWhosPlayingController::~QVWhosPlayingController() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void QVWhosPlayingController::scopeToGame(QVGameProfilePageInfo* info)
{
    setApplicationName(info ? info->name() : std::string());
    setApplicationId(info ? info->resourceId() : std::string());
    setApplicationIconUrl(info ? info->iconUrl().value_or(std::string()) : std::string());
}

bool QVWhosPlayingController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setApplicationId")
        setApplicationId(textOf(value));
    else if (setterName == "setApplicationName")
        setApplicationName(textOf(value));
    else if (setterName == "setApplicationIconUrl")
        setApplicationIconUrl(textOf(value));
    else if (setterName == "setUserId")
        setUserId(value ? std::optional<std::string>(textOf(value)) : std::nullopt);
    else
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    return true;
}

QVService* QVWhosPlayingController::getService() { return QVFriendsService::sharedService(); }

void QVWhosPlayingController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVGamePlayer>("WhosPlaying");
}

void QVWhosPlayingController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVWhosPlayingController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    // No game named: the running game (the service substitutes it for a missing id only).
    std::optional<std::string> game;
    if (!applicationId_.empty())
        game = applicationId_;
    QVFriendsService::getUsersWithAppFollowedByUser(game, userId_.value_or(std::string()), static_cast<int>(page), onSuccess,
                                                    onFailure);
}

Ref<ViewController> QVWhosPlayingController::getNoDataFoundViewController()
{
    auto missing = getMetaDataOfType<QVUsersCredential>();
    if (missing.empty())
        return nullptr;
    Ref<ViewController> loaded = QVControllerLoader::load("FullscreenImportFriendsMessage");
    if (!loaded)
        return nullptr;
    Ref<QVFullScreenImportFriendsMessage> message(
        requireCast<QVFullScreenImportFriendsMessage>(loaded, "The import invitation must name the missing networks"));
    message->setMissingCredentials(missing, getNoDataFoundMessage());
    message->setOwner(this);
    return message;
}

Ref<View> QVWhosPlayingController::createPlainTableSectionHeader(int section)
{
    if (section < 0 || !sections() || section >= static_cast<int>(sections()->size()))
        return nullptr;
    Ref<View> header = QVControllerLoader::loadView("WhosPlayingSectionHeaderView");
    if (!header)
        return QVTableSequenceControllerHelper::createPlainTableSectionHeader(section);
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (auto* label = dynamic_cast<Label*>(header->viewWithTag(1)))
        label->setText(s ? s->title() : std::string());
    return header;
}

void QVWhosPlayingController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* player = dynamic_cast<QVGamePlayer*>(resource))
        QVDashboardSwitch::showProfileForUser(player->user());
}

void QVWhosPlayingController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (title().empty())
        setTitle("Who's Playing");
    platform::NotificationCenter::defaultCenter().addObserver(
        this, Quorvel::kFriendPresenceChanged, [this](const platform::Notification&) { reloadDataFromServer(); });
}

void QVWhosPlayingController::viewWillDisappear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
    platform::NotificationCenter::defaultCenter().removeObserver(this, Quorvel::kFriendPresenceChanged);
}

} // namespace quorvel
