# Installs the built program into a scratch prefix and checks what an installed copy needs:
# every file in its place, the icons of the sizes their folders claim, an empty template
# database, the menu entry's keys, and a first start that makes the person's own database
# and settings and keeps running. (The menu entry and the AppStream data are validated by
# tests of their own.)
#
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -P check-install.cmake

cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(failures "")
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

set(data "${prefix}/share/quenlark-addressbook")
foreach(f "bin/quenlark-addressbook" "lib/quenlark-addressbook/modules/quenlark-window.so"
          "lib/quenlark-addressbook/modules/quenlark-sync.so"
          "share/quenlark-addressbook/info.txt"
          "share/quenlark-addressbook/license.txt" "share/quenlark-addressbook/whats new.txt"
          "share/quenlark-addressbook/addressbook.qab"
          "share/doc/quenlark-addressbook/copyright"
          "share/applications/quenlark-addressbook.desktop"
          "share/metainfo/com.quenlark.addressbook.metainfo.xml"
          "share/man/man1/quenlark-addressbook.1.gz")
  if(NOT EXISTS "${prefix}/${f}")
    fail("missing ${f}")
  endif()
endforeach()
if(EXISTS "${prefix}/bin/addressbook.qab" OR EXISTS "${prefix}/bin/info.txt")
  fail("data files installed beside the program")
endif()
if(EXISTS "${data}/addressbook.qab")
  file(SIZE "${data}/addressbook.qab" size)
  if(NOT size EQUAL 0)
    fail("template database is ${size} bytes")
  endif()
endif()

# The manual page as Debian wants it: compressed with gzip -9n (magic, deflate, no flags so
# no file name, no time, maximum compression, Unix), and no uncompressed copy beside it.
set(man "${prefix}/share/man/man1/quenlark-addressbook.1")
if(EXISTS "${man}")
  fail("the manual page is installed uncompressed")
endif()
if(EXISTS "${man}.gz")
  file(READ "${man}.gz" header LIMIT 10 HEX)
  execute_process(COMMAND gzip -dc "${man}.gz" RESULT_VARIABLE rc OUTPUT_VARIABLE page)
  if(NOT header STREQUAL "1f8b0800000000000203" OR NOT rc EQUAL 0 OR
     NOT page MATCHES "^\\.TH QUENLARK-ADDRESSBOOK 1 ")
    fail("the manual page is not the page compressed with gzip -9n (header ${header})")
  endif()
endif()

# A PNG's width and height are the big-endian words at bytes 16 and 20.
foreach(size 16 32 48 64 128 256)
  set(icon "${prefix}/share/icons/hicolor/${size}x${size}/apps/quenlark-addressbook.png")
  if(NOT EXISTS "${icon}")
    fail("missing icon ${size}x${size}")
    continue()
  endif()
  file(READ "${icon}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 magic)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    fail("icon ${size}x${size} is ${width}x${height}")
  endif()
endforeach()

set(desktop "${prefix}/share/applications/quenlark-addressbook.desktop")
if(EXISTS "${desktop}")
  file(STRINGS "${desktop}" lines)
  foreach(line "[Desktop Entry]" "Type=Application" "Name=Quenlark Address Book"
               "Exec=quenlark-addressbook" "Icon=quenlark-addressbook"
               "Categories=Office;ContactManagement;")
    if(NOT line IN_LIST lines)
      fail("menu entry lacks ${line}")
    endif()
  endforeach()
endif()

# First start of the installed copy for a person with no settings yet: it must keep
# running (ended by the timeout) with a database of its own and the settings naming it.
set(home "${WORK_DIR}/home")
file(MAKE_DIRECTORY "${home}" "${WORK_DIR}/run")
file(CHMOD "${WORK_DIR}/run" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND timeout 3 env -i "PATH=/usr/bin:/bin" "HOME=${home}"
                        "XDG_RUNTIME_DIR=${WORK_DIR}/run" QT_QPA_PLATFORM=offscreen
                        "${prefix}/bin/quenlark-addressbook"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 124)
  fail("the installed program ended by itself (${rc}) instead of running")
endif()
set(userdb "${home}/.local/share/quenlark/addressbook.qab")
set(ini "${home}/.config/quenlark/addressbook.ini")
if(NOT EXISTS "${userdb}")
  fail("no per-user database at ${userdb}")
endif()
if(EXISTS "${ini}")
  file(STRINGS "${ini}" lines)
  if(NOT "Active Address Book=\"${userdb}\"" IN_LIST lines)
    fail("settings do not name the per-user database: ${lines}")
  endif()
else()
  fail("no settings file at ${ini}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Installed copy is not right:\n  ${text}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "Installed copy checked in ${prefix}")
