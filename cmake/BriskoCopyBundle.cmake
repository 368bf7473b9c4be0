# Brings a bundle folder up to date from its source folders; brisko_add_bundle
# runs it at every build of the game:
#     cmake -DDESTINATION=DIR -P BriskoCopyBundle.cmake -- FOLDER...
# A file of a later folder wins over one of the same name in an earlier one.
# A copy is made after its source, so a copy older than its source (the source
# changed since) is copied again; one newer than it that differs was edited in
# the build folder since, and is kept and named. Files gone from the sources
# stay in the bundle.
if(NOT DESTINATION)
  message(FATAL_ERROR "BriskoCopyBundle: no DESTINATION")
endif()

set(folders)
set(listed OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(listed)
    list(APPEND folders "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(listed ON)
  endif()
endforeach()

# Each file's name under its folder, and the folder it comes from (the last one).
set(names)
set(sources)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "BriskoCopyBundle: the bundle's folder ${folder} does not exist")
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  foreach(name IN LISTS files)
    list(FIND names "${name}" at)
    if(at GREATER -1)
      list(REMOVE_AT names ${at})
      list(REMOVE_AT sources ${at})
    endif()
    list(APPEND names "${name}")
    list(APPEND sources "${folder}/${name}")
  endforeach()
endforeach()

foreach(name source IN ZIP_LISTS names sources)
  set(copy "${DESTINATION}/${name}")
  if(EXISTS "${copy}" AND NOT "${source}" IS_NEWER_THAN "${copy}")
    # The copy is newer than its source: the same file, or one edited in the build folder since.
    file(SIZE "${source}" source_size)
    file(SIZE "${copy}" copy_size)
    if(source_size EQUAL copy_size)
      file(SHA256 "${source}" source_hash)
      file(SHA256 "${copy}" copy_hash)
    endif()
    if(NOT source_size EQUAL copy_size OR NOT source_hash STREQUAL copy_hash)
      message(STATUS "bundle: kept ${copy}, edited after its source ${source}")
    endif()
    continue()
  endif()
  get_filename_component(into "${copy}" DIRECTORY)
  file(MAKE_DIRECTORY "${into}")
  file(COPY_FILE "${source}" "${copy}")
endforeach()
