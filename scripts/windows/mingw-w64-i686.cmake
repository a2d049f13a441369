# Cross build for 32-bit (x86) Windows: the program that practices install.
set(OV_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-comune.cmake)
