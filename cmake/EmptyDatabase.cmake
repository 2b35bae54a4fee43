# Puts an empty database file in place unless one is already there.
if(NOT EXISTS "${DB}")
  file(WRITE "${DB}" "")
endif()
