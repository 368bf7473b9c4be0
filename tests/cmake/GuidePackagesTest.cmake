# Run as a test (cmake -DSOURCE=<checkout> -P): the packages the getting-started
# guide tells a developer to install are the ones scripts/setup installs for
# building, the same list in the same order, so that following the guide
# literally builds Brisko and the setup checks what the guide promises.

cmake_minimum_required(VERSION 3.25)

file(READ "${SOURCE}/docs/getting-started.md" guide)
file(READ "${SOURCE}/scripts/setup" setup)

# The guide's first "apt-get install" command, its continuation lines joined.
string(FIND "${guide}" "apt-get install " at)
if(at LESS 0)
  message(FATAL_ERROR "docs/getting-started.md has no apt-get install command")
endif()
string(SUBSTRING "${guide}" ${at} -1 guide)
string(FIND "${guide}" "```" end)
string(SUBSTRING "${guide}" 0 ${end} guide)
string(REGEX REPLACE "#[^\n]*" "" guide "${guide}")
string(REGEX REPLACE "[\\\\\n\t ]+" ";" guide "${guide}")
list(REMOVE_ITEM guide "apt-get" "install" "")

# The setup's build_packages=( ... ) array.
string(REGEX MATCH "build_packages=\\(([^)]*)\\)" found "${setup}")
if(NOT found)
  message(FATAL_ERROR "scripts/setup has no build_packages list")
endif()
string(REGEX REPLACE "[\n\t ]+" ";" packages "${CMAKE_MATCH_1}")
list(REMOVE_ITEM packages "")

if(NOT guide STREQUAL packages)
  string(JOIN " " guide ${guide})
  string(JOIN " " packages ${packages})
  message(FATAL_ERROR "the guide's packages differ from scripts/setup's build_packages:\n"
                      "  guide: ${guide}\n  setup: ${packages}")
endif()
