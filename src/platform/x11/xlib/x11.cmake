# The Xlib pieces of the X11 backend (included from src/CMakeLists.txt on Linux): the
# connection and its loop, the pet window, pointer and drag, the pop-up menu and the message
# box drawn with Xft, the clipboard selection, single instance and the screen's metrics.
# Neutral platform code only below them (region data).
find_package(PkgConfig REQUIRED)
pkg_check_modules(JELLOP_XLIBS REQUIRED IMPORTED_TARGET x11 xext xrandr)
# Xft's headers only: the library is loaded when the first pop-up is drawn (xft_library.h).
pkg_check_modules(JELLOP_XFT REQUIRED xft)
file(GLOB jellop_x11_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
jellop_layer_include_dir(platform jellop_x11_include_dir)
# The XSettings block parser needs no X connection: a library of its own, so that the fuzz
# preset can try it without Xlib.
list(REMOVE_ITEM jellop_x11_sources ${CMAKE_CURRENT_LIST_DIR}/xsettings_block.cpp)
add_library(jellop_xsettings_block STATIC ${CMAKE_CURRENT_LIST_DIR}/xsettings_block.cpp)
target_include_directories(jellop_xsettings_block PUBLIC ${jellop_x11_include_dir})
add_library(jellop_x11 STATIC ${jellop_x11_sources})
target_include_directories(jellop_x11 PUBLIC ${jellop_x11_include_dir})
target_include_directories(jellop_x11 SYSTEM PUBLIC ${JELLOP_XFT_INCLUDE_DIRS})
target_link_libraries(jellop_x11 PUBLIC jellop_region_data jellop_xsettings_block
  PkgConfig::JELLOP_XLIBS)
# sd-bus for the pointer relay of Wayland sessions (pointer_relay.h): libsystemd is in the
# process already, PulseAudio's client library stands on it.
pkg_check_modules(JELLOP_SDBUS REQUIRED IMPORTED_TARGET libsystemd)
target_link_libraries(jellop_x11 PUBLIC PkgConfig::JELLOP_SDBUS)
