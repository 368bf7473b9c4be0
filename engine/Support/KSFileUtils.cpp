// Resource path resolution through the main bundle, and the "-hd" image rule.
#include "engine/Support/KSFileUtils.h"

#include "engine/ksTypes.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"

#include <filesystem>

namespace kestrel {

namespace path = platform::path;

std::string KSFileUtils::fullPathFromRelativePath(const char* relPath)
{
    BRISKO_ASSERT(relPath != nullptr, "KSFileUtils: Invalid path");
    return fullPathFromRelativePath(std::string(relPath));
}

namespace {

// A resource that is nowhere: the error names the file and where it was looked for.
void reportMissing(const std::string& relPath)
{
    if (relPath.empty())
        return;
    if (path::isAbsolute(relPath)) {
        platform::logError("KSFileUtils: cannot find %s", relPath.c_str());
        return;
    }
    std::string folder = platform::Bundle::main().resourcePath();
    std::string sub = path::deletingLastComponent(relPath);
    if (!sub.empty() && sub != ".")
        folder = path::appendingComponent(folder, sub);
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    platform::logError("KSFileUtils: cannot find \"%s\": it is neither in the bundle's resource folder %s%s nor in "
                       "the working folder %s",
                       relPath.c_str(), folder.c_str(), path::isDirectory(folder) ? "" : " (no such folder)",
                       cwd.c_str());
}

} // namespace

std::string KSFileUtils::fullPathFromRelativePath(const std::string& relPath)
{
    std::string fullPath;
    if (!path::isAbsolute(relPath)) {
        fullPath = platform::Bundle::main().pathForResource(
            path::lastComponent(relPath), {}, path::deletingLastComponent(relPath));
    }
    if (fullPath.empty()) {
        fullPath = relPath;
        if (!path::fileExists(fullPath))
            reportMissing(relPath);
    }
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
