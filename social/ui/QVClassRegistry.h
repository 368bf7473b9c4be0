// QVClassRegistry: classes of the client looked up by their exact name. The
// dashboard creates screens, cells and views from names computed at run time
// ("QV" + "DeadEndError" + "Controller"), so each such class registers itself
// next to its definition with QV_REGISTER_CLASS and the loader asks here.
//
// Lookup is by exact name only; an unknown name answers no factory. Nothing
// refers to a registering source file, so programs link the whole client (the
// build does it for every target that links quorvel). Register only classes
// something asks for by name: a screen or cell the loader makes, or a class
// created by its exact name.
#pragma once

#include "platform/foundation/Object.h"

#include <string>
#include <vector>

namespace quorvel {

class QVClassRegistry {
public:
    using Factory = platform::Ref<platform::Object> (*)();

    // Registers (or replaces) the class of that name; answers true so that a
    // registration can initialise a static.
    static bool registerClass(const std::string& name, Factory factory);
    static void unregisterClass(const std::string& name);
    // The factory of the class of exactly that name, or null.
    static Factory classNamed(const std::string& name);
    // A new instance of the named class (constructed only: the caller runs its
    // initialiser), or empty.
    static platform::Ref<platform::Object> create(const std::string& name);
    static std::vector<std::string> registeredNames();
};

} // namespace quorvel

// Inside a class: the factory the registry calls (reaches protected constructors).
#define QV_DECLARE_CLASS(Class)                                                                                    \
public:                                                                                                            \
    static ::platform::Ref<::platform::Object> qvCreateInstance() { return ::platform::adoptRef(new Class); }     \
                                                                                                                   \
private:

// In the class's source file, inside namespace quorvel: registers the class
// under its own name.
#define QV_REGISTER_CLASS(Class)                                                                                   \
    [[maybe_unused]] static const bool qvClassRegistered_##Class                                                   \
        = ::quorvel::QVClassRegistry::registerClass(#Class, &Class::qvCreateInstance)
