# The Windows installer (cpack -G NSIS, Debian's nsis): installs for the
# current user alone, without administrator rights, by default into
# %LOCALAPPDATA%\Programs\Sandmere, with a Start-menu entry and an entry in
# Windows' list of installed programs; silent with /S (and /D=DIR for
# another folder), and so is its uninstaller. The script is
# windows/NSIS.template.in: CMake's own template asks for administrator
# rights and writes to the machine's registry.

install(TARGETS sandmere-launcher sandmere-picture RUNTIME DESTINATION .)
install(TARGETS sandmere-garden RUNTIME DESTINATION ${SANDMERE_WINDOWS_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/garden/ DESTINATION ${SANDMERE_WINDOWS_PICTURE_DIR}
  FILES_MATCHING PATTERN "*.bmp")
# The garden's licence, and freeglut's, whose notice goes with every copy of
# the programs that hold it.
install(FILES LICENSE DESTINATION licenses RENAME Sandmere.txt)
install(FILES ${FREEGLUT_PREFIX}/COPYING DESTINATION licenses RENAME freeglut.txt)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Sandmere)
set(CPACK_PACKAGE_VENDOR ${SANDMERE_PUBLISHER})
set(CPACK_PACKAGE_FILE_NAME Sandmere-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Sandmere)
set(CPACK_STRIP_FILES ON)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/windows)
# What the template names: the uninstall entry's key, the launcher and the
# uninstaller.
set(CPACK_NSIS_DISPLAY_NAME Sandmere)
set(CPACK_NSIS_PACKAGE_NAME Sandmere)
set(CPACK_NSIS_MUI_ICON ${SANDMERE_ICON_FILE})
set(CPACK_NSIS_MUI_UNIICON ${SANDMERE_ICON_FILE})
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_INSTALLED_ICON_NAME ${SANDMERE_LAUNCHER_NAME}.exe)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
include(CPack)
