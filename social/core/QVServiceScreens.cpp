// The screens the services open over the game, and what a received
// challenge does.
#include "social/core/QVServiceScreens.h"

#include "platform/foundation/Log.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "social/core/QVNotification.h"
#include "social/core/QVPresenter.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/QVDashboardHub.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel {

namespace {

QVServiceScreens::ChallengePushHandlers& challengeHandlers()
{
    static QVServiceScreens::ChallengePushHandlers handlers;
    return handlers;
}

} // namespace

void QVServiceScreens::setChallengePushHandlers(ChallengePushHandlers handlers) { challengeHandlers() = std::move(handlers); }

void QVServiceScreens::showReceivedChallengeDetail(const std::string& challengeToUserId)
{
    if (challengeHandlers().showDetailView)
        challengeHandlers().showDetailView(challengeToUserId);
    else
        QVChallengeService::getChallengeToUserAndShowDetailView(challengeToUserId);
}

void QVServiceScreens::showReceivedChallengeNotification(const std::string& challengeToUserId)
{
    if (challengeHandlers().showNotification)
        challengeHandlers().showNotification(challengeToUserId);
    else
        QVChallengeService::getChallengeToUserAndShowNotification(challengeToUserId);
}

// ---- Screens the services open

namespace {

// Closes a challenge screen that has no way out of its own: the target of
// its close button, kept by the part (the button holds it weakly).
class ChallengeScreenCloser : public platform::Object {
public:
    explicit ChallengeScreenCloser(QVPresenter& presenter)
        : presenter_(presenter)
    {
    }
    void cancel() { presenter_.dismissRootController(); }

private:
    QVPresenter& presenter_; // a sibling part: it lives as long as the closer's owner
};

} // namespace

// A challenge screen of the dashboard, framed over the game with a close button.
bool QVServiceScreens::presentChallengeScreen(const QVChallengeScreen& values)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load(values.controllerName);
    if (!screen) {
        platform::log("Quorvel: no challenge screens to present %s", values.controllerName.c_str());
        return false;
    }
    requireCast<QVChallengeScreenController>(screen, "A challenge screen must take its values")->setChallengeScreen(values);
    if (!values.title.empty())
        screen->setTitle(values.title);
    if (auto* selfClosing = dynamic_cast<QVSelfClosingChallengeScreen*>(screen.get())) {
        selfClosing->addCloseButtonCallingCancel();
    } else {
        if (!closer_)
            closer_ = platform::adoptRef(new ChallengeScreenCloser(presenter()));
        QVNavigationController::addCloseButtonToViewController(screen.get(), closer_.get(),
                                                               BRISKO_SELECTOR(ChallengeScreenCloser, cancel));
    }
    platform::Ref<platform::ui::ViewController> frame = QVControllerLoader::load("FramedNavigation");
    if (!frame)
        return false;
    auto* navigation = requireCast<platform::ui::NavigationController>(frame, "The framed navigation must be a stack");
    navigation->setViewControllers({ screen }, false);
    presenter().presentRootControllerWithModal(frame);
    return true;
}

void QVServiceScreens::showChallengeDetail(const std::string& challengeId)
{
    platform::Ref<platform::ui::ViewController> list = QVControllerLoader::load("ChallengeList");
    platform::Ref<platform::ui::ViewController> detail = QVControllerLoader::load("ChallengeDetail");
    if (detail)
        requireCast<QVChallengeDetailSetup>(detail, "The challenge detail must take its challenge")->setChallengeId(challengeId);
    std::vector<platform::Ref<platform::ui::ViewController>> controllers;
    for (auto& c : { list, detail })
        if (c)
            controllers.push_back(c);
    // Asked of the installed screens role, as the services ask it (a test records launches there).
    QVScreensRole::current().launchDashboard("GameProfile", controllers);
}

void QVServiceScreens::showChallengeNotice(QVChallengeToUser* received)
{
    QVChallenge* challenge = received->challenge();
    QVChallengeDefinition* definition = challenge ? challenge->challengeDefinition() : nullptr;
    QVNotification::sharedInstance().showChallengeNotice(
        QVReceivedChallengeNotificationData::dataWithChallengeToUser(
            received, challenge ? challenge->challenger() : nullptr, definition ? definition->iconUrl() : "")
            .get());
}

// Without a "SocialNotification" screen nothing can be asked, so nothing is posted.
bool QVServiceScreens::requestNotificationPermission(QVSocialNotification* notification,
                                                 const std::vector<platform::Ref<QVUsersCredential>>& credentials)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load("SocialNotification");
    if (!screen)
        return false;
    requireCast<QVSocialNotificationPrompt>(screen, "The permission screen must take the post")
        ->setSocialNotification(notification, credentials);
    // The game stays visible behind the question: no dark shade.
    presenter().presentModalOverlay(screen, false);
    return true;
}

// The invite flow belongs to the dashboard, which opens it.
bool QVServiceScreens::presentSendInviteScreen(const std::string& inviteIdentifier)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load("SelectInviteType");
    if (!screen) {
        platform::log("Quorvel: no invite screens to present");
        return false;
    }
    requireCast<QVSendInviteScreen>(screen, "The invite screen must open the flow")->openAsModalForInvite(inviteIdentifier);
    return true;
}

void QVServiceScreens::launchDashboard(const std::string& tab, const std::vector<platform::Ref<platform::ui::ViewController>>& controllers)
{
    std::vector<Quorvel::DashboardEntry> entries;
    for (auto& c : controllers)
        entries.emplace_back(platform::Ref<platform::Object>(c.get()));
    hub().launchDashboardWithDelegate(nullptr, tab, entries);
}

// Settings entries open their screens through the kit's loader, by name.
platform::Ref<platform::ui::ViewController> QVServiceScreens::loadScreen(const std::string& name)
{
    return QVControllerLoader::load(name);
}

} // namespace quorvel
