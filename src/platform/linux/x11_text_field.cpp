#include "platform/linux/x11_text_field.h"

#include "platform/linux/x11_present.h"
#include "platform/text.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>

namespace KVX::Platform
{
namespace
{
using namespace Linux;

// Presses and releases stay with the field: a click into it is no press on the panel.
constexpr long kEventMask =
    KeyPressMask | FocusChangeMask | ExposureMask | ButtonPressMask | ButtonReleaseMask;

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
} // namespace

X11TextField::X11TextField(Display* display, int screen, ::Window parent, TextFieldClient* client)
    : m_display(display), m_screen(screen), m_client(client),
      m_font(CreateScaledFont(Font{u"Tahoma", 8.0f, false, false}, true))
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

void X11TextField::Show(int x, int y, int width, int height, const std::u16string& text)
{
    if (m_window == 0)
    {
        return;
    }
    m_text = text.substr(0, kMaxCharacters);
    m_allSelected = true;
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
    m_allSelected = false;
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
        if (event.xbutton.button == Button1 && m_allSelected)
        {
            m_allSelected = false; // the caret stays at the end
            Draw();
        }
        break;
    default:
        break;
    }
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
            Erase();
        }
        return;
    default:
        break;
    }
    // Ctrl and Alt combinations are commands, and the field has none. AltGr is another modifier and
    // still types its characters.
    if ((event.state & (ControlMask | Mod1Mask)) != 0)
    {
        return;
    }
    const bool wasSelected = m_allSelected;
    const std::size_t wasLength = m_text.size();
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
    if (m_visible && (wasSelected != m_allSelected || wasLength != m_text.size()))
    {
        Draw();
    }
}

void X11TextField::Type(char16_t character)
{
    if (!m_client->OnTextFieldCharacter(character))
    {
        return;
    }
    if (m_allSelected)
    {
        m_text.clear();
        m_allSelected = false;
    }
    if (m_text.size() < kMaxCharacters)
    {
        m_text.push_back(character);
    }
}

void X11TextField::Erase()
{
    if (m_allSelected)
    {
        m_text.clear();
        m_allSelected = false;
    }
    else if (!m_text.empty())
    {
        m_text.pop_back();
    }
    Draw();
}

// White box, dark border, the text centred on one line; the selected text white on blue, otherwise a
// caret after the last character. A text wider than the box shows its end, where the caret is.
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

        double advance = 0.0;
        double ascent = h * 0.75;
        double lineHeight = h - 2.0;
        const std::string utf8 = Utf16ToUtf8(m_text);
        if (m_font)
        {
            cairo_text_extents_t extents;
            cairo_scaled_font_text_extents(m_font.get(), utf8.c_str(), &extents);
            advance = extents.x_advance;
            const VerticalMetrics metrics = LineMetricsOf(m_font.get());
            ascent = metrics.ascent;
            lineHeight = metrics.lineSpacing;
        }
        double left = std::floor((w - advance) / 2.0);
        if (advance > w - 5.0)
        {
            left = std::floor(w - 3.0 - advance);
        }
        const double top = std::floor((h - lineHeight) / 2.0);
        const bool selected = m_allSelected && !m_text.empty();
        if (selected)
        {
            cairo_set_source_rgb(cr, kSelectionRed, kSelectionGreen, kSelectionBlue);
            cairo_rectangle(cr, left - 1.0, top, std::ceil(advance) + 2.0, std::round(lineHeight));
            cairo_fill(cr);
        }
        if (m_font && !m_text.empty())
        {
            const double ink = selected ? 1.0 : 0.0;
            cairo_set_source_rgb(cr, ink, ink, ink);
            cairo_set_scaled_font(cr, m_font.get());
            cairo_move_to(cr, left, std::round(top + ascent));
            cairo_show_text(cr, utf8.c_str());
        }
        if (!selected)
        {
            const double caret = std::round(left + advance) + 1.5;
            cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
            cairo_move_to(cr, caret, std::max(2.0, top + 1.0));
            cairo_line_to(cr, caret, std::min(h - 2.0, top + lineHeight - 1.0));
            cairo_stroke(cr);
        }
    }
    PresentSurface(m_display, m_window, m_screen, canvas.get());
}
} // namespace KVX::Platform
