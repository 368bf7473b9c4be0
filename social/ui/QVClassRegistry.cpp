// The class-by-name table: one process-wide map filled by static registrations.
#include "social/ui/QVClassRegistry.h"

#include <map>

namespace quorvel {

namespace {
std::map<std::string, QVClassRegistry::Factory>& table()
{
    static std::map<std::string, QVClassRegistry::Factory> classes;
    return classes;
}
} // namespace

bool QVClassRegistry::registerClass(const std::string& name, Factory factory)
{
    if (factory)
        table()[name] = factory;
    return true;
}

void QVClassRegistry::unregisterClass(const std::string& name) { table().erase(name); }

QVClassRegistry::Factory QVClassRegistry::classNamed(const std::string& name)
{
    auto it = table().find(name);
    return it == table().end() ? nullptr : it->second;
}

platform::Ref<platform::Object> QVClassRegistry::create(const std::string& name)
{
    Factory f = classNamed(name);
    return f ? f() : nullptr;
}

std::vector<std::string> QVClassRegistry::registeredNames()
{
    std::vector<std::string> names;
    for (auto& [name, f] : table())
        names.push_back(name);
    return names;
}

} // namespace quorvel
