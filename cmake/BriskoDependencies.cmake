# The system libraries under Brisko's three libraries, as pkg-config imported
# targets. The build includes this file, and so does the installed package
# config, so a game's build finds the same targets the libraries were linked
# against (the static libraries name them in their link interface).
#
# EGL and GL ES are part of the platform's and the engine's interface; the
# others are private to the library that uses them, but a static library still
# passes them on to the final link.
#
# Set BRISKO_DEPENDENCIES_QUIET before including it to have a missing module
# recorded in BRISKO_DEPENDENCIES_MISSING instead of stopping the configuration.

if(BRISKO_DEPENDENCIES_QUIET)
  set(_brisko_pkg_mode QUIET)
else()
  set(_brisko_pkg_mode REQUIRED)
endif()
set(BRISKO_DEPENDENCIES_MISSING)

macro(_brisko_pkg prefix)
  if(NOT TARGET PkgConfig::${prefix})
    pkg_check_modules(${prefix} ${_brisko_pkg_mode} IMPORTED_TARGET ${ARGN})
    if(NOT ${prefix}_FOUND)
      list(APPEND BRISKO_DEPENDENCIES_MISSING ${ARGN})
    endif()
  endif()
endmacro()

# platform
_brisko_pkg(BRISKO_PLATFORM_GL egl glesv1_cm)
_brisko_pkg(BRISKO_PLATFORM_DEPS expat zlib freetype2 fontconfig libpng libjpeg cairo libcurl)
# kestrel (zlib inside its compression support)
_brisko_pkg(BRISKO_KESTREL_DEPS zlib)
# quorvel: SQLite backs the offline store, libcrypto signs requests, zlib packs blobs.
_brisko_pkg(BRISKO_QUORVEL_DEPS sqlite3 libcrypto zlib)
