# The shape the code keeps:
# - the pages and the keyboard views include no header of the device layer:
#   they see the keyboard through its controller alone;
# - no process-wide object holds keyboard state: AppParams keeps the session
#   nonce and constants, SoftwareConfig is gone;
# - one apply runner: nothing but ApplyRunner hands a plan's ops to the device.
#
#   cmake -DBASE=<source dir> -P layering_check.cmake

if(NOT BASE)
  message(FATAL_ERROR "usage: cmake -DBASE=<source dir> -P layering_check.cmake")
endif()
set(problems 0)

# Headers of src/device, by name.
file(GLOB_RECURSE device_headers RELATIVE ${BASE}/src/device ${BASE}/src/device/*.h)
set(device_names)
foreach(h ${device_headers})
  get_filename_component(n ${h} NAME)
  list(APPEND device_names ${n})
endforeach()

file(GLOB_RECURSE page_files ${BASE}/src/pages/*.cpp ${BASE}/src/pages/*.h ${BASE}/src/keyboard/*.cpp ${BASE}/src/keyboard/*.h)
foreach(f ${page_files})
  file(STRINGS ${f} includes REGEX "^#include \"")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" inc "${line}")
    list(FIND device_names ${inc} at)
    if(NOT at EQUAL -1)
      file(RELATIVE_PATH rel ${BASE} ${f})
      message("${rel}: includes the device layer's ${inc}")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

# AppParams: what it may declare.
file(READ ${BASE}/src/model/AppParams.h params)
string(REGEX MATCH "namespace AppParams \\{.*\\} // namespace AppParams" body "${params}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(" functions "${body}")
foreach(fn ${functions})
  if(NOT fn MATCHES "^(sessionNonce|makeSessionNonce|nonceFromSeed)\\($")
    message("src/model/AppParams.h: ${fn} is not application state")
    math(EXPR problems "${problems} + 1")
  endif()
endforeach()
if(EXISTS ${BASE}/src/model/SoftwareConfig.h)
  message("src/model/SoftwareConfig.h is back")
  math(EXPR problems "${problems} + 1")
endif()

# One runner: runProfileOp/runProfileStep only in ApplyRunner (and their definition).
file(GLOB_RECURSE src_files ${BASE}/src/*.cpp)
foreach(f ${src_files})
  file(RELATIVE_PATH rel ${BASE} ${f})
  if(rel STREQUAL "src/control/ApplyRunner.cpp" OR rel STREQUAL "src/apply/ProfilePlan.cpp")
    continue()
  endif()
  file(STRINGS ${f} calls REGEX "runProfile(Op|Step)[ \t]*\\(")
  foreach(line ${calls})
    message("${rel}: hands a plan to the device itself: ${line}")
    math(EXPR problems "${problems} + 1")
  endforeach()
endforeach()

list(LENGTH page_files n)
message("${n} page and view files checked")
if(problems GREATER 0)
  message(FATAL_ERROR "${problems} layering problem(s)")
endif()
