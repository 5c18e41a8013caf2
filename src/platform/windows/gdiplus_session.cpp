// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/gdiplus_session.h"

#include <mutex>

namespace KVX::Platform::Windows
{
namespace
{
std::mutex g_Mutex;
int g_Users = 0;
ULONG_PTR g_Token = 0;
} // namespace

GdiplusSession::GdiplusSession()
{
    std::lock_guard lock(g_Mutex);
    if (g_Users == 0)
    {
        Gdiplus::GdiplusStartupInput input; // version 1, no callbacks
        m_Status = Gdiplus::GdiplusStartup(&g_Token, &input, nullptr);
        if (m_Status != Gdiplus::Ok)
        {
            g_Token = 0;
            return;
        }
    }
    m_Status = Gdiplus::Ok;
    ++g_Users;
}

GdiplusSession::~GdiplusSession()
{
    if (m_Status != Gdiplus::Ok)
    {
        return;
    }
    std::lock_guard lock(g_Mutex);
    if (--g_Users == 0)
    {
        Gdiplus::GdiplusShutdown(g_Token);
        g_Token = 0;
    }
}
} // namespace KVX::Platform::Windows
