// SPDX-License-Identifier: GPL-3.0-or-later
// Event translation without a server: the double-click rules at their edges.

// GoogleTest comes before the X headers, whose None macro would break it.
#include <gtest/gtest.h>

#include "platform/linux/pointer_input.h"

#include <string>
#include <vector>

namespace
{
using KVX::Platform::PointerInput;

class Log final : public KVX::Platform::WindowClient
{
public:
    void OnContextCreated() override {}
    void OnContextFailed(std::exception_ptr) override {}
    bool OnFrame(std::uint32_t) override { return true; }
    void OnContextReleasing() override {}
    void OnMouseDown(int x, int y, std::uint32_t k) override { Add("down", x, y, k); }
    void OnMouseUp(int x, int y, std::uint32_t k) override { Add("up", x, y, k); }
    void OnMouseMove(int x, int y, std::uint32_t k) override { Add("move", x, y, k); }
    void OnDoubleClick(int x, int y, std::uint32_t k) override { Add("double", x, y, k); }
    void OnMouseWheel(float s, std::uint32_t k) override { Add("wheel", static_cast<int>(s), 0, k); }
    void OnMouseLeftWindow() override { entries.push_back("left"); }

    std::vector<std::string> entries;

private:
    void Add(const char* what, int x, int y, std::uint32_t keys)
    {
        entries.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
                          std::to_string(keys));
    }
};

XEvent Button(int type, unsigned button, unsigned long time, int x, int y, unsigned state = 0)
{
    XEvent event{};
    event.type = type;
    event.xbutton.button = button;
    event.xbutton.time = time;
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.state = state;
    return event;
}

// Presses (and releases) the left button at each time and place.
std::vector<std::string> LeftClicks(std::initializer_list<std::tuple<unsigned long, int, int>> clicks)
{
    PointerInput input;
    Log log;
    for (auto [time, x, y] : clicks)
    {
        input.Handle(Button(ButtonPress, Button1, time, x, y), log);
        input.Handle(Button(ButtonRelease, Button1, time + 1, x, y, Button1Mask), log);
    }
    std::vector<std::string> presses;
    for (auto& e : log.entries)
    {
        if (e.rfind("up", 0) != 0)
        {
            presses.push_back(e.substr(0, e.find(' ')));
        }
    }
    return presses;
}

using Kinds = std::vector<std::string>;

TEST(PointerInput, ASecondPressWithinTheTimeAndDistanceIsADoubleClick)
{
    EXPECT_EQ(LeftClicks({{1000, 10, 10}, {1500, 14, 6}}), (Kinds{"down", "double"}));
    EXPECT_EQ(LeftClicks({{1000, 10, 10}, {1501, 10, 10}}), (Kinds{"down", "down"}));
    EXPECT_EQ(LeftClicks({{1000, 10, 10}, {1100, 15, 10}}), (Kinds{"down", "down"}));
    EXPECT_EQ(LeftClicks({{1000, 10, 10}, {1100, 10, 5}}), (Kinds{"down", "down"}));
    EXPECT_EQ(LeftClicks({{1000, 10, 10}, {1100, 10, 10}, {1200, 10, 10}, {1300, 10, 10}}),
              (Kinds{"down", "double", "down", "double"}));
    // The server's millisecond clock wraps at 2^32.
    EXPECT_EQ(LeftClicks({{0xFFFFFF00ul, 10, 10}, {0x00000010ul, 10, 10}}), (Kinds{"down", "double"}));
}

TEST(PointerInput, AnotherButtonBetweenTwoLeftPressesBreaksThePair)
{
    PointerInput input;
    Log log;
    input.Handle(Button(ButtonPress, Button1, 100, 5, 5), log);
    input.Handle(Button(ButtonRelease, Button1, 110, 5, 5, Button1Mask), log);
    input.Handle(Button(ButtonPress, Button3, 120, 5, 5), log);
    input.Handle(Button(ButtonRelease, Button3, 130, 5, 5, Button3Mask), log);
    input.Handle(Button(ButtonPress, Button1, 140, 5, 5), log);
    EXPECT_EQ(log.entries, (Kinds{"down 5,5 1", "up 5,5 1", "down 5,5 2", "up 5,5 2", "down 5,5 1"}));
}

TEST(PointerInput, TheKeyWordFollowsTheWindowsLayout)
{
    EXPECT_EQ(PointerInput::KeysFromState(Button1Mask | Button2Mask | Button3Mask | ShiftMask | ControlMask),
              31u);
    EXPECT_EQ(PointerInput::KeysFromState(Mod1Mask | LockMask | Button4Mask), 0u);

    // A release whose state lacks its own button still carries the button's bit.
    PointerInput input;
    Log log;
    input.Handle(Button(ButtonRelease, Button3, 1, -20, 700, ShiftMask), log);
    EXPECT_EQ(log.entries, (Kinds{"up -20,700 6"}));
}
XEvent Leave(int mode, int detail)
{
    XEvent event{};
    event.type = LeaveNotify;
    event.xcrossing.mode = mode;
    event.xcrossing.detail = detail;
    return event;
}

TEST(PointerInput, LeavingTheWindowIsToldButNotEnteringAWindowInsideItOrAGrab)
{
    PointerInput input;
    Log log;
    input.Handle(Leave(NotifyNormal, NotifyAncestor), log);
    input.Handle(Leave(NotifyUngrab, NotifyNonlinear), log); // a release outside ends the grab
    input.Handle(Leave(NotifyNormal, NotifyInferior), log);  // into the text field
    input.Handle(Leave(NotifyGrab, NotifyAncestor), log);
    EXPECT_EQ(log.entries, (Kinds{"left", "left"}));
}

TEST(PointerInput, TheMiddleButtonPressesAndReleasesNothing)
{
    PointerInput input;
    Log log;
    input.Handle(Button(ButtonPress, Button1, 100, 5, 5), log);
    input.Handle(Button(ButtonPress, Button2, 110, 5, 5, Button1Mask), log);
    input.Handle(Button(ButtonRelease, Button2, 120, 5, 5, Button1Mask | Button2Mask), log);
    input.Handle(Button(ButtonRelease, Button1, 130, 5, 5, Button1Mask), log);
    input.Handle(Button(ButtonPress, Button1, 140, 5, 5), log); // the middle press broke the pair
    EXPECT_EQ(log.entries, (Kinds{"down 5,5 1", "up 5,5 1", "down 5,5 1"}));
}
} // namespace
