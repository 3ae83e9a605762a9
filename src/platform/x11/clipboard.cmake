# The X11 clipboard of the native Linux program. Included from src/CMakeLists.txt.
find_package(X11 REQUIRED)
jellop_layer_include_dir(platform x11_clipboard_include_dir)
add_library(jellop_x11_clipboard STATIC platform/x11/clipboard.cpp)
target_include_directories(jellop_x11_clipboard PUBLIC ${x11_clipboard_include_dir})
target_include_directories(jellop_x11_clipboard SYSTEM PRIVATE /usr/include/stb)
target_link_libraries(jellop_x11_clipboard PUBLIC X11::X11)
