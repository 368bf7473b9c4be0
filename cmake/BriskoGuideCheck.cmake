# brisko_guide_check: the C++ blocks of docs/getting-started.md, in order, make
# one program that is compiled and linked against Brisko::kestrel and
# Brisko::quorvel, so the guide cannot drift from the API. The source is
# extracted again whenever the guide changes; errors point at the guide's lines.
find_program(BRISKO_AWK NAMES awk mawk gawk REQUIRED)
set(_guide ${PROJECT_SOURCE_DIR}/docs/getting-started.md)
set(_guide_source ${PROJECT_BINARY_DIR}/guide_check/getting_started.cpp)
add_custom_command(OUTPUT ${_guide_source}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/guide_check
                   COMMAND ${CMAKE_COMMAND} -E rm -f ${_guide_source}
                   COMMAND ${BRISKO_AWK} -v out=${_guide_source} -f ${PROJECT_SOURCE_DIR}/cmake/extract-guide-code.awk
                           ${_guide}
                   DEPENDS ${_guide} ${PROJECT_SOURCE_DIR}/cmake/extract-guide-code.awk
                   COMMENT "Extracting the code of docs/getting-started.md"
                   VERBATIM)
add_executable(brisko_guide_check ${_guide_source})
target_link_libraries(brisko_guide_check PRIVATE Brisko::kestrel Brisko::quorvel)
