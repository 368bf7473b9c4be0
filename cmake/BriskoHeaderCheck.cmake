# brisko_header_check: compiles every public header alone (twice, so a missing
# include guard shows too), one generated source per header, with the
# warnings a game may turn on for its own code: a game includes the headers
# with -I, not as system headers, so they must be clean under its flags. The
# list is globbed at configure time, so moved and new headers are covered
# without editing anything here.
set(_check_dir ${PROJECT_BINARY_DIR}/header_check)
set(_check_sources)
set(_globs)
foreach(dir IN LISTS BRISKO_HEADER_DIRS)
  list(APPEND _globs ${PROJECT_SOURCE_DIR}/${dir}/*.h)
endforeach()
file(GLOB_RECURSE _headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${_globs})
foreach(header IN LISTS _headers)
  string(MAKE_C_IDENTIFIER "${header}" _id)
  set(_source ${_check_dir}/${_id}.cpp)
  file(CONFIGURE OUTPUT ${_source}
       CONTENT "#include \"${header}\"\n#include \"${header}\"\n" @ONLY)
  list(APPEND _check_sources ${_source})
endforeach()
add_library(brisko_header_check OBJECT ${_check_sources})
target_link_libraries(brisko_header_check PRIVATE Brisko::kestrel Brisko::quorvel)
target_compile_options(brisko_header_check PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Wshadow
                                                   -Wunused-parameter)
