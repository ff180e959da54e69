# sandmere-open: the desktop garden opened on a garden (opener/main.cpp).
# It links the garden's own library, and the garden's calls to GLUT that
# register its callbacks and menus, and that show a frame, go through the
# opener's wrappers first.
set(SANDMERE_OPENER_WRAPPED glutDisplayFunc glutKeyboardFunc glutMouseFunc glutMotionFunc glutCreateMenu
  glutAddMenuEntry glutAddSubMenu glutAttachMenu glutSwapBuffers)
add_executable(sandmere-open opener/main.cpp)
target_link_libraries(sandmere-open PRIVATE sandmere-core sandmere-replay)
foreach(function IN LISTS SANDMERE_OPENER_WRAPPED)
  target_link_options(sandmere-open PRIVATE -Wl,--wrap=${function})
endforeach()
