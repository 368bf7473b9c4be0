// The session role's defaults (no client running) and its slot.
#include "social/runtime/QVSessionRole.h"

#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVProvider.h"

#include <atomic>

namespace quorvel {

namespace {
std::atomic<QVSessionRole*> installed { nullptr };
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

void QVSessionRole::setCurrent(QVSessionRole* role) { installed.store(role); }

} // namespace quorvel
