# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the mingw-w64 toolchain files: set KVX_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include.
# The -posix compilers are the ones with std::thread and std::mutex; everything from the compiler's
# runtime is linked in statically, so the plug-in imports nothing but Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1) # Windows 7 and later

set(CMAKE_C_COMPILER ${KVX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KVX_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KVX_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${KVX_MINGW_TRIPLE}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KVX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(kvx_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${kvx_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${kvx_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${kvx_static_runtime}")

# Programs built here run under Wine (tests; nothing runs during the build).
find_program(KVX_WINE wine)
if(KVX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KVX_WINE})
endif()
