# The portable ZIP, made by CPack (cmake --build --preset win64 --target package):
# Quillbrasset-<version>-win.zip with one folder holding the program, the user's readme
# (its bytes unchanged, code page 1251) and, when QB_PACKAGE_WIN32_EXE names it, the 32-bit
# build of the same sources as Quillbrasset32.exe. The win64 preset points that at the win32
# preset's build, so build the win32 preset first.
set(QB_PACKAGE_WIN32_EXE "" CACHE FILEPATH
    "The 32-bit Quillbrasset.exe to ship beside the 64-bit one as Quillbrasset32.exe")

install(TARGETS Quillbrasset RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/res/readme.txt DESTINATION .)
if(QB_PACKAGE_WIN32_EXE)
    install(CODE "
        if(NOT EXISTS \"${QB_PACKAGE_WIN32_EXE}\")
            message(FATAL_ERROR \"${QB_PACKAGE_WIN32_EXE} is missing: build the 32-bit program \"
                                \"first (cmake --preset win32 && cmake --build --preset win32)\")
        endif()")
    install(FILES ${QB_PACKAGE_WIN32_EXE} DESTINATION . RENAME Quillbrasset32.exe
            PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quillbrasset)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Quillbrasset-${PROJECT_VERSION}-win)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A note keeper for the Windows desktop")
include(CPack)
