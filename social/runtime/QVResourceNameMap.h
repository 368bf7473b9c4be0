// QVResourceNameMap: a service's table from XML element names to resource
// classes, in the order the service added them.
#pragma once

#include "social/runtime/QVResourceClass.h"

#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class QVResourceNameMap {
public:
    void addResource(std::string name, const QVResourceClass& cls) { entries_.emplace_back(std::move(name), &cls); }
    template <typename T>
    void addResource(std::string name) { addResource(std::move(name), T::staticResourceClass()); }

    // The class of that element name, or null.
    const QVResourceClass* find(const std::string& name) const
    {
        for (const auto& [n, cls] : entries_) {
            if (n == name)
                return cls;
        }
        return nullptr;
    }
    const std::vector<std::pair<std::string, const QVResourceClass*>>& entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, const QVResourceClass*>> entries_;
};

} // namespace quorvel
