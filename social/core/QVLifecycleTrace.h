// QVLifecycleTrace: the client's testing seam on its life cycle. Each step of
// start-up and shut-down that reaches another part of the client (services,
// loader, poller registration, add-ons, bootstrap) is reported by name to the
// observer, when one is set. The observer is process-wide: a test sets it
// before start-up and clears it after.
#pragma once

#include <functional>
#include <string>

namespace quorvel {

class QVLifecycleTrace {
public:
    using Observer = std::function<void(const std::string& step)>;
    static void setObserver(Observer observer);
    static void step(const std::string& step);
};

} // namespace quorvel
