// Tests of the running system's version, each computed once and cached.
//
// The version is "major.minor[.patch]"; missing or non-numeric parts read as 0.
// The ...For(major, minor) forms answer for a given version.
#pragma once

#include <string>
#include <string_view>

namespace quorvel {

struct QVVersion {
    int major { 0 };
    int minor { 0 };
};

QVVersion QVParseVersion(std::string_view text);
// The version the device reports for the running system (read once by the cached tests).
std::string QVSystemVersionString();

bool QVIsOS2For(QVVersion v);
bool QVIsOS3OrLaterFor(QVVersion v);
bool QVIsOS3Point2OrLaterFor(QVVersion v);
bool QVIsOS4Point1OrLaterFor(QVVersion v);

bool QVIsOS2();
bool QVIsOS3OrLater();
bool QVIsOS3Point2OrLater();
bool QVIsOS4Point1OrLater();

} // namespace quorvel
