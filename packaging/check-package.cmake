# Builds the Debian package into a scratch folder, as `make package` does, and checks its
# control fields: the name, the version, and the dependencies an installed copy needs:
# the Qt 6 runtime that dpkg-shlibdeps finds, and fonts-wine for the Tahoma font; and that
# it holds the program, its menu entry and its compressed manual page under /usr; that it has
# no maintainer scripts, and that dpkg installs it and removes it without a trace (no "rc"
# state), tried in a scratch root.
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
foreach(f bin/quenlark-addressbook lib/quenlark-addressbook/modules/quenlark-window.so
          lib/quenlark-addressbook/modules/quenlark-sync.so
          share/applications/quenlark-addressbook.desktop
          share/metainfo/com.quenlark.addressbook.metainfo.xml
          share/man/man1/quenlark-addressbook.1.gz)
  string(FIND "${contents}" " ./usr/${f}\n" at)
  if(at EQUAL -1)
    list(APPEND failures "/usr/${f} not in the package")
  endif()
endforeach()

# Nothing to run at install or removal: the window module is private, so ldconfig has nothing
# to learn, and a postrm would keep a removed package in dpkg's database as "rc".
execute_process(COMMAND "${DPKG_DEB}" --control "${debs}" "${WORK_DIR}/control"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read the control files of ${debs}: ${err}")
endif()
foreach(script preinst postinst prerm postrm triggers)
  if(EXISTS "${WORK_DIR}/control/${script}")
    file(READ "${WORK_DIR}/control/${script}" body)
    list(APPEND failures "a ${script} in the package: ${body}")
  endif()
endforeach()

set(root "${WORK_DIR}/root")
file(MAKE_DIRECTORY "${root}/var/lib/dpkg/info" "${root}/var/lib/dpkg/updates")
file(TOUCH "${root}/var/lib/dpkg/status" "${root}/var/lib/dpkg/available")
set(dpkg ${CMAKE_COMMAND} -E env "PATH=/usr/local/sbin:/usr/sbin:/sbin:$ENV{PATH}"
    dpkg "--root=${root}" "--log=${WORK_DIR}/dpkg.log" --force-not-root)
foreach(step "--force-depends;--install;${debs}" "--remove;quenlark-addressbook")
  execute_process(COMMAND ${dpkg} ${step} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " text "dpkg ${step} failed: ${out}")
    list(APPEND failures "${text}")
  endif()
endforeach()
execute_process(COMMAND dpkg-query "--root=${root}" --show quenlark-addressbook
                RESULT_VARIABLE rc OUTPUT_VARIABLE left ERROR_QUIET)
file(GLOB_RECURSE kept LIST_DIRECTORIES false "${root}/usr/*")
if(rc EQUAL 0 OR kept)
  list(APPEND failures "dpkg --remove left the package behind: ${left} ${kept}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "The Debian package is not right:\n  ${text}\n${fields}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "Package checked: ${depends}")
