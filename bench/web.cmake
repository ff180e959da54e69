# The benchmark compiled for the browser, over the same GL layer as the
# garden: ./bench.sh web runs it in Chromium on a page of its own
# (bench/web/), beside the native one. Built only when asked for, into
# build-web/bench.
add_executable(sandmere-web-bench EXCLUDE_FROM_ALL bench/bench.cpp bench/reference.cpp)
target_include_directories(sandmere-web-bench PRIVATE ${CMAKE_SOURCE_DIR}/bench/web)
target_link_libraries(sandmere-web-bench PRIVATE sandmere-core)
# The page fetches the pictures into /garden before main() runs.
target_compile_definitions(sandmere-web-bench PRIVATE SANDMERE_GARDEN_DIR="/garden")
set_target_properties(sandmere-web-bench PROPERTIES OUTPUT_NAME sandmere-bench SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_options(sandmere-web-bench PRIVATE -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency)

# The software rasteriser's benchmark (bench/softraster.cpp) for WebAssembly,
# run by Node beside the native one.
add_executable(sandmere-web-softraster-bench EXCLUDE_FROM_ALL bench/softraster.cpp web/softraster.cpp)
target_include_directories(sandmere-web-softraster-bench PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(sandmere-web-softraster-bench PROPERTIES OUTPUT_NAME sandmere-softraster-bench SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
# Compiled at once: this Emscripten would fetch() the module, which Node
# does not do for a file.
target_link_options(sandmere-web-softraster-bench PRIVATE -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0)
