# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix thread model, for
# std::thread and std::mutex). Programs built with it run under Wine through cmake/wine-run.sh, so
# ctest runs the Windows tests on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VX_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C and C++ runtimes and winpthreads linked in: the files need no DLL beside them but the
# system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# The Wine prefix is the build folder's own, made on first use and thrown away with the folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
