// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/font_library.h"
#include "platform/linux/window_closing.h"
#include "platform/linux/x11_present.h"
#include "platform/message_box.h"
#include "platform/text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace KVX::Platform
{
namespace
{
using namespace Linux;

constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kMaxTextWidth = 440;
constexpr int kMinWidth = 220;
constexpr int kStripHeight = 46;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kFallbackLineHeight = 15;

// Line breaks in report texts are "\r\n"; a lone "\r" or "\n" counts as one too.
std::vector<std::string> SplitParagraphs(const std::string& text)
{
    std::vector<std::string> paragraphs(1);
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '\r' || c == '\n')
        {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            {
                ++i;
            }
            paragraphs.emplace_back();
        }
        else
        {
            paragraphs.back().push_back(c);
        }
    }
    return paragraphs;
}

double TextWidth(cairo_scaled_font_t* font, const std::string& utf8)
{
    if (font == nullptr)
    {
        return 7.0 * static_cast<double>(utf8.size());
    }
    cairo_text_extents_t extents;
    cairo_scaled_font_text_extents(font, utf8.c_str(), &extents);
    return extents.x_advance;
}

std::size_t NextCodePoint(const std::string& s, std::size_t i)
{
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
    {
        ++i;
    }
    return i;
}

// Breaks at blanks; a word wider than the box is broken between characters.
std::vector<std::string> WrapText(const std::string& text, cairo_scaled_font_t* font, double maxWidth)
{
    std::vector<std::string> lines;
    for (const std::string& paragraph : SplitParagraphs(text))
    {
        std::string current;
        std::size_t start = 0;
        bool first = true;
        while (start <= paragraph.size())
        {
            std::size_t end = paragraph.find(' ', start);
            if (end == std::string::npos)
            {
                end = paragraph.size();
            }
            std::string word = paragraph.substr(start, end - start);
            std::string candidate = first ? word : current + " " + word;
            first = false;
            if (TextWidth(font, candidate) <= maxWidth)
            {
                current = std::move(candidate);
            }
            else
            {
                if (!current.empty())
                {
                    lines.push_back(current);
                }
                current = std::move(word);
                while (TextWidth(font, current) > maxWidth)
                {
                    std::size_t cut = NextCodePoint(current, 0);
                    for (std::size_t next = NextCodePoint(current, cut); next <= current.size();
                         next = NextCodePoint(current, next))
                    {
                        if (TextWidth(font, current.substr(0, next)) > maxWidth)
                        {
                            break;
                        }
                        cut = next;
                    }
                    if (cut >= current.size())
                    {
                        break;
                    }
                    lines.push_back(current.substr(0, cut));
                    current.erase(0, cut);
                }
            }
            start = end + 1;
        }
        lines.push_back(current);
    }
    return lines;
}

struct Layout
{
    int width = 0;
    int height = 0;
    int textLeft = 0;
    int textTop = 0;
    double lineHeight = kFallbackLineHeight;
    double ascent = 12.0;
    int buttonLeft = 0;
    int buttonTop = 0;

    bool InButton(int x, int y) const
    {
        return x >= buttonLeft && x < buttonLeft + kButtonWidth && y >= buttonTop &&
               y < buttonTop + kButtonHeight;
    }
};

Layout MakeLayout(const std::vector<std::string>& lines, cairo_scaled_font_t* font, int screenHeight)
{
    Layout layout;
    double textWidth = 0.0;
    for (const auto& line : lines)
    {
        textWidth = std::max(textWidth, TextWidth(font, line));
    }
    if (font != nullptr)
    {
        const VerticalMetrics metrics = LineMetricsOf(font);
        layout.lineHeight = std::ceil(metrics.lineSpacing);
        layout.ascent = metrics.ascent;
    }
    const int textHeight = static_cast<int>(layout.lineHeight * static_cast<double>(lines.size()));
    const int contentHeight = std::max(kIconSize, textHeight);
    layout.textLeft = kMargin + kIconSize + kIconGap;
    layout.textTop = kMargin + (contentHeight - textHeight) / 2;
    layout.width = std::max(kMinWidth, layout.textLeft + static_cast<int>(std::ceil(textWidth)) + kMargin);
    // A text taller than the screen is cut rather than making a box nobody can close.
    layout.height =
        std::min(kMargin + contentHeight + kMargin + kStripHeight, std::max(screenHeight - 40, 120));
    layout.buttonLeft = layout.width - kMargin - kButtonWidth;
    layout.buttonTop = layout.height - kStripHeight + (kStripHeight - kButtonHeight) / 2;
    return layout;
}

void Draw(cairo_surface_t* surface, const Layout& layout, const std::vector<std::string>& lines,
          cairo_scaled_font_t* font, bool buttonPressed)
{
    ContextPtr holder(cairo_create(surface));
    cairo_t* cr = holder.get();

    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    const double stripTop = layout.height - kStripHeight;
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.94);
    cairo_rectangle(cr, 0, stripTop, layout.width, kStripHeight);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.87, 0.87, 0.87);
    cairo_rectangle(cr, 0, stripTop, layout.width, 1);
    cairo_fill(cr);

    // The error sign: a red disc with a white cross.
    const double cx = kMargin + kIconSize / 2.0;
    const double cy = kMargin + kIconSize / 2.0;
    cairo_arc(cr, cx, cy, kIconSize / 2.0 - 1.0, 0.0, 2.0 * std::numbers::pi);
    cairo_set_source_rgb(cr, 0.80, 0.12, 0.12);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_set_line_width(cr, 3.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, cx - 6.5, cy - 6.5);
    cairo_line_to(cr, cx + 6.5, cy + 6.5);
    cairo_move_to(cr, cx + 6.5, cy - 6.5);
    cairo_line_to(cr, cx - 6.5, cy + 6.5);
    cairo_stroke(cr);

    if (font != nullptr)
    {
        cairo_set_scaled_font(cr, font);
        cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
        cairo_save(cr);
        cairo_rectangle(cr, 0, 0, layout.width, stripTop);
        cairo_clip(cr);
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            cairo_move_to(
                cr, layout.textLeft,
                std::round(layout.textTop + layout.lineHeight * static_cast<double>(i) + layout.ascent));
            cairo_show_text(cr, lines[i].c_str());
        }
        cairo_restore(cr);
    }

    // The one button, drawn as the default button (blue frame).
    const double bx = layout.buttonLeft + 0.5;
    const double by = layout.buttonTop + 0.5;
    cairo_rectangle(cr, bx, by, kButtonWidth - 1, kButtonHeight - 1);
    const double face = buttonPressed ? 0.80 : 0.98;
    cairo_set_source_rgb(cr, face, face, face);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.0, 0.47, 0.84);
    cairo_stroke(cr);
    if (font != nullptr)
    {
        cairo_text_extents_t ok;
        cairo_text_extents(cr, "OK", &ok);
        cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
        cairo_move_to(
            cr, std::round(layout.buttonLeft + (kButtonWidth - ok.x_advance) / 2.0),
            std::round(layout.buttonTop + (kButtonHeight - layout.lineHeight) / 2.0 + layout.ascent));
        cairo_show_text(cr, "OK");
    }

    holder.reset();
    cairo_surface_flush(surface);
}

void SetTitle(Display* display, ::Window window, const std::string& utf8)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netName, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    // The old property is Latin-1; anything beyond ASCII becomes '?'.
    std::string ascii;
    for (unsigned char c : utf8)
    {
        if ((c & 0xC0) == 0x80)
        {
            continue;
        }
        ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(ascii.data()), static_cast<int>(ascii.size()));
}

// Shows the box until the user closes it (true) or `dismiss` becomes readable (false). `up` is cleared
// before the window goes, so that a box asked for once this one has vanished is never taken for it.
bool RunBox(Display* display, const std::string& caption, const std::string& text, std::uintptr_t owner,
            int dismiss, std::atomic<bool>& up)
{
    const int screen = DefaultScreen(display);
    const ::Window root = RootWindow(display, screen);
    ScaledFontPtr font = CreateScaledFont(Font{u"Tahoma", 9.0f, false, false}, true);
    const std::vector<std::string> lines = WrapText(text, font.get(), kMaxTextWidth);
    const Layout layout = MakeLayout(lines, font.get(), DisplayHeight(display, screen));

    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.event_mask =
        ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    const int x = std::max(0, (DisplayWidth(display, screen) - layout.width) / 2);
    const int y = std::max(0, (DisplayHeight(display, screen) - layout.height) / 2);
    const ::Window window = XCreateWindow(
        display, root, x, y, static_cast<unsigned>(layout.width), static_cast<unsigned>(layout.height), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);

    SetTitle(display, window, caption);
    XClassHint classHint{const_cast<char*>("kvx-message-box"), const_cast<char*>("KVX")};
    XSetClassHint(display, window, &classHint);
    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = True;
    wmHints.initial_state = NormalState;
    XSetWMHints(display, window, &wmHints);
    XSizeHints sizeHints{};
    sizeHints.flags = PPosition | USPosition | PMinSize | PMaxSize;
    sizeHints.x = x;
    sizeHints.y = y;
    sizeHints.min_width = sizeHints.max_width = layout.width;
    sizeHints.min_height = sizeHints.max_height = layout.height;
    XSetWMNormalHints(display, window, &sizeHints);

    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&dialog), 1);
    if (owner != 0)
    {
        XSetTransientForHint(display, window, static_cast<::Window>(owner));
        Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&modal), 1);
    }

    SurfacePtr canvas(cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, layout.height));
    auto repaint = [&](bool buttonPressed)
    {
        if (cairo_surface_status(canvas.get()) == CAIRO_STATUS_SUCCESS)
        {
            Draw(canvas.get(), layout, lines, font.get(), buttonPressed);
            PresentSurface(display, window, screen, canvas.get());
        }
    };
    XMapRaised(display, window);

    bool pressed = false;
    bool done = false;
    bool dismissed = false;
    while (!done && !dismissed)
    {
        if (XPending(display) == 0)
        {
            pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {dismiss, POLLIN, 0}};
            if (poll(watched, 2, -1) < 0 && errno != EINTR)
            {
                break;
            }
            dismissed = (watched[1].revents & POLLIN) != 0;
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type)
        {
        case MapNotify:
        {
            // Take the keyboard so that Enter and Escape reach the box even without a window manager.
            XWindowAttributes now;
            if (XGetWindowAttributes(display, window, &now) && now.map_state == IsViewable)
            {
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
            }
            break;
        }
        case Expose:
            if (event.xexpose.count == 0)
            {
                repaint(pressed);
            }
            break;
        case KeyPress:
        {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            done = key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space;
            break;
        }
        case ButtonPress:
            if (event.xbutton.button == Button1 && layout.InButton(event.xbutton.x, event.xbutton.y))
            {
                pressed = true;
                repaint(pressed);
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && pressed)
            {
                pressed = false;
                done = layout.InButton(event.xbutton.x, event.xbutton.y);
                repaint(pressed);
            }
            break;
        case ClientMessage:
            done = event.xclient.message_type == protocols &&
                   static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow;
            break;
        default:
            break;
        }
    }

    up = false;
    XDestroyWindow(display, window);
    XSync(display, False);
    return done;
}

// Readable once its box is gone; shared by the box's thread and whoever waits for it, so that a wait
// never mistakes another box's end for its own.
class BoxClosed
{
public:
    BoxClosed() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~BoxClosed()
    {
        if (m_fd >= 0)
        {
            close(m_fd);
        }
    }
    BoxClosed(const BoxClosed&) = delete;
    BoxClosed& operator=(const BoxClosed&) = delete;

    bool Valid() const { return m_fd >= 0; }
    void Signal() const { Write(m_fd); }
    // Until the box is gone, or `interrupt` (a descriptor; -1 for none) becomes readable.
    void Wait(int interrupt) const
    {
        pollfd watched[2] = {{m_fd, POLLIN, 0}, {interrupt, POLLIN, 0}};
        while (poll(watched, interrupt >= 0 ? 2 : 1, -1) < 0 && errno == EINTR)
        {
        }
    }

    static void Write(int fd)
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(fd, &one, sizeof one);
    }

private:
    const int m_fd;
};

// The box runs on a thread of its own with a display connection of its own, so that it can outlive the
// call that showed it. A caller on a host's thread waits until the user closes it, as for any modal box.
// A caller on an editor window's thread waits only while its window is open: when the host closes the
// editor, the box stays up on its own and the host never waits for the user. A box still up when the
// module is unloaded (or the process ends) goes with it, and its report goes to standard error instead.
class BoxThread
{
public:
    BoxThread() : m_dismiss(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

    ~BoxThread()
    {
        if (m_thread.joinable())
        {
            BoxClosed::Write(m_dismiss);
            m_thread.join();
        }
        if (m_dismiss >= 0)
        {
            close(m_dismiss);
        }
    }

    BoxThread(const BoxThread&) = delete;
    BoxThread& operator=(const BoxThread&) = delete;

    // Shows the box and gives what its end makes readable; null when nothing was shown because there is
    // no display to show it on (`alreadyUp` false), or because a box is up already: a frame that fails on
    // every tick must not pile up boxes, so further requests are dropped, from any thread.
    std::shared_ptr<const BoxClosed> Show(const std::u16string& caption, const std::u16string& text,
                                          std::uintptr_t owner, bool& alreadyUp)
    {
        bool expected = false;
        alreadyUp = !m_open.compare_exchange_strong(expected, true);
        if (alreadyUp)
        {
            return nullptr;
        }
        const char* name = std::getenv("DISPLAY");
        Display* display = name != nullptr && name[0] != '\0' ? XOpenDisplay(name) : nullptr;
        auto closed = std::make_shared<const BoxClosed>();
        if (display != nullptr && m_dismiss >= 0 && closed->Valid())
        {
            if (m_thread.joinable())
            {
                m_thread.join(); // the last box's thread, ending or ended
            }
            try
            {
                m_thread = std::thread(
                    [this, display, caption, text, owner, closed]
                    {
                        pthread_setname_np(pthread_self(), "kvx-message-box");
                        if (!RunBox(display, Utf16ToUtf8(caption), Utf16ToUtf8(text), owner, m_dismiss,
                                    m_open))
                        {
                            PrintMessageBox(caption, text);
                        }
                        XCloseDisplay(display);
                        closed->Signal();
                    });
                return closed;
            }
            catch (const std::system_error&)
            {
            }
        }
        if (display != nullptr)
        {
            XCloseDisplay(display);
        }
        m_open = false;
        return nullptr;
    }

private:
    const int m_dismiss; // readable: take the box down now
    std::atomic<bool> m_open{false};
    std::thread m_thread;
};

BoxThread g_Box;
} // namespace

void ShowNativeMessageBox(const std::u16string& caption, const std::u16string& text, void* owner, unsigned)
{
    bool alreadyUp = false;
    if (const auto closed = g_Box.Show(caption, text, reinterpret_cast<std::uintptr_t>(owner), alreadyUp))
    {
        closed->Wait(WindowClosingSignal());
    }
    else if (!alreadyUp)
    {
        PrintMessageBox(caption, text);
    }
}
} // namespace KVX::Platform
