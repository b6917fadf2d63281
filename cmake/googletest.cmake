# GoogleTest from Debian's source package, built with whichever compiler this tree uses.
if(NOT TARGET gtest)
    set(QB_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    # Third-party code: our warning policy is not its business.
    set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
    add_subdirectory(${QB_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
