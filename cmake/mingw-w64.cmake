# Cross-compiles for 64-bit Windows with mingw-w64 (the POSIX thread model, so
# that the standard library's threads and mutexes are there) and runs the
# programs it builds under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quorvel_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quorvel_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quorvel_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${quorvel_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quorvel_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static linking: the programs need no mingw DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Wine's 64-bit loader; Debian keeps it out of PATH.
find_program(QUORVEL_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CACHE)
if(NOT QUORVEL_WINE64)
  message(FATAL_ERROR "wine64 not found: install the wine64 package")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all ${QUORVEL_WINE64})
