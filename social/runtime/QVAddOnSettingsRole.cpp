// The add-on settings role's slot and its default (no add-ons to tell).
#include "social/runtime/QVAddOnSettingsRole.h"

#include <atomic>

namespace quorvel {

namespace {
std::atomic<QVAddOnSettingsRole*> installed { nullptr };
} // namespace

QVAddOnSettingsRole& QVAddOnSettingsRole::current()
{
    static QVAddOnSettingsRole fallback;
    QVAddOnSettingsRole* role = installed.load();
    return role ? *role : fallback;
}

void QVAddOnSettingsRole::setCurrent(QVAddOnSettingsRole* role) { installed.store(role); }

} // namespace quorvel
