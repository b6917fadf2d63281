# Pixel art is kept as XPM text in res/art; ImageMagick turns it into the bitmap strip of the
# image list and the application icon at build time.
# ImageMagick's own convert; /usr/local may hold an unrelated program of that name.
find_program(QB_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
find_program(QB_CONVERT convert REQUIRED)
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

add_custom_command(
    OUTPUT ${QB_RES_OUT}/app.ico
    COMMAND ${QB_CONVERT} ${QB_ART}/app.xpm -colors 16 ${QB_RES_OUT}/app.ico
    DEPENDS ${QB_ART}/app.xpm
    COMMENT "Application icon from pixel art"
    VERBATIM)

set_source_files_properties(${CMAKE_SOURCE_DIR}/res/quillbrasset.rc PROPERTIES
    OBJECT_DEPENDS "${QB_RES_OUT}/imagelist.bmp;${QB_RES_OUT}/app.ico")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${QB_RES_OUT} -I${CMAKE_SOURCE_DIR}/res")
enable_language(RC)
set(QB_RESOURCE_FILES ${CMAKE_SOURCE_DIR}/res/quillbrasset.rc)
