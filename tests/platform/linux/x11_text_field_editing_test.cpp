// SPDX-License-Identifier: GPL-3.0-or-later
// Editing in the panel's text field as in a native edit control: the caret keys, Delete, selecting with
// Shift, Ctrl and the mouse, what the caret and the selection look like, and the middle button.
#include "platform/linux/text_field_fixture.h"

namespace
{
using namespace KVX::Test;

class X11TextFieldEditing : public TextFieldFixture
{
protected:
    // Keys applied one after another; the text they make is checked by the caller.
    void Keys(std::initializer_list<KeySym> keys)
    {
        for (const KeySym key : keys)
        {
            Key(key);
        }
    }
    void Shifted(KeySym key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
        {
            KeyWith({XK_Shift_L}, key);
        }
    }

    // Shows five digits in a wide field and finds where they sit from the selection band drawn over them:
    // the band reaches one pixel past the text at each end. The digits have equal advances.
    void ShowDigits()
    {
        Show(40, 30, kWidth, kHeight, u"12345");
        std::vector<std::uint32_t> pixels;
        ASSERT_TRUE(FieldPixels(pixels, [](const auto& p) { return BandColumns(p).first >= 0; }));
        const auto [first, last] = BandColumns(pixels);
        m_textLeft = first + 1;
        m_cell = (last - first - 1) / 5.0;
        ASSERT_GT(m_cell, 3.0);
    }
    // The x of the caret position before character `index` of the digits.
    int Boundary(int index) const { return static_cast<int>(m_textLeft + index * m_cell + 0.5); }

    // The first and last column with any selection colour; {-1, -1} when none.
    static std::pair<int, int> BandColumns(const std::vector<std::uint32_t>& pixels)
    {
        int first = -1;
        int last = -1;
        for (int x = 0; x < kWidth; ++x)
        {
            for (int y = 0; y < kHeight; ++y)
            {
                if (Near(pixels[static_cast<std::size_t>(y * kWidth + x)], kSelection))
                {
                    first = first < 0 ? x : first;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }
    // Columns holding a dark vertical run taller than any digit: the caret.
    static std::vector<int> CaretColumns(const std::vector<std::uint32_t>& pixels, int width = kWidth)
    {
        std::vector<int> columns;
        for (int x = 1; x < width - 1; ++x)
        {
            int run = 0;
            int longest = 0;
            for (int y = 1; y < kHeight - 1; ++y)
            {
                run = (pixels[static_cast<std::size_t>(y * width + x)] & 0xFF) < 0x60 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            if (longest >= kHeight - 8)
            {
                columns.push_back(x);
            }
        }
        return columns;
    }

    static constexpr int kWidth = 120;
    static constexpr int kHeight = 18;
    double m_textLeft = 0.0;
    double m_cell = 0.0;
};

TEST_F(X11TextFieldEditing, CaretKeysMoveAndShiftSelectsWhatTheNextKeyReplaces)
{
    Show(40, 30, 50, 15, u"12345");
    Key(XK_Left); // the whole selection collapses to its start
    Key(XK_9);
    ASSERT_TRUE(TextBecomes(u"912345"));
    Keys({XK_End, XK_Left, XK_Left, XK_0});
    ASSERT_TRUE(TextBecomes(u"9123045"));
    Keys({XK_Right, XK_Right, XK_Right, XK_7}); // stops at the end
    ASSERT_TRUE(TextBecomes(u"91230457"));

    Key(XK_Home);
    Shifted(XK_Right, 2);
    Key(XK_8);
    ASSERT_TRUE(TextBecomes(u"8230457"));
    Key(XK_End);
    Shifted(XK_Left, 3);
    Shifted(XK_Right); // the selection shrinks from the caret's side
    Key(XK_BackSpace);
    ASSERT_TRUE(TextBecomes(u"82304"));
    Shifted(XK_Home);
    Keys({XK_Right, XK_Left, XK_Left}); // the selection collapses to its end
    Shifted(XK_End);
    Key(XK_1);
    ASSERT_TRUE(TextBecomes(u"8231"));

    // Ctrl+A selects everything again, whatever the caret did.
    Key(XK_Home);
    KeyWith({XK_Control_L}, XK_a);
    Key(XK_5);
    ASSERT_TRUE(TextBecomes(u"5"));
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));
}

TEST_F(X11TextFieldEditing, DeleteTakesTheCharacterAfterTheCaretOrTheSelection)
{
    Show(40, 30, 50, 15, u"12345");
    Keys({XK_Home, XK_Delete});
    ASSERT_TRUE(TextBecomes(u"2345"));
    Key(XK_Right);
    Shifted(XK_Right, 2);
    Key(XK_Delete);
    ASSERT_TRUE(TextBecomes(u"25"));
    Keys({XK_End, XK_Delete, XK_BackSpace}); // nothing after the caret at the end
    ASSERT_TRUE(TextBecomes(u"2"));
    Keys({XK_Home, XK_BackSpace, XK_KP_Delete}); // nothing before it at the start
    ASSERT_TRUE(TextBecomes(u""));
    Keys({XK_Delete, XK_BackSpace, XK_Left, XK_Right, XK_Home, XK_End, XK_4}); // an empty field stays sound
    ASSERT_TRUE(TextBecomes(u"4"));

    // Delete types no character, so the client's filter is not asked about it.
    EXPECT_EQ(m_client.Locked([&] { return m_field.offered; }), u"\b\b\b4");

    // Right after showing, Delete takes the whole selected text.
    Show(40, 30, 50, 15, u"-12.0");
    Key(XK_Delete);
    ASSERT_TRUE(TextBecomes(u""));
}

TEST_F(X11TextFieldEditing, CtrlMovesAndSelectsByWords)
{
    Show(40, 30, 100, 15, u"12 345 6");
    Key(XK_Home);
    KeyWith({XK_Control_L}, XK_Right); // to the start of the next word
    Key(XK_9);
    ASSERT_TRUE(TextBecomes(u"12 9345 6"));
    KeyWith({XK_Control_L}, XK_Right);
    Key(XK_0);
    ASSERT_TRUE(TextBecomes(u"12 9345 06"));
    KeyWith({XK_Control_L}, XK_Right); // the last word ends at the end
    Key(XK_1);
    ASSERT_TRUE(TextBecomes(u"12 9345 061"));

    KeyWith({XK_Control_L}, XK_Left); // to the start of the word
    KeyWith({XK_Shift_L, XK_Control_L}, XK_Left);
    Key(XK_Delete);
    ASSERT_TRUE(TextBecomes(u"12 061"));
    KeyWith({XK_Control_L}, XK_Left);
    KeyWith({XK_Control_L}, XK_Left);
    KeyWith({XK_Control_L}, XK_Left); // stays at the start
    Key(XK_7);
    ASSERT_TRUE(TextBecomes(u"712 061"));
}

TEST_F(X11TextFieldEditing, AClickPlacesTheCaretAndADragOrAShiftClickSelects)
{
    ShowDigits();
    ClickAt(Boundary(2), kHeight / 2);
    Key(XK_9);
    ASSERT_TRUE(TextBecomes(u"129345"));

    ShowDigits();
    PointerTo(Boundary(1), kHeight / 2);
    Button(1, true);
    PointerTo(Boundary(3), kHeight / 2);
    PointerTo(Boundary(4) + 1, kHeight / 2);
    Button(1, false);
    PointerTo(Boundary(5), kHeight / 2); // moving after the release changes nothing
    Key(XK_0);
    ASSERT_TRUE(TextBecomes(u"105"));

    // A drag that leaves the field on the left selects up to the start.
    ShowDigits();
    PointerTo(Boundary(3), kHeight / 2);
    Button(1, true);
    PointerTo(-30, kHeight + 20);
    Button(1, false);
    Key(XK_0);
    ASSERT_TRUE(TextBecomes(u"045"));

    ShowDigits();
    ClickAt(Boundary(4), kHeight / 2);
    PointerTo(Boundary(1), kHeight / 2);
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, XK_Shift_L), True, CurrentTime);
    Button(1, true);
    Button(1, false);
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, XK_Shift_L), False, CurrentTime);
    Key(XK_7);
    ASSERT_TRUE(TextBecomes(u"175"));
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));
}

TEST_F(X11TextFieldEditing, ADoubleClickSelectsTheWordUnderThePointer)
{
    ShowDigits();
    ClickAt(Boundary(2), kHeight / 2);
    ClickAt(Boundary(2), kHeight / 2);
    Key(XK_8);
    ASSERT_TRUE(TextBecomes(u"8")); // the digits are one word

    Show(40, 30, kWidth, kHeight, u"12 345");
    Key(XK_End);
    ClickAt(kWidth - 3, kHeight / 2); // past the end: the last word
    ClickAt(kWidth - 3, kHeight / 2);
    Key(XK_9);
    ASSERT_TRUE(TextBecomes(u"12 9"));

    Show(40, 30, kWidth, kHeight, u"12 345");
    ClickAt(2, kHeight / 2);
    ClickAt(2, kHeight / 2);
    Key(XK_9);
    ASSERT_TRUE(TextBecomes(u"9 345"));

    // Two clicks far apart are two clicks.
    ShowDigits();
    ClickAt(Boundary(1), kHeight / 2);
    ClickAt(Boundary(4), kHeight / 2);
    Key(XK_0);
    ASSERT_TRUE(TextBecomes(u"123405"));
}

TEST_F(X11TextFieldEditing, TheCaretAndTheSelectionAreDrawnWhereTheyAre)
{
    ShowDigits();
    std::vector<std::uint32_t> pixels;
    auto caretNear = [&](int x)
    {
        return [this, x](const std::vector<std::uint32_t>& p)
        {
            const std::vector<int> columns = CaretColumns(p);
            return BandColumns(p).first < 0 && columns.size() == 1 && std::abs(columns[0] - x) <= 1;
        };
    };
    Key(XK_Home);
    EXPECT_TRUE(FieldPixels(pixels, caretNear(Boundary(0))))
        << ::testing::PrintToString(CaretColumns(pixels));
    Keys({XK_Right, XK_Right});
    EXPECT_TRUE(FieldPixels(pixels, caretNear(Boundary(2))))
        << ::testing::PrintToString(CaretColumns(pixels));
    Key(XK_End);
    EXPECT_TRUE(FieldPixels(pixels, caretNear(Boundary(5))))
        << ::testing::PrintToString(CaretColumns(pixels));

    // A selection of the last two digits: a band over them alone, their ink white in it, and no caret.
    Shifted(XK_Left, 2);
    auto bandOver = [&](int from, int to)
    {
        return [=](const std::vector<std::uint32_t>& p)
        {
            const auto [first, last] = BandColumns(p);
            return std::abs(first - from) <= 1 && std::abs(last - to) <= 1 && CaretColumns(p).empty();
        };
    };
    ASSERT_TRUE(FieldPixels(pixels, bandOver(Boundary(3), Boundary(5))))
        << BandColumns(pixels).first << ".." << BandColumns(pixels).second;
    long whiteInBand = 0;
    long darkLeftOfBand = 0;
    for (int y = 1; y < kHeight - 1; ++y)
    {
        for (int x = 1; x < kWidth - 1; ++x)
        {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * kWidth + x)];
            whiteInBand += x > Boundary(3) + 1 && x < Boundary(5) - 1 && Near(p, 0xFFFFFF) ? 1 : 0;
            darkLeftOfBand += x < Boundary(3) - 1 && (p & 0xFF) < 0x60 ? 1 : 0;
        }
    }
    EXPECT_GT(whiteInBand, 4);
    EXPECT_GT(darkLeftOfBand, 12) << "the unselected digits stay dark on white";

    // A selection made with the mouse shows the same way.
    PointerTo(Boundary(1), kHeight / 2);
    Button(1, true);
    PointerTo(Boundary(3), kHeight / 2);
    Button(1, false);
    EXPECT_TRUE(FieldPixels(pixels, bandOver(Boundary(1), Boundary(3) - 1)))
        << BandColumns(pixels).first << ".." << BandColumns(pixels).second;
}

TEST_F(X11TextFieldEditing, ALongTextScrollsToKeepTheCaretInView)
{
    Show(40, 30, 50, kHeight, u"1234567890123456");
    Key(XK_End);
    std::vector<std::uint32_t> pixels;
    auto caretAt = [](auto inRange)
    {
        return [=](const std::vector<std::uint32_t>& p)
        {
            const std::vector<int> columns = CaretColumns(p, 50);
            return columns.size() == 1 && inRange(columns[0]);
        };
    };
    EXPECT_TRUE(FieldPixels(pixels, caretAt([](int x) { return x >= 44 && x <= 48; })));
    Key(XK_Home);
    EXPECT_TRUE(FieldPixels(pixels, caretAt([](int x) { return x >= 1 && x <= 4; })));
    Key(XK_0);
    ASSERT_TRUE(TextBecomes(u"01234567890123456"));
    // A click at the right edge lands on a character that is in view, not on the hidden end.
    ClickAt(47, kHeight / 2);
    Key(XK_BackSpace);
    const std::u16string text = Text();
    EXPECT_EQ(text.size(), 16u);
    EXPECT_NE(text, u"0123456789012345") << "the click reached the end of the text, out of view";
}

// The middle button neither commits nor edits the field, inside it or on the panel around it.
TEST_F(X11TextFieldEditing, TheMiddleButtonLeavesTheFieldAlone)
{
    Show(40, 30, 50, 15, u"0.0");
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {}));
    m_client.Locked([&] { m_client.events.clear(); });
    ClickAt(25, 7, 2);
    ClickAt(150, 120, 2); // on the panel
    PointerTo(25, 7);
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {}));
    for (const auto& e : m_client.Locked([&] { return m_client.events; }))
    {
        EXPECT_TRUE(e.kind == MouseEvent::Move) << "the panel took a press or release of the middle button";
    }
    EXPECT_EQ(FieldAttributes().map_state, IsViewable);
    EXPECT_EQ(Focus(), FieldWindow());
    Key(XK_9); // still replaces the whole selection
    ASSERT_TRUE(TextBecomes(u"9"));
    EXPECT_TRUE(m_client.Locked([&] { return m_field.committed.empty(); }));

    // With the field hidden the middle button still reaches the panel neither as a press nor a release;
    // a left click after it does, so the middle one had its chance to arrive.
    Hide();
    m_client.Locked([&] { m_client.events.clear(); });
    ClickAt(150, 120, 2);
    ClickAt(150, 120, 1);
    EXPECT_TRUE(m_client.WaitUntil(
        [&]
        {
            return std::ranges::any_of(m_client.events, [](const MouseEvent& e)
                                       { return e.kind == MouseEvent::Up && (e.keys & 1) != 0; });
        }));
    for (const auto& e : m_client.Locked([&] { return m_client.events; }))
    {
        EXPECT_TRUE(e.kind == MouseEvent::Move || (e.keys & 16) == 0)
            << "a middle press or release reached the panel";
    }
}
} // namespace
