// QVRuntimeHost: how the runtime reaches up into the client's facade without
// depending on it — server notifications found in answers, the default notice
// after a request, error screens and the player's approval state.
//
// The facade installs its host at initialisation (setCurrent) and removes it
// at shut-down. Until then a default host answers: it drops notifications and
// notices (logging them), allows no error screens and reports no approval.
#pragma once

#include "platform/foundation/Value.h"

#include <string>

namespace quorvel {

struct QVXmlElement;
class QVResourceNameMap;

class QVRuntimeHost {
public:
    virtual ~QVRuntimeHost() = default;

    // A <server_notification> element of an answer, with the name map the answer was read with.
    virtual void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names);
    // After a request succeeded.
    virtual void showDefaultNotice() { }
    virtual bool areErrorScreensAllowed() { return false; }
    virtual void displayErrorMessage(const std::string& message);
    virtual void displayUpgradeRequiredErrorMessage(const platform::Bytes& body) { }
    virtual void displayServerMaintenanceNotice(const platform::Bytes& body) { }
    virtual bool hasUserApprovedQuorvel() { return false; }
    virtual bool isQuorvelDisabled() { return false; }
    // The session id every signed request carries ("0" without a session).
    virtual std::string sessionId() { return "0"; }

    // The installed host, or the default one.
    static QVRuntimeHost& current();
    // Installs a host (not owned); null restores the default.
    static void setCurrent(QVRuntimeHost* host);
};

} // namespace quorvel
