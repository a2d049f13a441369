# Shared part of the cross builds for Windows with the MinGW-w64 compilers of the Debian packages
# (posix thread model, for std::thread and std::mutex). The including file sets OV_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${OV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OV_MINGW_TRIPLE}-windres)
# CMake cannot derive the binutils' prefix from the "-posix" compiler names.
foreach(strumento AR RANLIB NM OBJCOPY OBJDUMP STRIP DLLTOOL)
  string(TOLOWER ${strumento} nome)
  set(CMAKE_${strumento} ${OV_MINGW_TRIPLE}-${nome} CACHE FILEPATH "")
endforeach()

# Only the MinGW sysroot and the libraries built for Windows (see dipendenze.sh, which adds them
# to CMAKE_FIND_ROOT_PATH): nothing of the Linux machine leaks in.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${OV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
