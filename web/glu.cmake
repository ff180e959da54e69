# GLU's quadrics and projections, for the garden over the page's GL layer
# (the browser's, and the headless garden's), from Debian's source of the GLU that the
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

# GLU's quadrics and projections as the library NAME, its GL calls routed
# to the GL layer LAYER.
function(add_glu_library name layer)
  add_library(${name} STATIC ${GLU_TREE}/src/libutil/quad.c ${GLU_TREE}/src/libutil/project.c)
  target_include_directories(${name} PRIVATE ${GLU_TREE}/include ${GLU_TREE}/src/include)
  # GLU's own code, as Debian builds it: its warnings are not ours.
  target_compile_options(${name} PRIVATE -w)
  target_link_libraries(${name} PUBLIC ${layer})
endfunction()
