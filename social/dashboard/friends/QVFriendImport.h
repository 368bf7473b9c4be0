// Finding friends: QVFriendImporter imports them from a linked Facebook or
// Twitter account (sending the player to link it first when it is not) or
// opens the search by name, for whichever screen hosts it — the
// "ImportFriends" screen, the friends list's empty view, the account flow.
// QVFullScreenImportFriendsMessage invites the player to import when a list is
// empty; QVFindUserController ("FindUser") searches players by name; and
// QVWhosPlayingController ("WhosPlaying") lists the friends who play a game.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SearchBar.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVViewController.h"

#include <vector>

namespace quorvel {

class QVUsersCredential;

class QVFriendImporter : public platform::Object, public QVCallbackable {
public:
    static constexpr const char* kImportFailed
        = "An error occured when trying to import your friends. Please try again later.";

    static platform::Ref<QVFriendImporter> friendImporterWithController(platform::ui::ViewController* controller);

    void importFromFacebook();
    void importFromTwitter();
    void findByName();
    // The host is going: later answers do nothing.
    void controllerDealloced() { mController = nullptr; }
    void setController(platform::ui::ViewController* controller) { mController = controller; }
    // The host screen, while it exists.
    platform::ui::ViewController* controller() const { return mController.get(); }
    // The importer works for its host: answers are taken while the host takes them.
    bool canReceiveCallbacksNow() override;

    void onUsersCredentialsDownloaded(platform::Object* answer);
    void importFriendsSucceeded(platform::Object*);
    void importFriendsFailed(platform::Object*);

private:
    void importFromSocialNetwork();
    void showHostLoading(bool show);
    void pushCompleteControllerWithMessage(const std::string& message, const std::string& title);

    platform::WeakLink<platform::ui::ViewController> mController;
    std::string mImportCompleteMessage;
    std::string mCredentialType;
    std::string mLinkCredentialControllerName;
};

class QVImportFriendsController : public QVViewController {
    QV_DECLARE_CLASS(QVImportFriendsController)
public:
    QVFriendImporter* importer() const { return mImporter.get(); }
    void setController(platform::ui::ViewController* controller) { mImporter->setController(controller); }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    void onImportFromFacebook() { mImporter->importFromFacebook(); }
    void onImportFromTwitter() { mImporter->importFromTwitter(); }
    void onFindByName() { mImporter->findByName(); }

    platform::ui::Button* facebookButton() const { return facebookButton_.get(); }
    platform::ui::Button* twitterButton() const { return twitterButton_.get(); }
    platform::ui::Button* findByNameButton() const { return findByNameButton_.get(); }
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVImportFriendsController();
    ~QVImportFriendsController() override;

private:
    platform::Ref<QVFriendImporter> mImporter;
    platform::Ref<platform::ui::Button> facebookButton_;
    platform::Ref<platform::ui::Button> twitterButton_;
    platform::Ref<platform::ui::Button> findByNameButton_;
};

class QVFullScreenImportFriendsMessage : public QVViewController {
    QV_DECLARE_CLASS(QVFullScreenImportFriendsMessage)
public:
    // The list screen that shows the message, while it exists.
    platform::ui::ViewController* owner() const { return owner_.get(); }
    void setOwner(platform::ui::ViewController* owner) { owner_ = owner; }
    platform::ui::Label* messageLabel() { view(); return messageLabel_.get(); }
    void setMissingCredentials(const std::vector<platform::Ref<QVUsersCredential>>& credentials,
                               const std::string& notice);
    void onImportFriendsPressed();
    void loadView() override;
    // "setOwner" (the list screen) and "setMessage" (the text shown), for the
    // screens of other features that show this one as their empty list.
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFullScreenImportFriendsMessage() = default;

private:
    platform::WeakLink<platform::ui::ViewController> owner_;
    platform::Ref<platform::ui::Label> messageLabel_;
    platform::Ref<platform::ui::Button> importButton_;
};

class QVFindUserHeaderController : public platform::ui::ViewController, public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVFindUserHeaderController)
public:
    platform::ui::SearchBar* searchBar() { view(); return searchBar_.get(); }
    void resizeView(platform::ui::View* over) override;
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFindUserHeaderController() = default;

private:
    platform::Ref<platform::ui::SearchBar> searchBar_;
};

class QVFindUserController : public QVTableSequenceControllerHelper, public platform::ui::SearchBarDelegate {
    QV_DECLARE_CLASS(QVFindUserController)
public:
    const std::string& currentName() const { return mCurrentName; }
    QVFindUserHeaderController* header() const;

    void searchBarSearchButtonClicked(platform::ui::SearchBar* searchBar) override;
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("FindUserHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool autoLoadData() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Search for friends by their Quorvel name."; }
    std::string getNoDataFoundMessage() override { return "No user with that name was found."; }
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFindUserController() = default;

private:
    std::string mCurrentName;
};

class QVWhosPlayingCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVWhosPlayingCell)
public:
    static constexpr float kHeight = 54;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* lastPlayedGameLabel() const { return lastPlayedGameLabel_.get(); }
    platform::ui::Label* gamerScoreLabel() const { return gamerScoreLabel_.get(); }
    platform::ui::Label* appGamerScoreLabel() const { return appGamerScoreLabel_.get(); }
    platform::ui::Label* onlineLabel() const { return onlineLabel_.get(); }
    // What the two scores are.
    platform::ui::Label* appGamerScoreCaption() const { return appGamerScoreCaption_.get(); }
    platform::ui::Label* gamerScoreCaption() const { return gamerScoreCaption_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWhosPlayingCell() = default;

private:
    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Label> nameLabel_;
    platform::Ref<platform::ui::Label> lastPlayedGameLabel_;
    platform::Ref<platform::ui::Label> gamerScoreLabel_;
    platform::Ref<platform::ui::Label> appGamerScoreLabel_;
    platform::Ref<platform::ui::Label> onlineLabel_;
    platform::Ref<platform::ui::Label> appGamerScoreCaption_;
    platform::Ref<platform::ui::Label> gamerScoreCaption_;
};

class QVWhosPlayingController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVWhosPlayingController)
public:
    static constexpr const char* kNoFriends = "None of your friends have played this game.  Why don't you tell them about it?";

    const std::string& applicationId() const { return applicationId_; }
    void setApplicationId(std::string id) { applicationId_ = std::move(id); }
    void setApplicationName(std::string name) { applicationName_ = std::move(name); }
    void setApplicationIconUrl(std::string url) { applicationIconUrl_ = std::move(url); }
    void setUserId(std::optional<std::string> id) { userId_ = std::move(id); }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::string getNoDataFoundMessage() override { return kNoFriends; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWhosPlayingController() = default;
    ~QVWhosPlayingController() override;

private:
    std::string applicationId_;
    std::string applicationName_;
    std::string applicationIconUrl_;
    std::optional<std::string> userId_;
};

} // namespace quorvel
