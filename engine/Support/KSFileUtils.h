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

    // The resource that a file names beside itself (a map's tileset files and
    // images, a bitmap font's page image): `name` joined to the folder of
    // `file`, ".." steps included ("../tiles/tiles.png" is the sibling
    // folder's). Reading it follows the usual rules: a relative result is a
    // bundle resource (one leaving the bundle folder is not found), and a
    // device, a pipe or a file past the read limit is refused and logged.
    static std::string resourceNamedBy(const std::string& file, const std::string& name);

    // On scale 2, "a/b.png" becomes "a/b-hd.png" when that file exists; names
    // that already contain "-hd" and other scales are left alone.
    static std::string getDoubleResolutionImage(const std::string& path);

private:
    KSFileUtils() = default;
};

} // namespace kestrel
