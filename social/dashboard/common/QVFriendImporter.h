// QVFriendImporter: finds friends for whichever screen hosts it — the
// "ImportFriends" screen, the friends lists' import invitation, the account
// flow's network links: imports them from a linked Facebook or Twitter account
// (sending the player to link it first when it is not), or opens the search by
// name.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVDelegate.h"

namespace quorvel {

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

} // namespace quorvel
