# The garden for 64-bit Windows, cross-built with MinGW-w64 (the windows
# preset): the garden program, the picture tool and the launcher, each a
# console program that needs no DLL but Windows' own, and the installer
# (windows/installer.cmake). The garden is the Linux one; what differs is
# the layer under it (freeglut built here, Windows' own GL and GLU) and the
# home around it.
enable_language(RC)

# The programs' file names; the launcher takes the garden's.
set(SANDMERE_GARDEN_NAME sandmere-garden)
set(SANDMERE_LAUNCHER_NAME sandmere)
set(SANDMERE_TOOL_NAME sandmere-picture)
# The installed tree: the launcher, the picture tool and the uninstaller at
# its top, the garden and its pictures in folders of their own.
set(SANDMERE_WINDOWS_PROGRAM_DIR program)
set(SANDMERE_WINDOWS_PICTURE_DIR pictures)

# libgcc, libstdc++ and winpthread go into each program.
add_link_options(-static -static-libgcc -static-libstdc++)

# freeglut from Debian's source package of the version the Linux build
# links, built once per build folder with this toolchain.
execute_process(
  COMMAND ${CMAKE_SOURCE_DIR}/windows/freeglut.sh ${CMAKE_BINARY_DIR}/freeglut ${CMAKE_TOOLCHAIN_FILE}
  OUTPUT_VARIABLE FREEGLUT_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE freeglut_result)
if(freeglut_result)
  message(FATAL_ERROR "freeglut for Windows could not be built (see above)")
endif()
find_package(FreeGLUT CONFIG REQUIRED PATHS ${FREEGLUT_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# The icons as PNG files, and the names the desktop knows the garden by.
include(packaging/desktop.cmake)

add_library(sandmere-core STATIC ${CORE_SOURCES})
target_include_directories(sandmere-core PUBLIC ${CMAKE_SOURCE_DIR} ${SANDMERE_GENERATED_DIR})
target_link_libraries(sandmere-core PUBLIC FreeGLUT::freeglut_static glu32 opengl32)

# One icon file of every size, the largest kept as PNG as Windows expects.
find_program(ICOTOOL icotool)
if(NOT ICOTOOL)
  message(FATAL_ERROR "The Windows icon is made with icotool: sudo apt-get install icoutils")
endif()
set(SANDMERE_ICON_FILE ${CMAKE_BINARY_DIR}/windows/sandmere.ico)
set(ico_pictures)
list(GET SANDMERE_ICON_SIZES -1 largest)
foreach(size IN LISTS SANDMERE_ICON_SIZES)
  set(png ${SANDMERE_ICON_DIR}/${size}x${size}/${SANDMERE_ICON_NAME}.png)
  if(size EQUAL largest)
    list(APPEND ico_pictures --raw=${png})
  else()
    list(APPEND ico_pictures ${png})
  endif()
endforeach()
add_custom_command(OUTPUT ${SANDMERE_ICON_FILE}
  COMMAND ${ICOTOOL} --create --output=${SANDMERE_ICON_FILE} ${ico_pictures}
  DEPENDS ${SANDMERE_ICON_PNGS} VERBATIM)

set(SANDMERE_MANIFEST_FILE ${CMAKE_BINARY_DIR}/windows/program.manifest)
configure_file(windows/program.manifest ${SANDMERE_MANIFEST_FILE} @ONLY)

# A program with the garden's icon, its version information and the
# manifest: sandmere_windows_program(TARGET FILE_NAME DESCRIPTION SOURCE...).
function(sandmere_windows_program target file_name description)
  set(SANDMERE_FILE_NAME ${file_name})
  set(SANDMERE_FILE_DESCRIPTION ${description})
  set(rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/windows/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${SANDMERE_ICON_FILE};${SANDMERE_MANIFEST_FILE}")
  add_executable(${target} ${ARGN} ${rc})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${file_name})
endfunction()

sandmere_windows_program(sandmere-garden ${SANDMERE_GARDEN_NAME} "Sandmere, a raked-sand rock garden" app/main.cpp)
target_link_libraries(sandmere-garden PRIVATE sandmere-core)

# The picture tool: the shared sources and the Windows side of each seam;
# photos through the Windows Imaging Component.
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS tools/*.cpp)
list(FILTER TOOL_SOURCES EXCLUDE REGEX "_(vips|posix)\\.cpp$")
sandmere_windows_program(sandmere-picture ${SANDMERE_TOOL_NAME} "Sandmere's picture tool" ${TOOL_SOURCES})
target_link_libraries(sandmere-picture PRIVATE sandmere-core windowscodecs ole32 oleaut32 uuid shell32)

# The launcher shares the picture tool's lookup of the pictures.
sandmere_windows_program(sandmere-launcher ${SANDMERE_LAUNCHER_NAME} "Sandmere" windows/launcher.cpp
  tools/folders.cpp tools/folders_windows.cpp)
target_link_libraries(sandmere-launcher PRIVATE sandmere-core shell32 ole32)
target_compile_definitions(sandmere-launcher PRIVATE
  SANDMERE_LAUNCHER_TO_PROGRAM="${SANDMERE_WINDOWS_PROGRAM_DIR}/${SANDMERE_GARDEN_NAME}.exe")
foreach(program sandmere-picture sandmere-launcher)
  target_compile_definitions(${program} PRIVATE SANDMERE_TOOL_TO_PICTURES="${SANDMERE_WINDOWS_PICTURE_DIR}")
endforeach()

# The garden's working folder: the fourteen pictures, drawn by the Windows
# picture tool under Wine, in a prefix kept in the build folder.
set(SANDMERE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
set_target_properties(sandmere-picture sandmere-garden sandmere-launcher PROPERTIES
  CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/windows/wine-prefix.sh;${SANDMERE_WINE_PREFIX}")
add_custom_target(garden-pictures ALL
  COMMAND sandmere-picture defaults garden
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS sandmere-picture
  COMMENT "Drawing the garden's pictures into build-windows/garden under Wine")

include(windows/installer.cmake)
