# Cross-compiling for 64-bit Windows with Debian's clang and the MinGW-w64 headers and runtime:
# a second compiler for the same sources, so code that only one compiler takes is caught here.
# clang brings no C++ library for this target: it uses MinGW-w64 GCC's libstdc++ headers, and
# links GCC's runtime libraries as one group (they refer to each other in a circle).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QB_MINGW_PREFIX x86_64-w64-mingw32)
set(QB_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${QB_MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${QB_MINGW_PREFIX})

file(GLOB QB_MINGW_GCC_DIRS /usr/lib/gcc/${QB_MINGW_PREFIX}/*-posix)
list(GET QB_MINGW_GCC_DIRS -1 QB_MINGW_GCC)
set(QB_CXX_HEADERS ${QB_MINGW_GCC}/include/c++)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${QB_CXX_HEADERS} -isystem ${QB_CXX_HEADERS}/${QB_MINGW_PREFIX} -isystem ${QB_CXX_HEADERS}/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=bfd -L${QB_MINGW_GCC}")
set(CMAKE_CXX_STANDARD_LIBRARIES "-Wl,--start-group -lstdc++ -lgcc -lgcc_eh -lwinpthread -lmingw32 -lmingwex -lmsvcrt -lkernel32 -luser32 -lgdi32 -lcomctl32 -lshell32 -Wl,--end-group")
