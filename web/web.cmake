# The garden in the browser, built with Emscripten: the same garden over a
# GL layer of our own on WebGL 2, GLU's own spheres, Emscripten's GLUT with
# the menus it lacks, and a static site in build-web/site around it.
enable_language(C)

# The names of the project and its icon's drawing, made into the site's icons.
include(packaging/desktop.cmake)

# GLU's quadrics and projections from Debian's source of the GLU that the
# desktop build links, so the rocks are the same spheres. Unpacked once into
# the build folder; a later configure finds it there.
set(GLU_SOURCE_FOLDER ${CMAKE_BINARY_DIR}/glu-source)
file(GLOB GLU_TREE LIST_DIRECTORIES true ${GLU_SOURCE_FOLDER}/libglu-*)
if(NOT GLU_TREE)
  execute_process(
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/debian-source.sh libglu1-mesa-dev ${GLU_SOURCE_FOLDER}
    OUTPUT_VARIABLE GLU_TREE OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT IS_DIRECTORY "${GLU_TREE}")
    message(FATAL_ERROR "GLU's Debian source could not be unpacked into ${GLU_SOURCE_FOLDER}")
  endif()
endif()

# The layer under the garden: OpenGL 1.1 as the garden calls it, over
# WebGL 2, and GLUT's missing parts. Whatever is compiled against it (the
# garden, GLU, the benchmark) gets web/gl11.h first, which routes its GL
# calls to the layer.
add_library(sandmere-web-gl STATIC web/gl11.cpp web/webgl.cpp web/window.cpp web/menus.cpp web/input.cpp)
target_include_directories(sandmere-web-gl PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(sandmere-web-gl INTERFACE "SHELL:-include ${CMAKE_SOURCE_DIR}/web/gl11.h")
target_link_options(sandmere-web-gl INTERFACE
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 "SHELL:--js-library ${CMAKE_SOURCE_DIR}/web/glut.js")
set_property(TARGET sandmere-web-gl APPEND PROPERTY INTERFACE_LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/glut.js)

add_library(sandmere-glu STATIC ${GLU_TREE}/src/libutil/quad.c ${GLU_TREE}/src/libutil/project.c)
target_include_directories(sandmere-glu PRIVATE ${GLU_TREE}/include ${GLU_TREE}/src/include)
# GLU's own code, as Debian builds it: its warnings are not ours.
target_compile_options(sandmere-glu PRIVATE -w)
target_link_libraries(sandmere-glu PUBLIC sandmere-web-gl)

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
