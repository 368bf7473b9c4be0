// Resource path resolution through the main bundle (the one rule the client
// follows too), and the "-hd" image rule.
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

std::string KSFileUtils::fullPathFromRelativePath(const std::string& relPath)
{
    if (relPath.empty())
        return {};
    if (path::isAbsolute(relPath)) {
        std::string variant = getDoubleResolutionImage(relPath);
        // Found as its double-resolution variant is found.
        if (variant == relPath && !path::fileExists(relPath))
            platform::logError("KSFileUtils: cannot find %s", relPath.c_str());
        return variant;
    }
    // A relative name is a bundle resource and nothing else: the engine finds
    // its files by the rule the client finds its own, never in the working
    // folder, so a game works alike from whatever folder it starts in.
    const std::string& root = platform::Bundle::main().resourcePath();
    const std::string sub = path::deletingLastComponent(relPath);
    std::string fullPath = platform::Bundle::main().pathForResource(path::lastComponent(relPath), {}, sub);
    if (!fullPath.empty())
        return getDoubleResolutionImage(fullPath);
    if (!path::staysInside(relPath)) {
        platform::logError("KSFileUtils: cannot find \"%s\": a resource name stays inside the bundle folder %s",
                           relPath.c_str(), root.c_str());
        return {};
    }
    // Where the file would be: opening it fails, and a double-resolution
    // variant of it there is still found.
    std::string inBundle = std::filesystem::path(path::appendingComponent(root, relPath)).lexically_normal().string();
    std::string variant = getDoubleResolutionImage(inBundle);
    if (variant == inBundle) {
        std::string folder = path::deletingLastComponent(inBundle);
        platform::logError("KSFileUtils: cannot find \"%s\": it is not in the bundle folder %s%s", relPath.c_str(),
                           folder.c_str(), path::isDirectory(folder) ? "" : " (no such folder)");
    }
    return variant;
}

std::string KSFileUtils::resourceNamedBy(const std::string& file, const std::string& name)
{
    // Joined to the file's folder, ".." steps and all: art in a sibling folder
    // of the maps is the usual layout. What may be read is decided where the
    // result is read: a relative one is a bundle resource, and a device or an
    // oversized file is refused by the read itself.
    return path::appendingComponent(path::deletingLastComponent(file), name);
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
