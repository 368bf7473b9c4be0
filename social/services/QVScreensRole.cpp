// The screens role's defaults (no client running: nothing opens) and its slot.
#include "social/services/QVScreensRole.h"

#include "social/services/QVChallengeService.h"

#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"

#include <atomic>

namespace quorvel {

namespace {
std::atomic<QVScreensRole*> installed { nullptr };
} // namespace

bool QVScreensRole::presentChallengeScreen(const QVChallengeScreen& screen)
{
    platform::log("Quorvel: no screen to open %s", screen.controllerName.c_str());
    return false;
}

void QVScreensRole::showChallengeDetail(const std::string& challengeId)
{
    platform::log("Quorvel: no dashboard to show the challenge %s", challengeId.c_str());
}

bool QVScreensRole::presentSendInviteScreen(const std::string& inviteIdentifier)
{
    platform::log("Quorvel: no dashboard to invite with %s", inviteIdentifier.c_str());
    return false;
}

platform::Ref<platform::ui::ViewController> QVScreensRole::loadScreen(const std::string&) { return nullptr; }

void QVScreensRole::launchDashboard(const std::string& tab, const std::vector<platform::Ref<platform::ui::ViewController>>&)
{
    platform::log("Quorvel: no dashboard to open on the tab %s", tab.c_str());
}

QVScreensRole& QVScreensRole::current()
{
    static QVScreensRole fallback;
    QVScreensRole* role = installed.load();
    return role ? *role : fallback;
}

void QVScreensRole::setCurrent(QVScreensRole* role) { installed.store(role); }

} // namespace quorvel
