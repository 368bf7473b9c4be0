#include "social/dashboard/challenges/QVChallengeScreens.h"

#include "social/core/QuorvelInternal.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel::QVChallengeScreens {

namespace {
std::function<QVChallengeDelegate*()>& source()
{
    static std::function<QVChallengeDelegate*()> s;
    return s;
}

// Closes a screen that has no way out of its own.
class ChallengeScreenCloser : public platform::Object {
public:
    void cancel() { QuorvelInternal::dismissRootController(); }
};

// The send screen and the result header, framed over the game; their close
// button is their own cancel, which tells the game.
bool presentChallengeScreen(const QVChallengeScreen& values)
{
    platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load(values.controllerName);
    if (!screen)
        return false;
    if (auto* challengeScreen = dynamic_cast<QVChallengeScreenController*>(screen.get()))
        challengeScreen->setChallengeScreen(values);
    if (!values.title.empty())
        screen->setTitle(values.title);
    if (auto* send = dynamic_cast<QVSendChallengeController*>(screen.get())) {
        QVNavigationController::addCloseButtonToViewController(send, send, BRISKO_SELECTOR(QVSendChallengeController, cancel));
    } else if (auto* result = dynamic_cast<QVCompletedChallengeHeaderController*>(screen.get())) {
        QVNavigationController::addCloseButtonToViewController(result, result,
                                                               BRISKO_SELECTOR(QVCompletedChallengeHeaderController, cancel));
    } else {
        static platform::Object* closer = new ChallengeScreenCloser;
        QVNavigationController::addCloseButtonToViewController(screen.get(), closer, BRISKO_SELECTOR(ChallengeScreenCloser, cancel));
    }
    platform::Ref<platform::ui::ViewController> frame = QVControllerLoader::load("FramedNavigation");
    auto* navigation = dynamic_cast<platform::ui::NavigationController*>(frame.get());
    if (!navigation)
        return false;
    navigation->setViewControllers({ screen }, false);
    QuorvelInternal::presentRootControllerWithModal(frame);
    return true;
}

[[maybe_unused]] const bool presenterInstalled = [] {
    QuorvelDashboardHooks::shared().presentChallengeScreen = presentChallengeScreen;
    return true;
}();
} // namespace

QVChallengeDelegate* challengeDelegate() { return source() ? source()() : QuorvelInternal::getChallengeDelegate(); }

void setChallengeDelegateSource(std::function<QVChallengeDelegate*()> s) { source() = std::move(s); }

QVChallengeDelegate* delegateRespondingTo(QVChallengeDelegate::Message message)
{
    QVChallengeDelegate* d = challengeDelegate();
    return d && d->respondsTo(message) ? d : nullptr;
}

void dismissDashboard() { QVDashboardRole::current().dismissDashboard(); }

} // namespace quorvel::QVChallengeScreens
