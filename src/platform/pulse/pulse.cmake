# Sound through PulseAudio for the native Linux program, and the wave-file reader it stands on
# (a library of its own: it needs no sound system). Included from src/CMakeLists.txt.
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
jellop_layer_include_dir(platform pulse_include_dir)

add_library(jellop_wave_file STATIC platform/wave/wave_file.cpp)
target_include_directories(jellop_wave_file PUBLIC ${pulse_include_dir})

add_library(jellop_pulse_sound STATIC platform/pulse/connection.cpp platform/pulse/sound.cpp)
target_link_libraries(jellop_pulse_sound PUBLIC jellop_wave_file PkgConfig::PULSE)
