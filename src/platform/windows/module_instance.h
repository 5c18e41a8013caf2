// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: the instance handle of the module this code is linked into (the plug-in DLL), as its
// entry routine recorded it. Resources, the window class and the edit control are registered under it.
#include <windows.h>

namespace KVX::Platform::Windows
{
HINSTANCE ModuleInstance();
} // namespace KVX::Platform::Windows
