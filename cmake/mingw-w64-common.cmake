set(CMAKE_C_COMPILER ${QB_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QB_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QB_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs are Windows executables: CTest starts them through Wine. 64-bit programs go
# straight to Wine's 64-bit loader: the `wine` command starts the 32-bit loader first whenever
# 32-bit Wine is installed, and some kernels run no 32-bit program at all.
find_program(QB_WINE NAMES ${QB_WINE_NAMES} wine PATHS /usr/lib/wine /usr/lib64/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QB_WINE})
