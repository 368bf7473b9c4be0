// The Documents directory comes from the platform's application bundle.
#include "social/runtime/QVDocumentsPath.h"

#include "platform/foundation/Bundle.h"

namespace quorvel {

std::string QVDocumentsPathForFile(const std::string& fileName)
{
    return platform::path::appendingComponent(platform::Bundle::main().documentsDirectory(), fileName);
}

} // namespace quorvel
