// requireCast: the cast for a type the code relies on, not one it asks about.
// A screen loaded by name must have the interface its caller talks to; a
// service's success value must carry a QVPaginatedSeries. Where dynamic_cast
// would answer null and the caller would go on with nothing done,
// requireCast fails the same assertion BRISKO_ASSERT raises, naming the
// caller's method and file, the reason it gives and the class it found.
//
// Null is of no type, so it fails too: a caller for which "nothing" is a
// normal answer (a name that loads no screen) tests for it first. Where the
// type is a real question (which kind of cell was tapped), use dynamic_cast.
//
//     auto* tabbed = requireCast<QVTabbedDashboardScreen>(screen, "The tabbed dashboard takes its tabs");
#pragma once

#include "platform/foundation/Object.h"

#include <source_location>
#include <string>
#include <string_view>

namespace quorvel {

// Raises the assertion failure BRISKO_ASSERT raises, with the method and file
// of `where` (a helper's caller) instead of the helper's own.
[[noreturn]] void QVRaiseAssertion(const std::string& message, const std::source_location& where);

// Raises the assertion failure for a requireCast that found `found` (null
// when there was nothing), as raised at `where`.
[[noreturn]] void QVRaiseRequiredCast(std::string_view why, const platform::Object* found,
                                      const std::source_location& where);

template <typename T, typename From>
T* requireCast(From* object, std::string_view why, const std::source_location& where = std::source_location::current())
{
    if (auto* typed = dynamic_cast<T*>(object)) [[likely]]
        return typed;
    QVRaiseRequiredCast(why, dynamic_cast<const platform::Object*>(object), where);
}

template <typename T, typename From>
T* requireCast(const platform::Ref<From>& object, std::string_view why,
               const std::source_location& where = std::source_location::current())
{
    return requireCast<T>(object.get(), why, where);
}

} // namespace quorvel
