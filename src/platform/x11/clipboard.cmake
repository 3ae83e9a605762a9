# The X11 clipboard of the native Linux program, a library of its own until the X11 backend's
# library takes in every file of this folder (then this file and its include go). It needs no
# include directory beyond X11's: stb_image_write comes as <stb/...>. Included from
# src/CMakeLists.txt.
find_package(X11 REQUIRED)
jellop_layer_include_dir(platform x11_clipboard_include_dir)
add_library(jellop_x11_clipboard STATIC platform/x11/clipboard.cpp)
target_include_directories(jellop_x11_clipboard PUBLIC ${x11_clipboard_include_dir})
target_link_libraries(jellop_x11_clipboard PUBLIC X11::X11)
