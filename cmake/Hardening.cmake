# Debian's hardening for every binary of the build, as dpkg-buildflags gives it with every
# feature on (DEB_BUILD_MAINT_OPTIONS=hardening=+all): the stack protector, format checks,
# _FORTIFY_SOURCE, read-only relocations bound at start (RELRO, BIND_NOW), and executables
# built position-independent (PIE). Only the hardening flags are taken: the build keeps its
# own optimisation and debug settings. _FORTIFY_SOURCE needs the optimiser, so a Debug build
# (the sanitizer build) goes without it.
#
# The window module exports nothing but its entry point: the program's code is built with
# hidden visibility, and the module's link names its one export (app/windowmodule.map).

option(QUENLARK_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)

set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)

if(QUENLARK_HARDENING)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) is missing; install it, or give "
                        "-DQUENLARK_HARDENING=OFF to build without Debian's hardening")
  endif()
  set(quenlark_hardening_flags "")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag IN LISTS flags)
      if(flag MATCHES "^-D_FORTIFY_SOURCE")
        add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
      elseif(flag MATCHES "^-f(stack-protector|stack-clash-protection|cf-protection)|^-Wformat|^-Werror=format-security")
        add_compile_options(${flag})
      elseif(flag MATCHES "^-Wl,-z,")
        add_link_options(${flag})
      else()
        continue()
      endif()
      list(APPEND quenlark_hardening_flags ${flag})
    endforeach()
  endforeach()
  message(STATUS "Hardening: ${quenlark_hardening_flags} and PIE")
endif()

