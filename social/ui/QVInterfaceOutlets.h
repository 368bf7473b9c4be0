// Connecting outlets in the kit's interface layouts: an outlet whose object is
// not of the class the owner expects is a broken layout, so the connection
// raises an assertion (tests fail loudly) instead of leaving a null outlet.
#pragma once

#include "platform/foundation/Object.h"
#include "social/runtime/QVRequireCast.h"

#include <source_location>
#include <string>

namespace quorvel {

template <typename T>
T* QVOutlet(platform::Object* object, const char* layout, const char* outlet,
            const std::source_location& where = std::source_location::current())
{
    return requireCast<T>(object,
                          std::string("Outlet ") + outlet + " of " + layout
                              + " must be connected to an object of the class it needs",
                          where);
}

// Registers (again) every interface layout of the kit.
void QVRegisterKitInterfaces();

} // namespace quorvel
