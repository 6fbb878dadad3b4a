# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# which std::thread and std::mutex need):
#   cmake -S . -B build-win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GVC_MINGW_PREFIX x86_64-w64-mingw32)

# Debian ships the compilers as -posix and -win32 variants; prefer -posix.
find_program(CMAKE_C_COMPILER NAMES ${GVC_MINGW_PREFIX}-gcc-posix ${GVC_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${GVC_MINGW_PREFIX}-g++-posix ${GVC_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${GVC_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${GVC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ run-times and winpthread linked in,
# so the program needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Run cross-built programs (try_run, tests) under Wine when it is there.
find_program(GVC_WINE NAMES wine64 wine)
if(GVC_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GVC_WINE})
endif()
