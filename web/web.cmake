# The garden in the browser, built with Emscripten: the same garden over a
# GL layer of our own on WebGL 2, GLU's own spheres, Emscripten's GLUT with
# the menus it lacks, and a static site in build-web/site around it.
enable_language(C)
# Bulk memory (every engine since 2021): memcpy and memset are single
# instructions, where the software plan moves whole rows of pixels.
add_compile_options(-mbulk-memory)
add_link_options(-mbulk-memory)

# The site names no folder of the machine that built it: what the code
# keeps of its own file names (an assertion's __FILE__) is relative to the
# source folder, or to the build folder for what is made there (GLU's
# source); the build folder comes first, as it may lie inside the source.
add_compile_options("-ffile-prefix-map=${CMAKE_BINARY_DIR}/=" "-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=")

# The names of the project and its icon's drawing, made into the site's icons.
include(packaging/desktop.cmake)

include(web/glu.cmake)

# The layer under the garden: OpenGL 1.1 as the garden calls it, over
# WebGL 2, and GLUT's missing parts. Whatever is compiled against it (the
# garden, GLU, the benchmark) gets web/gl11.h first, which routes its GL
# calls to the layer.
add_library(sandmere-web-gl STATIC web/gl11.cpp web/backends.cpp web/softraster.cpp web/webgl.cpp web/window.cpp
  web/menus.cpp web/input.cpp)
target_include_directories(sandmere-web-gl PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(sandmere-web-gl INTERFACE "SHELL:-include ${CMAKE_SOURCE_DIR}/web/gl11.h")
target_link_options(sandmere-web-gl INTERFACE
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 "SHELL:--js-library ${CMAKE_SOURCE_DIR}/web/glut.js")
set_property(TARGET sandmere-web-gl APPEND PROPERTY INTERFACE_LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/glut.js)

add_glu_library(sandmere-glu sandmere-web-gl)

add_library(sandmere-core STATIC ${CORE_SOURCES})
target_include_directories(sandmere-core PUBLIC ${CMAKE_SOURCE_DIR} ${SANDMERE_GENERATED_DIR})
target_link_libraries(sandmere-core PUBLIC sandmere-glu sandmere-web-gl)

# The program: the garden, the picture tool's painters for the pictures
# the page has not put in place, and what the page asks of the garden.
set(SANDMERE_SITE ${CMAKE_BINARY_DIR}/site)
add_executable(sandmere web/main.cpp web/pictures.cpp web/snapshot.cpp web/state.cpp tools/paint.cpp tools/noise.cpp)
target_link_libraries(sandmere PRIVATE sandmere-core)
set_target_properties(sandmere PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${SANDMERE_SITE})
target_link_options(sandmere PRIVATE
  # exit() ends the program and tells the page (Module.onExit).
  -sEXIT_RUNTIME=1
  # The page's Content Security Policy allows no eval.
  -sDYNAMIC_EXECUTION=0
  -sALLOW_MEMORY_GROWTH=1
  # What the page uses: the file system for the pictures it keeps, and
  # memory for the pictures it hands the garden's BMP writer and for the
  # pixels it saves.
  -sEXPORTED_FUNCTIONS=_main,_malloc,_free
  # stackSave, stackRestore: the page checks that a moment of the garden it
  # puts back finds the stack where it was, and puts it back after an end.
  -sEXPORTED_RUNTIME_METHODS=FS,HEAPU8,addRunDependency,removeRunDependency,stackSave,stackRestore)

# The site around the program: the page, its icons from the desktop icon's
# drawing, the garden's version for the page, and everything else in
# web/page as it is.
file(GLOB SANDMERE_PAGE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/page/*)
list(FILTER SANDMERE_PAGE_FILES EXCLUDE REGEX "\\.in$")
set(SANDMERE_SITE_FILES)
foreach(file IN LISTS SANDMERE_PAGE_FILES)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${SANDMERE_SITE}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${SANDMERE_SITE}/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND SANDMERE_SITE_FILES ${SANDMERE_SITE}/${name})
endforeach()
# The painted pictures' SHA-256 digests, from the one table the tests hold
# the painters to: the page keeps a painted picture only with its digest.
file(STRINGS ${CMAKE_SOURCE_DIR}/tests/common/picture_digests.h digest_lines
  REGEX "{\"[a-z0-9]+\\.bmp\", \"[0-9a-f]+\"}")
set(SANDMERE_PAINTED_PICTURES "")
foreach(line IN LISTS digest_lines)
  string(REGEX MATCH "\"([a-z0-9]+\\.bmp)\", \"([0-9a-f]+)\"" found "${line}")
  string(APPEND SANDMERE_PAINTED_PICTURES "  ['${CMAKE_MATCH_1}', '${CMAKE_MATCH_2}'],\n")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/common/picture_digests.h)
list(LENGTH digest_lines digest_count)
if(NOT digest_count EQUAL 14)
  message(FATAL_ERROR "tests/common/picture_digests.h: ${digest_count} digests found, not the fourteen pictures'")
endif()
# The values the page hands the garden or reads from it, from the
# definitions the garden is compiled with: its display modes and the rake
# tool (app/garden.h), GLUT's mouse buttons and button states (GLUT's own
# header, as Emscripten ships it).
find_file(SANDMERE_GLUT_HEADER GL/freeglut_std.h REQUIRED)
function(definition_value variable header pattern)
  file(STRINGS ${header} lines REGEX "${pattern}")
  if(NOT lines MATCHES "${pattern}")
    message(FATAL_ERROR "${header}: no definition ${pattern} there")
  endif()
  math(EXPR value "${CMAKE_MATCH_1}")
  set(${variable} ${value} PARENT_SCOPE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
foreach(name drawMode sceneMode rakeTool)
  definition_value(SANDMERE_${name} ${CMAKE_SOURCE_DIR}/app/garden.h "^constexpr int ${name} = ([0-9]+)")
endforeach()
foreach(name LEFT_BUTTON RIGHT_BUTTON DOWN UP)
  definition_value(SANDMERE_GLUT_${name} ${SANDMERE_GLUT_HEADER} "^#define[ \t]+GLUT_${name}[ \t]+(0x[0-9A-Fa-f]+|[0-9]+)")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/web/page/version.js.in ${SANDMERE_SITE}/version.js @ONLY)
foreach(size 192 512)
  set(png ${SANDMERE_SITE}/icon-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SANDMERE_SITE}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${SANDMERE_ICON_SVG}
    DEPENDS ${SANDMERE_ICON_SVG} VERBATIM)
  list(APPEND SANDMERE_SITE_FILES ${png})
endforeach()
add_custom_target(site ALL DEPENDS ${SANDMERE_SITE_FILES})

include(bench/web.cmake)
