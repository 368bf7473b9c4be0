// Connecting outlets in the kit's interface layouts: an outlet whose object is
// not of the class the owner expects is a broken layout, so the connection
// raises an assertion (tests fail loudly) instead of leaving a null outlet.
#pragma once

#include "platform/foundation/Exception.h"
#include "platform/foundation/Object.h"

#include <string>

namespace quorvel {

template <typename T>
T* QVOutlet(platform::Object* object, const char* layout, const char* outlet)
{
    auto* typed = dynamic_cast<T*>(object);
    BRISKO_ASSERT(typed, std::string("Outlet ") + outlet + " of " + layout + " is connected to "
                             + (object ? object->className() : std::string("nothing"))
                             + ", not an object of the class it needs");
    return typed;
}

// Registers (again) every interface layout of the kit.
void QVRegisterKitInterfaces();

} // namespace quorvel
