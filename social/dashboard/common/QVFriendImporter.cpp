// Importing friends from a linked network, and the search by name.
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/dashboard/common/QVAccountFormScreen.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

#define QV_IMPORTER_CALLBACK(name) QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFriendImporter, name)))

Ref<QVFriendImporter> QVFriendImporter::friendImporterWithController(ViewController* controller)
{
    Ref<QVFriendImporter> importer = platform::adoptRef(new QVFriendImporter);
    importer->mController = controller;
    return importer;
}

bool QVFriendImporter::canReceiveCallbacksNow() { return QVHostTakesCallbacks(mController.get()); }

void QVFriendImporter::showHostLoading(bool show) { QVShowLoadingScreenOf(mController.get(), show); }

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
    // A request the client does not send (for a player who turned it off) is never answered: it fails now.
    if (!QVUsersCredentialService::getIndexOnSuccess(QV_IMPORTER_CALLBACK(onUsersCredentialsDownloaded),
                                                     QV_IMPORTER_CALLBACK(importFriendsFailed), true))
        importFriendsFailed(nullptr);
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
    // The network's login screen (an account step, reached by name) adds a credential.
    requireCast<QVAccountFormScreen>(link, "A network's login must add its credential to the account")
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

} // namespace quorvel
