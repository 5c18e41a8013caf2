// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: client calls made from window procedures and timer callbacks. An exception must never
// unwind through the system's frames into the host, and there is nobody on this path to tell: the
// failure goes to the debugger's output and the message is treated as handled.
#include <windows.h>

#include <exception>
#include <string>

namespace KVX::Platform::Windows
{
template <class Call> bool Guarded(const char* what, Call&& call) noexcept
{
    try
    {
        call();
        return true;
    }
    catch (const std::exception& e)
    {
        OutputDebugStringA((std::string("KVX editor: ") + what + " failed: " + e.what() + "\n").c_str());
    }
    catch (...)
    {
        OutputDebugStringA((std::string("KVX editor: ") + what + " failed\n").c_str());
    }
    return false;
}
} // namespace KVX::Platform::Windows
