// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small native text field in which the user types a value over a control. The window that owns it
// creates it on first use and destroys it with itself; every call happens on the window's thread.
#include <string>

namespace KVX::Platform
{
class TextFieldClient
{
public:
    virtual ~TextFieldClient() = default;
    // A character typed into the field (Backspace arrives as u'\b'): true lets it in, false drops it.
    virtual bool OnTextFieldCharacter(char16_t character) = 0;
    // Enter was pressed, or the field lost the keyboard focus while shown.
    virtual void OnTextFieldCommit() = 0;
};

class TextField
{
public:
    virtual ~TextField() = default;
    // Shows the field at (x, y) of the window with that size (physical pixels) and text, the whole text
    // selected, and gives it the keyboard focus; `scale` is the panel's scale, which the text follows.
    virtual void Show(int x, int y, int width, int height, const std::u16string& text, double scale) = 0;
    // Hides the field; the keyboard focus goes back to the panel's window.
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual std::u16string Text() const = 0;
};
} // namespace KVX::Platform
