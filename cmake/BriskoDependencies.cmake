# The system libraries under Brisko's three libraries, as pkg-config imported
# targets. The build includes this file, and so does the installed package
# config, so a game's build finds the same targets the libraries were linked
# against (the static libraries name them in their link interface).
#
# EGL and GL ES are part of the platform's and the engine's interface; the
# others are private to the library that uses them, but a static library still
# passes them on to the final link.
#
# A module that is missing stops the configuration naming the Debian package
# that brings it (the guide's list and scripts/setup install them all). Set
# BRISKO_DEPENDENCIES_QUIET before including it to have a missing module
# recorded in BRISKO_DEPENDENCIES_MISSING (and its package in
# BRISKO_DEPENDENCIES_MISSING_PACKAGES) instead.

# The Debian package of each pkg-config module Brisko, its tools and its tests use.
set(_brisko_package_of_egl libegl-dev)
set(_brisko_package_of_glesv1_cm libgles-dev)
set(_brisko_package_of_expat libexpat1-dev)
set(_brisko_package_of_zlib zlib1g-dev)
set(_brisko_package_of_freetype2 libfreetype-dev)
set(_brisko_package_of_fontconfig libfontconfig-dev)
set(_brisko_package_of_libpng libpng-dev)
set(_brisko_package_of_libjpeg libjpeg-dev)
set(_brisko_package_of_cairo libcairo2-dev)
set(_brisko_package_of_libcurl libcurl4-openssl-dev)
set(_brisko_package_of_sqlite3 libsqlite3-dev)
set(_brisko_package_of_libcrypto libssl-dev)
set(_brisko_package_of_cpp-httplib libcpp-httplib-dev)

set(BRISKO_DEPENDENCIES_MISSING)
set(BRISKO_DEPENDENCIES_MISSING_PACKAGES)

# brisko_pkg(PREFIX module...): the imported target PkgConfig::PREFIX of the
# modules, or, when one is missing, a stop naming its package (recorded
# instead under BRISKO_DEPENDENCIES_QUIET).
macro(brisko_pkg prefix)
  if(NOT TARGET PkgConfig::${prefix})
    pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${ARGN})
    if(NOT ${prefix}_FOUND)
      set(_brisko_missing_here)
      foreach(_brisko_module IN ITEMS ${ARGN})
        pkg_check_modules(_BRISKO_PROBE QUIET ${_brisko_module})
        if(NOT _BRISKO_PROBE_FOUND)
          list(APPEND BRISKO_DEPENDENCIES_MISSING ${_brisko_module})
          if(DEFINED _brisko_package_of_${_brisko_module})
            list(APPEND BRISKO_DEPENDENCIES_MISSING_PACKAGES ${_brisko_package_of_${_brisko_module}})
            list(APPEND _brisko_missing_here "${_brisko_package_of_${_brisko_module}} (pkg-config module ${_brisko_module})")
          else()
            list(APPEND _brisko_missing_here "the package of pkg-config module ${_brisko_module}")
          endif()
        endif()
      endforeach()
      if(NOT BRISKO_DEPENDENCIES_QUIET)
        string(JOIN ", " _brisko_missing_here ${_brisko_missing_here})
        message(FATAL_ERROR "Brisko needs ${_brisko_missing_here}: install it (apt-get install, or scripts/setup as root)")
      endif()
    endif()
  endif()
endmacro()

# platform
brisko_pkg(BRISKO_PLATFORM_GL egl glesv1_cm)
brisko_pkg(BRISKO_PLATFORM_DEPS expat zlib freetype2 fontconfig libpng libjpeg cairo libcurl)
# kestrel (zlib inside its compression support)
brisko_pkg(BRISKO_KESTREL_DEPS zlib)
# quorvel: SQLite backs the offline store, libcrypto signs requests, zlib packs blobs.
brisko_pkg(BRISKO_QUORVEL_DEPS sqlite3 libcrypto zlib)
