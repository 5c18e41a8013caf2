// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's text field on X11: a small child window of the panel's window that draws itself with cairo
// and reads keys itself, so that no toolkit is needed.
//
// The panel's window makes it, feeds it the events of its X window and destroys it, all on the window's
// thread, with the window's display connection. While shown it holds the keyboard focus; what had the
// focus before gets it back when the field is hidden.
#include "platform/linux/font_library.h"
#include "platform/text_field.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace KVX::Platform
{
class X11TextField final : public TextField
{
public:
    // Longer texts are cut; the panel reads far fewer characters.
    static constexpr std::size_t kMaxCharacters = 32;

    // Creates the field, hidden, inside `parent`, drawn with the default visual of `screen`.
    X11TextField(Display* display, int screen, ::Window parent, TextFieldClient* client);
    // Gives back the focus when shown, and destroys the field's window unless it is already gone.
    ~X11TextField() override;
    X11TextField(const X11TextField&) = delete;
    X11TextField& operator=(const X11TextField&) = delete;

    ::Window Handle() const { return m_window; }
    // An event of the field's own window: keys, focus changes, exposure, buttons and drags.
    void HandleEvent(const XEvent& event);
    // The parent has been destroyed, taking the field's window with it: stop using the window.
    void ForgetWindow();
    // The field is about to go with its window: a shown field commits, as on losing the focus.
    void CommitIfShown();

    void Show(int x, int y, int width, int height, const std::u16string& text, double scale) override;
    void Hide() override;
    bool IsVisible() const override { return m_visible; }
    std::u16string Text() const override { return m_text; }

private:
    // Where the text sits in the field: its left edge and the x of every caret position, in field pixels.
    struct Layout
    {
        double left = 0.0;
        std::vector<double> stops; // one more than the text has characters
        double ascent = 0.0;
        double lineHeight = 0.0;
    };
    // Also scrolls a text wider than the field so that the caret stays in view.
    Layout Arrange();
    std::size_t PositionAt(int x);

    void OnKey(const XKeyEvent& event);
    bool OnEditingKey(KeySym keysym, unsigned state);
    void OnPress(const XButtonEvent& event);
    void Type(char16_t character);
    void Erase(bool forward);
    void EraseSelection();
    void MoveCaret(std::size_t to, bool extend);
    std::size_t SelectionStart() const { return std::min(m_anchor, m_caret); }
    std::size_t SelectionEnd() const { return std::max(m_anchor, m_caret); }
    std::size_t WordStartBefore(std::size_t position) const;
    std::size_t WordStartAfter(std::size_t position) const;
    void SelectWordAt(int x);
    void TakeFocus();
    void RestoreFocus();
    void Draw();

    Display* const m_display;
    const int m_screen;
    ::Window m_window = 0;
    TextFieldClient* const m_client;
    Linux::ScaledFontPtr m_font;
    double m_fontScale = 1.0; // the panel scale m_font was made for

    std::u16string m_text;
    bool m_visible = false;
    // The selection runs from the anchor to the caret; both are character positions in the text.
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    // The left edge of a text too wide for the field, kept between draws so that it scrolls only as far as
    // the caret needs.
    double m_scrolledLeft = 0.0;
    int m_width = 1;
    int m_height = 1;

    // The left button: held down (a drag selects), and the last press, which a second quick one near it
    // makes a double click.
    bool m_dragging = false;
    bool m_pressPending = false;
    Time m_pressTime = 0;
    int m_pressX = 0;
    int m_pressY = 0;

    // The focus before Show, given back by Hide.
    ::Window m_previousFocus = PointerRoot;
    int m_previousRevert = RevertToPointerRoot;
    // Focus changes sent before this request belong to an earlier showing.
    unsigned long m_showSerial = 0;
};
} // namespace KVX::Platform
