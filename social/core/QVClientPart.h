// QVClientPart: the base of the central class's parts that keep state of the
// running client (the presenter, the login, the session, ...). Each part
// belongs to one Quorvel instance and acts only while that instance is the
// running client: before start-up, after shut-down and on the idle client
// (whose parts QuorvelInternal hands out when none runs) every call answers
// the fixed default and changes nothing.
#pragma once

namespace quorvel {

class Quorvel;

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

private:
    Quorvel& client_; // owns the part
};

} // namespace quorvel
