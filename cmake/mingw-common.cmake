set(CMAKE_C_COMPILER ${JELLOP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${JELLOP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${JELLOP_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${JELLOP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No MinGW DLL beside the executables: everything of the compiler's runtime is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
# CTest runs every Windows test executable through Wine.
find_program(JELLOP_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${JELLOP_WINE} CACHE FILEPATH "Runs Windows test programs")
