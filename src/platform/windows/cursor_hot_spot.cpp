// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window.h"

#include <windows.h>

namespace KVX::Platform
{
// The hot spot of the cursor current for this thread (the system's arrow when there is none).
void CursorHotSpot(int& x, int& y)
{
    x = 0;
    y = 0;
    HCURSOR cursor = GetCursor();
    if (cursor == nullptr)
    {
        cursor = LoadCursorW(nullptr, IDC_ARROW);
    }
    ICONINFOEXW info{};
    info.cbSize = sizeof info;
    if (cursor == nullptr || !GetIconInfoExW(cursor, &info))
    {
        return;
    }
    x = static_cast<int>(info.xHotspot);
    y = static_cast<int>(info.yHotspot);
    if (info.hbmMask != nullptr)
    {
        DeleteObject(info.hbmMask);
    }
    if (info.hbmColor != nullptr)
    {
        DeleteObject(info.hbmColor);
    }
}
} // namespace KVX::Platform
