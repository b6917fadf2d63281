# GoogleTest from Debian's source package, built with whichever compiler this tree uses.
if(NOT TARGET gtest)
    set(QB_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    # Third-party code: our warning policy is not its business.
    set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
    add_subdirectory(${QB_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT MSVC)
        target_compile_options(gtest PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O1>)
        target_compile_options(gtest_main PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O1>)
    endif()
endif()

# The tests' own code: our warnings as errors. In an optimised build the test code (and
# GoogleTest above) is optimised lightly, which builds it sooner: the code under test keeps its
# own flags.
set(QB_TEST_COMPILE_OPTIONS -Wall -Wextra -Werror)
if(NOT MSVC)
    list(APPEND QB_TEST_COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-O1>)
endif()
