# brisko_add_bundle's copy step on folders of its own: later folders win, a
# changed or new source file is copied, a file edited in the build's bundle is
# kept and named, a missing folder is an error.
#     cmake -DSCRIPT=cmake/BriskoCopyBundle.cmake -DWORK=DIR -P BundleCopyTest.cmake
file(REMOVE_RECURSE "${WORK}")
set(a "${WORK}/brisko")
set(b "${WORK}/game")
set(out "${WORK}/build/bundle")
file(WRITE "${a}/image.png" "image")
file(WRITE "${a}/fonts/font.fnt" "font")
file(WRITE "${a}/settings.xml" "brisko's")
file(WRITE "${b}/settings.xml" "the game's")
# Sources older than anything the step copies.
execute_process(COMMAND touch -d 2020-01-01 "${a}/image.png" "${a}/fonts/font.fnt" "${a}/settings.xml"
                        "${b}/settings.xml")

# What the step said is read with its lines joined: CMake wraps a long error
# message at a space, so where the break falls depends on the checkout's path.
function(copy_bundle)
  execute_process(COMMAND ${CMAKE_COMMAND} -DDESTINATION=${out} -P ${SCRIPT} -- ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
  string(REGEX REPLACE "[ \t]*\n[ \t]*" " " said "${said}")
  set(status "${status}" PARENT_SCOPE)
  set(said "${said}" PARENT_SCOPE)
endfunction()

# Whether what the step said holds `text` as it stands (a path is no pattern).
function(expect_said text why)
  string(FIND "${said}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${why}: ${said}")
  endif()
endfunction()

function(expect_file name content)
  if(NOT EXISTS "${out}/${name}")
    message(FATAL_ERROR "${name} was not copied")
  endif()
  file(READ "${out}/${name}" found)
  if(NOT found STREQUAL content)
    message(FATAL_ERROR "${name} holds \"${found}\", not \"${content}\"")
  endif()
endfunction()

copy_bundle("${a}" "${b}")
expect_file(image.png "image")
expect_file(fonts/font.fnt "font")
expect_file(settings.xml "the game's")

# Edited in the build's bundle: kept, and said, while its source stays as it was.
file(WRITE "${out}/settings.xml" "edited in the build")
copy_bundle("${a}" "${b}")
expect_file(settings.xml "edited in the build")
expect_said("kept ${out}/settings.xml, edited after its source ${b}/settings.xml" "the kept file was not named")

# The source changes, a file is added: both reach the bundle at the next build.
file(WRITE "${b}/settings.xml" "the game's, changed")
file(WRITE "${a}/new.png" "new")
copy_bundle("${a}" "${b}")
expect_file(settings.xml "the game's, changed")
expect_file(new.png "new")
if(said MATCHES "kept")
  message(FATAL_ERROR "nothing is kept now: ${said}")
endif()

# A missing folder, also under a path long enough for CMake to wrap the message on any checkout.
foreach(missing "${WORK}/missing"
                "${WORK}/a folder whose name is long enough/that the message naming it is wrapped/missing")
  copy_bundle("${a}" "${missing}")
  if(status EQUAL 0)
    message(FATAL_ERROR "a missing folder passed: ${said}")
  endif()
  expect_said("${missing} does not exist" "a missing folder was not named")
endforeach()
file(REMOVE_RECURSE "${WORK}")
