# Cross build for 32-bit Windows with Debian's MinGW-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PRESETRA_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
