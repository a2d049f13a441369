# Cross build for 64-bit Windows with the MinGW-w64 compiler of the Debian packages
# (posix thread model, for std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# CMake cannot derive the binutils' prefix from the "-posix" compiler names.
set(CMAKE_AR x86_64-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB x86_64-w64-mingw32-ranlib CACHE FILEPATH "")
set(CMAKE_NM x86_64-w64-mingw32-nm CACHE FILEPATH "")
set(CMAKE_OBJCOPY x86_64-w64-mingw32-objcopy CACHE FILEPATH "")
set(CMAKE_OBJDUMP x86_64-w64-mingw32-objdump CACHE FILEPATH "")
set(CMAKE_STRIP x86_64-w64-mingw32-strip CACHE FILEPATH "")
set(CMAKE_DLLTOOL x86_64-w64-mingw32-dlltool CACHE FILEPATH "")

# Only the MinGW sysroot and the libraries built for Windows (see dipendenze.sh, which adds them
# to CMAKE_FIND_ROOT_PATH): nothing of the Linux machine leaks in.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
