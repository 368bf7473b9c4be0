# Shared build settings: warnings, sanitizers, fuzzing instrumentation and the
# helper that makes one static library per layer from its source folders.

find_package(PkgConfig QUIET)
if(NOT PKG_CONFIG_FOUND)
  message(FATAL_ERROR "Brisko needs pkg-config to find its libraries: install pkg-config (apt-get install, or "
                      "scripts/setup as root)")
endif()
find_package(Threads REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/BriskoDependencies.cmake)
include(GNUInstallDirs)
include(CheckIncludeFileCXX)

# brisko_require_header(HEADER PACKAGE): stops the configuration naming the
# Debian package when the header-only library's HEADER cannot be included.
# The answer is kept only once found, so installing the package and
# configuring again is enough.
function(brisko_require_header header package)
  string(MAKE_C_IDENTIFIER "BRISKO_HAVE_${header}" found)
  string(TOUPPER "${found}" found)
  set(CMAKE_REQUIRED_QUIET ON)
  check_include_file_cxx(${header} ${found})
  if(NOT ${found})
    unset(${found} CACHE)
    message(FATAL_ERROR "Brisko needs ${header}, from the package ${package}: install it (apt-get install "
                        "${package}, or scripts/setup as root)")
  endif()
endfunction()

# The engine's hash tables and lists are uthash's (header-only).
brisko_require_header(uthash.h uthash-dev)
brisko_require_header(utlist.h uthash-dev)

# The folders whose headers are the libraries' interface: the layers and the
# umbrella headers a game includes (kestrel/kestrel.h, quorvel/quorvel.h).
set(BRISKO_HEADER_DIRS platform engine external social kestrel quorvel)

# The project's code builds without warnings on GCC and clang; scripts/test turns
# BRISKO_WERROR on so that it stays so. Unused parameters are allowed: virtual
# hooks name what they would receive. Dependencies come in as system headers.
option(BRISKO_WERROR "Treat compiler warnings in the project's code as errors" OFF)
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports std::string concatenation inlined from libstdc++ as an
  # overlapping copy (a known false positive of -Wrestrict).
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()
if(BRISKO_WERROR)
  add_compile_options(-Werror)
endif()
# __FILE__ relative to the source root, so assertions name files as "engine/KSNode".
add_compile_options(-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)

if(BRISKO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(BRISKO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "BRISKO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The layers are static libraries whatever BUILD_SHARED_LIBS says: built
# position-independent, they link into a game's program or its own shared
# library alike, with one copy of the run loop and the registries in it. A
# game that asked for shared libraries is told so once.
if(BUILD_SHARED_LIBS)
  message(NOTICE "Brisko: BUILD_SHARED_LIBS is on, but Brisko's libraries stay static; they are "
                 "position-independent, so a shared library of the game's links them")
endif()

# brisko_layer(NAME DIRS dir...): a static library from every .cpp/.c under DIRS,
# the target brisko_NAME (file libbrisko_NAME.a, libbrisko_NAME_d.a in a Debug
# build, so that Debug and Release installed into one prefix keep their own
# archives), known as Brisko::NAME (the name a game uses, installed or not).
# The prefix keeps the project's targets apart from a game's own when the
# checkout is added with add_subdirectory.
# Headers are included from the source root ("engine/KSNode.h"); installed,
# that root is include/brisko.
function(brisko_layer name)
  cmake_parse_arguments(L "" "" "DIRS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS L_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  set(target brisko_${name})
  add_library(${target} STATIC ${sources})
  add_library(Brisko::${name} ALIAS ${target})
  # Position-independent, so that a game's own shared library links it too.
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name} POSITION_INDEPENDENT_CODE ON DEBUG_POSTFIX _d)
  target_compile_features(${target} PUBLIC cxx_std_20)
  # In another project the headers are a dependency's: that project's warnings
  # do not apply to them (an installed package's are system headers anyway).
  if(NOT PROJECT_IS_TOP_LEVEL)
    set_target_properties(${target} PROPERTIES SYSTEM ON)
  endif()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                              $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/brisko>)
endfunction()

# brisko_test(NAME DIRS LIBS...): one GoogleTest executable from every .cpp under
# DIRS (one folder, or a list such as "tests/engine;tests/external").
function(brisko_test name dirs)
  set(sources)
  foreach(dir IN LISTS dirs)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # A bundle folder named for the run would win over the tests' own. A test
  # that hangs (a freed lock waited on, say) fails after 15 minutes instead of
  # holding the run to CI's limit.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "BRISKO_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
                                  ENVIRONMENT_MODIFICATION "BRISKO_RESOURCES=unset:"
                                  TIMEOUT 900)
endfunction()
