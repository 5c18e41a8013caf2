// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/edit_control.h"

#include "platform/windows/callback_guard.h"

#include <commctrl.h>

#include <cmath>

namespace KVX::Platform::Windows
{
namespace
{
constexpr UINT_PTR kSubclassId = 1;

// The control's own type (the system font, which it uses when given none) at `scale`. Its size is taken
// back to 96 dpi first: on a screen of higher density the system already made it larger, and the
// panel's scale comes from that same density. Tahoma, the panel's type, replaces a bitmap face, which
// would only be enlarged pixel by pixel.
HFONT CreateScaledSystemFont(double scale)
{
    LOGFONTW font{};
    if (GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font) != sizeof font)
    {
        return nullptr;
    }
    int dpi = 96;
    if (HDC screen = GetDC(nullptr))
    {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    const double height = std::abs(static_cast<double>(font.lfHeight)) * 96.0 / (dpi > 0 ? dpi : 96);
    const LONG scaled = static_cast<LONG>(std::lround(height * scale));
    font.lfHeight = font.lfHeight < 0 ? -scaled : scaled; // the sign tells cell from character height
    font.lfWidth = 0;                                     // the face's own proportions
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}
} // namespace

std::unique_ptr<EditControl> EditControl::Create(HWND parent, HINSTANCE instance, TextFieldClient* client)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_CENTER, 0, 0, 50, 15, parent, nullptr,
                                instance, nullptr);
    if (edit == nullptr)
    {
        return nullptr;
    }
    std::unique_ptr<EditControl> control(new EditControl(parent, edit, client));
    if (!SetWindowSubclass(edit, &EditControl::Filter, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(control.get())))
    {
        DestroyWindow(edit);
        control->m_Edit = nullptr;
        return nullptr;
    }
    return control;
}

EditControl::EditControl(HWND parent, HWND edit, TextFieldClient* client)
    : m_Parent(parent), m_Edit(edit), m_Client(client)
{
}

EditControl::~EditControl()
{
    m_Client = nullptr;
    if (m_Edit != nullptr && IsWindow(m_Edit))
    {
        DestroyWindow(m_Edit);
    }
    if (m_Font != nullptr)
    {
        DeleteObject(m_Font); // the control that used it is gone
    }
}

void EditControl::SetScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0 || scale == m_FontScale)
    {
        return;
    }
    // At 1 the control goes back to the system's font, exactly as it is without any scale.
    HFONT font = scale == 1.0 ? nullptr : CreateScaledSystemFont(scale);
    if (scale != 1.0 && font == nullptr)
    {
        return;
    }
    SendMessageW(m_Edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (m_Font != nullptr)
    {
        DeleteObject(m_Font); // no longer selected by the control
    }
    m_Font = font;
    m_FontScale = scale;
}

void EditControl::Show(int x, int y, int width, int height, const std::u16string& text, double scale)
{
    if (m_Edit == nullptr)
    {
        return;
    }
    SetScale(scale);
    SetWindowTextW(m_Edit, reinterpret_cast<LPCWSTR>(text.c_str()));
    MoveWindow(m_Edit, x, y, width, height, FALSE);
    ShowWindow(m_Edit, SW_SHOW);
    SendMessageW(m_Edit, EM_SETSEL, 0, -1);
    SetFocus(m_Edit);
}

void EditControl::Hide()
{
    if (m_Edit == nullptr)
    {
        return;
    }
    const bool hadFocus = GetFocus() == m_Edit;
    ShowWindow(m_Edit, SW_HIDE);
    // While the focus is already on its way elsewhere (the commit on losing it), it is left to go there.
    if (hadFocus && !m_LosingFocus && GetFocus() == m_Edit)
    {
        SetFocus(m_Parent);
    }
}

bool EditControl::IsVisible() const
{
    return m_Edit != nullptr && IsWindowVisible(m_Edit);
}

std::u16string EditControl::Text() const
{
    if (m_Edit == nullptr)
    {
        return {};
    }
    const int length = GetWindowTextLengthW(m_Edit);
    if (length <= 0)
    {
        return {};
    }
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(m_Edit, reinterpret_cast<LPWSTR>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

LRESULT CALLBACK EditControl::Filter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data)
{
    auto* self = reinterpret_cast<EditControl*>(data);
    switch (message)
    {
    case WM_KILLFOCUS:
        // Only a shown field commits; the control's own handling (its caret) still runs afterwards.
        if (self->m_Client != nullptr && IsWindowVisible(edit))
        {
            self->m_LosingFocus = true;
            Guarded("a commit", [self] { self->m_Client->OnTextFieldCommit(); });
            self->m_LosingFocus = false;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r')
        {
            if (self->m_Client != nullptr)
            {
                Guarded("a commit", [self] { self->m_Client->OnTextFieldCommit(); });
            }
            return 0;
        }
        if (self->m_Client != nullptr)
        {
            bool accepted = false;
            Guarded("a key",
                    [&] { accepted = self->m_Client->OnTextFieldCharacter(static_cast<char16_t>(wParam)); });
            if (!accepted)
            {
                return 0;
            }
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, &EditControl::Filter, id);
        self->m_Edit = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}
} // namespace KVX::Platform::Windows
