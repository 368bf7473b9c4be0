// The next turn of the main run loop.
#include "social/runtime/QVTurns.h"

#include "platform/foundation/RunLoop.h"

namespace quorvel {

void QVNextTurn(std::function<void()> work)
{
    platform::RunLoop::main().performAfter(0, std::move(work));
}

} // namespace quorvel
