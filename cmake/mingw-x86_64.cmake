# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PRESETRA_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
