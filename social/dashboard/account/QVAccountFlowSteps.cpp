// Steps the account screens share.
#include "social/dashboard/account/QVAccountFlowSteps.h"

#include "platform/graphics/Image.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSettings.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"

#include <utility>

namespace quorvel::account_steps {

using namespace platform::ui;
using platform::Ref;

void setIntroFullscreen(bool fullscreen)
{
    if (QVIntroFrame* intro = QuorvelInternal::dashboardRole().activeIntroFrame())
        intro->setFullscreenFrame(fullscreen);
}

// Pushes a screen made by name; a name that made nothing pushes nothing.
void pushOn(NavigationController* nav, const Ref<ViewController>& screen, bool animated)
{
    if (nav && screen)
        nav->pushViewController(screen.get(), animated);
}

// Offers the sign-in screen over `from`: cancelling it comes back to `from`
// (through onCancel), signing in calls onDone.
void pushLoginOver(ViewController* from, const QVDelegate& onCancel, const QVDelegate& onDone)
{
    Ref<ViewController> screen = QVControllerLoader::load("QuorvelAccountLogin");
    if (screen) {
        auto* login = requireCast<QVAccountSetupBaseController>(screen, "The sign-in screen must take the flow's delegates");
        login->setCancelDelegate(onCancel);
        login->setCompletionDelegate(onDone);
    }
    pushOn(from->navigationController(), screen, true);
}

// The last step of the sequence over `from`: offering to link the social
// networks, which ends the sequence through onDone.
void pushLinkNetworks(ViewController* from, const QVDelegate& onDone)
{
    Ref<ViewController> screen = QVControllerLoader::load("LinkSocialNetworks");
    if (screen)
        requireCast<QVLinkSocialNetworksController>(screen, "The link-networks offer must end the sequence")
            ->setCompleteDelegate(onDone);
    pushOn(from->navigationController(), screen, true);
}

void popBackTo(ViewController* screen)
{
    if (NavigationController* nav = screen->navigationController())
        nav->popToViewController(screen, true);
}

// Ends the sequence: error screens back on, the intro frame closed.
void closeIntro()
{
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

bool holdErrorScreens()
{
    const bool allowed = QuorvelInternal::requestUIRole().areErrorScreensAllowed();
    QuorvelInternal::dashboardRole().allowErrorScreens(false);
    return allowed;
}

void restoreErrorScreens(bool wereAllowed)
{
    if (wereAllowed)
        QuorvelInternal::dashboardRole().allowErrorScreens(true);
}

void ErrorScreenHold::take()
{
    if (held_)
        return;
    held_ = true;
    wereAllowed_ = holdErrorScreens();
    dashboard_ = QuorvelInternal::dashboardRole().dashboardsClosed();
}

void ErrorScreenHold::giveBack()
{
    if (std::exchange(held_, false) && QuorvelInternal::dashboardRole().dashboardsClosed() == dashboard_)
        restoreErrorScreens(wereAllowed_);
}

std::string setting(const char* key)
{
    QVSettings* settings = QVSettings::Instance();
    return settings ? settings->objectForKey(key).value_or("") : std::string();
}

void writeParam(QVHttpNestedQueryStringWriter& params, const char* name, std::string value) { params.io(name, value); }

// "Finding Friends" after a network was linked.
Ref<ViewController> connectedMessage(const char* titleLabel, const char* message)
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    if (!screen)
        return nullptr;
    auto* shown = requireCast<QVShowMessageAndReturnController>(screen, "The message screen must show its message");
    shown->setTitle("Finding Friends");
    shown->messageTitleLabel()->setText(titleLabel);
    shown->messageLabel()->setText(message);
    return screen;
}

Ref<ImageAsset> statusImage(const char* name)
{
    Ref<platform::Image> image = QVImageLoader::loadImage(name);
    return image ? ImageAsset::withImage(name, image.get()) : nullptr;
}

} // namespace quorvel::account_steps
