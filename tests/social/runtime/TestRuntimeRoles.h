// A test double playing the runtime's three roles at once (session, request
// UI, Game Center): a test overrides what it needs; the rest answers as
// without a running client.
#pragma once

#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"

namespace quorvel {

class TestRuntimeRoles : public QVSessionRole, public QVRequestUIRole, public QVGameCenterRole {
public:
    // Installs the double as all three roles; null restores the defaults.
    static void setCurrent(TestRuntimeRoles* roles)
    {
        QVSessionRole::setCurrent(roles);
        QVRequestUIRole::setCurrent(roles);
        QVGameCenterRole::setCurrent(roles);
    }
};

} // namespace quorvel
