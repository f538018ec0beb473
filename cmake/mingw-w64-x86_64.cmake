# Cross build of horalux.exe with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HORALUX_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX threading flavour when Debian's alternatives offer it; either works
# for this single-threaded program.
find_program(CMAKE_CXX_COMPILER NAMES ${HORALUX_MINGW_PREFIX}-g++-posix ${HORALUX_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${HORALUX_MINGW_PREFIX}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${HORALUX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
