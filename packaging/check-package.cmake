# Builds the Debian package into a scratch folder, as `make package` does, and checks its
# control fields: the name, the version, and the dependencies an installed copy needs:
# the Qt 6 runtime that dpkg-shlibdeps finds, and fonts-wine for the Tahoma font; and that
# it holds the program, its menu entry and its manual page under /usr.
#
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -P check-package.cmake

cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
get_filename_component(cmake_bin "${CMAKE_COMMAND}" DIRECTORY)
find_program(CPACK cpack HINTS "${cmake_bin}" REQUIRED)
find_program(DPKG_DEB dpkg-deb REQUIRED)
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake"
                        -B "${WORK_DIR}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()
file(GLOB debs "${WORK_DIR}/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${WORK_DIR}, found: ${debs}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --field "${debs}" Package Version Depends
                RESULT_VARIABLE rc OUTPUT_VARIABLE fields ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read ${debs}: ${err}")
endif()

set(failures "")
if(NOT fields MATCHES "Package: quenlark-addressbook\n")
  list(APPEND failures "package name")
endif()
if(NOT fields MATCHES "Version: [0-9]+\\.[0-9]+\\.[0-9]+")
  list(APPEND failures "version")
endif()
string(REGEX MATCH "Depends: [^\n]*" depends "${fields}")
# Each dependency named as a whole, not as part of another package's name.
foreach(package fonts-wine libqt6widgets6 libqt6printsupport6 libstdc\\+\\+6)
  if(NOT depends MATCHES "(: |, )${package}( |,|$)")
    list(APPEND failures "no dependency on ${package}")
  endif()
endforeach()

execute_process(COMMAND "${DPKG_DEB}" --contents "${debs}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE contents ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot list ${debs}: ${err}")
endif()
foreach(f bin/quenlark-addressbook lib/quenlark-addressbook/quenlark-window.so
          share/applications/quenlark-addressbook.desktop
          share/metainfo/com.quenlark.addressbook.metainfo.xml
          share/man/man1/quenlark-addressbook.1)
  string(FIND "${contents}" " ./usr/${f}\n" at)
  if(at EQUAL -1)
    list(APPEND failures "/usr/${f} not in the package")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "The Debian package is not right:\n  ${text}\n${fields}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "Package checked: ${depends}")
