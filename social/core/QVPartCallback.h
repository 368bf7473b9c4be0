// QVPartCallback: the callback target a part of the central class hands to
// work that answers later (a bootstrap, a login the dashboard waits for). It
// answers its part only while the client instance it was made for lives,
// held across the answer, and no more once cancelled (a logout, a login that
// gave way): the one way a part is reached from a callback.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Weak.h"
#include "social/runtime/QVDelegate.h"

namespace quorvel {

class Quorvel;

template <typename Part>
class QVPartCallback : public platform::Object, public QVCallbackable {
public:
    bool canReceiveCallbacksNow() override { return !cancelled_ && !client_.expired(); }
    // Nothing the work answers from now on reaches the part.
    void cancel() { cancelled_ = true; }

protected:
    QVPartCallback(Quorvel& client, Part& part)
        : client_(&client)
        , part_(part)
    {
    }
    // Runs `call` with the part, its client held across it; nothing once the
    // client went or the callback was cancelled.
    template <typename Call>
    void withPart(Call&& call)
    {
        if (cancelled_)
            return;
        if (platform::Ref<Quorvel> keep = client_.lock())
            call(part_);
    }

private:
    platform::Weak<Quorvel> client_;
    Part& part_; // a part of client_, alive while it is
    bool cancelled_ { false };
};

} // namespace quorvel
