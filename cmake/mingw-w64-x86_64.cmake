# Cross-compiling for 64-bit Windows with MinGW-w64 on Linux; programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QB_MINGW_PREFIX x86_64-w64-mingw32)
set(QB_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
