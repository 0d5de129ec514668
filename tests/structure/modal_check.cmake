# Fails when a modal box could open without going through ModalGuard: a
# static box or file-chooser call, or an exec() of anything but an event
# loop, an application or a drag (that is, of a dialog or a menu). Such a box
# would wait for a click in a test or a benchmark that no one gives.
#
#   cmake -DBASE=<dir> -DROOTS=<dir;...> [-DSEAM=<file;...>] [-DEXCLUDE=<dir;...>] -P modal_check.cmake
#
# ROOTS, SEAM and EXCLUDE are relative to BASE.

if(NOT BASE OR NOT ROOTS)
  message(FATAL_ERROR "usage: cmake -DBASE=<dir> -DROOTS=<dir;...> [-DSEAM=...] [-DEXCLUDE=...] -P modal_check.cmake")
endif()

set(box_call "Q(MessageBox|FileDialog|InputDialog|ColorDialog|FontDialog|ErrorMessage)::(information|question|warning|critical|about|aboutQt|get[A-Za-z]*|showMessage)[ \t]*\\(")
# An exec( with what precedes it: a receiver and . or -> or ::, or nothing.
set(exec_call "[A-Za-z0-9_]*[ \t]*(\\.|->|::)?[ \t]*exec[ \t]*\\(")

set(files)
foreach(root ${ROOTS})
  file(GLOB_RECURSE found ${BASE}/${root}/*.cpp ${BASE}/${root}/*.h)
  list(APPEND files ${found})
endforeach()
list(REMOVE_DUPLICATES files)

# The line of the first occurrence of `what` at or after `from` in `content`.
function(line_of content what from out_line out_next)
  string(SUBSTRING "${content}" ${from} -1 rest)
  string(FIND "${rest}" "${what}" at)
  math(EXPR at "${at} + ${from}")
  string(SUBSTRING "${content}" 0 ${at} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines n)
  math(EXPR n "${n} + 1")
  string(LENGTH "${what}" len)
  math(EXPR next "${at} + ${len}")
  set(${out_line} ${n} PARENT_SCOPE)
  set(${out_next} ${next} PARENT_SCOPE)
endfunction()

set(problems 0)
set(checked 0)
foreach(f ${files})
  file(RELATIVE_PATH rel ${BASE} ${f})
  set(skip OFF)
  foreach(s ${SEAM})
    if(rel STREQUAL s)
      set(skip ON)
    endif()
  endforeach()
  foreach(e ${EXCLUDE})
    if(rel MATCHES "^${e}/")
      set(skip ON)
    endif()
  endforeach()
  if(skip)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(READ ${f} content)
  # Semicolons would split the text into a list.
  string(REPLACE ";" "," content "${content}")

  set(from 0)
  string(REGEX MATCHALL "${box_call}" calls "${content}")
  foreach(call ${calls})
    line_of("${content}" "${call}" ${from} line from)
    message("${rel}:${line}: ${call}...: a box outside ModalGuard")
    math(EXPR problems "${problems} + 1")
  endforeach()

  set(from 0)
  string(REGEX MATCHALL "${exec_call}" calls "${content}")
  foreach(call ${calls})
    line_of("${content}" "${call}" ${from} line from)
    string(REGEX MATCH "^([A-Za-z0-9_]*)[ \t]*(\\.|->|::)?" unused "${call}")
    set(receiver "${CMAKE_MATCH_1}")
    set(via "${CMAKE_MATCH_2}")
    set(allowed OFF)
    if(via STREQUAL "::" AND receiver STREQUAL "ModalGuard")
      set(allowed ON)
    elseif(receiver AND (via STREQUAL "." OR via STREQUAL "->"))
      # Declared here as an event loop, an application or a drag.
      if(content MATCHES "(QEventLoop|Application(<[A-Za-z_:]+>)?|QDrag)[ \t]*[*&]?[ \t]*${receiver}[ \t]*[,)({=]"
         OR content MATCHES "[ \t*]${receiver}[ \t]*=[ \t]*new[ \t]+(QEventLoop|QDrag)[ \t]*\\(")
        set(allowed ON)
      endif()
    endif()
    if(NOT allowed)
      message("${rel}:${line}: ${call}...: a dialog or menu run outside ModalGuard")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${checked} files checked, ${problems} modal box call(s) outside ModalGuard")
endif()
message("${checked} files checked, every modal box goes through ModalGuard")
