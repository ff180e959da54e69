# Run by `cmake --install` before it puts anything in place: notes which of
# the install's folders do not exist yet, so that the uninstall
# (scripts/uninstall.cmake) takes away only folders the install made; and
# the DESTDIR the install runs under, which the paths of its manifest leave
# out. Expects `folders`, the install's folders relative to the prefix,
# `made_file`, the record, which keeps what earlier installs noted, and
# `destdir_file`.
file(WRITE "${destdir_file}" "$ENV{DESTDIR}")
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE OUTPUT_VARIABLE prefix)
string(REGEX REPLACE "/$" "" prefix "$ENV{DESTDIR}${prefix}")

set(made)
if(EXISTS "${made_file}")
  file(STRINGS "${made_file}" noted)
  # A noted folder that is gone is noted again below if this install makes
  # it anew.
  foreach(folder IN LISTS noted)
    if(IS_DIRECTORY "${folder}")
      list(APPEND made "${folder}")
    endif()
  endforeach()
endif()
foreach(folder IN LISTS folders)
  # From the folder up to the prefix itself, and no further.
  set(path "${prefix}/${folder}")
  while(NOT EXISTS "${path}")
    list(APPEND made "${path}")
    if(path STREQUAL prefix)
      break()
    endif()
    cmake_path(GET path PARENT_PATH path)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES made)
list(JOIN made "\n" text)
file(WRITE "${made_file}" "${text}\n")
