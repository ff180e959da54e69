# The headless garden: the page's GL layer built natively, its plan frames
# in its software back end and the rest over a GPU end that draws nothing
# (web/native/nullgpu.cpp), with a GLUT of its own
# (web/native/window.cpp), the garden compiled over it as the browser's is,
# and sandmere-headless, which replays a garden file with no window and no
# GPU. The layer's and the garden's float steps must be the very ones of
# WebAssembly: x86-64's SSE2 arithmetic is IEEE single and double as wasm's
# is, contraction is off for every source (CMakeLists.txt), and nothing is
# built with -ffast-math.
enable_language(C)
find_package(ZLIB REQUIRED)
pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0)

# The garden file's reader and writer, which the desktop can link too.
add_library(sandmere-gardenfile STATIC web/gardenfile.cpp)
target_include_directories(sandmere-gardenfile PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(sandmere-gardenfile PUBLIC ZLIB::ZLIB)

include(web/glu.cmake)

# As sandmere-web-gl: what is compiled against it gets web/gl11.h first.
# Its own sources take Emscripten's keep-alive mark from a header of ours.
add_library(sandmere-headless-gl STATIC web/gl11.cpp web/backends.cpp web/softraster.cpp web/input.cpp
  web/menus.cpp web/native/window.cpp web/native/nullgpu.cpp)
target_include_directories(sandmere-headless-gl PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/web/native/include)
target_compile_options(sandmere-headless-gl INTERFACE "SHELL:-include ${CMAKE_SOURCE_DIR}/web/gl11.h")
add_glu_library(sandmere-headless-glu sandmere-headless-gl)

add_library(sandmere-headless-core STATIC ${CORE_SOURCES})
target_include_directories(sandmere-headless-core PUBLIC ${CMAKE_SOURCE_DIR} ${SANDMERE_GENERATED_DIR})
target_link_libraries(sandmere-headless-core PUBLIC sandmere-headless-glu sandmere-headless-gl)

# Everything of the program but main(): the replay, and the painters and
# BMP writer the page uses for the pictures.
add_library(sandmere-headless-garden STATIC web/native/headless.cpp web/pictures.cpp tools/paint.cpp tools/noise.cpp)
target_link_libraries(sandmere-headless-garden PUBLIC sandmere-headless-core sandmere-gardenfile PkgConfig::GLIB)

add_executable(sandmere-headless web/native/main.cpp)
target_link_libraries(sandmere-headless PRIVATE sandmere-headless-garden)
