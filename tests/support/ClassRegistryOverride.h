// Puts a class under a name in the client's class-by-name registry for the
// guard's lifetime (a null factory: no class of that name), then restores what
// was registered under that name before, or nothing: a test's stand-in screen
// never outlives the test, and the real class is back for the next one.
#pragma once

#include "social/ui/QVClassRegistry.h"

#include <string>
#include <utility>

namespace testing_support {

class ClassRegistryOverride {
public:
    ClassRegistryOverride(std::string name, quorvel::QVClassRegistry::Factory factory)
        : name_(std::move(name))
        , previous_(quorvel::QVClassRegistry::classNamed(name_))
    {
        if (factory)
            quorvel::QVClassRegistry::registerClass(name_, factory);
        else
            quorvel::QVClassRegistry::unregisterClass(name_);
    }
    ~ClassRegistryOverride()
    {
        if (previous_)
            quorvel::QVClassRegistry::registerClass(name_, previous_);
        else
            quorvel::QVClassRegistry::unregisterClass(name_);
    }
    ClassRegistryOverride(const ClassRegistryOverride&) = delete;
    ClassRegistryOverride& operator=(const ClassRegistryOverride&) = delete;

private:
    std::string name_;
    quorvel::QVClassRegistry::Factory previous_;
};

} // namespace testing_support
