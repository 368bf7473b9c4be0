# Run after the game's shared library links (cmake -P), with MAP_FILE the
# linker's map of that link and CONFIG the build type it was built as: fails
# unless each of Brisko's archives came from the build the type should take, the
# Debug archives (libbrisko_*_d.a) for Debug and the Release ones for every other
# type, RelWithDebInfo, MinSizeRel and none included.
file(READ "${MAP_FILE}" map)
if(CONFIG STREQUAL "Debug")
  set(wanted "_d.a")
  set(unwanted ".a")
else()
  set(wanted ".a")
  set(unwanted "_d.a")
endif()
foreach(library IN ITEMS platform kestrel quorvel_library)
  string(FIND "${map}" "/libbrisko_${library}${wanted}" at_wanted)
  string(FIND "${map}" "/libbrisko_${library}${unwanted}" at_unwanted)
  if(at_wanted EQUAL -1 OR NOT at_unwanted EQUAL -1)
    if(CONFIG STREQUAL "")
      set(CONFIG "no build type")
    endif()
    message(FATAL_ERROR "A game built as ${CONFIG} should link libbrisko_${library}${wanted}, "
                        "but its link (${MAP_FILE}) took another archive")
  endif()
endforeach()
