# Checks the built program and its window module the way hardening-check (devscripts) does,
# with readelf: position-independent executable, RELRO bound at start (BIND_NOW), the stack
# protector and _FORTIFY_SOURCE's checked functions in use; and that the module exports its
# entry point and nothing else.
#
#   cmake -DREADELF=<readelf> -DPROGRAM=<executable> -DMODULE=<module> [-DSYNC_MODULE=<module>]
#         -P CheckHardening.cmake

cmake_minimum_required(VERSION 3.25)

foreach(var READELF PROGRAM MODULE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

set(failures "")
function(readelf_of file options result)
  execute_process(COMMAND "${READELF}" ${options} -W "${file}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf ${options} ${file} failed: ${err}")
  endif()
  set(${result} "${out}" PARENT_SCOPE)
endfunction()

# The sync module (SYNC_MODULE) is checked the same way when it is given.
foreach(file "${PROGRAM}" "${MODULE}" ${SYNC_MODULE})
  get_filename_component(name "${file}" NAME)
  readelf_of("${file}" --file-header header)
  readelf_of("${file}" --program-headers segments)
  readelf_of("${file}" --dynamic dynamic)
  readelf_of("${file}" --dyn-syms symbols)
  if(file STREQUAL PROGRAM AND NOT header MATCHES "Type: +DYN \\(Position-Independent Executable")
    list(APPEND failures "${name} is not a position-independent executable")
  endif()
  if(NOT segments MATCHES "GNU_RELRO")
    list(APPEND failures "${name} has no RELRO segment")
  endif()
  if(NOT dynamic MATCHES "\\(FLAGS\\)[^\n]*BIND_NOW" AND NOT dynamic MATCHES "\\(FLAGS_1\\)[^\n]*NOW")
    list(APPEND failures "${name} is not bound at start (no BIND_NOW)")
  endif()
  if(NOT symbols MATCHES " __stack_chk_fail")
    list(APPEND failures "${name} has no stack protector")
  endif()
  string(REGEX MATCHALL " __[a-z0-9_]+_chk(@| |\n)" checked "${symbols}")
  list(FILTER checked EXCLUDE REGEX "__stack_chk")
  if(NOT checked)
    list(APPEND failures "${name} uses no checked functions of _FORTIFY_SOURCE")
  endif()
endforeach()

# Defined global or weak symbols of a module: the 8th column of lines whose section is not UND.
function(check_exports module entry)
  readelf_of("${module}" --dyn-syms symbols)
  string(REPLACE "\n" ";" lines "${symbols}")
  set(exported "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^ *[0-9]+: [0-9a-f]+ +[0-9]+ [A-Z_]+ +(GLOBAL|WEAK) +[A-Z]+ +([0-9]+|ABS) +([^ ]+)")
      list(APPEND exported "${CMAKE_MATCH_3}")
    endif()
  endforeach()
  if(NOT exported STREQUAL "${entry}")
    list(LENGTH exported count)
    list(SUBLIST exported 0 10 some)
    set(failures "${failures};${module} exports ${count} symbols, not only ${entry}: ${some}"
        PARENT_SCOPE)
  endif()
  set(exported "${exported}" PARENT_SCOPE)
endfunction()
check_exports("${MODULE}" quenlark_run_window)
if(SYNC_MODULE)
  check_exports("${SYNC_MODULE}" quenlark_run_sync)
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Hardening:\n  ${text}")
endif()
message(STATUS "Hardened: PIE, RELRO and BIND_NOW, stack protector, _FORTIFY_SOURCE; "
               "each module exports its entry point alone")
