# What a Windows target takes of the program's resources: the resource script jellop.rc (frame
# bitmaps, region blocks, icon, version) and the two sound files, which lie beside jellop.exe.

# Compiles jellop.rc into `target`. CMake does not see the files the script names, so they are
# listed as its dependencies: a changed frame, region or icon rebuilds it.
function(jellop_add_program_resources target)
  set(rc ${PROJECT_SOURCE_DIR}/resources/jellop.rc)
  target_sources(${target} PRIVATE ${rc})
  file(GLOB inputs CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/resources/frames/*.bmp ${PROJECT_SOURCE_DIR}/resources/regions/*.rgn
    ${PROJECT_SOURCE_DIR}/resources/icon/*.ico)
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${inputs})
endfunction()

# Copies jellop_move.wav and jellop_die.wav beside `target`'s executable after each build.
function(jellop_copy_sounds target)
  foreach(sound jellop_move.wav jellop_die.wav)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_if_different
      ${PROJECT_SOURCE_DIR}/resources/sounds/${sound} $<TARGET_FILE_DIR:${target}>/${sound})
  endforeach()
endfunction()
