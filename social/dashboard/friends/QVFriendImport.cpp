// Friend import, the import invitation, search by name and who's playing.
#include "social/dashboard/friends/QVFriendImport.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Font.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVGamePlayer.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVImportFriendsController);
QV_REGISTER_CLASS(QVFindUserHeaderController);
QV_REGISTER_CLASS(QVFindUserController);
QV_REGISTER_CLASS(QVWhosPlayingCell);
QV_REGISTER_CLASS(QVWhosPlayingController);

namespace {

float screenWidth() { return QVDashboardRole::current().getDashboardBounds().size.width; }

std::string textOf(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed && boxed->value().isString() ? boxed->value().asString() : std::string();
}

// The import invitation is loaded under two names of its own; the screen it
// is loaded for (the layout's owner) is the list it works for.
[[maybe_unused]] const bool importMessageLayoutsRegistered = [] {
    for (const char* layout : { "FullscreenImportFriendsMessageControllerQv", "HeaderedFullscreenImportFriendsMessageControllerQv" })
        InterfaceRegistry::shared().registerLayout(layout, [](InterfaceBuilder& b) {
            auto message = b.makeController<QVFullScreenImportFriendsMessage>();
            message->setOwner(b.ownerAs<ViewController>());
            return std::vector<Ref<Object>> { message };
        });
    return true;
}();

} // namespace

// ---------------------------------------------------------------------------
// Importer

#define QV_IMPORTER_CALLBACK(name) QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFriendImporter, name)))

Ref<QVFriendImporter> QVFriendImporter::friendImporterWithController(ViewController* controller)
{
    Ref<QVFriendImporter> importer = platform::adoptRef(new QVFriendImporter);
    importer->mController = controller;
    return importer;
}

bool QVFriendImporter::canReceiveCallbacksNow() { return QVHostTakesCallbacks(mController.get()); }

void QVFriendImporter::showHostLoading(bool show)
{
    ViewController* host = mController.get();
    if (auto* list = dynamic_cast<QVTableControllerHelper*>(host))
        show ? list->showLoadingScreen() : list->hideLoadingScreen();
    else if (auto* screen = dynamic_cast<QVViewController*>(host))
        show ? screen->showLoadingScreen() : screen->hideLoadingScreen();
}

void QVFriendImporter::importFromFacebook()
{
    mCredentialType = "fbconnect";
    mLinkCredentialControllerName = "FacebookAccountLogin";
    importFromSocialNetwork();
}

void QVFriendImporter::importFromTwitter()
{
    mCredentialType = "twitter";
    mLinkCredentialControllerName = "TwitterAccountLogin";
    importFromSocialNetwork();
}

void QVFriendImporter::importFromSocialNetwork()
{
    showHostLoading(true);
    QVUsersCredentialService::getIndexOnSuccess(QV_IMPORTER_CALLBACK(onUsersCredentialsDownloaded),
                                                QV_IMPORTER_CALLBACK(importFriendsFailed), true);
}

void QVFriendImporter::onUsersCredentialsDownloaded(Object* answer)
{
    auto host = mController.lock();
    if (!host)
        return;
    bool found = false;
    auto look = [&](QVPaginatedSeries* page) {
        for (size_t i = 0; page && i < page->count() && !found; ++i)
            if (auto* credential = dynamic_cast<QVUsersCredential*>(page->objectAtIndex(i)))
                found = credential->credentialType() == mCredentialType;
    };
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    look(series);
    for (size_t i = 0; i < series->count() && !found; ++i)
        if (auto* section = dynamic_cast<QVTableSectionDescription*>(series->objectAtIndex(i)))
            look(section->page());
    if (found) {
        const std::string name = QVUsersCredential::getDisplayNameForCredentialType(mCredentialType).value_or(mCredentialType);
        mImportCompleteMessage = "Allow some time for us to find your " + name
            + " friends with Quorvel. Any matches will appear in the friends tab.";
        QVUsersCredentialService::importFriendsFromCredentialType(mCredentialType, QV_IMPORTER_CALLBACK(importFriendsSucceeded),
                                                                  QV_IMPORTER_CALLBACK(importFriendsFailed));
        return;
    }
    // Not linked: the player links the network first.
    showHostLoading(false);
    Ref<ViewController> link = QVControllerLoader::load(mLinkCredentialControllerName);
    if (!link)
        return;
    requireCast<QVAccountSetupBaseController>(link, "A network's login screen must take the added credential")
        ->setAddingAdditionalCredential(true);
    if (NavigationController* nav = host->navigationController())
        nav->pushViewController(link.get(), true);
}

void QVFriendImporter::importFriendsSucceeded(Object*)
{
    if (!mController)
        return;
    showHostLoading(false);
    pushCompleteControllerWithMessage(mImportCompleteMessage, "Finding Friends");
}

void QVFriendImporter::importFriendsFailed(Object*)
{
    if (!mController)
        return;
    showHostLoading(false);
    pushCompleteControllerWithMessage(kImportFailed, "Error");
}

void QVFriendImporter::pushCompleteControllerWithMessage(const std::string& message, const std::string& title)
{
    ViewController* host = mController.get();
    NavigationController* nav = host ? host->navigationController() : nullptr;
    Ref<ViewController> loaded = QVControllerLoader::load("ShowMessageAndReturn");
    if (!loaded || !nav)
        return;
    Ref<QVShowMessageAndReturnController> done(requireCast<QVShowMessageAndReturnController>(loaded, "The message screen must show its message"));
    done->messageLabel()->setText(message);
    done->messageTitleLabel()->setText("Find Friends");
    done->setTitle(title);
    done->continueButton()->setTitleForAllStates("OK");
    const auto& stack = nav->viewControllers();
    if (stack.size() > 1)
        done->setControllerToPopTo(stack[stack.size() - 2].get());
    nav->pushViewController(done.get(), true);
}

void QVFriendImporter::findByName()
{
    ViewController* host = mController.get();
    NavigationController* nav = host ? host->navigationController() : nullptr;
    Ref<ViewController> find = QVControllerLoader::load("FindUser");
    if (!find || !nav)
        return;
    find->setTitle("Find User");
    nav->pushViewController(find.get(), true);
}

// ---------------------------------------------------------------------------
// Import screen

QVImportFriendsController::QVImportFriendsController() : mImporter(QVFriendImporter::friendImporterWithController(this)) { }

// The importer's link to this screen (its host unless another was set) expires with it.
QVImportFriendsController::~QVImportFriendsController() = default;

bool QVImportFriendsController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setController") {
        setController(dynamic_cast<ViewController*>(value));
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

void QVImportFriendsController::loadView()
{
    if (title().empty())
        setTitle("Find Friends");
    const Rect bounds = QVDashboardRole::current().getDashboardBounds();
    const float width = bounds.size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    // Laid out to fit the short page of a phone on its side too: two lines of text, then the buttons.
    auto intro = layout::makeLabel(Rect(20, 12, width - 40, 40), 14, false);
    intro->setTextColor(Color::whiteColor());
    intro->setNumberOfLines(0);
    intro->setText("Find your friends on Quorvel to see what they are playing.");
    intro->setAutoresizingMask(FlexibleWidth);
    root->addSubview(intro.get());
    auto button = [&](float y, const std::string& title, Control::PlainAction action) {
        Ref<QVDefaultButton> b = QVDefaultButton::greenButton(Rect(20, y, width - 40, 44));
        b->setAutoresizingMask(FlexibleWidth);
        b->setTitleForAllStates(title);
        b->addTarget(this, action, TouchUpInside);
        root->addSubview(b.get());
        return Ref<Button>(b.get());
    };
    facebookButton_ = button(62, "Import from Facebook", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onImportFromFacebook)));
    twitterButton_ = button(108, "Import from Twitter", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onImportFromTwitter)));
    findByNameButton_ = button(154, "Find by Name", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onFindByName)));
    setView(root.get());
}

// ---------------------------------------------------------------------------
// Import invitation

void QVFullScreenImportFriendsMessage::loadView()
{
    const Rect bounds = QVDashboardRole::current().getDashboardBounds();
    const float width = bounds.size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    messageLabel_ = layout::makeLabel(Rect(20, 20, width - 40, 120), 14, false);
    messageLabel_->setTextColor(Color::whiteColor());
    messageLabel_->setNumberOfLines(0);
    messageLabel_->setAutoresizingMask(FlexibleWidth);
    root->addSubview(messageLabel_.get());
    Ref<QVDefaultButton> b = QVDefaultButton::greenButton(Rect(20, 150, width - 40, 44));
    b->setAutoresizingMask(FlexibleWidth);
    b->setTitleForAllStates("Import Friends");
    b->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVFullScreenImportFriendsMessage, onImportFriendsPressed)), TouchUpInside);
    root->addSubview(b.get());
    importButton_ = b;
    setView(root.get());
}

void QVFullScreenImportFriendsMessage::setMissingCredentials(const std::vector<Ref<QVUsersCredential>>& credentials,
                                                             const std::string& notice)
{
    std::vector<std::string> names;
    for (const auto& c : credentials)
        if (c)
            names.push_back(QVUsersCredential::getDisplayNameForCredentialType(c->credentialType()).value_or(c->credentialType()));
    if (names.size() >= 2)
        names.back() = "or " + names.back();
    const char* separator = names.size() == 2 ? " " : ", ";
    std::string joined;
    for (size_t i = 0; i < names.size(); ++i)
        joined += (i ? separator : "") + names[i];
    const std::string lead = notice.empty() ? std::string() : notice + " ";
    messageLabel()->setText(lead + "Import your friends from " + joined
                            + " to see what Quorvel games they're playing, compare progress, and more.");
}

bool QVFullScreenImportFriendsMessage::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setOwner") {
        setOwner(dynamic_cast<ViewController*>(value));
        return true;
    }
    if (setterName == "setMessage") {
        messageLabel()->setText(textOf(value));
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

void QVFullScreenImportFriendsMessage::onImportFriendsPressed()
{
    ViewController* owner = owner_.get();
    NavigationController* nav = owner ? owner->navigationController() : nullptr;
    Ref<ViewController> import = QVControllerLoader::load("ImportFriends");
    if (nav && import)
        nav->pushViewController(import.get(), true);
}

// ---------------------------------------------------------------------------
// Find user

void QVFindUserHeaderController::loadView()
{
    auto root = View::viewWithFrame(Rect(0, 0, screenWidth(), SearchBar::kHeight));
    searchBar_ = SearchBar::searchBarWithFrame(Rect(0, 0, screenWidth(), SearchBar::kHeight));
    searchBar_->setAutoresizingMask(FlexibleWidth);
    root->addSubview(searchBar_.get());
    setView(root.get());
}

void QVFindUserHeaderController::resizeView(View* over)
{
    const Rect bar = searchBar()->frame();
    view()->setFrame(Rect(0, 0, over ? over->frame().size.width : screenWidth(), bar.origin.y + bar.size.height));
}

QVFindUserHeaderController* QVFindUserController::header() const
{
    return dynamic_cast<QVFindUserHeaderController*>(tableHeaderController());
}

void QVFindUserController::onTableHeaderCreated(ViewController* header)
{
    // The search bar reports its search button to this screen.
    if (auto* find = dynamic_cast<QVFindUserHeaderController*>(header))
        find->searchBar()->setDelegate(this);
}

void QVFindUserController::searchBarSearchButtonClicked(SearchBar* searchBar)
{
    showLoadingScreen();
    if (platform::ui::Responder* first = platform::ui::Responder::firstResponder())
        first->resignFirstResponder();
    mCurrentName = searchBar ? searchBar->text() : std::string();
    reloadDataFromServer();
}

QVService* QVFindUserController::getService() { return QVUserService::sharedService(); }

void QVFindUserController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("User"); }

void QVFindUserController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersByName(mCurrentName, 1, onSuccess, onFailure);
}

void QVFindUserController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersByName(mCurrentName, static_cast<int>(page), onSuccess, onFailure);
}

void QVFindUserController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* user = dynamic_cast<QVUser*>(resource))
        QVProfileController::showProfileForUser(user);
}

// ---------------------------------------------------------------------------
// Who's playing

bool QVWhosPlayingCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = screenWidth();
    setFrame(Rect(0, 0, width, kHeight));
    const Rect picture(8, 7, 40, 40);
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
        QVProfileController::showProfileForUser(player->user());
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
