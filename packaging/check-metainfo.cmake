# Validates the AppStream data as software centres read it: appstreamcli, pedantic, with its
# network checks on. Every URL in the data must then be reachable, and the program has no
# web site or screenshot anywhere, so the data names none; the validator runs in a network
# namespace of its own (loopback only), where any URL fails at once and nothing leaves the
# machine. Without namespaces, the validator runs offline and the data must hold no URL.
#
#   cmake -DAPPSTREAMCLI=<appstreamcli> -DMETAINFO=<file> -P check-metainfo.cmake

cmake_minimum_required(VERSION 3.25)

foreach(var APPSTREAMCLI METAINFO)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

find_program(UNSHARE unshare)
set(isolated "")
foreach(how "-n" "-rn")
  if(UNSHARE AND NOT isolated)
    execute_process(COMMAND "${UNSHARE}" ${how} true RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    if(rc EQUAL 0)
      set(isolated "${UNSHARE}" ${how})
    endif()
  endif()
endforeach()

if(isolated)
  set(command ${isolated} "${APPSTREAMCLI}" validate --pedantic "${METAINFO}")
else()
  set(command "${APPSTREAMCLI}" validate --no-net --pedantic "${METAINFO}")
  file(STRINGS "${METAINFO}" urls REGEX "[a-z]+://")
  if(urls)
    message(FATAL_ERROR "AppStream data names URLs, which the validator checks online:\n${urls}")
  endif()
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "AppStream data invalid (${command}):\n${out}")
endif()
message(STATUS "AppStream data valid (${command})")
