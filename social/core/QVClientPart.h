// QVClientPart: the base of the central class's parts (the presenter, the
// login, the session, ...). Each part belongs to one Quorvel instance and
// reaches its siblings through it, never through QuorvelInternal, so what a
// part needs shows in its own calls (docs/social.md draws the graph they
// make, and scripts/check_parts keeps the drawing true). A part that keeps
// state acts only while its instance is the running client: before start-up,
// after shut-down and on the idle client (whose parts QuorvelInternal hands
// out when none runs) every call answers the fixed default and changes
// nothing. The options and the notifications keep no state and answer alike
// on every instance.
#pragma once

namespace quorvel {

class Quorvel;
class QVClientNotifications;
class QVClientSession;
class QVDashboardHub;
class QVGameCenterLink;
class QVLocalRecords;
class QVLocationTracking;
class QVLogin;
class QVPresenter;
class QVRequestUI;
class QVServiceScreens;
class QVUserOptions;
class QVUserStats;

class QVClientPart {
public:
    QVClientPart(const QVClientPart&) = delete;
    QVClientPart& operator=(const QVClientPart&) = delete;

protected:
    explicit QVClientPart(Quorvel& client)
        : client_(client)
    {
    }
    ~QVClientPart() = default;

    // This part's client is the running one.
    bool running() const;
    // The instance the part belongs to (keep it alive across a call that may shut the client down).
    Quorvel& client() const { return client_; }

    // The sibling parts of the same instance.
    QVUserOptions& options() const;
    QVUserStats& stats() const;
    QVClientNotifications& notifications() const;
    QVClientSession& session() const;
    QVLogin& login() const;
    QVPresenter& presenter() const;
    QVDashboardHub& hub() const;
    QVRequestUI& requestUI() const;
    QVServiceScreens& serviceScreens() const;
    QVLocalRecords& records() const;
    QVLocationTracking& location() const;
    QVGameCenterLink& gameCenter() const;

private:
    Quorvel& client_; // owns the part
};

} // namespace quorvel
