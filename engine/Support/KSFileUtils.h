// Resolving resource names to full paths in the main bundle, with the "-hd"
// variant of an image on a double-density screen (content scale factor 2).
#pragma once

#include "platform/foundation/Object.h"

#include <string>

namespace kestrel {

class KSFileUtils : public platform::Object {
public:
    // A relative path names a bundle resource (its folders, then its file),
    // looked for in the bundle folder only, never in the working folder; one
    // the bundle lacks answers the path it would have there, and one that
    // would leave the bundle folder answers empty. An absolute path stays as
    // given. The result then goes through getDoubleResolutionImage. A file
    // found nowhere is logged as an error naming it and the folder searched.
    // A null path fails the assertion "KSFileUtils: Invalid path".
    static std::string fullPathFromRelativePath(const char* relPath);
    static std::string fullPathFromRelativePath(const std::string& relPath);

    // On scale 2, "a/b.png" becomes "a/b-hd.png" when that file exists; names
    // that already contain "-hd" and other scales are left alone.
    static std::string getDoubleResolutionImage(const std::string& path);

private:
    KSFileUtils() = default;
};

} // namespace kestrel
