# The installed garden: the program in a private folder with a launcher on
# the PATH that starts it among its pictures, the picture tool, the
# pictures, a desktop entry, an icon, manual pages and the copyright; and
# the Debian package made of the same files (cpack -G DEB).
include(GNUInstallDirs)
set(SANDMERE_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/sandmere)
set(SANDMERE_PICTURE_DIR ${CMAKE_INSTALL_DATADIR}/sandmere)
set(SANDMERE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/sandmere)

# The launcher reaches the program and the pictures relative to its own
# folder, so the tree may be moved.
file(RELATIVE_PATH LAUNCHER_TO_PROGRAM /${CMAKE_INSTALL_BINDIR} /${SANDMERE_PROGRAM_DIR}/sandmere)
file(RELATIVE_PATH LAUNCHER_TO_PICTURES /${CMAKE_INSTALL_BINDIR} /${SANDMERE_PICTURE_DIR})
configure_file(packaging/launcher.sh.in ${CMAKE_BINARY_DIR}/packaging/sandmere @ONLY)
# The picture tool is installed beside the launcher and finds the installed
# pictures the same way.
target_compile_definitions(sandmere-picture PRIVATE SANDMERE_TOOL_TO_PICTURES="${LAUNCHER_TO_PICTURES}")

# Manual pages and the changelog go compressed, without a time stamp, as
# Debian keeps them.
set(PACKED_DOCS)
foreach(source sandmere.6 sandmere-picture.1 changelog)
  set(packed ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${source} > ${packed}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${source} VERBATIM)
  list(APPEND PACKED_DOCS ${packed})
endforeach()
add_custom_target(packed-docs ALL DEPENDS ${PACKED_DOCS})

install(TARGETS sandmere RUNTIME DESTINATION ${SANDMERE_PROGRAM_DIR})
install(TARGETS sandmere-picture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/sandmere DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian keeps games in games/: the launcher is there too, as a link.
file(RELATIVE_PATH GAMES_TO_LAUNCHER /games /${CMAKE_INSTALL_BINDIR}/sandmere)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/games)
file(CREATE_LINK ${GAMES_TO_LAUNCHER} ${CMAKE_BINARY_DIR}/packaging/games/sandmere SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/games/sandmere DESTINATION games)
install(DIRECTORY ${CMAKE_BINARY_DIR}/garden/ DESTINATION ${SANDMERE_PICTURE_DIR} FILES_MATCHING PATTERN "*.bmp")
install(FILES packaging/sandmere.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/sandmere.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/packaging/sandmere.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/packaging/sandmere-picture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SANDMERE_DOC_DIR})

set(CPACK_PACKAGE_NAME sandmere)
set(CPACK_PACKAGE_VENDOR "The Sandmere developers")
set(CPACK_PACKAGE_CONTACT "Sandmere developers <sandmere@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "raked-sand rock garden in 3-D")
set(CPACK_PACKAGE_DESCRIPTION "Sandmere is an interactive raked-sand rock garden. In a flat top view you rake
the sand with a one-, three- or five-tine rake and place a small and a large
rock; one key turns the plan into a lit, textured 3-D sand bed in a wooden
frame, with the rocks as textured spheres before an optional background
picture, and you orbit a camera around it. The textures and backgrounds are
BMP pictures that you may replace with your own.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Started from the desktop's menu, the launcher shows a failed start in a
# dialog: any one of these programs will do (xmessage is in x11-utils).
# dpkg-shlibdeps adds the libraries to this list.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "zenity | kdialog | x11-utils")
include(CPack)
