// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: GDI+ for the image and text code. GDI+ must not be started or stopped from a module's
// entry routine, and must be stopped before its DLL can go away with ours, so it runs while someone holds
// a session: the editor window holds one for as long as it is open, and every image or text call holds
// one of its own for its duration (cheap while the window's keeps GDI+ running).
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

namespace KVX::Platform::Windows
{
class GdiplusSession
{
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    // Ok when GDI+ is running; otherwise the status its start-up returned.
    Gdiplus::Status Status() const { return m_Status; }

private:
    Gdiplus::Status m_Status;
};
} // namespace KVX::Platform::Windows
