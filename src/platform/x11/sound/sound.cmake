# Sound through PulseAudio for the native Linux program (platform/x11/sound.cpp, the contract's
# sound, on the connection of platform/x11/sound), and the wave-file reader it stands on (a
# library of its own: it needs no sound system). Included from src/CMakeLists.txt.
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
jellop_layer_include_dir(platform pulse_include_dir)

add_library(jellop_wave_file STATIC platform/x11/sound/wave_file.cpp)
target_include_directories(jellop_wave_file PUBLIC ${pulse_include_dir})
# The sound contract it fills names the GDI library's handles.
target_link_libraries(jellop_wave_file PUBLIC jellop_region_data)

add_library(jellop_pulse_sound STATIC platform/x11/sound.cpp platform/x11/sound/connection.cpp)
target_link_libraries(jellop_pulse_sound PUBLIC jellop_wave_file PkgConfig::PULSE)
