# Runs one benchmark and fails unless it ends with 0 and prints its figures
# (a line matching FIGURES); its output is passed on as it comes.
#
#   cmake -DPROGRAM=<bench> -DFIGURES=<regex> -DTIMEOUT=<seconds> [-DEMULATOR=<runner>] -P run_quick.cmake
#
# EMULATOR runs a cross-built bench (Wine for Windows).

execute_process(COMMAND ${EMULATOR} ${PROGRAM}
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out ECHO_OUTPUT_VARIABLE
  ERROR_VARIABLE err ECHO_ERROR_VARIABLE
  TIMEOUT ${TIMEOUT})
get_filename_component(name ${PROGRAM} NAME)
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "${name} did not end cleanly: ${rc}")
endif()
if(NOT out MATCHES "${FIGURES}")
  message(FATAL_ERROR "${name} ended without printing its figures (no line matching \"${FIGURES}\")")
endif()
