# Pixel art is kept as XPM text in res/art; ImageMagick turns it into the bitmap strip of the
# image list and the application icon at build time.
if(CMAKE_HOST_WIN32)
    # ImageMagick 7's magick.exe takes convert's arguments; the convert.exe of Windows itself
    # is a disk tool.
    find_program(QB_CONVERT magick REQUIRED)
else()
    # ImageMagick's own convert; /usr/local may hold an unrelated program of that name.
    find_program(QB_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
    find_program(QB_CONVERT NAMES convert magick REQUIRED)
endif()
set(QB_ART ${CMAKE_SOURCE_DIR}/res/art)
set(QB_RES_OUT ${CMAKE_BINARY_DIR}/res)
file(MAKE_DIRECTORY ${QB_RES_OUT})

# Image list order: 0 scissors, 1 pages, 2 clipboard, 3 cross, 4 blank page.
set(QB_IMAGES scissors.xpm pages.xpm clipboard.xpm cross.xpm blank.xpm)
list(TRANSFORM QB_IMAGES PREPEND ${QB_ART}/ OUTPUT_VARIABLE QB_IMAGE_PATHS)

# Transparent pixels become magenta, the image list's mask colour.
add_custom_command(
    OUTPUT ${QB_RES_OUT}/imagelist.bmp
    COMMAND ${QB_CONVERT} ${QB_IMAGE_PATHS} +append -background "#FF00FF" -alpha remove
            -type TrueColor BMP3:${QB_RES_OUT}/imagelist.bmp
    DEPENDS ${QB_IMAGE_PATHS}
    COMMENT "Image list from pixel art"
    VERBATIM)

# The same glyphs for larger display scales, never resampled smoothly: drawn anew at 24 pixels
# (res/art/24), and the 16-pixel art doubled pixel for pixel at 32.
list(TRANSFORM QB_IMAGES PREPEND ${QB_ART}/24/ OUTPUT_VARIABLE QB_IMAGE_PATHS_24)
add_custom_command(
    OUTPUT ${QB_RES_OUT}/imagelist24.bmp
    COMMAND ${QB_CONVERT} ${QB_IMAGE_PATHS_24} +append -background "#FF00FF" -alpha remove
            -type TrueColor BMP3:${QB_RES_OUT}/imagelist24.bmp
    DEPENDS ${QB_IMAGE_PATHS_24}
    COMMENT "Image list from pixel art, 24 pixels"
    VERBATIM)
add_custom_command(
    OUTPUT ${QB_RES_OUT}/imagelist32.bmp
    COMMAND ${QB_CONVERT} ${QB_IMAGE_PATHS} +append -sample 200% -background "#FF00FF"
            -alpha remove -type TrueColor BMP3:${QB_RES_OUT}/imagelist32.bmp
    DEPENDS ${QB_IMAGE_PATHS}
    COMMENT "Image list from pixel art, 32 pixels"
    VERBATIM)

add_custom_command(
    OUTPUT ${QB_RES_OUT}/app.ico
    COMMAND ${QB_CONVERT} ${QB_ART}/app.xpm -colors 16 ${QB_RES_OUT}/app.ico
    DEPENDS ${QB_ART}/app.xpm
    COMMENT "Application icon from pixel art"
    VERBATIM)

set_source_files_properties(${CMAKE_SOURCE_DIR}/res/quillbrasset.rc PROPERTIES
    OBJECT_DEPENDS
    "${QB_RES_OUT}/imagelist.bmp;${QB_RES_OUT}/imagelist24.bmp;${QB_RES_OUT}/imagelist32.bmp;${QB_RES_OUT}/app.ico")

# The version resource takes its numbers from the project's version (1.5 is 1.5.0.0).
set(QB_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(QB_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(QB_VERSION_PATCH 0)
set(QB_VERSION_TWEAK 0)
if(NOT PROJECT_VERSION_PATCH STREQUAL "")
    set(QB_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
if(NOT PROJECT_VERSION_TWEAK STREQUAL "")
    set(QB_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
endif()
set(QB_VERSION_TEXT ${PROJECT_VERSION})
set(QB_VERSION_FULL_TEXT
    "${QB_VERSION_MAJOR}.${QB_VERSION_MINOR}.${QB_VERSION_PATCH}.${QB_VERSION_TWEAK}")
configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${QB_RES_OUT}/version.h @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/version.rc PROPERTIES
    OBJECT_DEPENDS "${QB_RES_OUT}/version.h;${CMAKE_SOURCE_DIR}/res/quillbrasset.manifest")

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${QB_RES_OUT} -I${CMAKE_SOURCE_DIR}/res")
enable_language(RC)
# The window's own resources (icon, image list, menus), compiled once: the programs link them,
# and so do the tests that build the window in their own process.
add_library(qb_window_resources OBJECT ${CMAKE_SOURCE_DIR}/res/quillbrasset.rc)
set(QB_RESOURCE_FILES $<TARGET_OBJECTS:qb_window_resources> ${CMAKE_SOURCE_DIR}/res/version.rc)
