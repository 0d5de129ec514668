# Windows programs: the version resource and icon, the subsystem.
#
#   corvane_windows_program(TARGET DESCRIPTION [GUI])
#
# GUI programs (Corvane, Update) open no console; corvane-cli is a console
# program. Nothing happens outside Windows.
function(corvane_windows_program target description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(W "GUI" "" "" ${ARGN})
  set(CORVANE_RC_NAME ${target})
  set(CORVANE_RC_FILE ${target}.exe)
  set(CORVANE_RC_DESCRIPTION "${description}")
  string(REPLACE "." "," CORVANE_RC_VERSION_COMMAS "${PROJECT_VERSION}")
  file(TO_CMAKE_PATH "${PROJECT_SOURCE_DIR}/resources/windows/corvane.ico" _icon)
  set(CORVANE_RC_ICON "1 ICON \"${_icon}\"")
  set(_rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${_rc} @ONLY)
  target_sources(${target} PRIVATE ${_rc})
  if(W_GUI)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()
