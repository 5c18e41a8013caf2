// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's text field through a real window: where it shows, what it draws, the keys it takes, the
// keyboard focus it holds and hands back, and its end with the window.
#include "platform/linux/text_field_fixture.h"

namespace
{
using namespace KVX::Test;
using KVX::Platform::TextField;
using namespace std::chrono_literals;

class X11TextField : public TextFieldFixture
{
};

TEST_F(X11TextField, ShowsAtItsPlaceWithTheFocusAndHidesGivingTheFocusBack)
{
    Show(40, 30, 50, 15, u"0.0");
    ASSERT_NE(FieldWindow(), 0u);
    XWindowAttributes attributes = FieldAttributes();
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(attributes.x, 40);
    EXPECT_EQ(attributes.y, 30);
    EXPECT_EQ(attributes.width, 50);
    EXPECT_EQ(attributes.height, 15);
    EXPECT_EQ(Focus(), FieldWindow());

    // Shown again elsewhere while open: moved, still focused; the focus to give back stays the host's.
    Show(100, 120, 60, 18, u"1.5");
    attributes = FieldAttributes();
    EXPECT_EQ(attributes.x, 100);
    EXPECT_EQ(Text(), u"1.5");
    EXPECT_EQ(Focus(), FieldWindow());

    Hide();
    EXPECT_EQ(FieldAttributes().map_state, IsUnmapped);
    EXPECT_EQ(Focus(), m_host->Id());
    EXPECT_TRUE(m_field.committed.empty());

    // Off the window's thread there is no field to reach.
    EXPECT_EQ(m_client.window->GetTextField(&m_field), nullptr);
}

TEST_F(X11TextField, DrawsABorderedBoxWithTheWholeTextSelectedThenTheTypedTextCentred)
{
    constexpr int kWidth = 60;
    constexpr int kHeight = 18;
    Show(40, 30, kWidth, kHeight, u"-12.0");
    const ::Window window = FieldWindow();
    std::vector<std::uint32_t> pixels;
    auto drawn = [&](auto condition)
    {
        for (int attempt = 0; attempt < 200; ++attempt)
        {
            pixels = KVX::Test::ReadWindowPixels(m_display, window, 0, 0, kWidth, kHeight);
            if (pixels.size() == kWidth * kHeight && condition())
            {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    };
    auto selected = [&]
    { return std::ranges::count_if(pixels, [](std::uint32_t p) { return Near(p, kSelection); }); };
    ASSERT_TRUE(drawn([&] { return selected() > 0; }));

    // A dark frame on every side, white inside it.
    for (int x = 0; x < kWidth; ++x)
    {
        EXPECT_LT(pixels[x] & 0xFF, 0x80u) << x;
        EXPECT_LT(pixels[(kHeight - 1) * kWidth + x] & 0xFF, 0x80u) << x;
    }
    EXPECT_TRUE(Near(pixels[kWidth + 1], 0xFFFFFF));
    // The selection is a band across the middle with white text in it, centred.
    EXPECT_GT(selected(), 5 * 20);
    EXPECT_GT(std::ranges::count_if(pixels, [](std::uint32_t p) { return Near(p, 0xFFFFFF); }), 0);
    auto [first, last] = InkColumns(pixels, kWidth, kHeight);
    EXPECT_LE(std::abs((first - 1) - (kWidth - 2 - last)), 2) << first << ".." << last;

    // The first key replaces the selection: dark text, no band.
    Key(XK_6);
    ASSERT_TRUE(TextBecomes(u"6"));
    ASSERT_TRUE(drawn([&] { return selected() == 0; }));
    long dark = 0;
    for (int y = 1; y < kHeight - 1; ++y)
    {
        for (int x = 1; x < kWidth - 1; ++x)
        {
            dark += (pixels[static_cast<std::size_t>(y * kWidth + x)] & 0xFF) < 0x80 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 15); // the digit and the caret
    std::tie(first, last) = InkColumns(pixels, kWidth, kHeight);
    EXPECT_LE(std::abs((first - 1) - (kWidth - 2 - last)), 3) << first << ".." << last;
}

TEST_F(X11TextField, KeysEditTheTextThroughTheClientsFilter)
{
    Show(40, 30, 50, 15, u"0.0");
    Key(XK_6); // replaces the selected text
    ASSERT_TRUE(TextBecomes(u"6"));
    Key(XK_a); // refused
    Key(XK_period);
    Key(XK_5);
    ASSERT_TRUE(TextBecomes(u"6.5"));
    Key(XK_BackSpace);
    ASSERT_TRUE(TextBecomes(u"6."));
    Key(XK_Left); // moves the caret: no character, no commit
    Key(XK_Escape);
    Key(XK_minus);
    ASSERT_TRUE(TextBecomes(u"6-."));
    EXPECT_EQ(m_client.Locked([&] { return m_field.offered; }), u"6a.5\b-");
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));

    // Backspace right after showing takes the whole selected text.
    Show(40, 30, 50, 15, u"-12.0");
    Key(XK_BackSpace);
    ASSERT_TRUE(TextBecomes(u""));
}

TEST_F(X11TextField, EnterCommitsAndTheClientHidesTheField)
{
    Show(40, 30, 50, 15, u"0.0");
    Key(XK_7);
    Key(XK_Return);
    ASSERT_TRUE(Commits(1));
    EXPECT_EQ(m_client.Locked([&] { return m_field.committed; }), std::vector<std::u16string>{u"7"});
    // The commit is seen before the field's connection has flushed the hide that follows it.
    EXPECT_TRUE(m_client.WaitUntil([&] { return FieldAttributes().map_state == IsUnmapped; }));
    EXPECT_TRUE(m_client.WaitUntil([&] { return Focus() == m_host->Id(); }));
}

TEST_F(X11TextField, LosingTheFocusCommitsButAGrabPassingThroughDoesNot)
{
    HostWindow other(600, 400, 100, 100);
    Show(40, 30, 50, 15, u"0.0");
    Key(XK_3);
    ASSERT_TRUE(TextBecomes(u"3"));

    // A menu of the host grabs the keyboard for a moment.
    ASSERT_EQ(XGrabKeyboard(m_display, m_host->Id(), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(m_display, False);
    XUngrabKeyboard(m_display, CurrentTime);
    XSync(m_display, False);
    Key(XK_4);
    ASSERT_TRUE(TextBecomes(u"34"));
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));

    // The user puts the keyboard elsewhere: commit, and the focus stays where the user put it.
    XSetInputFocus(other.GetDisplay(), other.Id(), RevertToPointerRoot, CurrentTime);
    XSync(other.GetDisplay(), False);
    ASSERT_TRUE(Commits(1));
    EXPECT_EQ(m_client.Locked([&] { return m_field.committed; }), std::vector<std::u16string>{u"34"});
    // The commit is seen before the field's connection has flushed the hide that follows it.
    EXPECT_TRUE(m_client.WaitUntil([&] { return FieldAttributes().map_state == IsUnmapped; }));
    EXPECT_EQ(Focus(), other.Id());

    // A field hidden and shown again before its old focus change arrives is not committed by it.
    XSetInputFocus(m_display, m_host->Id(), RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    ASSERT_TRUE(m_client.RunOnEditorThread(
        [&](KVX::Platform::Window& w)
        {
            TextField* field = m_field.Get(w);
            field->Show(40, 30, 50, 15, u"1", 1.0);
            field->Hide();
            field->Show(40, 30, 50, 15, u"2", 1.0);
        }));
    Key(XK_5);
    ASSERT_TRUE(TextBecomes(u"5"));
    EXPECT_EQ(m_client.Locked([&] { return m_field.committed.size(); }), 1u);
}

TEST_F(X11TextField, AClickInsideStaysWithTheFieldAndEndsTheSelection)
{
    Show(40, 30, 50, 15, u"0.0");
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {}));
    m_client.Locked([&] { m_client.events.clear(); });
    ClickAt(45, 7); // right of the text
    Key(XK_9);      // appended: the click ended the selection and put the caret at the end
    ASSERT_TRUE(TextBecomes(u"0.09"));
    for (const auto& e : m_client.Locked([&] { return m_client.events; }))
    {
        EXPECT_EQ(e.kind, KVX::Test::MouseEvent::Move) << "a press or release reached the panel";
    }
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));
}

TEST_F(X11TextField, GoesWithTheWindowGivingTheFocusBackAndCommitting)
{
    // The fixture's window is not needed: this opens its own, many times.
    m_client.window.reset();
    for (int round = 0; round < 50; ++round)
    {
        RecordingClient client;
        FieldClient field(client);
        client.Open(m_host->Id(), 300, 200);
        ASSERT_TRUE(client.RunOnEditorThread([&](KVX::Platform::Window& w)
                                             { field.Get(w)->Show(10, 10, 50, 15, u"0.0", 1.0); }));
        client.window.reset();
        ASSERT_EQ(field.committed.size(), 1u) << round;
        ASSERT_TRUE(m_host->Children().empty()) << round;
        ASSERT_EQ(Focus(), m_host->Id()) << round;
    }

    // The host may destroy its window first; the shown field still commits what it holds.
    RecordingClient client;
    FieldClient field(client);
    client.Open(m_host->Id(), 300, 200);
    ASSERT_TRUE(client.RunOnEditorThread([&](KVX::Platform::Window& w)
                                         { field.Get(w)->Show(10, 10, 50, 15, u"2.5", 1.0); }));
    m_host->Destroy();
    std::this_thread::sleep_for(100ms);
    client.window.reset();
    EXPECT_EQ(field.committed, std::vector<std::u16string>{u"2.5"});
}
} // namespace
