# Included by tests/win32/CMakeLists.txt.
# The test program carries the program's own resources (frame bitmaps and region blocks), as
# jellop.exe does, and a resource-only module, built here, stands in for another module.
jellop_add_program_resources(jellop_win32_tests)
target_link_libraries(jellop_win32_tests PRIVATE psapi)

# Raw data only, no code: no C runtime and no entry point.
add_library(jellop_testres MODULE ${CMAKE_CURRENT_LIST_DIR}/testres.rc)
set_target_properties(jellop_testres PROPERTIES PREFIX "" LINKER_LANGUAGE C
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/testres.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/testres_blocks.h)
if(MSVC)
  target_link_options(jellop_testres PRIVATE /NOENTRY)
else()
  target_link_options(jellop_testres PRIVATE -nostdlib -Wl,--entry=0)
endif()
add_dependencies(jellop_win32_tests jellop_testres)
