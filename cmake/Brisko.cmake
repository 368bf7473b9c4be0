# Shared build settings: warnings, sanitizers, fuzzing instrumentation and the
# helper that makes one static library per layer from its source folders.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
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
