# What the desktop knows of the garden: its application id, the class of its
# window, and its icons, all made from packaging/sandmere.svg at build time.
# Each name and size is defined here once and configured into the files that
# need it: the desktop entry, the AppStream metainfo and the program's own
# header (identity.h).

# The reverse-DNS id names the desktop entry and the metainfo. The project
# has no public address of its own, so the id is a choice, not a domain.
set(SANDMERE_APP_ID org.sandmere.Sandmere)
# Who publishes the garden, as packages and installers name them.
set(SANDMERE_PUBLISHER "The Sandmere developers")
# The window's WM_CLASS: instance and class. The desktop entry's
# StartupWMClass matches the class, so the window is known as the entry's.
set(SANDMERE_WM_INSTANCE sandmere)
set(SANDMERE_WM_CLASS Sandmere)
# The icon theme's name for the garden's icon.
set(SANDMERE_ICON_NAME sandmere)
set(SANDMERE_ICON_SVG ${CMAKE_SOURCE_DIR}/packaging/sandmere.svg)
# The installed PNG icons, and the ones compiled into the window's
# _NET_WM_ICON.
set(SANDMERE_ICON_SIZES 16 32 48 64 128 256)
set(SANDMERE_WINDOW_ICON_SIZES 16 32 48 64)

# The garden file's type: its suffix and magic are the garden file
# reader's (web/gardenfile.h), read from there; the magic goes into the
# shared-mime-info package as a string of \xNN escapes.
set(SANDMERE_MIME_TYPE application/x-sandmere)
set(SANDMERE_MIME_COMMENT "Sandmere garden")
file(STRINGS ${CMAKE_SOURCE_DIR}/web/gardenfile.h suffix_line REGEX "fileSuffix = ")
string(REGEX REPLACE ".*fileSuffix = \"([^\"]+)\".*" "\\1" SANDMERE_GARDEN_SUFFIX "${suffix_line}")
file(STRINGS ${CMAKE_SOURCE_DIR}/web/gardenfile.h magic_line REGEX "uint8_t magic\\[")
string(REGEX REPLACE ".*{(.*)}.*" "\\1" magic_bytes "${magic_line}")
string(REPLACE "," ";" magic_bytes "${magic_bytes}")
set(SANDMERE_GARDEN_MAGIC "")
foreach(byte IN LISTS magic_bytes)
  string(STRIP "${byte}" byte)
  if(byte MATCHES "^'(.)'$")
    string(APPEND SANDMERE_GARDEN_MAGIC "${CMAKE_MATCH_1}")
  elseif(byte MATCHES "^0x([0-9a-f][0-9a-f])$")
    string(APPEND SANDMERE_GARDEN_MAGIC "\\x${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "web/gardenfile.h: a byte of the garden file's magic that cannot be read: ${byte}")
  endif()
endforeach()
if(NOT SANDMERE_GARDEN_SUFFIX MATCHES "^\\.[a-z]+$" OR SANDMERE_GARDEN_MAGIC STREQUAL "")
  message(FATAL_ERROR "web/gardenfile.h: the garden file's suffix or magic cannot be read")
endif()

set(SANDMERE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SANDMERE_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
configure_file(packaging/identity.h.in ${SANDMERE_GENERATED_DIR}/identity.h @ONLY)
configure_file(packaging/sandmere.desktop ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_APP_ID}.desktop @ONLY)
configure_file(packaging/sandmere.metainfo.xml ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_APP_ID}.metainfo.xml @ONLY)

find_program(RSVG_CONVERT rsvg-convert)
find_program(PNGTOPAM pngtopam)
if(NOT RSVG_CONVERT OR NOT PNGTOPAM)
  message(FATAL_ERROR "The icons are drawn with rsvg-convert and read back with pngtopam: "
                      "sudo apt-get install librsvg2-bin netpbm")
endif()

# One PNG per size for the icon theme; the window's sizes also as raw RGBA
# (netpbm's PAM), which scripts/window-icon.cmake turns into C++.
set(SANDMERE_ICON_PNGS)
set(SANDMERE_WINDOW_ICON_PAMS)
foreach(size IN LISTS SANDMERE_ICON_SIZES)
  set(png ${SANDMERE_ICON_DIR}/${size}x${size}/${SANDMERE_ICON_NAME}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SANDMERE_ICON_DIR}/${size}x${size}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${SANDMERE_ICON_SVG}
    DEPENDS ${SANDMERE_ICON_SVG} VERBATIM)
  list(APPEND SANDMERE_ICON_PNGS ${png})
  if(size IN_LIST SANDMERE_WINDOW_ICON_SIZES)
    set(pam ${SANDMERE_ICON_DIR}/${size}x${size}/${SANDMERE_ICON_NAME}.pam)
    add_custom_command(OUTPUT ${pam}
      COMMAND ${PNGTOPAM} -alphapam ${png} > ${pam}
      DEPENDS ${png} VERBATIM)
    list(APPEND SANDMERE_WINDOW_ICON_PAMS ${pam})
  endif()
endforeach()
add_custom_target(icons ALL DEPENDS ${SANDMERE_ICON_PNGS})

set(SANDMERE_WINDOW_ICON_SOURCE ${SANDMERE_GENERATED_DIR}/window_icon.cpp)
add_custom_command(OUTPUT ${SANDMERE_WINDOW_ICON_SOURCE}
  COMMAND ${CMAKE_COMMAND} "-DIMAGES=${SANDMERE_WINDOW_ICON_PAMS}" -DOUTPUT=${SANDMERE_WINDOW_ICON_SOURCE}
          -P ${CMAKE_SOURCE_DIR}/scripts/window-icon.cmake
  DEPENDS ${SANDMERE_WINDOW_ICON_PAMS} ${CMAKE_SOURCE_DIR}/scripts/window-icon.cmake VERBATIM)
