// Resource path resolution through the main bundle, and the "-hd" image rule.
#include "engine/Support/KSFileUtils.h"

#include "engine/ksTypes.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"

namespace kestrel {

namespace path = platform::path;

std::string KSFileUtils::fullPathFromRelativePath(const char* relPath)
{
    BRISKO_ASSERT(relPath != nullptr, "KSFileUtils: Invalid path");
    return fullPathFromRelativePath(std::string(relPath));
}

std::string KSFileUtils::fullPathFromRelativePath(const std::string& relPath)
{
    std::string fullPath;
    if (!path::isAbsolute(relPath)) {
        fullPath = platform::Bundle::main().pathForResource(
            path::lastComponent(relPath), {}, path::deletingLastComponent(relPath));
    }
    if (fullPath.empty())
        fullPath = relPath;
    return getDoubleResolutionImage(fullPath);
}

std::string KSFileUtils::getDoubleResolutionImage(const std::string& p)
{
    if (ksContentScaleFactor() != 2.0f)
        return p;
    std::string withoutExtension = path::deletingExtension(p);
    if (path::lastComponent(withoutExtension).find("-hd") != std::string::npos)
        return p;
    std::string extension = path::extension(p);
    std::string candidate = extension.empty() ? withoutExtension + "-hd"
                                              : path::appendingExtension(withoutExtension + "-hd", extension);
    return path::fileExists(candidate) ? candidate : p;
}

} // namespace kestrel
