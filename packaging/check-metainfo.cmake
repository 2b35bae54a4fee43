# Validates the AppStream data as software centres read it (appstreamcli, pedantic, without
# fetching anything) and checks that each screenshot it names is the picture of that name
# in the screenshots folder, with the width and height the data gives.
#
#   cmake -DAPPSTREAMCLI=<appstreamcli> -DMETAINFO=<file> -DSCREENSHOTS=<folder>
#         -P check-metainfo.cmake

cmake_minimum_required(VERSION 3.25)

foreach(var APPSTREAMCLI METAINFO SCREENSHOTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${METAINFO}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "AppStream data invalid:\n${out}")
endif()

set(failures "")
file(READ "${METAINFO}" xml)
string(REGEX MATCHALL "<image[^>]*>[^<]+</image>" images "${xml}")
if(NOT images)
  list(APPEND failures "no screenshot named")
endif()
foreach(image IN LISTS images)
  string(REGEX REPLACE ".*>([^<]+)</image>" "\\1" url "${image}")
  get_filename_component(name "${url}" NAME)
  set(png "${SCREENSHOTS}/${name}")
  if(NOT EXISTS "${png}")
    list(APPEND failures "${url} names ${name}, which is not in ${SCREENSHOTS}")
    continue()
  endif()
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  file(READ "${png}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT image MATCHES "width=\"${width}\"" OR NOT image MATCHES "height=\"${height}\"")
    list(APPEND failures "${name} is ${width}x${height}, the data says otherwise: ${image}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "AppStream screenshots:\n  ${text}")
endif()
message(STATUS "AppStream data valid, screenshots: ${images}")
