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

#include <cstddef>
#include <string>

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
    // An event of the field's own window: keys, focus changes, exposure and button presses.
    void HandleEvent(const XEvent& event);
    // The parent has been destroyed, taking the field's window with it: stop using the window.
    void ForgetWindow();
    // The field is about to go with its window: a shown field commits, as on losing the focus.
    void CommitIfShown();

    void Show(int x, int y, int width, int height, const std::u16string& text) override;
    void Hide() override;
    bool IsVisible() const override { return m_visible; }
    std::u16string Text() const override { return m_text; }

private:
    void OnKey(const XKeyEvent& event);
    void Type(char16_t character);
    void Erase();
    void TakeFocus();
    void RestoreFocus();
    void Draw();

    Display* const m_display;
    const int m_screen;
    ::Window m_window = 0;
    TextFieldClient* const m_client;
    Linux::ScaledFontPtr m_font;

    std::u16string m_text;
    bool m_visible = false;
    bool m_allSelected = false; // from Show until the first key or click
    int m_width = 1;
    int m_height = 1;

    // The focus before Show, given back by Hide.
    ::Window m_previousFocus = PointerRoot;
    int m_previousRevert = RevertToPointerRoot;
    // Focus changes sent before this request belong to an earlier showing.
    unsigned long m_showSerial = 0;
};
} // namespace KVX::Platform
