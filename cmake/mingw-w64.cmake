# Cross-build for 64-bit Windows with mingw-w64 (Debian's posix-threads
# compilers, needed for std::thread). Use:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORDEL_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VORDEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORDEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORDEL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORDEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C99 printf family (%zu, exponent digits, rounding as on Linux) instead
# of the system library's.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")

# The C++ runtime and winpthreads linked in, so the program needs no DLL
# beyond the system's. binmode.o makes binary the default open mode: files
# hold the same bytes as on Linux. The main thread gets Linux's 8 MiB stack,
# so scripts nest as deeply as there.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--stack,8388608 /usr/${VORDEL_MINGW_TRIPLE}/lib/binmode.o")

# The release folder is flat: vordel.exe beside the README, the other
# documents and examples/ (the install rules are the Linux ones).
set(CMAKE_INSTALL_BINDIR . CACHE PATH "" FORCE)
set(CMAKE_INSTALL_DOCDIR . CACHE PATH "" FORCE)

# Programs built here run through Wine (tests, gtest discovery).
find_program(VORDEL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VORDEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORDEL_WINE})
endif()
