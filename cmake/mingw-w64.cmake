# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# model, which the host layer's std::shared_mutex needs):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake ...   (scripts/windows.sh)
# Tests and checks run under Wine (CMAKE_CROSSCOMPILING_EMULATOR, set by the
# script to its own launcher).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_AR ${mingw}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw}-gcc-ranlib-posix CACHE FILEPATH "")

# Only the target's own headers and libraries, never the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
