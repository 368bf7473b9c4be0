// Keeps the main bundle's folders (resource root, home, identifier) for a
// test and puts them back when destroyed. The home moves to a temporary
// folder of its own at once, so nothing the test writes (Documents,
// preferences, keychain) reaches the user's real ~/.brisko.
#pragma once

#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"

#include <string>

namespace testing_support {

class SavedBundleFolders {
public:
    SavedBundleFolders() { platform::Bundle::main().setHomeDirectory(home_.path()); }
    ~SavedBundleFolders()
    {
        auto& bundle = platform::Bundle::main();
        bundle.replaceResourcePath(resources_);
        bundle.setBundleIdentifier(identifier_);
        bundle.setHomeDirectory(homePath_);
    }
    SavedBundleFolders(const SavedBundleFolders&) = delete;
    SavedBundleFolders& operator=(const SavedBundleFolders&) = delete;

    // The resource root exactly as given, whatever BRISKO_RESOURCES says.
    void useResources(const std::string& folder) { platform::Bundle::main().replaceResourcePath(folder); }
    const std::string& home() const { return home_.path(); }

private:
    std::string resources_ { platform::Bundle::main().resourcePath() };
    std::string homePath_ { platform::Bundle::main().homeDirectory() };
    std::string identifier_ { platform::Bundle::main().bundleIdentifier() };
    TempDir home_;
};

} // namespace testing_support
