# The backends other than Win32 carry the program's frame resources inside the binary, made
# from the same files the Windows resource script uses: bitmaps without their 14-byte file
# header (as a bitmap resource stores them) and region blocks as they are.
file(GLOB JELLOP_FRAME_FILES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/frames/*.bmp ${PROJECT_SOURCE_DIR}/resources/regions/*.rgn)
set(JELLOP_EMBEDDED_RESOURCES ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
add_custom_command(
  OUTPUT ${JELLOP_EMBEDDED_RESOURCES}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${JELLOP_EMBEDDED_RESOURCES}
          -P ${PROJECT_SOURCE_DIR}/cmake/embed-resources-script.cmake
  DEPENDS ${JELLOP_FRAME_FILES} ${PROJECT_SOURCE_DIR}/cmake/embed-resources-script.cmake
  COMMENT "Embedding the frame resources for the backends other than Win32")
