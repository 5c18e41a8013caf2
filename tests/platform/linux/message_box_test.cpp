// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest first: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "support/xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

namespace KVX::Platform
{
namespace
{
using namespace std::chrono_literals;

const std::u16string kCaption = u"KVX Tovik 1.0.0.283";
const std::u16string kText =
    u"KVX Tovik 1.0.0.283 OPENGL ERROR:\r\n\r\nFunction: ReDraw::wglMakeCurrent(): error = 0x502";

class MessageBoxTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        try
        {
            KVX::Test::Xvfb::Options options;
            options.screen = "1024x768x24"; // the box is centred on this screen
            s_Server = new KVX::Test::Xvfb(options);
        }
        catch (const std::runtime_error&)
        {
            s_Server = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_Server;
        s_Server = nullptr;
    }

    void SetUp() override
    {
        if (s_Server == nullptr)
        {
            GTEST_SKIP() << "Xvfb could not be started";
        }
        m_Display = XOpenDisplay(s_Server->DisplayName().c_str());
        ASSERT_NE(m_Display, nullptr);
    }
    void TearDown() override
    {
        if (m_Display != nullptr)
        {
            XCloseDisplay(m_Display);
        }
    }

    std::string Title(::Window window)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::string title;
        if (XGetWindowProperty(m_Display, window, XInternAtom(m_Display, "_NET_WM_NAME", False), 0, 1024,
                               False, XInternAtom(m_Display, "UTF8_STRING", False), &type, &format, &count,
                               &after, &data) == Success &&
            data != nullptr)
        {
            title.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        return title;
    }

    std::vector<::Window> FindBoxes(const std::string& title)
    {
        ::Window root, parent, *children = nullptr;
        unsigned count = 0;
        std::vector<::Window> found;
        XSync(m_Display, False);
        if (XQueryTree(m_Display, DefaultRootWindow(m_Display), &root, &parent, &children, &count))
        {
            for (unsigned i = 0; i < count; ++i)
            {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(m_Display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && Title(children[i]) == title)
                {
                    found.push_back(children[i]);
                }
            }
            XFree(children);
        }
        return found;
    }

    ::Window WaitForBox(const std::string& title = "KVX Tovik 1.0.0.283")
    {
        for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;)
        {
            const auto boxes = FindBoxes(title);
            if (!boxes.empty())
            {
                return boxes.front();
            }
            std::this_thread::sleep_for(10ms);
        }
        return 0;
    }

    // Number of distinct colours in the window once it has been drawn (waits for the first drawing).
    std::size_t Colours(::Window window)
    {
        std::set<unsigned long> colours;
        for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;)
        {
            XWindowAttributes attributes;
            XGetWindowAttributes(m_Display, window, &attributes);
            XImage* image = XGetImage(m_Display, window, 0, 0, static_cast<unsigned>(attributes.width),
                                      static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
            colours.clear();
            bool red = false;
            if (image != nullptr)
            {
                for (int y = 0; y < attributes.height; ++y)
                {
                    for (int x = 0; x < attributes.width; ++x)
                    {
                        const unsigned long p = XGetPixel(image, x, y);
                        colours.insert(p);
                        red |= ((p >> 16) & 0xFF) > 180 && ((p >> 8) & 0xFF) < 60;
                    }
                }
                XDestroyImage(image);
            }
            if (colours.size() > 10 && red)
            {
                return colours.size();
            }
            std::this_thread::sleep_for(20ms);
        }
        return colours.size();
    }

    void Key(KeySym key)
    {
        const KeyCode code = XKeysymToKeycode(m_Display, key);
        XTestFakeKeyEvent(m_Display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_Display, code, False, CurrentTime);
        XFlush(m_Display);
    }

    static std::future<void> ShowAsync(void* owner = nullptr, std::u16string text = kText)
    {
        return std::async(std::launch::async,
                          [owner, text] { ShowNativeMessageBox(kCaption, text, owner, kMessageBoxErrorOk); });
    }

    static KVX::Test::Xvfb* s_Server;
    Display* m_Display = nullptr;
};

KVX::Test::Xvfb* MessageBoxTest::s_Server = nullptr;

TEST_F(MessageBoxTest, ShowsCentredTextAndIconAndClosesOnEnter)
{
    auto box = ShowAsync();
    const ::Window window = WaitForBox();
    ASSERT_NE(window, 0u) << "no box appeared";
    EXPECT_GT(Colours(window), 10u) << "the box shows no text or icon";

    XWindowAttributes attributes;
    XGetWindowAttributes(m_Display, window, &attributes);
    EXPECT_NEAR(attributes.x + attributes.width / 2, 512, 2);
    EXPECT_NEAR(attributes.y + attributes.height / 2, 384, 2);
    EXPECT_GT(attributes.height, 100) << "three lines of text, the icon and the button";

    ASSERT_EQ(box.wait_for(200ms), std::future_status::timeout) << "the box must block until closed";
    Key(XK_Return);
    ASSERT_EQ(box.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(FindBoxes("KVX Tovik 1.0.0.283").empty());
}

TEST_F(MessageBoxTest, OnlyOneBoxAtATime)
{
    auto first = ShowAsync();
    ASSERT_NE(WaitForBox(), 0u);
    // Further requests while it is open return at once and show nothing.
    for (int i = 0; i < 3; ++i)
    {
        auto again = ShowAsync();
        ASSERT_EQ(again.wait_for(2s), std::future_status::ready);
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(FindBoxes("KVX Tovik 1.0.0.283").size(), 1u);
    Key(XK_Escape);
    ASSERT_EQ(first.wait_for(5s), std::future_status::ready);

    // Once it is closed, the next request shows a box again.
    auto next = ShowAsync();
    ASSERT_NE(WaitForBox(), 0u);
    Key(XK_Return);
    ASSERT_EQ(next.wait_for(5s), std::future_status::ready);
}

TEST_F(MessageBoxTest, ClosesOnTheOkButtonAndOnTheWindowManagersClose)
{
    auto box = ShowAsync();
    const ::Window window = WaitForBox();
    ASSERT_NE(window, 0u);
    Colours(window);
    XWindowAttributes attributes;
    XGetWindowAttributes(m_Display, window, &attributes);
    // The button sits at the bottom right: 80 × 26, 16 pixels from the right, centred in a 46-pixel strip.
    XTestFakeMotionEvent(m_Display, -1, attributes.x + attributes.width - 16 - 40,
                         attributes.y + attributes.height - 23, CurrentTime);
    XTestFakeButtonEvent(m_Display, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_Display, 1, False, CurrentTime);
    XFlush(m_Display);
    ASSERT_EQ(box.wait_for(5s), std::future_status::ready);

    auto closed = ShowAsync();
    const ::Window second = WaitForBox();
    ASSERT_NE(second, 0u);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = second;
    event.xclient.message_type = XInternAtom(m_Display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_Display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_Display, second, False, NoEventMask, &event);
    XFlush(m_Display);
    ASSERT_EQ(closed.wait_for(5s), std::future_status::ready);
}

TEST_F(MessageBoxTest, IsTransientForItsOwnerAndWrapsLongText)
{
    auto shortBox = ShowAsync(nullptr, u"One line.");
    const ::Window oneLine = WaitForBox();
    ASSERT_NE(oneLine, 0u);
    XWindowAttributes shortAttributes;
    XGetWindowAttributes(m_Display, oneLine, &shortAttributes);
    Key(XK_Return);
    ASSERT_EQ(shortBox.wait_for(5s), std::future_status::ready);

    const ::Window owner =
        XCreateSimpleWindow(m_Display, DefaultRootWindow(m_Display), 0, 0, 300, 200, 0, 0, 0);
    XSync(m_Display, False);
    // Two short lines, about a hundred words and one unbroken run of ninety letters.
    std::u16string longText = u"First line\r\nSecond line\r\n";
    for (int i = 0; i < 100; ++i)
    {
        longText += u"word ";
    }
    longText +=
        u"\r\nUnbrokenTextWithoutAnyBlanksThatIsFarWiderThanTheBoxCanEverBeSoItMustBeBrokenBetweenLetters";
    auto box = ShowAsync(reinterpret_cast<void*>(static_cast<std::uintptr_t>(owner)), longText);
    const ::Window window = WaitForBox();
    ASSERT_NE(window, 0u);
    ::Window transientFor = 0;
    EXPECT_TRUE(XGetTransientForHint(m_Display, window, &transientFor));
    EXPECT_EQ(transientFor, owner);
    XWindowAttributes attributes;
    XGetWindowAttributes(m_Display, window, &attributes);
    EXPECT_LE(attributes.width, 560) << "long lines wrap instead of widening the box";
    // At least two short lines, five lines of words and two of letters, of at least 12 pixels each,
    // against the icon's 32 pixels of the one-line box.
    EXPECT_GE(attributes.height - shortAttributes.height, 9 * 12 - 32);
    Key(XK_KP_Enter);
    ASSERT_EQ(box.wait_for(5s), std::future_status::ready);
    XDestroyWindow(m_Display, owner);
}

TEST(NativeMessageBox, WithoutDisplayPrintsToStandardError)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string restore = saved != nullptr ? saved : "";
    unsetenv("DISPLAY");
    ::testing::internal::CaptureStderr();
    ShowNativeMessageBox(u"KVX Tovik 1.0.0.283", u" RESOURCE ERROR:\r\n\r\nCan't find it.", nullptr,
                         kMessageBoxErrorOk);
    ShowNativeMessageBox(u"Second", u"box", nullptr, kMessageBoxErrorOk);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    if (saved != nullptr)
    {
        setenv("DISPLAY", restore.c_str(), 1);
    }
    EXPECT_EQ(printed, "KVX Tovik 1.0.0.283:  RESOURCE ERROR:\n\nCan't find it.\nSecond: box\n");
}
} // namespace
} // namespace KVX::Platform
