// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: the panel's text field, a native "EDIT" control in the panel window, subclassed through
// the common controls so that its keys and focus changes reach the client first.
#include "platform/text_field.h"

#include <windows.h>

#include <memory>

namespace KVX::Platform::Windows
{
class EditControl final : public TextField
{
public:
    // A hidden control in `parent`, or null when it cannot be made.
    static std::unique_ptr<EditControl> Create(HWND parent, HINSTANCE instance, TextFieldClient* client);
    ~EditControl() override;

    void Show(int x, int y, int width, int height, const std::u16string& text, double scale) override;
    void Hide() override;
    bool IsVisible() const override;
    std::u16string Text() const override;

    // From now on no call reaches the client (its window is being torn down).
    void Detach() { m_Client = nullptr; }
    HWND Handle() const { return m_Edit; }

private:
    EditControl(HWND parent, HWND edit, TextFieldClient* client);
    static LRESULT CALLBACK Filter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR data);
    void SetScale(double scale);

    HWND m_Parent;
    HWND m_Edit;
    TextFieldClient* m_Client;
    bool m_LosingFocus = false;
    HFONT m_Font = nullptr;   // ours, set on the control while the scale is not 1
    double m_FontScale = 1.0; // the scale the control's type was made for
};
} // namespace KVX::Platform::Windows
