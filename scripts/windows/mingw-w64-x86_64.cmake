# Cross build for 64-bit Windows: only the 64-bit stand-in servers of the tests.
set(OV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-comune.cmake)
