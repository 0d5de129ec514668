# Configures the source tree as a release is made and checks that the update
# key is required and checked before anything else is done, and that cpack
# makes no package of a build without one.
#   cmake -DSOURCE=<tree> -DWORK=<scratch folder> -DGENERATOR=<generator> -P release_key_check.cmake

set(_good1 RWSWl884tqmmdJFZtA9AYdqg/gG7Mn+DfvfIZEAt8EFMCAPgBylceJTl)
set(_good2 RWRt5V7IiRW8Ne5wk2RW4E+AION3WLGwcZ4neXEc+S97QPNCNef8/6LB)
set(_light -DCORVANE_BUILD_UI=OFF -DCORVANE_BUILD_BENCH=OFF)

# name; expected: "fail" or "pass"; arguments
function(configure name expected)
  set(_dir ${WORK}/${name})
  file(REMOVE_RECURSE ${_dir})
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${_dir} -G ${GENERATOR} ${ARGN}
                  RESULT_VARIABLE _result OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(name STREQUAL "developer-build")
    # A developer build configures without a key, but makes no package.
    get_filename_component(_bin ${CMAKE_COMMAND} DIRECTORY)
    execute_process(COMMAND ${_bin}/cpack -G DEB WORKING_DIRECTORY ${_dir}
                    RESULT_VARIABLE _packed OUTPUT_VARIABLE _pack_out ERROR_VARIABLE _pack_err)
    if(_packed EQUAL 0 OR NOT "${_pack_out}${_pack_err}" MATCHES "CORVANE_UPDATE_PUBKEY")
      message(FATAL_ERROR "${name}: cpack did not refuse the build without a key:\n${_pack_out}${_pack_err}")
    endif()
  endif()
  file(REMOVE_RECURSE ${_dir})
  if(expected STREQUAL "fail")
    if(_result EQUAL 0)
      message(FATAL_ERROR "${name}: configured, but should have stopped")
    endif()
    if(NOT _err MATCHES "CORVANE_UPDATE_PUBKEY")
      message(FATAL_ERROR "${name}: stopped without naming CORVANE_UPDATE_PUBKEY:\n${_err}")
    endif()
  elseif(NOT _result EQUAL 0)
    message(FATAL_ERROR "${name}: did not configure:\n${_err}")
  endif()
  message(STATUS "${name}: ${expected}ed as it should")
endfunction()

configure(release-without-key fail -DCMAKE_BUILD_TYPE=Release ${_light})
configure(minsizerel-without-key fail -DCMAKE_BUILD_TYPE=MinSizeRel ${_light})
configure(malformed-key fail -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_UPDATE_PUBKEY=RWSWl884tqmmdJFZ ${_light})
configure(key-of-wrong-length fail -DCMAKE_BUILD_TYPE=Release "-DCORVANE_UPDATE_PUBKEY=${_good1}A" ${_light})
configure(three-keys fail -DCMAKE_BUILD_TYPE=Release "-DCORVANE_UPDATE_PUBKEY=${_good1}\\;${_good2}\\;${_good1}" ${_light})
configure(same-key-twice fail -DCMAKE_BUILD_TYPE=Release "-DCORVANE_UPDATE_PUBKEY=${_good1}\\;${_good1}" ${_light})
# Whole configures, the ones that are not quick: the current and the next
# key; and a developer build without a key, of which cpack makes no package.
configure(developer-build pass -DCMAKE_BUILD_TYPE=RelWithDebInfo ${_light})
configure(release-with-two-keys pass -DCMAKE_BUILD_TYPE=Release "-DCORVANE_UPDATE_PUBKEY=${_good1}\\;${_good2}" ${_light})
