# SPDX-License-Identifier: GPL-3.0-or-later
# 32-bit Windows (i686) with mingw-w64: the plug-in hosts load as KVX-Tovik.dll.
set(KVX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
