# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (POSIX thread
# model) against the prefix that scripts/windows/setup builds.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#
# The prefix comes from CORVANE_WIN_PREFIX (cache variable or environment),
# else the newest finished one under ${CORVANE_WIN_CACHE:-~/.cache/corvane-windows}.
# Tests run through ctest under Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_cw_host x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_cw_host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_cw_host}-g++-posix)
set(CMAKE_RC_COMPILER ${_cw_host}-windres)

# --- the prefix ---------------------------------------------------------------

if(NOT CORVANE_WIN_PREFIX AND DEFINED ENV{CORVANE_WIN_PREFIX})
  set(CORVANE_WIN_PREFIX "$ENV{CORVANE_WIN_PREFIX}")
endif()
if(NOT CORVANE_WIN_PREFIX)
  if(DEFINED ENV{CORVANE_WIN_CACHE})
    set(_cw_cache "$ENV{CORVANE_WIN_CACHE}")
  else()
    set(_cw_cache "$ENV{HOME}/.cache/corvane-windows")
  endif()
  # Only prefixes that setup finished count; the names carry the versions,
  # so the natural order puts the newest last.
  file(GLOB _cw_done "${_cw_cache}/*/.stamps/complete")
  set(_cw_prefixes)
  foreach(_cw_stamp IN LISTS _cw_done)
    get_filename_component(_cw_dir "${_cw_stamp}" DIRECTORY)
    get_filename_component(_cw_dir "${_cw_dir}" DIRECTORY)
    list(APPEND _cw_prefixes "${_cw_dir}")
  endforeach()
  list(SORT _cw_prefixes COMPARE NATURAL)
  list(POP_BACK _cw_prefixes CORVANE_WIN_PREFIX)
  if(NOT CORVANE_WIN_PREFIX)
    message(FATAL_ERROR "No Windows toolchain prefix under ${_cw_cache}: run scripts/windows/setup, "
                        "or set CORVANE_WIN_PREFIX.")
  endif()
endif()
set(CORVANE_WIN_PREFIX "${CORVANE_WIN_PREFIX}" CACHE PATH "Windows cross prefix made by scripts/windows/setup")
# try_compile projects read this file again without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVANE_WIN_PREFIX)
set(ENV{CORVANE_WIN_PREFIX} "${CORVANE_WIN_PREFIX}")

# --- where things are searched for ---------------------------------------------

# Headers, libraries and packages come from the prefix (and MinGW's own
# sysroot); programs such as moc, rcc, pkg-config and lrelease from the host.
set(CMAKE_FIND_ROOT_PATH "${CORVANE_WIN_PREFIX}" /usr/${_cw_host})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH "${CORVANE_WIN_PREFIX}")
if(EXISTS "${CORVANE_WIN_PREFIX}/lib/cmake/Qt5/Qt5Config.cmake")
  set(Qt5_DIR "${CORVANE_WIN_PREFIX}/lib/cmake/Qt5" CACHE PATH "")
endif()

# The translation tools are build-machine programs and the cross prefix has
# none; Debian's, from the same Qt release, do the job.
if(NOT Qt5LinguistTools_DIR)
  foreach(_cw_dir /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake/Qt5LinguistTools
                  /usr/lib/cmake/Qt5LinguistTools)
    if(EXISTS "${_cw_dir}/Qt5LinguistToolsConfig.cmake")
      set(Qt5LinguistTools_DIR "${_cw_dir}" CACHE PATH "")
      break()
    endif()
  endforeach()
endif()

# pkg-config reads only the prefix's .pc files, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${CORVANE_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# --- running what was built --------------------------------------------------

# setup writes this wrapper: Wine with the prefix's and MinGW's DLL folders on
# the search path.
if(EXISTS "${CORVANE_WIN_PREFIX}/bin/corvane-wine")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CORVANE_WIN_PREFIX}/bin/corvane-wine")
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
