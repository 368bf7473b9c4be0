// Keeps the client's controller-loader names (the default and overriding class
// name prefix and asset suffix, which start-up and the screen tests set) and
// puts them back when destroyed.
#pragma once

#include "social/ui/QVControllerLoader.h"

#include <optional>
#include <string>

namespace testing_support {

class SavedControllerLoaderNames {
public:
    SavedControllerLoaderNames() = default;
    ~SavedControllerLoaderNames()
    {
        quorvel::QVControllerLoader::setDefaultClassNamePrefix(defaultPrefix_);
        quorvel::QVControllerLoader::setDefaultAssetFileSuffix(defaultSuffix_);
        quorvel::QVControllerLoader::setClassNamePrefix(prefix_);
        quorvel::QVControllerLoader::setAssetFileSuffix(suffix_);
    }
    SavedControllerLoaderNames(const SavedControllerLoaderNames&) = delete;
    SavedControllerLoaderNames& operator=(const SavedControllerLoaderNames&) = delete;

private:
    std::string defaultPrefix_ { quorvel::QVControllerLoader::defaultClassNamePrefix() };
    std::string defaultSuffix_ { quorvel::QVControllerLoader::defaultAssetFileSuffix() };
    std::optional<std::string> prefix_ { quorvel::QVControllerLoader::classNamePrefix() };
    std::optional<std::string> suffix_ { quorvel::QVControllerLoader::assetFileSuffix() };
};

} // namespace testing_support
