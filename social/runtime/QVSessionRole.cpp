// The session role's defaults (no client running) and its slot.
#include "social/runtime/QVSessionRole.h"

#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVProvider.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <atomic>
#include <set>

namespace quorvel {

namespace {
std::atomic<QVSessionRole*> installed { nullptr };
// Set once a role is removed: a call now comes after a shut-down, not before a start.
std::atomic<bool> shutDown { false };

// The calls already warned about since a client last started or stopped (main thread).
std::set<std::string>& warnedCalls()
{
    static std::set<std::string> calls;
    return calls;
}
} // namespace

void QVSessionRole::applyBootstrap(const QVBootstrap& answer, QVProvider& provider)
{
    provider.setAccessToken(answer.accessToken, answer.accessTokenSecret);
}

QVSessionRole& QVSessionRole::current()
{
    static QVSessionRole fallback;
    QVSessionRole* role = installed.load();
    return role ? *role : fallback;
}

void QVSessionRole::setCurrent(QVSessionRole* role)
{
    if (installed.exchange(role) && !role)
        shutDown.store(true);
    else if (role)
        shutDown.store(false);
    warnedCalls().clear();
}

bool QVSessionRole::isInstalled() { return installed.load() != nullptr; }

void QVSessionRole::requireMainThread(const char* call)
{
    BRISKO_ASSERT(platform::RunLoop::isMainThread(),
                  std::string(call) + " was called off the main thread; the client's calls are made on the main "
                                      "thread (post it to the main run loop)");
}

bool QVSessionRole::requireRunningClient(const std::string& call)
{
    if (isInstalled())
        return true;
    if (!warnedCalls().insert(call).second)
        return false;
    if (shutDown.load())
        platform::logWarning("Quorvel: %s was called after Quorvel::shutdown: the client was shut down, so it does "
                             "nothing",
                             call.c_str());
    else
        platform::logWarning("Quorvel: %s was called before Quorvel::initializeWithProductKey: the client is not "
                             "started, so it does nothing",
                             call.c_str());
    return false;
}

} // namespace quorvel
