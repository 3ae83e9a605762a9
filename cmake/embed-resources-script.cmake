# Script mode: writes OUTPUT, a C++ table of every frame bitmap and region block below
# SOURCE_DIR/resources, for the resource reads of the backends other than Win32.
file(GLOB bitmaps ${SOURCE_DIR}/resources/frames/*.bmp)
file(GLOB regions ${SOURCE_DIR}/resources/regions/*.rgn)
set(arrays "")
set(entries "")
set(index 0)
foreach(kind IN ITEMS bitmap region)
  if(kind STREQUAL "bitmap")
    set(files ${bitmaps})
    set(offset 14)
    set(type "ResourceType::Bitmap")
  else()
    set(files ${regions})
    set(offset 0)
    set(type "ResourceType::RawData")
  endif()
  foreach(file IN LISTS files)
    get_filename_component(id ${file} NAME_WE)
    file(READ ${file} hex OFFSET ${offset} HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char data${index}[] = {${bytes}};\n")
    string(APPEND entries "    {${type}, ${id}, data${index}, sizeof data${index}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from resources/ by the build; do not edit.
#include \"gdi/memory/embedded_resources.h\"

namespace platform::memory {
namespace {
${arrays}} // namespace

const std::span<const EmbeddedResource> kEmbeddedResources = [] {
    static const EmbeddedResource table[] = {
${entries}        {ResourceType::Bitmap, 0, nullptr, 0}};
    return std::span<const EmbeddedResource>(table, std::size(table) - 1);
}();

} // namespace platform::memory
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
