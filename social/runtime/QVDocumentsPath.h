// Files the client keeps in the application's Documents directory.
#pragma once

#include <string>

namespace quorvel {

// The full path of `fileName` inside the Documents directory.
std::string QVDocumentsPathForFile(const std::string& fileName);

} // namespace quorvel
