# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the windows
# preset). The compilers and the resource compiler carry the target's name;
# libraries and headers come from the MinGW-w64 tree only, programs from
# the building machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SANDMERE_MINGW_TARGET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${SANDMERE_MINGW_TARGET}-gcc)
set(CMAKE_CXX_COMPILER ${SANDMERE_MINGW_TARGET}-g++)
set(CMAKE_RC_COMPILER ${SANDMERE_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SANDMERE_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
