# Shared build settings: warnings, sanitizers, fuzzing instrumentation and the
# helper that makes one static library per layer from its source folders.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

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
add_compile_options(-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)

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

# brisko_layer(NAME DIRS dir...): a static library from every .cpp/.c under DIRS.
function(brisko_layer name)
  cmake_parse_arguments(L "" "" "DIRS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS L_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# brisko_test(NAME DIRS LIBS...): one GoogleTest executable from every .cpp under
# DIRS (one folder, or a list such as "tests/engine;tests/external").
function(brisko_test name dirs)
  set(sources)
  foreach(dir IN LISTS dirs)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "BRISKO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
