# Cross build for i686 Windows with mingw-w64; Windows programs run under wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_tc i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
