# The installed garden: the program in a private folder with a launcher on
# the PATH that starts it among its pictures, the picture tool, the
# pictures, a desktop entry, AppStream metainfo, icons, manual pages and
# the copyright; an uninstall target; and two Debian packages made of the
# same files (cpack -G DEB): sandmere, the program (component "program"),
# and sandmere-data, its pictures and icons (component "data").
include(GNUInstallDirs)
set(SANDMERE_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/sandmere)
set(SANDMERE_PICTURE_DIR ${CMAKE_INSTALL_DATADIR}/sandmere)
# The two packages' names, each with its documentation folder.
set(SANDMERE_PROGRAM_PACKAGE sandmere)
set(SANDMERE_DATA_PACKAGE sandmere-data)
set(SANDMERE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SANDMERE_PROGRAM_PACKAGE})
set(SANDMERE_DATA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SANDMERE_DATA_PACKAGE})
set(SANDMERE_ICON_THEME_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# The launcher reaches the program and the pictures relative to its own
# folder, so the tree may be moved.
file(RELATIVE_PATH LAUNCHER_TO_PROGRAM /${CMAKE_INSTALL_BINDIR} /${SANDMERE_PROGRAM_DIR}/sandmere)
file(RELATIVE_PATH LAUNCHER_TO_OPENER /${CMAKE_INSTALL_BINDIR} /${SANDMERE_PROGRAM_DIR}/sandmere-open)
file(RELATIVE_PATH LAUNCHER_TO_PICTURES /${CMAKE_INSTALL_BINDIR} /${SANDMERE_PICTURE_DIR})
configure_file(packaging/launcher.sh.in ${CMAKE_BINARY_DIR}/packaging/sandmere @ONLY)
# The garden file's type, and the thumbnailer that draws a garden file's
# plan for the file manager, which names it by its absolute path.
configure_file(packaging/sandmere-mime.xml ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_PROGRAM_PACKAGE}.xml @ONLY)
set(SANDMERE_THUMBNAILER_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/sandmere/sandmere-thumbnailer)
configure_file(packaging/sandmere.thumbnailer ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_PROGRAM_PACKAGE}.thumbnailer @ONLY)
# The picture tool is installed beside the launcher and finds the installed
# pictures the same way.
target_compile_definitions(sandmere-picture PRIVATE SANDMERE_TOOL_TO_PICTURES="${LAUNCHER_TO_PICTURES}")

# Manual pages and the changelog go compressed, without a time stamp, as
# Debian keeps them.
# The manual pages name the version of project() in their headers.
set(PACKED_DOCS)
foreach(source sandmere.6 sandmere-picture.1 changelog)
  set(unpacked ${CMAKE_SOURCE_DIR}/packaging/${source})
  if(NOT source STREQUAL changelog)
    set(unpacked ${CMAKE_BINARY_DIR}/packaging/${source})
    configure_file(packaging/${source} ${unpacked} @ONLY)
  endif()
  set(packed ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND gzip -9nc ${unpacked} > ${packed}
    DEPENDS ${unpacked} VERBATIM)
  list(APPEND PACKED_DOCS ${packed})
endforeach()
add_custom_target(packed-docs ALL DEPENDS ${PACKED_DOCS})

# Before anything is installed: the folders the install is about to make,
# so that the uninstall takes away those and no folder that was there
# before, and the install's DESTDIR. Not part of the packages.
set(SANDMERE_INSTALL_FOLDERS ${CMAKE_INSTALL_BINDIR} ${SANDMERE_PROGRAM_DIR} games ${SANDMERE_PICTURE_DIR}
  ${CMAKE_INSTALL_DATADIR}/applications ${CMAKE_INSTALL_DATADIR}/metainfo ${CMAKE_INSTALL_DATADIR}/mime
  ${CMAKE_INSTALL_DATADIR}/mime/packages
  ${CMAKE_INSTALL_DATADIR}/thumbnailers ${CMAKE_INSTALL_MANDIR}/man6
  ${CMAKE_INSTALL_MANDIR}/man1 ${SANDMERE_DOC_DIR} ${SANDMERE_DATA_DOC_DIR}
  ${SANDMERE_ICON_THEME_DIR}/scalable/apps)
foreach(size IN LISTS SANDMERE_ICON_SIZES)
  list(APPEND SANDMERE_INSTALL_FOLDERS ${SANDMERE_ICON_THEME_DIR}/${size}x${size}/apps)
endforeach()
set(SANDMERE_MADE_FOLDERS_FILE ${CMAKE_BINARY_DIR}/install_folders.txt)
set(SANDMERE_DESTDIR_FILE ${CMAKE_BINARY_DIR}/install_destdir.txt)
install(CODE "
  set(folders \"${SANDMERE_INSTALL_FOLDERS}\")
  set(made_file \"${SANDMERE_MADE_FOLDERS_FILE}\")
  set(destdir_file \"${SANDMERE_DESTDIR_FILE}\")
  include(\"${CMAKE_SOURCE_DIR}/scripts/install-folders.cmake\")" COMPONENT folders)

# Beside the garden: the opener the launcher starts on a garden, and the
# headless garden and the thumbnailer over it.
install(TARGETS sandmere sandmere-open sandmere-headless sandmere-thumbnailer
  RUNTIME DESTINATION ${SANDMERE_PROGRAM_DIR} COMPONENT program)
# The type and the thumbnailer: dpkg's triggers of shared-mime-info and
# desktop-file-utils update their caches, with no maintainer script.
install(FILES ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_PROGRAM_PACKAGE}.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_PROGRAM_PACKAGE}.thumbnailer
  DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers COMPONENT program)
install(TARGETS sandmere-picture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/sandmere DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
# Debian keeps games in games/: the launcher is there too, as a link.
file(RELATIVE_PATH GAMES_TO_LAUNCHER /games /${CMAKE_INSTALL_BINDIR}/sandmere)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/games)
file(CREATE_LINK ${GAMES_TO_LAUNCHER} ${CMAKE_BINARY_DIR}/packaging/games/sandmere SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/games/sandmere DESTINATION games COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${SANDMERE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/packaging/sandmere.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/packaging/sandmere-picture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT program)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SANDMERE_DOC_DIR}
  COMPONENT program)

# The data: the same on every architecture.
install(DIRECTORY ${CMAKE_BINARY_DIR}/garden/ DESTINATION ${SANDMERE_PICTURE_DIR} COMPONENT data
  FILES_MATCHING PATTERN "*.bmp")
install(FILES ${SANDMERE_ICON_SVG} DESTINATION ${SANDMERE_ICON_THEME_DIR}/scalable/apps
  RENAME ${SANDMERE_ICON_NAME}.svg COMPONENT data)
foreach(size IN LISTS SANDMERE_ICON_SIZES)
  install(FILES ${SANDMERE_ICON_DIR}/${size}x${size}/${SANDMERE_ICON_NAME}.png
    DESTINATION ${SANDMERE_ICON_THEME_DIR}/${size}x${size}/apps COMPONENT data)
endforeach()
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${SANDMERE_DATA_DOC_DIR} COMPONENT data)

# Takes away what the last `cmake --install` of this build put in place.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
          -DMADE_FOLDERS=${SANDMERE_MADE_FOLDERS_FILE} -DDESTDIR_FILE=${SANDMERE_DESTDIR_FILE}
          -P ${CMAKE_SOURCE_DIR}/scripts/uninstall.cmake
  VERBATIM)

set(CPACK_PACKAGE_NAME ${SANDMERE_PROGRAM_PACKAGE})
set(CPACK_PACKAGE_VENDOR ${SANDMERE_PUBLISHER})
set(CPACK_PACKAGE_CONTACT "Sandmere developers <sandmere@example.org>")
# Each package's description: its summary line, then the long description.
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "raked-sand rock garden in 3-D
Sandmere is an interactive raked-sand rock garden. In a flat top view you rake
the sand with a one-, three- or five-tine rake and place a small and a large
rock; one key turns the plan into a lit, textured 3-D sand bed in a wooden
frame, with the rocks as textured spheres before an optional background
picture, and you orbit a camera around it. The textures and backgrounds are
BMP pictures that you may replace with your own.")
set(CPACK_COMPONENT_DATA_DESCRIPTION "raked-sand rock garden in 3-D - pictures and icons
This package holds the fourteen BMP pictures that Sandmere, the raked-sand
rock garden, starts with: the sand, rock and wood textures and the two
backgrounds; and the garden's icons.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program data)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${SANDMERE_PROGRAM_PACKAGE})
set(CPACK_DEBIAN_DATA_PACKAGE_NAME ${SANDMERE_DATA_PACKAGE})
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Dependencies, all in this one place. The program package depends on the
# shared libraries of its binaries (found by dpkg-shlibdeps), on its data
# package of the same version (the component dependency) and on what
# CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS lists (comma-separated). The data
# package depends on nothing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_PROGRAM_DEPENDS data)
# Started from the desktop's menu, the launcher shows a failed start in a
# dialog: any one of these programs will do (xmessage is in x11-utils).
# dpkg-shlibdeps adds the libraries to this list.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "zenity | kdialog | x11-utils")
set(CPACK_DEBIAN_DATA_PACKAGE_DEPENDS "")
include(CPack)
