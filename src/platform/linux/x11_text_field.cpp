// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_text_field.h"

#include "platform/linux/pointer_input.h"
#include "platform/linux/x11_present.h"
#include "platform/text.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace KVX::Platform
{
namespace
{
using namespace Linux;

// Presses and releases stay with the field: a click into it is no press on the panel.
constexpr long kEventMask =
    KeyPressMask | FocusChangeMask | ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask;

constexpr double kBorderGrey = 0.39;
constexpr double kSelectionRed = 0.0;
constexpr double kSelectionGreen = 0.47;
constexpr double kSelectionBlue = 0.84;

// Keysyms 0x01000100 and up name Unicode characters directly; Latin-1 comes as bytes from XLookupString.
constexpr KeySym kUnicodeKeysyms = 0x01000000;

bool Printable(char32_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xD800 && c < 0xE000) && c <= 0xFFFF;
}

// Whether a focus change means the field has really lost the keyboard: not one that only passes through
// during a grab (a host's menu, a drag), nor one about the pointer's window or a child.
bool LosesKeyboard(const XFocusChangeEvent& event)
{
    return event.mode != NotifyGrab && event.mode != NotifyUngrab && event.detail != NotifyInferior &&
           event.detail != NotifyPointer && event.detail != NotifyPointerRoot &&
           event.detail != NotifyDetailNone;
}
// The field's type, at the panel's scale.
Font FieldFont(double scale)
{
    return Font{u"Tahoma", static_cast<float>(8.0 * scale), false, false};
}
} // namespace

X11TextField::X11TextField(Display* display, int screen, ::Window parent, TextFieldClient* client)
    : m_display(display), m_screen(screen), m_client(client), m_font(CreateScaledFont(FieldFont(1.0), true))
{
    // The screen's own visual rather than the panel's OpenGL one, with a colormap to match it.
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.border_pixel = BlackPixel(display, screen);
    attributes.colormap = DefaultColormap(display, screen);
    attributes.event_mask = kEventMask;
    m_window = XCreateWindow(display, parent, 0, 0, 1, 1, 0, DefaultDepth(display, screen), InputOutput,
                             DefaultVisual(display, screen),
                             CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    // The text cursor over the field; the server keeps the cursor for as long as the window uses it.
    const Cursor beam = XCreateFontCursor(display, XC_xterm);
    XDefineCursor(display, m_window, beam);
    XFreeCursor(display, beam);
}

X11TextField::~X11TextField()
{
    if (m_window == 0)
    {
        return;
    }
    if (m_visible)
    {
        RestoreFocus(); // the focus would otherwise fall to the dying panel and then to nothing
    }
    XDestroyWindow(m_display, m_window);
    XFlush(m_display);
}

void X11TextField::ForgetWindow()
{
    m_window = 0;
}

void X11TextField::CommitIfShown()
{
    if (m_visible)
    {
        m_client->OnTextFieldCommit();
    }
}

void X11TextField::Show(int x, int y, int width, int height, const std::u16string& text, double scale)
{
    if (m_window == 0)
    {
        return;
    }
    if (scale != m_fontScale && std::isfinite(scale) && scale > 0.0)
    {
        m_font = CreateScaledFont(FieldFont(scale), true);
        m_fontScale = scale;
    }
    m_text = text.substr(0, kMaxCharacters);
    m_anchor = 0;
    m_caret = m_text.size();
    m_scrolledLeft = -static_cast<double>(kMaxSurfaceSide); // a long text shows its end, where the caret is
    m_dragging = false;
    m_pressPending = false;
    m_width = std::clamp(width, 1, kMaxSurfaceSide);
    m_height = std::clamp(height, 1, kMaxSurfaceSide);
    XMoveResizeWindow(m_display, m_window, x, y, static_cast<unsigned>(m_width),
                      static_cast<unsigned>(m_height));
    XMapRaised(m_display, m_window);
    if (!m_visible)
    {
        XGetInputFocus(m_display, &m_previousFocus, &m_previousRevert);
        m_visible = true;
    }
    TakeFocus();
    Draw();
}

void X11TextField::Hide()
{
    if (!m_visible)
    {
        return;
    }
    m_visible = false;
    m_dragging = false;
    if (m_window == 0)
    {
        return;
    }
    RestoreFocus();
    XUnmapWindow(m_display, m_window);
    XFlush(m_display);
}

void X11TextField::TakeFocus()
{
    m_showSerial = NextRequest(m_display);
    // Only a viewable window can take the focus (the host may have hidden its window); asking otherwise
    // is an error.
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_display, m_window, &attributes) && attributes.map_state == IsViewable)
    {
        XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
    }
    XFlush(m_display);
}

void X11TextField::RestoreFocus()
{
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    if (focus != m_window)
    {
        return; // the user has put it elsewhere meanwhile
    }
    if (m_previousFocus != None && m_previousFocus != PointerRoot)
    {
        // A window gone or hidden since cannot take it back; unmapping the field then hands the focus to
        // the panel instead.
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(m_display, m_previousFocus, &attributes) ||
            attributes.map_state != IsViewable)
        {
            return;
        }
    }
    XSetInputFocus(m_display, m_previousFocus, m_previousRevert, CurrentTime);
}

void X11TextField::HandleEvent(const XEvent& event)
{
    if (m_window == 0 || !m_visible)
    {
        return;
    }
    switch (event.type)
    {
    case KeyPress:
        OnKey(event.xkey);
        break;
    case FocusOut:
        // A change made before this showing (the focus handed back by an earlier Hide) is not a loss.
        if (static_cast<long>(event.xfocus.serial - m_showSerial) >= 0 && LosesKeyboard(event.xfocus))
        {
            m_client->OnTextFieldCommit();
        }
        break;
    case Expose:
        if (event.xexpose.count == 0)
        {
            Draw();
        }
        break;
    case ButtonPress:
        // Only the left button edits; the middle one pastes nothing here and the right one has no menu.
        if (event.xbutton.button == Button1)
        {
            OnPress(event.xbutton);
        }
        break;
    case ButtonRelease:
        if (event.xbutton.button == Button1)
        {
            m_dragging = false;
        }
        break;
    case MotionNotify:
        // The press's implicit grab keeps the moves coming outside the field, so a drag past either end
        // selects up to it.
        if (m_dragging && (event.xmotion.state & Button1Mask) != 0)
        {
            MoveCaret(PositionAt(event.xmotion.x), true);
        }
        break;
    default:
        break;
    }
}

void X11TextField::OnPress(const XButtonEvent& event)
{
    // Server time is a 32-bit millisecond clock that wraps; the difference is taken in that width.
    const auto sincePress = static_cast<std::uint32_t>(event.time - m_pressTime);
    if (m_pressPending && sincePress <= PointerInput::kDoubleClickMs &&
        std::abs(event.x - m_pressX) <= PointerInput::kDoubleClickDistance &&
        std::abs(event.y - m_pressY) <= PointerInput::kDoubleClickDistance)
    {
        m_pressPending = false; // a third press starts again
        m_dragging = false;
        SelectWordAt(event.x);
        return;
    }
    m_pressPending = true;
    m_pressTime = event.time;
    m_pressX = event.x;
    m_pressY = event.y;
    m_dragging = true;
    MoveCaret(PositionAt(event.x), (event.state & ShiftMask) != 0);
}

void X11TextField::OnKey(const XKeyEvent& event)
{
    XKeyEvent key = event;
    char bytes[16];
    KeySym keysym = NoSymbol;
    const int count = XLookupString(&key, bytes, sizeof bytes, &keysym, nullptr);
    switch (keysym)
    {
    case XK_Return:
    case XK_KP_Enter:
        m_client->OnTextFieldCommit();
        return;
    case XK_BackSpace:
        if (m_client->OnTextFieldCharacter(u'\b'))
        {
            Erase(false);
        }
        return;
    default:
        break;
    }
    if (OnEditingKey(keysym, event.state))
    {
        return;
    }
    // Other Ctrl and Alt combinations belong to the host. AltGr is another modifier and still types its
    // characters.
    if ((event.state & (ControlMask | Mod1Mask)) != 0)
    {
        return;
    }
    const std::u16string wasText = m_text;
    const std::size_t wasCaret = m_caret;
    const std::size_t wasAnchor = m_anchor;
    if (count > 0)
    {
        for (int i = 0; i < count && m_visible; ++i)
        {
            const auto c = static_cast<char32_t>(static_cast<unsigned char>(bytes[i])); // Latin-1
            if (Printable(c))
            {
                Type(static_cast<char16_t>(c));
            }
        }
    }
    else if (keysym > kUnicodeKeysyms && Printable(static_cast<char32_t>(keysym - kUnicodeKeysyms)))
    {
        Type(static_cast<char16_t>(keysym - kUnicodeKeysyms));
    }
    if (m_visible && (wasText != m_text || wasCaret != m_caret || wasAnchor != m_anchor))
    {
        Draw();
    }
}

// The caret keys, Delete and Ctrl+A; false for every other key. Shift extends the selection, Ctrl moves
// by words. Delete does not pass the client's filter: it types no character.
bool X11TextField::OnEditingKey(KeySym keysym, unsigned state)
{
    if ((state & Mod1Mask) != 0)
    {
        return false;
    }
    const bool extend = (state & ShiftMask) != 0;
    const bool byWord = (state & ControlMask) != 0;
    switch (keysym)
    {
    case XK_Left:
    case XK_KP_Left:
        if (byWord)
        {
            MoveCaret(WordStartBefore(m_caret), extend);
        }
        else if (!extend && m_anchor != m_caret)
        {
            MoveCaret(SelectionStart(), false); // the selection collapses to its start
        }
        else
        {
            MoveCaret(m_caret > 0 ? m_caret - 1 : 0, extend);
        }
        return true;
    case XK_Right:
    case XK_KP_Right:
        if (byWord)
        {
            MoveCaret(WordStartAfter(m_caret), extend);
        }
        else if (!extend && m_anchor != m_caret)
        {
            MoveCaret(SelectionEnd(), false);
        }
        else
        {
            MoveCaret(std::min(m_caret + 1, m_text.size()), extend);
        }
        return true;
    case XK_Home:
    case XK_KP_Home:
        MoveCaret(0, extend);
        return true;
    case XK_End:
    case XK_KP_End:
        MoveCaret(m_text.size(), extend);
        return true;
    case XK_Delete:
    case XK_KP_Delete:
        Erase(true);
        return true;
    case XK_a:
    case XK_A:
        if (!byWord)
        {
            return false;
        }
        m_anchor = 0;
        MoveCaret(m_text.size(), true);
        return true;
    default:
        return false;
    }
}

void X11TextField::MoveCaret(std::size_t to, bool extend)
{
    to = std::min(to, m_text.size());
    if (to == m_caret && (extend || m_anchor == m_caret))
    {
        return;
    }
    m_caret = to;
    if (!extend)
    {
        m_anchor = to;
    }
    Draw();
}

// Words are runs of anything but spaces: a value such as "-12.5" is one word.
std::size_t X11TextField::WordStartBefore(std::size_t position) const
{
    while (position > 0 && m_text[position - 1] == u' ')
    {
        --position;
    }
    while (position > 0 && m_text[position - 1] != u' ')
    {
        --position;
    }
    return position;
}

std::size_t X11TextField::WordStartAfter(std::size_t position) const
{
    while (position < m_text.size() && m_text[position] != u' ')
    {
        ++position;
    }
    while (position < m_text.size() && m_text[position] == u' ')
    {
        ++position;
    }
    return position;
}

// The word under x, or the run of spaces there; past either end of the text, the word at that end.
void X11TextField::SelectWordAt(int x)
{
    if (m_text.empty())
    {
        return;
    }
    const Layout layout = Arrange();
    std::size_t at = 0;
    while (at + 1 < m_text.size() && layout.left + layout.stops[at + 1] <= x + 0.5)
    {
        ++at;
    }
    const bool space = m_text[at] == u' ';
    std::size_t start = at;
    std::size_t end = at + 1;
    while (start > 0 && (m_text[start - 1] == u' ') == space)
    {
        --start;
    }
    while (end < m_text.size() && (m_text[end] == u' ') == space)
    {
        ++end;
    }
    m_anchor = start;
    m_caret = end;
    Draw();
}

void X11TextField::Type(char16_t character)
{
    if (!m_client->OnTextFieldCharacter(character))
    {
        return;
    }
    EraseSelection();
    if (m_text.size() < kMaxCharacters)
    {
        m_text.insert(m_caret, 1, character);
        ++m_caret;
        m_anchor = m_caret;
    }
}

void X11TextField::EraseSelection()
{
    const std::size_t start = SelectionStart();
    m_text.erase(start, SelectionEnd() - start);
    m_caret = m_anchor = start;
}

// Backspace or Delete: the selection when there is one, else the character before or after the caret.
void X11TextField::Erase(bool forward)
{
    if (m_anchor != m_caret)
    {
        EraseSelection();
    }
    else if (forward && m_caret < m_text.size())
    {
        m_text.erase(m_caret, 1);
    }
    else if (!forward && m_caret > 0)
    {
        m_text.erase(--m_caret, 1);
        m_anchor = m_caret;
    }
    else
    {
        return;
    }
    Draw();
}

X11TextField::Layout X11TextField::Arrange()
{
    Layout layout;
    layout.stops.assign(m_text.size() + 1, 0.0);
    layout.ascent = m_height * 0.75;
    layout.lineHeight = m_height - 2.0;
    if (m_font)
    {
        // Each position measured as the advance of the text before it, so that caret and drawing agree.
        std::u16string prefix;
        for (std::size_t i = 0; i < m_text.size(); ++i)
        {
            prefix.push_back(m_text[i]);
            cairo_text_extents_t extents;
            cairo_scaled_font_text_extents(m_font.get(), Utf16ToUtf8(prefix).c_str(), &extents);
            layout.stops[i + 1] = extents.x_advance;
        }
        const VerticalMetrics metrics = LineMetricsOf(m_font.get());
        layout.ascent = metrics.ascent;
        layout.lineHeight = metrics.lineSpacing;
    }
    const double w = m_width;
    const double advance = layout.stops.back();
    if (advance <= w - 5.0)
    {
        layout.left = std::floor((w - advance) / 2.0);
        return layout;
    }
    // Too wide: scroll only as far as needed to keep the caret inside the border, and never leave empty
    // room after the end of the text.
    double left = std::clamp(m_scrolledLeft, std::floor(w - 3.0 - advance), 2.0);
    const double caret = left + layout.stops[m_caret];
    if (caret < 2.0)
    {
        left += std::ceil(2.0 - caret);
    }
    else if (caret > w - 3.0)
    {
        left -= std::ceil(caret - (w - 3.0));
    }
    m_scrolledLeft = left;
    layout.left = left;
    return layout;
}

// The caret position nearest to x.
std::size_t X11TextField::PositionAt(int x)
{
    const Layout layout = Arrange();
    const double target = x + 0.5;
    std::size_t best = 0;
    for (std::size_t i = 1; i < layout.stops.size(); ++i)
    {
        if (std::abs(layout.left + layout.stops[i] - target) <
            std::abs(layout.left + layout.stops[best] - target))
        {
            best = i;
        }
    }
    return best;
}

// White box, dark border, the text on one line, centred when it fits; the selected part white on blue,
// else a caret where the next character goes.
void X11TextField::Draw()
{
    if (!m_visible || m_window == 0)
    {
        return;
    }
    SurfacePtr canvas(cairo_image_surface_create(CAIRO_FORMAT_RGB24, m_width, m_height));
    if (cairo_surface_status(canvas.get()) != CAIRO_STATUS_SUCCESS)
    {
        return;
    }
    {
        ContextPtr holder(cairo_create(canvas.get()));
        cairo_t* cr = holder.get();
        const double w = m_width;
        const double h = m_height;
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_paint(cr);
        cairo_set_line_width(cr, 1.0);
        cairo_set_source_rgb(cr, kBorderGrey, kBorderGrey, kBorderGrey);
        cairo_rectangle(cr, 0.5, 0.5, w - 1.0, h - 1.0);
        cairo_stroke(cr);
        cairo_rectangle(cr, 1.0, 1.0, std::max(0.0, w - 2.0), std::max(0.0, h - 2.0));
        cairo_clip(cr);

        const Layout layout = Arrange();
        const std::string utf8 = Utf16ToUtf8(m_text);
        const double top = std::floor((h - layout.lineHeight) / 2.0);
        const double baseline = std::round(top + layout.ascent);
        auto showText = [&](double ink)
        {
            if (m_font && !m_text.empty())
            {
                cairo_set_source_rgb(cr, ink, ink, ink);
                cairo_set_scaled_font(cr, m_font.get());
                cairo_move_to(cr, layout.left, baseline);
                cairo_show_text(cr, utf8.c_str());
            }
        };
        showText(0.0);
        if (m_anchor != m_caret)
        {
            // The band reaches a pixel beyond the text at either end, so that the first and last glyphs
            // sit wholly inside it.
            const double start = std::round(layout.left + layout.stops[SelectionStart()]) -
                                 (SelectionStart() == 0 ? 1.0 : 0.0);
            const double end = std::round(layout.left + layout.stops[SelectionEnd()]) +
                               (SelectionEnd() == m_text.size() ? 1.0 : 0.0);
            cairo_save(cr);
            cairo_rectangle(cr, start, top, end - start, std::round(layout.lineHeight));
            cairo_clip(cr);
            cairo_set_source_rgb(cr, kSelectionRed, kSelectionGreen, kSelectionBlue);
            cairo_paint(cr);
            showText(1.0);
            cairo_restore(cr);
        }
        else
        {
            const double caret = std::round(layout.left + layout.stops[m_caret]) + 0.5;
            cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
            cairo_move_to(cr, caret, std::max(2.0, top + 1.0));
            cairo_line_to(cr, caret, std::min(h - 2.0, top + layout.lineHeight - 1.0));
            cairo_stroke(cr);
        }
    }
    PresentSurface(m_display, m_window, m_screen, canvas.get());
}
} // namespace KVX::Platform
