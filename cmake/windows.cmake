# The Windows program: the store's file layer, the window, the entry, the resources.
if(MINGW)
    # One self-contained executable: no MinGW runtime DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX
                            WIN32_LEAN_AND_MEAN)
else()
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX
                            WIN32_LEAN_AND_MEAN _CRT_SECURE_NO_WARNINGS)
endif()

# One library a room, linked one way: the process (app/) uses the window (ui/), which uses the
# Win32 file layer and handle owners (win/), which gives the note-keeping (notebook/) its
# file system on the disk; the notebook uses the portable core. The window knows nothing of the
# process: it declares what it needs of it (TFormHost), and app/ gives it.
file(GLOB QB_WIN_SOURCES CONFIGURE_DEPENDS win/*.cpp)
add_library(qb_win STATIC ${QB_WIN_SOURCES})
target_link_libraries(qb_win PUBLIC qb_notebook kernel32 advapi32)

file(GLOB QB_UI_SOURCES CONFIGURE_DEPENDS ui/*.cpp)
add_library(qb_ui STATIC ${QB_UI_SOURCES})
target_link_libraries(qb_ui PUBLIC qb_win user32 gdi32 comctl32 oleacc ole32 oleaut32)

file(GLOB QB_APP_SOURCES CONFIGURE_DEPENDS app/*.cpp)
list(FILTER QB_APP_SOURCES EXCLUDE REGEX "app/main\\.cpp$")
add_library(qb_app STATIC ${QB_APP_SOURCES})
target_link_libraries(qb_app PUBLIC qb_ui shell32)

# Every file of the window and the process reads the Windows headers first: they are read once
# per library, not once per file (most of each small file's build time).
set(QB_WINDOWS_HEADERS <windows.h>)
foreach(library qb_win qb_ui qb_app)
    target_precompile_headers(${library} PRIVATE ${QB_WINDOWS_HEADERS})
endforeach()

include(cmake/resources.cmake)
# The generated version header: the program's name and version stand in one place.
target_include_directories(qb_ui PUBLIC ${QB_RES_OUT})

add_executable(Quillbrasset WIN32 app/main.cpp ${QB_RESOURCE_FILES})
target_link_libraries(Quillbrasset PRIVATE qb_app)
if(MINGW)
    # -s: the shipped program carries no symbol table.
    target_link_options(Quillbrasset PRIVATE -municode $<$<CONFIG:Release,MinSizeRel>:-s>)
else()
    # The manifest comes from res/version.rc, not from the linker.
    target_link_options(Quillbrasset PRIVATE /MANIFEST:NO)
endif()

# The same program with the hooks its tests steer (a power cut at a chosen file operation,
# background saves off): for the fault-injection suite and the benchmarks, never shipped.
add_executable(QuillbrassetTestHooks WIN32 app/main.cpp win/hooks/testing.cpp
               ${QB_RESOURCE_FILES})
target_link_libraries(QuillbrassetTestHooks PRIVATE qb_app)
if(MINGW)
    target_link_options(QuillbrassetTestHooks PRIVATE -municode)
else()
    target_link_options(QuillbrassetTestHooks PRIVATE /MANIFEST:NO)
endif()

include(cmake/package.cmake)

if(QB_TESTS)
    add_subdirectory(tests/windows)
    add_subdirectory(tests/e2e)
    add_subdirectory(tests/sync)
endif()
