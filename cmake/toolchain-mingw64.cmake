# SPDX-License-Identifier: GPL-3.0-or-later
# 64-bit Windows (x86-64) with mingw-w64: KVX-Tovik-x64.dll.
set(KVX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
