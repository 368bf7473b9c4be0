# brisko_add_bundle(TARGET [FOLDER...]): the bundle folder of a game, `bundle`
# beside TARGET's program: Brisko's resources (BRISKO_RESOURCE_DIR), then the
# files of each FOLDER in order (relative to the calling CMakeLists.txt; a
# later file of the same name wins). It is brought up to date whenever TARGET
# is built, whether or not the program relinks: a file whose source changed is
# copied, a file new in a folder appears, and a copy edited in the build
# folder since is kept until its source changes (the build says so).
function(brisko_add_bundle target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "brisko_add_bundle: no target ${target}")
  endif()
  set(folders ${BRISKO_RESOURCE_DIR})
  foreach(folder IN LISTS ARGN)
    get_filename_component(folder ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND folders ${folder})
  endforeach()
  add_custom_target(${target}_bundle
                    COMMAND ${CMAKE_COMMAND} -DDESTINATION=$<TARGET_FILE_DIR:${target}>/bundle
                            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/BriskoCopyBundle.cmake -- ${folders}
                    COMMENT "Bringing the bundle folder of ${target} up to date"
                    VERBATIM)
  add_dependencies(${target} ${target}_bundle)
endfunction()
